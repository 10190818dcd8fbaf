/* A stand-in for Velmora.exe that shows its dialog and never asks anything, so that the driver,
   waiting for a question or the log's end, must give up on its own and end it. */
#include <windows.h>

#include "app/resource.h"

static INT_PTR CALLBACK NeverAsks(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    bool end = message == WM_CLOSE || (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL));
    if (end)
        EndDialog(dialog, 0);
    return end || message == WM_INITDIALOG;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return (int)DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_PATCH), NULL, NeverAsks, 0);
}
