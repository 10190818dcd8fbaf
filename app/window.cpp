/* Thin layer over the window services: the only place the program calls USER32 besides
   the dialog's own entry and end. */
#include "window.h"
#include "resource.h"

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

void ArmProbeTimer(HWND dialog)
{
    SetTimer(dialog, ID_PROBE_TIMER, PROBE_DELAY_MS, NULL);
}

void DisarmProbeTimer(HWND dialog)
{
    KillTimer(dialog, ID_PROBE_TIMER);
}

void PostPatchState(HWND dialog, int state)
{
    PostMessageA(dialog, WM_PATCHSTATE, (WPARAM)state, 0);
}
