/* Message boxes: besides the log, the one window service the engine uses. A box is modal;
   `caption` NULL shows the platform's default caption. */
#ifndef VELMORA_BOX_H
#define VELMORA_BOX_H

#include <windows.h>

int ShowBox(HWND owner, const char *text, const char *caption, UINT flags);

#endif
