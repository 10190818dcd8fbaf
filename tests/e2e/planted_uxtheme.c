/* A uxtheme.dll to save beside Velmora.exe, as a web page could in Downloads: loaded at all, it
   leaves a mark in its own folder, then refuses to stay, so the dialog goes on with the real one. */
#include <windows.h>

BOOL WINAPI DllMainCRTStartup(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    char path[MAX_PATH + 32];  // the folder of a path of MAX_PATH, and the mark's name
    DWORD length = reason == DLL_PROCESS_ATTACH ? GetModuleFileNameA(self, path, MAX_PATH) : 0;
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    while (length && path[length - 1] != '\\')
        length--;
    lstrcpyA(path + length, "planted-uxtheme-loaded");
    CloseHandle(CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    return FALSE;
}
