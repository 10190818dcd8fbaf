/* The patch dialog: the program's one window. */
#ifndef VELMORA_DIALOG_H
#define VELMORA_DIALOG_H

#include <windows.h>

/* The log list box, kept once the dialog has initialised. */
extern HWND LogWindow;

INT_PTR CALLBACK PatchDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

#endif
