/* The process entry of the Windows builds, which link no C runtime: nothing runs before WinMain
   but the DLL search guard, and nothing after it but ExitProcess. */
#include <windows.h>

typedef BOOL(WINAPI *SetDefaultDllDirectoriesFunction)(DWORD flags);

/* `name` is "\\x.dll"; a system path too long to take it loads nothing. Only a file that is there
   is loaded: 98 and 2000 have neither DLL, XP has no dwmapi, and from 2000 on a Velmora.exe.local
   beside the exe makes Windows load the copy in the exe's folder, whatever path it is given. The
   DLL's own imports are then looked for in the system folder first, not in the exe's. */
static void LoadFromSystemFolder(const char *name)
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    for (UINT i = 0; length && length + i < MAX_PATH; i++) {
        path[length + i] = name[i];
        if (!name[i]) {
            if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
                LoadLibraryExA(path, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
            return;
        }
    }
}

/* user32 loads uxtheme (on 7 also dwmapi) for the dialog, looking in the exe's folder first: run
   elevated from Downloads, Velmora would run a copy that a web page saved there. Without
   SetDefaultDllDirectories (98, XP; Vista and 7 without KB2533623), or when it fails, the
   system's copies go first. */
static void GuardDllSearch(void)
{
    SetDefaultDllDirectoriesFunction setDefaultDllDirectories = (SetDefaultDllDirectoriesFunction)(void (*)(void))
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");
    if (setDefaultDllDirectories && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    LoadFromSystemFolder("\\uxtheme.dll");
    LoadFromSystemFolder("\\dwmapi.dll");
}

extern "C" void WinMainCRTStartup(void)
{
    GuardDllSearch();
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", SW_SHOWDEFAULT));
}
