/* hostwin's process: kernel32 with or without a working SetDefaultDllDirectories, a system folder
   and the DLLs in it, loads that succeed or fail, and the exit, recorded in the order the program
   made them. */
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "hostwin.h"

namespace hostwin {
namespace {

const HMODULE EXE = (HMODULE)(UINT_PTR)0x400000, KERNEL32 = (HMODULE)(UINT_PTR)0x7c800000;
const HMODULE LOADED = (HMODULE)(UINT_PTR)0x5ad70000;

struct Process
{
    DllDirectories dllDirectories = SET_DEFAULT_DLL_DIRECTORIES;
    bool loadsSucceed = true;
    std::string systemFolder;
    std::vector<std::string> systemDlls;
    std::vector<std::string> calls;
};

Process &State()
{
    static Process process;
    return process;
}

BOOL WINAPI SetDefaultDllDirectories(DWORD flags)
{
    char call[48];
    snprintf(call, sizeof call, "SetDefaultDllDirectories %#x", flags);
    NoteProcessCall(call);
    return State().dllDirectories == SET_DEFAULT_DLL_DIRECTORIES;
}

}  // namespace

void ResetProcess(DllDirectories dllDirectories, bool loadsSucceed, const std::string &systemFolder,
                  const std::vector<std::string> &systemDlls)
{
    State() = Process{dllDirectories, loadsSucceed, systemFolder, systemDlls, {}};
}

const std::vector<std::string> &ProcessCalls()
{
    return State().calls;
}

void NoteProcessCall(const std::string &call)
{
    State().calls.push_back(call);
}

}  // namespace hostwin

using namespace hostwin;

HMODULE WINAPI GetModuleHandleA(LPCSTR name)
{
    return !name ? EXE : strcasecmp(name, "kernel32.dll") == 0 ? KERNEL32 : nullptr;
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR name)
{
    bool found = module == KERNEL32 && State().dllDirectories != NO_SET_DEFAULT_DLL_DIRECTORIES &&
                 (UINT_PTR)name > 0xFFFF &&
                 strcmp(name, "SetDefaultDllDirectories") == 0;
    return found ? (FARPROC)(void (*)(void))SetDefaultDllDirectories : nullptr;
}

/* As Windows: the length without the terminator, or the size needed with it when it does not fit. */
UINT WINAPI GetSystemDirectoryA(LPSTR buffer, UINT size)
{
    const std::string &folder = State().systemFolder;
    if (folder.size() >= size)
        return (UINT)folder.size() + 1;
    memcpy(buffer, folder.c_str(), folder.size() + 1);
    return (UINT)folder.size();
}

/* Only the system folder's DLLs are there; with no folder, "\\x.dll" is the current drive's root. */
DWORD WINAPI GetFileAttributesA(LPCSTR path)
{
    for (const std::string &dll : State().systemDlls)
        if (strcasecmp(path, (State().systemFolder + "\\" + dll).c_str()) == 0)
            return 0x20;  // FILE_ATTRIBUTE_ARCHIVE
    return INVALID_FILE_ATTRIBUTES;
}

HMODULE WINAPI LoadLibraryExA(LPCSTR path, void *, DWORD flags)
{
    char call[MAX_PATH + 32];
    snprintf(call, sizeof call, "LoadLibraryExA %s %#x", path, flags);
    NoteProcessCall(call);
    return State().loadsSucceed ? LOADED : nullptr;
}

void WINAPI ExitProcess(UINT code)
{
    NoteProcessCall("ExitProcess " + std::to_string(code));
}
