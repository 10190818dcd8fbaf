/* Velmora: switches off the "Turbo" mode of the SBLive and Audigy driver, and back on. */
#include <windows.h>

#include "app/dialog.h"
#include "app/resource.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    (void)previous;
    (void)commandLine;
    (void)showCommand;
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PATCH), NULL, PatchDialogProc, 0);
    return 0;
}
