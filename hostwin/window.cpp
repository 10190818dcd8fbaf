/* hostwin's window system: a headless modal dialog built from the real dialog template,
   with a list box, timers on a virtual clock, posted messages, message boxes answered by
   the test, and a scripted user. */
#include <algorithm>
#include <deque>
#include <stdexcept>
#include <strings.h>

#include "hostwin.h"
#include "resfile.h"

struct HWND__
{
    bool isDialog;
    bool isListBox;
    WORD id;
    DLGPROC proc;
    HWND__ *parent;
    std::vector<hostwin::LogItem> items;
};

namespace hostwin {
namespace {

const UINT WM_SYSCOMMAND_CODE = 0x0112;
const UINT USER_TIMER_MINIMUM = 10;
/* A dialog still waiting after this much virtual time, or boxes nested this deep, hang. */
const long VIRTUAL_TIME_LIMIT_MS = 10 * 60 * 1000;
const int BOX_DEPTH_LIMIT = 8;

struct Posted
{
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct Timer
{
    UINT elapse;
    long due;
};

struct Scripted
{
    UserAction action;
    long atMs;
};

struct Ui
{
    std::vector<Resource> resources;
    std::deque<std::unique_ptr<HWND__>> windows;
    HWND dialog = nullptr;
    bool ended = false;
    INT_PTR result = 0;
    long now = 0;
    std::deque<Posted> posted;
    std::map<UINT_PTR, Timer> timers;
    std::deque<Scripted> actions;
    std::deque<int> answers;
    std::vector<BoxRecord> boxes;
    std::vector<TimerEvent> timerEvents;
    std::vector<Delivery> deliveries;
    int unscriptedBoxes = 0;
    int boxDepth = 0;
    bool stalled = false;
};

Ui &State()
{
    static Ui ui;
    return ui;
}

bool IsWindowHandle(HWND window)
{
    for (const auto &owned : State().windows)
        if (owned.get() == window)
            return true;
    return false;
}

INT_PTR Deliver(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool posted = false)
{
    Ui &ui = State();
    size_t at = ui.deliveries.size();
    ui.deliveries.push_back(Delivery{message, wParam, lParam, ui.now, posted, 0});
    INT_PTR result = window->proc(window, message, wParam, lParam);
    ui.deliveries[at].result = result;
    return result;
}

HWND NewWindow(bool isDialog, bool isListBox, WORD id, DLGPROC proc, HWND parent)
{
    State().windows.push_back(std::make_unique<HWND__>(HWND__{isDialog, isListBox, id, proc, parent, {}}));
    return State().windows.back().get();
}

HWND CreateDialog(const DialogTemplate &dialogTemplate, DLGPROC proc)
{
    HWND dialog = NewWindow(true, false, 0, proc, nullptr);
    for (const DialogItem &item : dialogTemplate.items) {
        bool isListBox = item.windowClass.isId ? item.windowClass.id == 0x83
                                               : strcasecmp(item.windowClass.name.c_str(), "ListBox") == 0;
        NewWindow(false, isListBox, item.id, nullptr, dialog);
    }
    return dialog;
}

/* What the platform sends the dialog procedure for each thing the user does. */
void Perform(HWND dialog, UserAction action)
{
    switch (action) {
    case CLICK_CLOSE:
    case PRESS_ENTER:  /* IsDialogMessage turns Enter into a click of the default button */
        Deliver(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDOK));
        break;
    case PRESS_ESCAPE:
        Deliver(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDCANCEL));
        break;
    case CLOSE_NOTIFIES:
        Deliver(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 6 /* BN_SETFOCUS */), (LPARAM)GetDlgItem(dialog, IDOK));
        break;
    case CLICK_CLOSE_BOX:
        /* DefDlgProc turns an unhandled WM_CLOSE into the cancel command */
        if (!Deliver(dialog, WM_CLOSE, 0, 0))
            Deliver(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), (LPARAM)GetDlgItem(dialog, IDCANCEL));
        break;
    }
}

/* One turn of a modal loop: a posted message, a timer tick due by `until`, or (in the
   dialog's own loop, `user`) the user's next action. False when nothing more can come. */
bool RunOnce(HWND dialog, long until, bool user)
{
    Ui &ui = State();
    if (!ui.posted.empty()) {
        Posted posted = ui.posted.front();
        ui.posted.pop_front();
        Deliver(posted.window, posted.message, posted.wParam, posted.lParam, true);
        return true;
    }
    auto next = ui.timers.end();
    for (auto timer = ui.timers.begin(); timer != ui.timers.end(); ++timer)
        if (next == ui.timers.end() || timer->second.due < next->second.due)
            next = timer;
    bool acting = user && !ui.actions.empty();
    bool timed = acting && ui.actions.front().atMs != WHEN_IDLE;
    if (timed && (next == ui.timers.end() || ui.actions.front().atMs <= next->second.due)) {
        ui.now = std::max(ui.now, ui.actions.front().atMs);
    } else if (next != ui.timers.end()) {
        if (next->second.due > until)
            return false;
        ui.now = next->second.due;
        next->second.due += next->second.elapse;
        Deliver(dialog, WM_TIMER, next->first, 0, true);
        return true;
    } else if (!acting) {
        return false;
    }
    UserAction action = ui.actions.front().action;
    ui.actions.pop_front();
    Perform(dialog, action);
    return true;
}

}  // namespace

/* ---- Test controls ---- */

void ResetUi()
{
    Ui fresh;
    fresh.resources = State().resources;
    fresh.unscriptedBoxes = State().unscriptedBoxes;  /* counts for the whole test */
    State() = std::move(fresh);
}

void LoadResources(const std::string &resPath)
{
    State().resources = ReadResourceFile(resPath);
}

void ScriptUser(UserAction action, long atMs)
{
    State().actions.push_back(Scripted{action, atMs});
}

void ScriptAnswer(int answer)
{
    State().answers.push_back(answer);
}

int UnscriptedBoxes()
{
    return State().unscriptedBoxes;
}

const std::vector<BoxRecord> &Boxes()
{
    return State().boxes;
}

const std::vector<TimerEvent> &TimerEvents()
{
    return State().timerEvents;
}

const std::vector<Delivery> &Deliveries()
{
    return State().deliveries;
}

std::vector<LogItem> ListItems(int id)
{
    HWND list = State().dialog ? GetDlgItem(State().dialog, id) : nullptr;
    return list ? list->items : std::vector<LogItem>();
}

std::vector<std::string> ListTexts(int id)
{
    return State().dialog ? Texts(GetDlgItem(State().dialog, id)) : std::vector<std::string>();
}

HWND CreateListBox()
{
    return NewWindow(false, true, 0, nullptr, nullptr);
}

std::vector<std::string> Texts(HWND list)
{
    std::vector<std::string> texts;
    if (IsWindowHandle(list))
        for (const LogItem &item : list->items)
            texts.push_back(item.text);
    return texts;
}

HWND Dialog()
{
    return State().dialog;
}

long NowMs()
{
    return State().now;
}

bool Stalled()
{
    return State().stalled;
}

}  // namespace hostwin

using namespace hostwin;

/* ---- The Win32 window functions ---- */

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc,
                               LPARAM initParam)
{
    Ui &ui = State();
    const WORD RT_DIALOG_TYPE = 5;
    NoteProcessCall("DialogBoxParamA");
    (void)instance;
    (void)owner;
    if ((UINT_PTR)templateName > 0xFFFF || !proc)
        return -1;
    const Resource *resource = FindResource(ui.resources, RT_DIALOG_TYPE, (WORD)(UINT_PTR)templateName);
    if (!resource)
        return -1;
    HWND dialog = CreateDialog(ParseDialog(resource->data), proc);
    ui.dialog = dialog;
    ui.ended = false;
    Deliver(dialog, WM_INITDIALOG, 0, initParam);
    while (!ui.ended) {
        if (!RunOnce(dialog, VIRTUAL_TIME_LIMIT_MS, true)) {
            ui.stalled = true;
            return -1;
        }
    }
    ui.timers.clear();
    ui.posted.clear();
    return ui.result;
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result)
{
    if (!IsWindowHandle(dialog) || !dialog->isDialog)
        return FALSE;
    State().ended = true;
    State().result = result;
    return TRUE;
}

HWND WINAPI GetDlgItem(HWND dialog, int id)
{
    if (!IsWindowHandle(dialog))
        return nullptr;
    for (const auto &window : State().windows)
        if (window->parent == dialog && window->id == (WORD)id)
            return window.get();
    return nullptr;
}

UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    Ui &ui = State();
    (void)proc;
    if (!IsWindowHandle(window))
        return 0;
    ui.timerEvents.push_back(TimerEvent{true, id, elapse, ui.now});
    if (elapse < USER_TIMER_MINIMUM)
        elapse = USER_TIMER_MINIMUM;
    ui.timers[id] = Timer{elapse, ui.now + (long)elapse};
    return id;
}

BOOL WINAPI KillTimer(HWND window, UINT_PTR id)
{
    Ui &ui = State();
    if (!IsWindowHandle(window))
        return FALSE;
    ui.timerEvents.push_back(TimerEvent{false, id, 0, ui.now});
    return ui.timers.erase(id) ? TRUE : FALSE;
}

BOOL WINAPI PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!IsWindowHandle(window) || !window->isDialog)
        return FALSE;
    State().posted.push_back(Posted{window, message, wParam, lParam});
    return TRUE;
}

LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!IsWindowHandle(window))
        return 0;
    if (window->isDialog)
        return Deliver(window, message, wParam, lParam);
    if (!window->isListBox || message != LB_ADDSTRING)
        return 0;
    window->items.push_back(LogItem{(const char *)lParam, State().now});
    return (LRESULT)window->items.size() - 1;
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    Ui &ui = State();
    int answer = (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDOK;
    if (!ui.answers.empty()) {
        answer = ui.answers.front();
        ui.answers.pop_front();
    } else {
        ui.unscriptedBoxes++;
    }
    size_t lines = 0;
    for (const auto &window : ui.windows)
        if (window->isListBox)
            lines += window->items.size();
    ui.boxes.push_back(BoxRecord{owner, text ? text : "", caption != nullptr, caption ? caption : "", type,
                                 answer, lines, ui.now});
    /* The box's own loop, until the user answers; the user's actions wait for the answer. */
    long answered = ui.now + ANSWER_AFTER_MS;
    ui.stalled |= ++ui.boxDepth > BOX_DEPTH_LIMIT;
    while (!ui.stalled && !ui.ended && RunOnce(ui.dialog, answered, false)) {
    }
    ui.boxDepth--;
    ui.now = std::max(ui.now, answered);
    return answer;
}
