/* The process entry of the Windows builds, which link no C runtime: nothing runs before
   WinMain and nothing after it but ExitProcess. The host build calls WinMain itself. */
#include <windows.h>

extern "C" void WinMainCRTStartup(void)
{
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", SW_SHOWDEFAULT));
}
