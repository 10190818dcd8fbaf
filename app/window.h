/* The window services the program needs, gathered in one place. */
#ifndef VELMORA_WINDOW_H
#define VELMORA_WINDOW_H

#include <stdarg.h>
#include <windows.h>

/* Formats with the platform formatter, which never writes more than 1024 bytes. */
void FormatText(char *buffer, const char *format, va_list args);
void AppendListItem(HWND list, const char *text);
/* A modal message box; `caption` NULL shows the platform's default caption. */
int ShowBox(HWND owner, const char *text, const char *caption, UINT flags);
void ArmProbeTimer(HWND dialog);
void DisarmProbeTimer(HWND dialog);
void PostPatchState(HWND dialog, int state);

#endif
