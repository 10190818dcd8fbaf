/* The window services the log needs, gathered in one place with ShowBox (ui/box.h). */
#ifndef VELMORA_WINDOW_H
#define VELMORA_WINDOW_H

#include <stdarg.h>
#include <windows.h>

/* Formats with the platform formatter, which never writes more than 1024 bytes. */
void FormatText(char *buffer, const char *format, va_list args);
void AppendListItem(HWND list, const char *text);

#endif
