/* The dialog shell: start-up banner, the delayed probe, and how the user closes the window. */
#include <algorithm>

#include "testing.h"

using namespace hostwin;

namespace {

const Lines BANNER = {"Velmora", "Version 0.10, Tolvane, April 16 2003", " ", "Log begins."};

int StartWinMain()
{
    return WinMain(nullptr, nullptr, (LPSTR) "", 1);
}

std::vector<Delivery> DeliveriesOf(UINT message)
{
    std::vector<Delivery> found;
    for (const Delivery &delivery : Deliveries())
        if (delivery.message == message)
            found.push_back(delivery);
    return found;
}

TEST_F(VelmoraTest, BannerComesFirstThenTheProbeHalfASecondLater)
{
    SetDword(Sub("0000"), "Turbo", 1);
    ScriptAnswer(IDNO);
    ScriptUser(CLICK_CLOSE);
    EXPECT_EQ(StartWinMain(), 0);

    std::vector<LogItem> items = ListItems(IDC_LOG);
    ASSERT_GE(items.size(), 5u);
    for (size_t i = 0; i < BANNER.size(); i++) {
        EXPECT_EQ(items[i].text, BANNER[i]);
        EXPECT_EQ(items[i].atMs, 0) << "banner line " << i;
    }
    EXPECT_EQ(items[4].text, "Searching for new <Creative Labs> registry key.");
    EXPECT_EQ(items[4].atMs, 500);
}

TEST_F(VelmoraTest, ProbeTimerIsArmedAtFiveHundredMsAndKilledAtItsFirstTick)
{
    ScriptAnswer(IDOK);
    ScriptUser(CLICK_CLOSE);
    StartWinMain();

    const std::vector<TimerEvent> &events = TimerEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_TRUE(events[0].armed);
    EXPECT_EQ(events[0].id, (UINT_PTR)ID_PROBE_TIMER);
    EXPECT_EQ(events[0].elapse, 500u);
    EXPECT_EQ(events[0].atMs, 0);
    EXPECT_FALSE(events[1].armed);
    EXPECT_EQ(events[1].id, (UINT_PTR)ID_PROBE_TIMER);
    EXPECT_EQ(events[1].atMs, 500);
}

TEST_F(VelmoraTest, ProbeRunsOnceAndPostsItsStateToTheDialog)
{
    SetDword(Sub("0000"), "Turbo", 1);
    SetDword(Sub("0000"), "OriginalTurboValue", 1);
    ScriptAnswer(IDNO);
    ScriptUser(CLICK_CLOSE);
    StartWinMain();

    EXPECT_EQ(DeliveriesOf(WM_TIMER).size(), 1u) << "no tick while the prompt is up";
    std::vector<Delivery> posted = DeliveriesOf(WM_PATCHSTATE);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_TRUE(posted[0].posted) << "the prompt runs after the timer's handler, not inside it";
    EXPECT_EQ(posted[0].wParam, (WPARAM)PATCH_STATE_PATCHED);
    EXPECT_EQ(posted[0].lParam, 0);
    Lines log = ListTexts(IDC_LOG);
    EXPECT_EQ(std::count(log.begin(), log.end(), "Searching for new <Creative Labs> registry key."), 1);
}

/* FALSE from WM_INITDIALOG: the platform gives no control the focus. TRUE for the close
   request, which the dialog handled. */
TEST_F(VelmoraTest, DialogAnswersTheInitialisationAndTheCloseRequestAsThePlatformExpects)
{
    ScriptAnswer(IDOK);
    ScriptUser(CLICK_CLOSE_BOX);
    StartWinMain();
    ASSERT_FALSE(Deliveries().empty());
    EXPECT_EQ(Deliveries()[0].message, (UINT)WM_INITDIALOG);
    EXPECT_EQ(Deliveries()[0].result, FALSE) << "TRUE would put the focus on the Close button";
    std::vector<Delivery> closes = DeliveriesOf(WM_CLOSE);
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_EQ(closes[0].result, TRUE);
}

struct CloseCase
{
    const char *name;
    UserAction action;
    bool closes;
};
NAME_ROWS_BY(CloseCase)

class Closing : public VelmoraTest, public ::testing::WithParamInterface<CloseCase>
{
};

TEST_P(Closing, EndsTheDialogOrNot)
{
    ScriptAnswer(IDOK);  // no driver key: the error box at 500 ms
    ScriptUser(GetParam().action);
    ScriptUser(CLICK_CLOSE, 10000);  // ends a dialog the first action left open
    EXPECT_EQ(StartWinMain(), 0);
    EXPECT_EQ(NowMs(), GetParam().closes ? 500 + ANSWER_AFTER_MS : 10000);
}

const CloseCase CLOSE_CASES[] = {
    {"CloseButton", CLICK_CLOSE, true},
    {"EnterKey", PRESS_ENTER, true},
    {"CloseBox", CLICK_CLOSE_BOX, true},
    {"EscapeKeyDoesNot", PRESS_ESCAPE, false},
    {"OtherCloseButtonNotificationDoesNot", CLOSE_NOTIFIES, false},
};

INSTANTIATE_TEST_SUITE_P(UserActions, Closing, ::testing::ValuesIn(CLOSE_CASES),
                         [](const ::testing::TestParamInfo<CloseCase> &info) { return info.param.name; });

TEST_F(VelmoraTest, ClosingBeforeTheFirstTickTouchesNoRegistry)
{
    SetDword(Sub("0000"), "Turbo", 1);
    ScriptUser(CLICK_CLOSE, 200);
    EXPECT_EQ(StartWinMain(), 0);
    EXPECT_EQ(ListTexts(IDC_LOG), BANNER);
    EXPECT_EQ(CallCount(REG_OPEN), 0);
    EXPECT_TRUE(DeliveriesOf(WM_TIMER).empty());
}

/* The process entry guards the DLL search before the dialog comes up: with SetDefaultDllDirectories
   it takes the exe's folder out of the search; without it (XP), or when it fails, it loads uxtheme,
   then dwmapi, from the system folder, each only if it is there, and a failed load, a system folder
   it cannot have or a path too long for MAX_PATH changes nothing else. */
const std::string SYSTEM32 = "C:\\WINDOWS\\system32";
const std::string LONG_FOLDER = "C:\\" + std::string(245, 'x');  // "\\dwmapi.dll" just fits, "\\uxtheme.dll" not

struct EntryCase
{
    const char *name;
    DllDirectories dllDirectories;
    bool loadsSucceed;
    std::string systemFolder;
    Lines systemDlls;
    Lines guard;
};
NAME_ROWS_BY(EntryCase)

class ProcessEntry : public VelmoraTest, public ::testing::WithParamInterface<EntryCase>
{
};

TEST_P(ProcessEntry, GuardsTheDllSearchBeforeTheDialogAndChangesNothingElse)
{
    SetDword(Sub("0000"), "Turbo", 1);
    Lines log = RunProgram(IDNO);  // from WinMain, past the guard
    size_t boxes = Boxes().size();
    ResetUi();
    StartProcess();
    ResetProcess(GetParam().dllDirectories, GetParam().loadsSucceed, GetParam().systemFolder, GetParam().systemDlls);
    ScriptAnswer(IDNO);
    ScriptUser(CLICK_CLOSE);
    WinMainCRTStartup();
    Lines calls = GetParam().guard;
    calls.insert(calls.end(), {"DialogBoxParamA", "ExitProcess 0"});
    EXPECT_EQ(ProcessCalls(), calls);
    EXPECT_EQ(ListTexts(IDC_LOG), log);
    EXPECT_EQ(Boxes().size(), boxes);
}

const Lines BOTH = {"uxtheme.dll", "dwmapi.dll"};
std::string Load(const std::string &folder, const char *dll)
{
    return "LoadLibraryExA " + folder + "\\" + dll + " 0x8";  // LOAD_WITH_ALTERED_SEARCH_PATH
}
const Lines BOTH_LOADED = {Load(SYSTEM32, "uxtheme.dll"), Load(SYSTEM32, "dwmapi.dll")};
const DllDirectories NONE = NO_SET_DEFAULT_DLL_DIRECTORIES, FAILS = SET_DEFAULT_DLL_DIRECTORIES_FAILS,
                     WORKS = SET_DEFAULT_DLL_DIRECTORIES;

const EntryCase ENTRY_CASES[] = {
    {"SetDefaultDllDirectoriesLoadsNothing", WORKS, true, SYSTEM32, BOTH, {"SetDefaultDllDirectories 0x800"}},
    {"WithoutItLoadsFromTheSystemFolder", NONE, true, SYSTEM32, BOTH, BOTH_LOADED},
    {"WhenItFailsLoadsFromTheSystemFolder", FAILS, true, SYSTEM32, BOTH,
     {"SetDefaultDllDirectories 0x800", BOTH_LOADED[0], BOTH_LOADED[1]}},
    {"DllMissingFromTheSystemFolderIsNotLoaded", NONE, true, SYSTEM32, {"uxtheme.dll"}, {BOTH_LOADED[0]}},
    {"NoSystemFolderLoadsNothing", NONE, true, "", BOTH, {}},
    {"FailedLoadsAreIgnored", NONE, false, SYSTEM32, BOTH, BOTH_LOADED},
    {"NameThatDoesNotFitIsNotLoaded", NONE, true, LONG_FOLDER, BOTH, {Load(LONG_FOLDER, "dwmapi.dll")}},
    {"FolderLongerThanTheBufferLoadsNothing", NONE, true, std::string(MAX_PATH, 'x'), BOTH, {}},
};
INSTANTIATE_TEST_SUITE_P(Windows, ProcessEntry, ::testing::ValuesIn(ENTRY_CASES),
                         [](const ::testing::TestParamInfo<EntryCase> &info) { return info.param.name; });

}  // namespace
