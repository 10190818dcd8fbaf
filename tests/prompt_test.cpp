/* The action prompt and the whole program, from WinMain to "Log ends.". */
#include <algorithm>
#include <functional>

#include "testing.h"

using namespace hostwin;

namespace {

struct PromptCase
{
    const char *name;
    std::function<void()> seed;
    int answer;
    const char *text;
    const char *caption;  // NULL: the platform's default caption
    UINT flags;
    const char *runs;     // the run's first line, or NULL when nothing runs
};
NAME_ROWS_BY(PromptCase)

class Prompt : public VelmoraTest, public ::testing::WithParamInterface<PromptCase>
{
};

void SeedNone()
{
    CreateKey(WAVE);
}
void SeedBroken()
{
    SetDword(Sub("0000"), "OriginalTurboValue", 1);
}
void SeedUnpatched()
{
    SetDword(Sub("0000"), "Turbo", 1);
}
void SeedPatched()
{
    SetDword(Sub("0000"), "Turbo", 0);
    SetDword(Sub("0000"), "OriginalTurboValue", 1);
}

const char *NONE_TEXT = "Cannot find a registry key to be patched.";
const char *BROKEN_TEXT = "Registry configuration is bad. Try to fix it?";
const char *APPLY_TEXT = "Ready to apply patch. Apply patch now?";
const char *REMOVE_TEXT = "Ready to remove patch. Remove patch now?";

const PromptCase PROMPT_CASES[] = {
    {"NoneIsAnError", SeedNone, IDOK, NONE_TEXT, nullptr, MB_OK | MB_ICONERROR, nullptr},
    {"BrokenYesRepairs", SeedBroken, IDYES, BROKEN_TEXT, nullptr, MB_YESNO, "Starting to remove patch."},
    {"BrokenNo", SeedBroken, IDNO, BROKEN_TEXT, nullptr, MB_YESNO, nullptr},
    {"UnpatchedYesApplies", SeedUnpatched, IDYES, APPLY_TEXT, "Patch", MB_YESNO, "Starting to apply patch."},
    {"UnpatchedNo", SeedUnpatched, IDNO, APPLY_TEXT, "Patch", MB_YESNO, nullptr},
    {"PatchedYesRemoves", SeedPatched, IDYES, REMOVE_TEXT, "Patch", MB_YESNO, "Starting to remove patch."},
    {"PatchedNo", SeedPatched, IDNO, REMOVE_TEXT, "Patch", MB_YESNO, nullptr},
    // A box that cannot be shown (no desktop, no memory) returns 0, which is no Yes.
    {"BrokenBoxNotShown", SeedBroken, 0, BROKEN_TEXT, nullptr, MB_YESNO, nullptr},
    {"UnpatchedBoxNotShown", SeedUnpatched, 0, APPLY_TEXT, "Patch", MB_YESNO, nullptr},
    {"PatchedBoxNotShown", SeedPatched, 0, REMOVE_TEXT, "Patch", MB_YESNO, nullptr},
};

TEST_P(Prompt, AsksOnceAndRunsOnlyOnYes)
{
    const PromptCase &row = GetParam();
    row.seed();
    Snapshot before = TakeSnapshot();
    Lines log = RunProgram(row.answer);

    ASSERT_GE(Boxes().size(), 1u);
    const BoxRecord &box = Boxes()[0];
    EXPECT_EQ(box.owner, Dialog());
    EXPECT_EQ(box.text, row.text);
    EXPECT_EQ(box.hasCaption, row.caption != nullptr);
    EXPECT_EQ(box.caption, row.caption ? row.caption : "");
    EXPECT_EQ(box.flags, row.flags);

    bool ran = std::count(log.begin(), log.end(), "Starting to apply patch.") +
               std::count(log.begin(), log.end(), "Starting to remove patch.");
    EXPECT_EQ(ran, row.runs != nullptr);
    if (row.runs) {
        EXPECT_NE(std::find(log.begin(), log.end(), row.runs), log.end());
        ASSERT_EQ(Boxes().size(), 2u);
        EXPECT_EQ(Boxes()[1].text, "Done.");
        EXPECT_EQ(Boxes()[1].logLinesBefore, log.size() - 1) << "\"Log ends.\" only after the Done box";
    } else {
        EXPECT_EQ(Boxes().size(), 1u);
        EXPECT_EQ(CallCount(REG_SET) + CallCount(REG_DELETE), 0);
    }
    EXPECT_EQ(log.back(), "Log ends.");
    EXPECT_EQ(std::count(log.begin(), log.end(), "Log ends."), 1);
}

INSTANTIATE_TEST_SUITE_P(States, Prompt, ::testing::ValuesIn(PROMPT_CASES),
                         [](const ::testing::TestParamInfo<PromptCase> &info) { return info.param.name; });

TEST_F(VelmoraTest, StateOutsideTheFourShowsNoBoxButEndsTheLog)
{
    ScriptUser(CLICK_CLOSE, 100);
    WinMain(nullptr, nullptr, (LPSTR) "", 1);
    EXPECT_EQ(PatchDialogProc(Dialog(), WM_PATCHSTATE, 4, 0), FALSE);
    EXPECT_TRUE(Boxes().empty());
    EXPECT_EQ(ListTexts(IDC_LOG).back(), "Log ends.");
}

TEST_F(VelmoraTest, TypicalRunFromStartToLogEnds)
{
    SetDword(Sub("0000"), "Turbo", 1);
    Lines log = RunProgram(IDYES);
    const std::string path = WAVE;
    EXPECT_EQ(log, Lines({"Velmora", "Version 0.10, Tolvane, April 16 2003", " ", "Log begins.",
                          "Searching for new <Creative Labs> registry key.", "Found key <" + path + ">.",
                          "New <Creative Labs> registry key is present.", "Found <0000> subkey.",
                          "Found Turbo value, currently set to 1.", "Starting to apply patch.",
                          "Patching key <" + path + ">.", "Working in <0000> subkey.", "Patch applied to this key.",
                          "Done. Changed 1 subkey(s).", "Log ends."}));
    ASSERT_EQ(Boxes().size(), 2u);
    EXPECT_EQ(Boxes()[0].text, "Ready to apply patch. Apply patch now?");
    EXPECT_EQ(Boxes()[1].text, "Done.");
    EXPECT_EQ(Values(Sub("0000")), (std::map<std::string, Value>{{"Turbo", Value{REG_DWORD, Bytes(0)}},
                                                                  {"OriginalTurboValue", Value{REG_DWORD, Bytes(1)}}}));

    // The next start offers the undo, and the undo gives the driver its setting back.
    log = RunProgram(IDYES);
    EXPECT_EQ(Boxes()[0].text, "Ready to remove patch. Remove patch now?");
    EXPECT_EQ(Values(Sub("0000")), (std::map<std::string, Value>{{"Turbo", Value{REG_DWORD, Bytes(1)}}}));
}

}  // namespace
