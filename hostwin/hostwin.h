/* hostwin's controls for tests: seed and read the in-memory registry, inject failures,
   script the user, and read back what the program showed. */
#ifndef HOSTWIN_HOSTWIN_H
#define HOSTWIN_HOSTWIN_H

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

namespace hostwin {

/* ---- Registry: paths are relative to HKEY_LOCAL_MACHINE, separated by backslashes. ---- */

struct Value
{
    DWORD type;
    std::vector<BYTE> data;
    bool operator==(const Value &other) const { return type == other.type && data == other.data; }
};

struct Node;
typedef std::shared_ptr<Node> Snapshot;

void ResetRegistry();
void CreateKey(const std::string &path);
void SetValue(const std::string &path, const std::string &name, DWORD type, const std::vector<BYTE> &data);
void SetDword(const std::string &path, const std::string &name, DWORD number);
/* Removes a key with its subtree; handles still open on it then fail with ERROR_KEY_DELETED. */
void DeleteKey(const std::string &path);
Value GetValue(const std::string &path, const std::string &name);
/* Every value of a key, by name as stored. */
std::map<std::string, Value> Values(const std::string &path);
std::vector<std::string> Subkeys(const std::string &path);

enum RegOp { REG_OPEN, REG_ENUM, REG_QUERY, REG_SET, REG_DELETE, REG_CLOSE, REG_OP_COUNT };

/* Makes matching calls return `code` without doing anything. `name` is the path given to
   RegOpenKeyA, the name of the key for RegEnumKeyExA, or the value name; empty matches any.
   `nth` 0 fails every matching call, N only the Nth one. */
void FailCall(RegOp op, LONG code, const std::string &name = "", int nth = 0);
/* Makes the Nth write-or-delete call (RegSetValueExA or RegDeleteValueA) return `code`. */
void FailChange(int n, LONG code);
int CallCount(RegOp op);
int OpenHandleCount();

/* A copy of the whole registry, to restore later. */
Snapshot TakeSnapshot();
/* Starts over from a copy, as a new process would: no open handles, no injected failures. */
void RestoreSnapshot(const Snapshot &snapshot);
/* The same registry as a new process finds it: counts at 0, no handles, no injected failures. */
void NewProcess();
/* Copies the registry right after the Nth successful write or delete, as a crash there
   would leave it; NULL until that happens. */
void SnapshotAfterChange(int n);
Snapshot ChangeSnapshot();
int ChangeCount();

/* ---- Window system ---- */

/* CLOSE_NOTIFIES: a notification of the Close button other than a click (BN_SETFOCUS). */
enum UserAction { CLICK_CLOSE, PRESS_ENTER, PRESS_ESCAPE, CLICK_CLOSE_BOX, CLOSE_NOTIFIES };
const long WHEN_IDLE = -1;
/* The user answers a message box this long after it came up; meanwhile its own modal loop
   ticks the timers and delivers posted messages, as the platform's does. */
const long ANSWER_AFTER_MS = 1000;

struct BoxRecord
{
    HWND owner;
    std::string text;
    bool hasCaption;
    std::string caption;
    UINT flags;
    int answer;
    size_t logLinesBefore;  /* lines in the list boxes when the box came up */
    long atMs;
};

struct TimerEvent
{
    bool armed;  /* SetTimer, or KillTimer */
    UINT_PTR id;
    UINT elapse;
    long atMs;
};

struct Delivery
{
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    long atMs;
    bool posted;  /* from the message queue, or sent */
    INT_PTR result;
};

struct LogItem
{
    std::string text;
    long atMs;
};

void ResetUi();
/* The resource file that DialogBoxParamA loads dialog templates from. */
void LoadResources(const std::string &resPath);
/* The user's next action, taken when nothing else is pending (WHEN_IDLE) or at a time
   on the virtual clock. */
void ScriptUser(UserAction action, long atMs = WHEN_IDLE);
/* The answer to the next message box. One nobody scripted gets IDOK (IDNO for MB_YESNO) and
   is counted in UnscriptedBoxes, never reset: the test fixture fails the test that met it. */
void ScriptAnswer(int answer);
int UnscriptedBoxes();

const std::vector<BoxRecord> &Boxes();
const std::vector<TimerEvent> &TimerEvents();
const std::vector<Delivery> &Deliveries();
/* The items of the dialog's list box control `id`, in order. */
std::vector<LogItem> ListItems(int id);
std::vector<std::string> ListTexts(int id);
/* A list box outside any dialog: a log target for tests of the engine alone. */
HWND CreateListBox();
std::vector<std::string> Texts(HWND list);
HWND Dialog();
long NowMs();
/* True when the dialog waited for a user action that the test did not script. */
bool Stalled();

/* ---- Process ---- */

/* A new process on a Windows whose kernel32 lacks SetDefaultDllDirectories (XP), has one that
   fails, or has one that works; whose loads of a DLL succeed or fail; with this system folder
   ("": GetSystemDirectoryA fails) holding these DLLs. */
enum DllDirectories { NO_SET_DEFAULT_DLL_DIRECTORIES, SET_DEFAULT_DLL_DIRECTORIES_FAILS,
                      SET_DEFAULT_DLL_DIRECTORIES };
void ResetProcess(DllDirectories dllDirectories = SET_DEFAULT_DLL_DIRECTORIES, bool loadsSucceed = true,
                  const std::string &systemFolder = "C:\\WINDOWS\\system32",
                  const std::vector<std::string> &systemDlls = {"uxtheme.dll", "dwmapi.dll"});
/* SetDefaultDllDirectories, LoadLibraryExA, DialogBoxParamA and ExitProcess as they were called,
   in order, each with its arguments: "LoadLibraryExA C:\WINDOWS\system32\uxtheme.dll 0x8". */
const std::vector<std::string> &ProcessCalls();
void NoteProcessCall(const std::string &call);

}  // namespace hostwin

#endif
