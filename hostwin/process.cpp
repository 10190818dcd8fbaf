/* hostwin's process: kernel32 with or without SetDefaultDllDirectories, a system folder, DLL
   loads that succeed or fail, and the exit, recorded in the order the program made them. */
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
    bool hasSetDefaultDllDirectories = true;
    bool loadsSucceed = true;
    std::string systemFolder;
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
    return TRUE;
}

}  // namespace

void ResetProcess(bool hasSetDefaultDllDirectories, bool loadsSucceed, const std::string &systemFolder)
{
    State() = Process{hasSetDefaultDllDirectories, loadsSucceed, systemFolder, {}};
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
    bool found = module == KERNEL32 && State().hasSetDefaultDllDirectories && (UINT_PTR)name > 0xFFFF &&
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

HMODULE WINAPI LoadLibraryA(LPCSTR path)
{
    NoteProcessCall(std::string("LoadLibraryA ") + path);
    return State().loadsSucceed ? LOADED : nullptr;
}

void WINAPI ExitProcess(UINT code)
{
    NoteProcessCall("ExitProcess " + std::to_string(code));
}
