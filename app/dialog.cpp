/* The patch dialog: banner, delayed probe, the user's decision, and closing. */
#include "dialog.h"
#include "log.h"
#include "patch.h"
#include "resource.h"
#include "window.h"

HWND LogWindow;

static void WriteBanner(void)
{
    LogLine(LogWindow, "Velmora");
    LogLine(LogWindow, "Version 0.10, Tolvane, April 16 2003");
    LogLine(LogWindow, " ");
    LogLine(LogWindow, "Log begins.");
}

/* The probe waits for the first tick so that the window is on screen before it works. */
static void ProbeOnce(HWND window)
{
    DisarmProbeTimer(window);
    PostPatchState(window, ProbeDriverKey(LogWindow));
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
        ArmProbeTimer(window);
        return FALSE;  /* the platform sets no initial focus */
    case WM_TIMER:
        ProbeOnce(window);
        return FALSE;
    case WM_PATCHSTATE:
        PromptForAction(window, wParam);
        return FALSE;
    case WM_COMMAND:
        /* Close and Enter only: the Escape key's IDCANCEL must not close the log. */
        if (wParam == IDOK)
            EndDialog(window, 0);
        return FALSE;
    case WM_CLOSE:
        EndDialog(window, 0);
        return TRUE;
    }
    return FALSE;
}
