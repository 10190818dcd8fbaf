/* The patch dialog: the program's one window. */
#ifndef VELMORA_DIALOG_H
#define VELMORA_DIALOG_H

#include <windows.h>

/* Posted by the dialog to itself after the probe: wParam carries the PatchState, lParam is 0. */
#define WM_PATCHSTATE   (WM_USER + 100)

/* The log list box, kept once the dialog has initialised. */
extern HWND LogWindow;

INT_PTR CALLBACK PatchDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
