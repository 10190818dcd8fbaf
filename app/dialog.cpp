/* The patch dialog: banner, delayed probe, the user's decision, and closing. */
#include "app/dialog.h"
#include "app/resource.h"
#include "engine/patch.h"
#include "ui/box.h"
#include "ui/log.h"

/* The probe waits this long after the dialog has opened, so that the window is on screen. */
static const UINT PROBE_DELAY_MS = 500;

HWND LogWindow;

static void WriteBanner(void)
{
    LogLine(LogWindow, "Velmora");
    LogLine(LogWindow, "Version 0.10, Tolvane, April 16 2003");
    LogLine(LogWindow, " ");
    LogLine(LogWindow, "Log begins.");
}

/* The timer goes first, or the prompt box's own message loop would deliver its next tick;
   the state is posted so that the prompt runs once this handler has returned. */
static void ProbeOnce(HWND window)
{
    KillTimer(window, ID_PROBE_TIMER);
    PostMessageA(window, WM_PATCHSTATE, (WPARAM)ProbeDriverKey(LogWindow), 0);
}

static void OfferRun(HWND window, const char *text, const char *caption, BOOL apply)
{
    if (ShowBox(window, text, caption, MB_YESNO) == IDYES)
        RunPatch(LogWindow, apply);
}

/* Puts the probe's finding to the user and, on Yes, runs the matching mode. */
static void PromptForAction(HWND window, WPARAM state)
{
    switch (state) {
    case PATCH_STATE_NONE:
        ShowBox(window, "Cannot find a registry key to be patched.", NULL, MB_OK | MB_ICONERROR);
        break;
    case PATCH_STATE_BROKEN:
        OfferRun(window, "Registry configuration is bad. Try to fix it?", NULL, FALSE);
        break;
    case PATCH_STATE_UNPATCHED:
        OfferRun(window, "Ready to apply patch. Apply patch now?", "Patch", TRUE);
        break;
    case PATCH_STATE_PATCHED:
        OfferRun(window, "Ready to remove patch. Remove patch now?", "Patch", FALSE);
        break;
    }
    LogLine(LogWindow, "Log ends.");
}

INT_PTR CALLBACK PatchDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        LogWindow = GetDlgItem(window, IDC_LOG);
        WriteBanner();
        SetTimer(window, ID_PROBE_TIMER, PROBE_DELAY_MS, NULL);
        return FALSE;  /* on purpose: no control takes the focus; Enter still presses Close */
    case WM_TIMER:
        ProbeOnce(window);
        return FALSE;
    case WM_PATCHSTATE:
        PromptForAction(window, wParam);
        return FALSE;
    case WM_COMMAND:
        /* Close and Enter only, not Escape's IDCANCEL nor any other notification of Close. */
        if (wParam == IDOK)
            EndDialog(window, 0);
        return FALSE;
    case WM_CLOSE:
        EndDialog(window, 0);
        return TRUE;
    }
    return FALSE;
}
