/* The end-to-end driver: starts Velmora.exe, finds its dialog and message boxes as a user
   sees them, answers and closes them as a user would, and prints what it saw: every box,
   every log line, the exit code and the driver's registry values afterwards.

   usage: driver VELMORA.EXE ANSWER CLOSE [HOLD_MS]
     ANSWER   yes | no | ok      the answer to the first box the dialog shows
     CLOSE    button | enter | closebox | escape   (escape: press Escape, check the dialog
              is still open a second later, then press the Close button)
     HOLD_MS  how long to leave the first box, and then the finished log scrolled to its last
              line, on screen (default 0: no wait, no scrolling), for the demo's pictures
   or: driver --registry        prints the driver's registry values only
   or: driver --time-velmora VELMORA.EXE   answers Yes at once and prints, in ms from the
                                start of the process, when the prompt came and when the
                                "Done." box came
   or: driver --time COMMAND LINE          prints how long the command ran, in ms
   or: driver --remove-driver-root         removes the tests' driver root, only if it is theirs
   or: driver --machine                    prints the Windows, the processor and the elevation
   It gives up before the runners' time-out would kill it without a word, at two thirds of
   WINE_TIMEOUT (seconds, from the environment; else 60): it prints FAIL, ends what it started. */
#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

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

static void Fail(const char *what)
{
    printf("FAIL %s\n", what);
    fflush(stdout);
    /* Left running, it would keep its window open into the next run. */
    if (Process.hProcess && TerminateProcess(Process.hProcess, 2))
        WaitForSingleObject(Process.hProcess, 5000);
    ExitProcess(2);
}

#ifndef ERROR_ELEVATION_REQUIRED
#define ERROR_ELEVATION_REQUIRED 740L  /* Vista's; MinGW declares it only for newer targets */
#endif

/* Cross-process text goes through the W messages: Wine 8's LB_GETTEXT over processes
   returns UTF-16 even to the A call. */
static std::string Narrow(const std::wstring &wide)
{
    if (wide.empty())
        return "";
    int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), (int)wide.size(), NULL, 0, NULL, NULL);
    std::string text(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), (int)wide.size(), &text[0], size, NULL, NULL);
    return text;
}

/* A busy Velmora answers between its log lines only: no question waits past the time left. */
static LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, std::min<DWORD>(5000, TimeLeft()),
                             &result))
        return -1;
    return (LRESULT)result;
}

static std::string WindowText(HWND window)
{
    LRESULT length = Ask(window, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0)
        return "";
    std::wstring text(length + 1, L'\0');
    Ask(window, WM_GETTEXT, length + 1, (LPARAM)&text[0]);
    text.resize(wcslen(text.c_str()));
    return Narrow(text);
}

static std::string LogLine(HWND list, LRESULT index)
{
    LRESULT length = Ask(list, LB_GETTEXTLEN, index, 0);
    if (length < 0)
        return "";
    std::wstring text(length + 1, L'\0');
    Ask(list, LB_GETTEXT, index, (LPARAM)&text[0]);
    text.resize(wcslen(text.c_str()));
    return Narrow(text);
}

static std::vector<std::string> LogLines(HWND list)
{
    std::vector<std::string> lines;
    LRESULT count = Ask(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; i++)
        lines.push_back(LogLine(list, i));
    return lines;
}

struct Search
{
    HWND exclude;
    HWND found;
};

static BOOL CALLBACK FindDialogWindow(HWND window, LPARAM context)
{
    Search *search = (Search *)context;
    DWORD owner = 0;
    char className[16];
    GetWindowThreadProcessId(window, &owner);
    if (owner != Process.dwProcessId || window == search->exclude || !IsWindowVisible(window))
        return TRUE;
    if (!GetClassNameA(window, className, sizeof(className)) || strcmp(className, "#32770") != 0)
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

/* Polls every `stepMs`: the timing runs poll closely, so that the times are Velmora's. */
static HWND WaitForDialog(DWORD stepMs)
{
    for (; TimeLeft(); Sleep(stepMs)) {
        HWND dialog = FindTopWindow(NULL);
        if (dialog && WindowText(dialog) == "Velmora" && GetDlgItem(dialog, 1000))
            return dialog;
    }
    Fail("the dialog did not appear");
    return NULL;
}

static bool HasIcon(HWND box)
{
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[16];
        if (GetClassNameA(child, className, sizeof(className)) && strcmp(className, "Static") == 0 &&
            (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
            SendMessageA(child, STM_GETICON, 0, 0) != 0)
            return true;
    }
    return false;
}

/* Prints a box as a user sees it, leaves it on screen for `holdMs`, then presses its button `id`. */
static void Answer(HWND dialog, HWND box, int id, DWORD holdMs)
{
    HWND owner = GetWindow(box, GW_OWNER);
    std::string buttons;
    static const struct { int id; const char *name; } BUTTONS[] = {{IDOK, "OK"}, {IDYES, "Yes"}, {IDNO, "No"}, {IDCANCEL, "Cancel"}};
    for (const auto &button : BUTTONS)
        if (GetDlgItem(box, button.id) && IsWindowVisible(GetDlgItem(box, button.id)))
            buttons += std::string(buttons.empty() ? "" : "+") + button.name;
    printf("BOX owner=%s caption=\"%s\" text=\"%s\" buttons=%s icon=%s\n",
           owner == dialog ? "dialog" : owner ? "other" : "none", WindowText(box).c_str(),
           WindowText(GetDlgItem(box, 0xFFFF)).c_str(), buttons.c_str(), HasIcon(box) ? "yes" : "no");
    fflush(stdout);
    Sleep(std::min(holdMs, TimeLeft()));
    HWND button = GetDlgItem(box, id);
    if (!button)
        Fail("the box has not the button to press");
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)button);
    while (IsWindow(box) && TimeLeft())
        Sleep(STEP_MS);
}

static bool LogEnded(HWND list)
{
    LRESULT count = Ask(list, LB_GETCOUNT, 0, 0);
    return count > 0 && LogLine(list, count - 1) == "Log ends.";
}

/* Answers the boxes as they come until the log's last line is "Log ends."; the first one is
   left on screen for `holdMs`. */
static void RunToLogEnd(HWND dialog, int firstAnswer, DWORD holdMs)
{
    HWND list = GetDlgItem(dialog, 1000);
    int boxes = 0;
    while (TimeLeft()) {
        HWND box = FindTopWindow(dialog);
        if (box) {
            bool first = boxes++ == 0;
            Answer(dialog, box, first ? firstAnswer : IDOK, first ? holdMs : 0);
            continue;
        }
        if (LogEnded(list))
            return;
        Sleep(STEP_MS);
    }
    Fail("the log did not end");
}

static void CloseDialog(HWND dialog, const char *how)
{
    HWND button = GetDlgItem(dialog, IDOK);
    if (strcmp(how, "escape") == 0) {
        PostMessageA(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
        PostMessageA(dialog, WM_KEYUP, VK_ESCAPE, 0);
        Sleep(1000);
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

/* The driver key's subkeys and values as the registry holds them now. */
static void PrintRegistry()
{
    HKEY wave;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, WAVE_KEY, 0, KEY_READ, &wave) != ERROR_SUCCESS) {
        printf("REG no driver key\n");
        return;
    }
    char subkeyName[256];
    for (DWORD i = 0;; i++) {
        DWORD nameSize = sizeof(subkeyName);
        if (RegEnumKeyExA(wave, i, subkeyName, &nameSize, NULL, NULL, NULL, NULL) != ERROR_SUCCESS)
            break;
        HKEY subkey;
        if (RegOpenKeyExA(wave, subkeyName, 0, KEY_READ, &subkey) != ERROR_SUCCESS)
            continue;
        std::vector<std::string> lines;
        for (DWORD j = 0;; j++) {
            char valueName[256], line[1024];
            BYTE data[256];
            DWORD valueSize = sizeof(valueName), dataSize = sizeof(data), type;
            if (RegEnumValueA(subkey, j, valueName, &valueSize, NULL, &type, data, &dataSize) != ERROR_SUCCESS)
                break;
            snprintf(line, sizeof(line), "REG %s %s type=%lu data=%s", subkeyName, valueName, type,
                     Hex(data, dataSize).c_str());
            lines.push_back(line);
        }
        RegCloseKey(subkey);
        std::sort(lines.begin(), lines.end());  // value order is the registry's own business
        for (const std::string &line : lines)
            printf("%s\n", line.c_str());
    }
    RegCloseKey(wave);
}

static double NowMs()
{
    static LARGE_INTEGER frequency;
    LARGE_INTEGER now;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * (double)now.QuadPart / (double)frequency.QuadPart;
}

/* Starts `application` (a path), or else the program that `commandLine` names, in a job that
   ends it with the driver however the driver ends: on Windows a time-out kills the driver only. */
static PROCESS_INFORMATION Start(const char *application, char *commandLine)
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
    if (!job || !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits)) ||
        !AssignProcessToJobObject(job, process.hProcess))
        Fail("cannot tie the program to the driver with a job object");
    ResumeThread(process.hThread);
    return process;
}

/* Polls closely, as WaitForDialog does for the timing runs. */
static HWND WaitForBoxClosely(HWND dialog, const char *text)
{
    for (; TimeLeft(); Sleep(1)) {
        HWND box = FindTopWindow(dialog);
        if (box && WindowText(GetDlgItem(box, 0xFFFF)) == text)
            return box;
    }
    Fail("timed out waiting for a box");
    return NULL;
}

static int TimeVelmora(char *exe)
{
    double start = NowMs();
    PROCESS_INFORMATION process = Start(NULL, exe);
    HWND dialog = WaitForDialog(1);
    double shown = NowMs();
    HWND prompt = WaitForBoxClosely(dialog, "Ready to apply patch. Apply patch now?");
    double prompted = NowMs();
    PostMessageA(prompt, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), (LPARAM)GetDlgItem(prompt, IDYES));
    HWND done = WaitForBoxClosely(dialog, "Done.");
    double finished = NowMs();
    printf("dialog_ms=%.0f prompt_ms=%.0f done_ms=%.0f\n", shown - start, prompted - start, finished - start);
    PostMessageA(done, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(done, IDOK));
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    WaitForSingleObject(process.hProcess, TimeLeft());
    return 0;
}

static int TimeCommand(char *commandLine)
{
    double start = NowMs();
    PROCESS_INFORMATION process = Start(NULL, commandLine);
    if (WaitForSingleObject(process.hProcess, TimeLeft()) != WAIT_OBJECT_0)
        Fail("the command did not end");
    printf("run_ms=%.0f\n", NowMs() - start);
    return 0;
}

/* Prints one line of answer and returns the exit status that goes with it. */
static int Report(int status, const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    vprintf(format, arguments);
    va_end(arguments);
    printf("\n");
    return status;
}

/* Looked up at run time, so that the driver still starts on a Windows that lacks them. */
template <typename Function> static Function Find(const char *dll, const char *name)
{
    return (Function)(void (*)(void))GetProcAddress(GetModuleHandleA(dll), name);
}

/* Every seed of the tests lies under this key and marks it with this value (scripts/platform.sh
   writes both). A machine that has the key without the mark holds a real driver's settings. */
static const char DRIVER_ROOT[] = "SYSTEM\\CurrentControlSet\\Control\\Creative Tech";
static const char DRIVER_ROOT_MARK[] = "VelmoraTests";

/* Removes the driver root if the tests made it, and prints what it found: "absent", "removed",
   "foreign" (there without the mark, and left alone) or "error N ...". Only Windows' own
   ERROR_FILE_NOT_FOUND counts as absent: the runners refuse on every other answer. */
static int RemoveDriverRoot()
{
    HKEY root;
    LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, DRIVER_ROOT, 0, KEY_QUERY_VALUE, &root);
    if (result == ERROR_FILE_NOT_FOUND)
        return Report(0, "absent");
    if (result != ERROR_SUCCESS)
        return Report(1, "error %ld opening the key", result);
    result = RegQueryValueExA(root, DRIVER_ROOT_MARK, NULL, NULL, NULL, NULL);
    RegCloseKey(root);
    if (result == ERROR_FILE_NOT_FOUND)
        return Report(1, "foreign");
    if (result != ERROR_SUCCESS)
        return Report(1, "error %ld reading the mark", result);
    auto deleteTree = Find<LONG(WINAPI *)(HKEY, LPCSTR)>("advapi32.dll", "RegDeleteTreeA");  /* Vista's */
    result = deleteTree ? deleteTree(HKEY_LOCAL_MACHINE, DRIVER_ROOT) : ERROR_CALL_NOT_IMPLEMENTED;
    if (result != ERROR_SUCCESS)
        return Report(1, "error %ld deleting the key", result);
    result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, DRIVER_ROOT, 0, KEY_QUERY_VALUE, &root);
    if (result == ERROR_SUCCESS)
        RegCloseKey(root);
    if (result != ERROR_FILE_NOT_FOUND)
        return Report(1, "error %ld: the key is still there after its deletion", result);
    return Report(0, "removed");
}

static const char *MachineName(USHORT machine)
{
    switch (machine) {
    case IMAGE_FILE_MACHINE_I386: return "x86";
    case IMAGE_FILE_MACHINE_AMD64: return "x64";
    case 0xAA64: return "ARM64";  /* IMAGE_FILE_MACHINE_ARM64 */
    default: return "unknown";
    }
}

/* What the Windows jobs print first: which Windows, which processor, and whether this process,
   and so the shell that started it, holds an elevated token. Velmora asks for administrator
   rights, so without one every start of it fails with 740: say so once and exit 1. */
static int ReportMachine()
{
    RTL_OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    /* GetVersionEx answers 6.2 to a program without a compatibility manifest; ntdll does not. */
    auto getVersion = Find<LONG(WINAPI *)(RTL_OSVERSIONINFOEXW *)>("ntdll.dll", "RtlGetVersion");
    if (getVersion)
        getVersion(&version);
    char product[128] = "?";
    DWORD size = sizeof(product);
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
        if (RegQueryValueExA(key, "ProductName", NULL, NULL, (BYTE *)product, &size) != ERROR_SUCCESS)
            strcpy(product, "?");
        product[sizeof(product) - 1] = '\0';
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

    HANDLE token;
    TOKEN_ELEVATION elevation = {};
    DWORD returned = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        printf("Elevated: cannot tell (OpenProcessToken failed with %lu)\n", GetLastError());
        return 1;
    }
    BOOL known = GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &returned);
    DWORD error = GetLastError();
    CloseHandle(token);
    if (!known) {
        printf("Elevated: cannot tell (GetTokenInformation failed with %lu)\n", error);
        return 1;
    }
    if (!elevation.TokenIsElevated) {
        printf("Elevated: no. Velmora.exe asks for administrator rights, so Windows would refuse every "
               "start of it (740, ERROR_ELEVATION_REQUIRED): the tests stop here.\n");
        return 1;
    }
    printf("Elevated: yes\n");
    return 0;
}

int main(int argc, char **argv)
{
    char seconds[16];
    StartTick = GetTickCount();
    GiveUpMs = GetEnvironmentVariableA("WINE_TIMEOUT", seconds, sizeof(seconds)) ? atoi(seconds) * 2000 / 3 : 40000;
    if (argc == 2 && strcmp(argv[1], "--remove-driver-root") == 0)
        return RemoveDriverRoot();
    if (argc == 2 && strcmp(argv[1], "--machine") == 0)
        return ReportMachine();
    if (argc == 3 && strcmp(argv[1], "--time-velmora") == 0)
        return TimeVelmora(argv[2]);
    if (argc >= 3 && strcmp(argv[1], "--time") == 0) {
        /* The command line as given, after the option. */
        char *commandLine = strstr(GetCommandLineA(), "--time") + strlen("--time");
        while (*commandLine == ' ')
            commandLine++;
        return TimeCommand(commandLine);
    }
    if (argc == 2 && strcmp(argv[1], "--registry") == 0) {
        PrintRegistry();
        return 0;
    }
    if (argc != 4 && argc != 5)
        Fail("usage: driver VELMORA.EXE yes|no|ok button|enter|closebox|escape [HOLD_MS]");
    int answer = strcmp(argv[2], "yes") == 0 ? IDYES : strcmp(argv[2], "no") == 0 ? IDNO : IDOK;

    PROCESS_INFORMATION process = Start(argv[1], NULL);
    HWND dialog = WaitForDialog(STEP_MS);
    DWORD holdMs = argc == 5 ? (DWORD)atoi(argv[4]) : 0;
    RunToLogEnd(dialog, answer, holdMs);
    HWND list = GetDlgItem(dialog, 1000);
    /* Velmora does not follow its log: the user drags the scroll bar to the end to read it. */
    if (holdMs)
        Ask(list, WM_VSCROLL, MAKEWPARAM(SB_BOTTOM, 0), 0);
    for (const std::string &line : LogLines(list))
        printf("LOG %s\n", line.c_str());
    fflush(stdout);
    Sleep(std::min(holdMs, TimeLeft()));
    CloseDialog(dialog, argv[3]);

    if (WaitForSingleObject(process.hProcess, TimeLeft()) != WAIT_OBJECT_0)
        Fail("Velmora did not exit");
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    printf("EXIT %lu\n", exitCode);
    PrintRegistry();
    return 0;
}
