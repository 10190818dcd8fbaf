/* The end-to-end driver: starts Velmora.exe, finds its dialog and message boxes as a user
   sees them, answers and closes them as a user would, and prints what it saw: every box,
   every log line, the exit code and the driver's registry values afterwards.

   usage: driver VELMORA.EXE ANSWER CLOSE [HOLD_MS]
     ANSWER   yes | no | ok      the answer to the first box the dialog shows (ok: its one button)
     CLOSE    button | enter | closebox | escape   (escape: press Escape, check the dialog
              is still open once Escape is handled, then press the Close button)
     HOLD_MS  how long to leave the first box, and then the finished log scrolled to its last
              line, on screen (default 0: no wait, no scrolling), for the demo's pictures
   or: driver --registry        prints the driver's registry values only
   or: driver --time-velmora VELMORA.EXE   answers Yes at once and prints when the dialog, the
                                           prompt and the "Done." box came, in ms from its start
   or: driver --time COMMAND LINE          prints how long the command ran, in ms
   or: driver --remove-driver-root HKEY_LOCAL_MACHINE\KEY MARK   removes the tests' driver root,
                                           only if it is theirs: if it holds the value MARK
   or: driver --machine                    prints the Windows, the processor and the elevation
   It gives up after VELMORA_GIVE_UP seconds (from the environment), else before the runners'
   time-out would kill it without a word, at two thirds of WINE_TIMEOUT (seconds; else 60): it
   prints FAIL and ends what it started. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <set>
#include <string>

static const char WAVE_KEY[] = "SYSTEM\\CurrentControlSet\\Control\\Creative Tech\\Emu10kx\\DriverSettings\\Wave";
static const DWORD STEP_MS = 50;

static DWORD StartTick, GiveUpMs;
static PROCESS_INFORMATION Process;  /* the program the driver started */

/* How long the driver has left before it gives up. */
static DWORD TimeLeft()
{
    DWORD spent = GetTickCount() - StartTick;
    return spent < GiveUpMs ? GiveUpMs - spent : 0;
}

[[noreturn]] static void Fail(const char *what)
{
    printf("FAIL %s\n", what);
    fflush(stdout);
    /* Left running, it would keep its window open into the next run. */
    if (Process.hProcess && TerminateProcess(Process.hProcess, 2))
        WaitForSingleObject(Process.hProcess, 5000);
    ExitProcess(2);
}

/* Prints one line of answer and gives the exit status that goes with it. */
#define Report(status, ...) (printf(__VA_ARGS__), printf("\n"), (status))

#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740L  /* Vista's; MinGW's winerror.h lacks it */
#endif

/* A busy Velmora answers between its log lines only: no question waits past the time left. */
static LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT unanswered = -1)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, std::min<DWORD>(5000, TimeLeft()),
                             &result))
        return unanswered;
    return (LRESULT)result;
}

/* A list's line `line`, or with none the window's own text. Cross-process text goes through the
   W messages: Wine 8's LB_GETTEXT over processes returns UTF-16 even to the A call. */
static std::string Text(HWND window, LRESULT line = -1)
{
    bool isLine = line >= 0;
    LRESULT length = Ask(window, isLine ? LB_GETTEXTLEN : WM_GETTEXTLENGTH, isLine ? line : 0, 0);
    if (length <= 0)
        return "";
    std::wstring wide(length + 1, L'\0');
    /* WM_GETTEXT takes the buffer's size where LB_GETTEXT takes the line. */
    Ask(window, isLine ? LB_GETTEXT : WM_GETTEXT, isLine ? line : length + 1, (LPARAM)&wide[0]);
    int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, NULL, 0, NULL, NULL);
    std::string text(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &text[0], size, NULL, NULL);
    return text.c_str();  /* up to the terminating null */
}

/* Calls `ready` every `stepMs` until it answers something, and returns that; at the time limit
   it fails with `what`. The timing runs poll closely, so that the times are Velmora's. */
template <typename Ready> static auto Poll(DWORD stepMs, const char *what, Ready ready) -> decltype(ready())
{
    for (; TimeLeft(); Sleep(stepMs))
        if (auto answer = ready())
            return answer;
    Fail(what);
}

struct Search { HWND exclude, found; };

static BOOL CALLBACK FindDialogWindow(HWND window, LPARAM context)
{
    Search *search = (Search *)context;
    DWORD owner = 0;
    char className[16];
    GetWindowThreadProcessId(window, &owner);
    if (owner != Process.dwProcessId || window == search->exclude || !IsWindowVisible(window) ||
        !GetClassNameA(window, className, sizeof(className)) || strcmp(className, "#32770") != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

/* A visible dialog-class top-level window of Velmora other than `exclude`. */
static HWND FindTopWindow(HWND exclude)
{
    Search search = {exclude, NULL};
    EnumWindows(FindDialogWindow, (LPARAM)&search);
    return search.found;
}

static HWND WaitForDialog(DWORD stepMs)
{
    return Poll(stepMs, "the dialog did not appear", [] {
        HWND dialog = FindTopWindow(NULL);
        return dialog && Text(dialog) == "Velmora" && GetDlgItem(dialog, 1000) ? dialog : NULL;
    });
}

/* Reads `box` as a user sees it: whether it shows an icon, and its buttons' texts without the
   '&', in its own order. Returns the button to press for `id`: Yes or No by their IDs, which
   Microsoft documents; for IDOK the one button of an OK box, whatever its ID (no Microsoft page
   fixes it); NULL if the box has no such button. */
static HWND ReadBox(HWND box, int id, std::string &buttons, bool &icon)
{
    HWND last = NULL;
    int count = 0;
    char className[16];
    icon = false;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!GetClassNameA(child, className, sizeof(className)))
            continue;
        if (strcmp(className, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            icon = icon || Ask(child, STM_GETICON, 0, 0, 0) != 0;
        if (strcmp(className, "Button") == 0 && IsWindowVisible(child)) {
            std::string text = Text(child);
            text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
            buttons += (buttons.empty() ? "" : "+") + text;
            last = child;
            count++;
        }
    }
    return id != IDOK ? GetDlgItem(box, id) : count == 1 ? last : NULL;
}

/* Prints a box as a user sees it, leaves it on screen for `holdMs`, then presses its button for
   `id` (see ReadBox). */
static void Answer(HWND dialog, HWND box, int id, DWORD holdMs)
{
    HWND owner = GetWindow(box, GW_OWNER);
    std::string buttons;
    bool icon;
    HWND button = ReadBox(box, id, buttons, icon);
    printf("BOX owner=%s caption=\"%s\" text=\"%s\" buttons=%s icon=%s\n",
           owner == dialog ? "dialog" : owner ? "other" : "none", Text(box).c_str(),
           Text(GetDlgItem(box, 0xFFFF)).c_str(), buttons.c_str(), icon ? "yes" : "no");
    fflush(stdout);
    Sleep(std::min(holdMs, TimeLeft()));
    if (!button)
        Fail("the box has not the button to press");
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), (LPARAM)button);
    Poll(STEP_MS, "the box did not close", [&] { return !IsWindow(box); });
}

/* Answers the boxes as they come until the log's last line is "Log ends."; the first one is
   left on screen for `holdMs`. */
static void RunToLogEnd(HWND dialog, int firstAnswer, DWORD holdMs)
{
    HWND list = GetDlgItem(dialog, 1000);
    int boxes = 0;
    Poll(STEP_MS, "the log did not end", [&] {
        if (HWND box = FindTopWindow(dialog)) {
            bool first = boxes++ == 0;
            Answer(dialog, box, first ? firstAnswer : IDOK, first ? holdMs : 0);
            return false;
        }
        LRESULT count = Ask(list, LB_GETCOUNT, 0, 0);
        return count > 0 && Text(list, count - 1) == "Log ends.";
    });
}

static void CloseDialog(HWND dialog, const char *how)
{
    HWND button = GetDlgItem(dialog, IDOK), list = GetDlgItem(dialog, 1000);
    if (strcmp(how, "escape") == 0) {
        PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(dialog, WM_KEYUP, VK_ESCAPE, 0);
        /* Posted messages are handled in order (sent ones before all of them: no barrier), so once
           the log's first line holds this mark the keys are handled, unless they ended the dialog. */
        PostMessageA(list, LB_SETITEMDATA, 0, 'V');
        Poll(STEP_MS, "the Escape key was not handled",
             [&] { return !IsWindow(list) || Ask(list, LB_GETITEMDATA, 0, 0) == 'V'; });
        printf("AFTER-ESCAPE %s\n", IsWindow(dialog) && IsWindowVisible(dialog) ? "open" : "closed");
        how = "button";
    }
    if (strcmp(how, "button") == 0)
        PostMessageA(button, BM_CLICK, 0, 0);
    else if (strcmp(how, "enter") == 0) {
        PostMessageA(dialog, WM_KEYDOWN, VK_RETURN, 0);
        PostMessageA(dialog, WM_KEYUP, VK_RETURN, 0);
    } else if (strcmp(how, "closebox") == 0)
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    else
        Fail("unknown way to close");
}

static std::string Hex(const BYTE *data, DWORD size)
{
    std::string text;
    char byte[4];
    for (DWORD i = 0; i < size; i++) {
        snprintf(byte, sizeof(byte), "%s%02x", i ? "," : "", data[i]);
        text += byte;
    }
    return text.empty() ? "-" : text;
}

/* Prints the driver key's subkeys and values as the registry holds them now; gives exit status 0. */
static int PrintRegistry()
{
    HKEY wave, subkey;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, WAVE_KEY, 0, KEY_READ, &wave) != ERROR_SUCCESS)
        return Report(0, "REG no driver key");
    char subkeyName[256];
    for (DWORD i = 0;; i++) {
        DWORD nameSize = sizeof(subkeyName);
        if (RegEnumKeyExA(wave, i, subkeyName, &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        if (RegOpenKeyExA(wave, subkeyName, 0, KEY_READ, &subkey) != ERROR_SUCCESS)
            continue;
        std::set<std::string> lines;  /* sorted: value order is the registry's own business */
        for (DWORD j = 0;; j++) {
            char valueName[256], line[1024];
            BYTE data[256];
            DWORD valueSize = sizeof(valueName), dataSize = sizeof(data), type;
            if (RegEnumValueA(subkey, j, valueName, &valueSize, NULL, &type, data, &dataSize) != ERROR_SUCCESS)
                break;
            snprintf(line, sizeof(line), "REG %s %s type=%lu data=%s", subkeyName, valueName, type,
                     Hex(data, dataSize).c_str());
            lines.insert(line);
        }
        RegCloseKey(subkey);
        for (const std::string &line : lines)
            printf("%s\n", line.c_str());
    }
    RegCloseKey(wave);
    return 0;
}

static double NowMs()
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)now.QuadPart / (double)frequency.QuadPart;
}

/* Starts `application` (a path), or else the program that `commandLine` names, in a job that
   ends it with the driver however the driver ends: on Windows a time-out kills the driver only. */
static void Start(const char *application, char *commandLine)
{
    STARTUPINFOA startup = {};
    PROCESS_INFORMATION process = {};
    startup.cb = sizeof(startup);
    if (!CreateProcessA(application, commandLine, NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, NULL, &startup,
                        &process)) {
        /* CreateProcess never elevates: Velmora's manifest asks for administrator rights, so
           Windows refuses to start it from a shell that is not elevated. */
        if (GetLastError() == ERROR_ELEVATION_REQUIRED)
            Fail("Windows answered 740 (ERROR_ELEVATION_REQUIRED): the tests need an elevated shell");
        Fail("cannot start the program");
    }
    Process = process;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    HANDLE job = CreateJobObjectA(NULL, NULL);
    /* Vista and 7 refuse a job to a driver that runs in one itself: it goes on without, and
       Fail still ends the program. */
    if (job && SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits)))
        AssignProcessToJobObject(job, process.hProcess);
    ResumeThread(process.hThread);
}

static HWND WaitForBoxClosely(HWND dialog, const char *text)
{
    return Poll(1, "timed out waiting for a box", [&] {
        HWND box = FindTopWindow(dialog);
        return box && Text(GetDlgItem(box, 0xFFFF)) == text ? box : NULL;
    });
}

static int TimeVelmora(char *exe)
{
    double start = NowMs();
    Start(NULL, exe);
    HWND dialog = WaitForDialog(1);
    double shown = NowMs();
    HWND prompt = WaitForBoxClosely(dialog, "Ready to apply patch. Apply patch now?");
    double prompted = NowMs();
    PostMessageA(prompt, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), (LPARAM)GetDlgItem(prompt, IDYES));
    HWND done = WaitForBoxClosely(dialog, "Done.");
    double finished = NowMs();
    printf("dialog_ms=%.0f prompt_ms=%.0f done_ms=%.0f\n", shown - start, prompted - start, finished - start);
    std::string buttons;
    bool icon;
    HWND button = ReadBox(done, IDOK, buttons, icon);
    if (!button)
        Fail("the \"Done.\" box has not one button");
    PostMessageA(done, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), (LPARAM)button);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    WaitForSingleObject(Process.hProcess, TimeLeft());
    return 0;
}

/* Runs the command line as given after the option. */
static int TimeCommand()
{
    char *commandLine = strstr(GetCommandLineA(), "--time") + strlen("--time");
    double start = NowMs();
    Start(NULL, commandLine + strspn(commandLine, " "));
    if (WaitForSingleObject(Process.hProcess, TimeLeft()) != WAIT_OBJECT_0)
        Fail("the command did not end");
    printf("run_ms=%.0f\n", NowMs() - start);
    return 0;
}

/* Looked up at run time, so that the driver still starts on a Windows that lacks them. */
template <typename Function> static Function Find(const char *dll, const char *name)
{
    return (Function)(void (*)(void))GetProcAddress(GetModuleHandleA(dll), name);
}

/* Removes the driver root `path` if the tests made it, that is if it holds the value `mark` (a
   key without it holds a real driver's settings), and prints what it found: "absent", "removed",
   "foreign" (there without the mark, and left alone) or "error ...". Only Windows' own
   ERROR_FILE_NOT_FOUND counts as absent: the runners refuse on every other answer. */
static int RemoveDriverRoot(const char *path, const char *mark)
{
    static const char HKLM[] = "HKEY_LOCAL_MACHINE\\";
    /* An empty key or mark would name HKEY_LOCAL_MACHINE itself, or a key's default value. */
    if (_strnicmp(path, HKLM, sizeof(HKLM) - 1) != 0 || !path[sizeof(HKLM) - 1] || !*mark)
        return Report(1, "error: the root must be a key under %s, the mark a value name", HKLM);
    const char *key = path + sizeof(HKLM) - 1;
    HKEY root;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &root);
    if (result == ERROR_FILE_NOT_FOUND)
        return Report(0, "absent");
    if (result != ERROR_SUCCESS)
        return Report(1, "error %ld opening the key", result);
    result = RegQueryValueExA(root, mark, NULL, NULL, NULL, NULL);
    RegCloseKey(root);
    if (result == ERROR_FILE_NOT_FOUND)
        return Report(1, "foreign");
    if (result != ERROR_SUCCESS)
        return Report(1, "error %ld reading the mark", result);
    result = RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);  /* Vista's, as winpthread's GetTickCount64 */
    if (result != ERROR_SUCCESS)
        return Report(1, "error %ld deleting the key", result);
    result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_QUERY_VALUE, &root);
    if (result == ERROR_SUCCESS)
        RegCloseKey(root);
    if (result != ERROR_FILE_NOT_FOUND)
        return Report(1, "error %ld: the key is still there after its deletion", result);
    return Report(0, "removed");
}

static const char *MachineName(USHORT machine)
{
    return machine == IMAGE_FILE_MACHINE_I386 ? "x86" : machine == IMAGE_FILE_MACHINE_AMD64 ? "x64"
           : machine == 0xAA64 /* IMAGE_FILE_MACHINE_ARM64 */ ? "ARM64" : "unknown";
}

/* What the Windows jobs print first: which Windows, which processor, and whether this process,
   and so the shell that started it, holds an elevated token. Velmora asks for administrator
   rights, so without one every start of it fails with 740: say so once and exit 1. */
static int ReportMachine()
{
    RTL_OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    /* GetVersionEx answers 6.2 to a program without a compatibility manifest; ntdll does not. */
    if (auto getVersion = Find<LONG(WINAPI *)(RTL_OSVERSIONINFOEXW *)>("ntdll.dll", "RtlGetVersion"))
        getVersion(&version);
    char product[128] = "?";
    DWORD size = sizeof(product) - 1;  /* the last zero stays: a value's text may lack its own */
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
        if (RegQueryValueExA(key, "ProductName", NULL, NULL, (BYTE *)product, &size) != ERROR_SUCCESS)
            strcpy(product, "?");
        RegCloseKey(key);
    }
    /* Windows 11's ProductName says Windows 10; it is build 22000 on (servers name themselves). */
    bool eleven = version.wProductType == VER_NT_WORKSTATION && version.dwMajorVersion == 10 &&
                  version.dwBuildNumber >= 22000;
    printf("Windows: %lu.%lu build %lu (%s%s)\n", version.dwMajorVersion, version.dwMinorVersion,
           version.dwBuildNumber, eleven ? "Windows 11; ProductName " : "", product);

    /* The machine an x86 or x64 process is emulated on, too. Every image the jobs run on
       (Windows 10 1709 and later) and Wine have IsWow64Process2. */
    USHORT processMachine = 0, nativeMachine = 0;
    auto isWow64Process2 = Find<BOOL(WINAPI *)(HANDLE, USHORT *, USHORT *)>("kernel32.dll", "IsWow64Process2");
    USHORT own = sizeof(void *) == 8 ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386;
    if (isWow64Process2 && isWow64Process2(GetCurrentProcess(), &processMachine, &nativeMachine))
        printf("Processor: %s; this %s-bit driver runs as %s%s\n", MachineName(nativeMachine),
               sizeof(void *) == 8 ? "64" : "32", MachineName(own),
               own == nativeMachine ? "" : processMachine ? " under WOW64" : " by emulation");
    else
        printf("Processor: unknown (no IsWow64Process2 before Windows 10 1709)\n");

    HANDLE token = NULL;
    TOKEN_ELEVATION elevation = {};
    DWORD returned = 0;
    BOOL known = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
                 GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &returned);
    DWORD error = GetLastError();
    if (token)
        CloseHandle(token);
    if (!known)
        return Report(1, "Elevated: cannot tell (%s failed with %lu)",
                      token ? "GetTokenInformation" : "OpenProcessToken", error);
    if (!elevation.TokenIsElevated)
        return Report(1, "Elevated: no. Velmora.exe asks for administrator rights, so Windows would refuse "
                         "every start of it (740, ERROR_ELEVATION_REQUIRED): the tests stop here.");
    return Report(0, "Elevated: yes");
}

int main(int argc, char **argv)
{
    char seconds[16];
    StartTick = GetTickCount();
    GiveUpMs = GetEnvironmentVariableA("VELMORA_GIVE_UP", seconds, sizeof(seconds)) ? atoi(seconds) * 1000
               : GetEnvironmentVariableA("WINE_TIMEOUT", seconds, sizeof(seconds)) ? atoi(seconds) * 2000 / 3 : 40000;
    if (argc >= 2 && strcmp(argv[1], "--remove-driver-root") == 0)
        return argc == 4 ? RemoveDriverRoot(argv[2], argv[3]) : Report(1, "error: usage: driver --remove-driver-root ROOT MARK");
    if (argc == 2 && strcmp(argv[1], "--machine") == 0)
        return ReportMachine();
    if (argc == 3 && strcmp(argv[1], "--time-velmora") == 0)
        return TimeVelmora(argv[2]);
    if (argc >= 3 && strcmp(argv[1], "--time") == 0)
        return TimeCommand();
    if (argc == 2 && strcmp(argv[1], "--registry") == 0)
        return PrintRegistry();
    if (argc != 4 && argc != 5)
        Fail("usage: driver VELMORA.EXE yes|no|ok button|enter|closebox|escape [HOLD_MS]");
    int answer = strcmp(argv[2], "yes") == 0 ? IDYES : strcmp(argv[2], "no") == 0 ? IDNO : IDOK;

    Start(argv[1], NULL);
    HWND dialog = WaitForDialog(STEP_MS);
    DWORD holdMs = argc == 5 ? (DWORD)atoi(argv[4]) : 0;
    RunToLogEnd(dialog, answer, holdMs);
    HWND list = GetDlgItem(dialog, 1000);
    /* Velmora does not follow its log: the user drags the scroll bar to the end to read it. */
    if (holdMs)
        Ask(list, WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    for (LRESULT i = 0, count = Ask(list, LB_GETCOUNT, 0, 0); i < count; i++)
        printf("LOG %s\n", Text(list, i).c_str());
    fflush(stdout);
    Sleep(std::min(holdMs, TimeLeft()));
    CloseDialog(dialog, argv[3]);

    if (WaitForSingleObject(Process.hProcess, TimeLeft()) != WAIT_OBJECT_0)
        Fail("Velmora did not exit");
    DWORD exitCode = 0;
    GetExitCodeProcess(Process.hProcess, &exitCode);
    printf("EXIT %lu\n", exitCode);
    return PrintRegistry();
}
