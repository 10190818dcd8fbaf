/* Thin layer over the window services that the log and the engine use; the dialog calls
   the platform's dialog functions itself. */
#include "ui/box.h"
#include "ui/window.h"

void FormatText(char *buffer, const char *format, va_list args)
{
    wvsprintfA(buffer, format, args);
}

void AppendListItem(HWND list, const char *text)
{
    SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)text);
}

int ShowBox(HWND owner, const char *text, const char *caption, UINT flags)
{
    return MessageBoxA(owner, text, caption, flags);
}
