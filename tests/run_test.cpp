/* The patch run over the whole driver key: every subkey visited, the count line and the
   "Done." box, and what each failure leaves behind. */
#include "testing.h"

using namespace hostwin;

namespace {

const std::string PATCHING = "Patching key <" + WAVE + ">.";

void ExpectDoneBox()
{
    ASSERT_EQ(Boxes().size(), 1u);
    const BoxRecord &box = Boxes()[0];
    EXPECT_EQ(box.owner, nullptr) << "the Done box has no owner window";
    EXPECT_EQ(box.text, "Done.");
    EXPECT_TRUE(box.hasCaption);
    EXPECT_EQ(box.caption, "Status");
    EXPECT_EQ(box.flags, (UINT)MB_OK);
}

TEST_F(VelmoraTest, RunPatchesEveryKindOfSubkeyAndCountsTheChanged)
{
    SetDword(Sub("0000"), "Turbo", 1);
    CreateKey(Sub("0001"));
    Run(TRUE);
    EXPECT_EQ(Log(), Lines({"Starting to apply patch.", PATCHING, "Working in <0000> subkey.",
                            "Patch applied to this key.", "Working in <0001> subkey.",
                            "Nothing to patch in this subkey.", "Done. Changed 1 subkey(s)."}));
    ExpectDoneBox();
    EXPECT_EQ(Boxes()[0].logLinesBefore, Log().size()) << "the box follows the count line";
}

TEST_F(VelmoraTest, RemoveRunRestoresEverySubkey)
{
    for (const char *name : {"0000", "0001", "0002"}) {
        SetDword(Sub(name), "Turbo", 0);
        SetDword(Sub(name), "OriginalTurboValue", 1);
    }
    Run(FALSE);
    EXPECT_EQ(Log().front(), "Starting to remove patch.");
    EXPECT_EQ(Log().back(), "Done. Changed 3 subkey(s).");
    for (const char *name : {"0000", "0001", "0002"})
        EXPECT_EQ(Values(Sub(name)), (std::map<std::string, Value>{{"Turbo", Value{REG_DWORD, Bytes(1)}}}));
}

TEST_F(VelmoraTest, SubkeysThatCannotBeOpenedAreLoggedAndSkipped)
{
    CreateKey(Sub("0000"));
    SetDword(Sub("0001"), "Turbo", 1);
    CreateKey(Sub("0002"));
    FailCall(REG_OPEN, ERROR_ACCESS_DENIED, "0000");
    FailCall(REG_OPEN, ERROR_ACCESS_DENIED, "0002");
    Run(TRUE);
    EXPECT_EQ(Log(), Lines({"Starting to apply patch.", PATCHING, "Working in <0000> subkey.",
                            "Could not open subkey 0000.", "Working in <0001> subkey.", "Patch applied to this key.",
                            "Working in <0002> subkey.", "Could not open subkey 0002.",
                            "Done. Changed 1 subkey(s)."}));
    EXPECT_EQ(GetValue(Sub("0001"), "Turbo"), (Value{REG_DWORD, Bytes(0)}));
    ExpectDoneBox();
}

TEST_F(VelmoraTest, RunOverAKeyEmptiedSinceTheProbe)
{
    CreateKey(WAVE);
    Run(TRUE);
    EXPECT_EQ(Log(), Lines({"Starting to apply patch.", PATCHING, "Error 259 returned by RegEnumKeyEx API.",
                            "Done. Changed 0 subkey(s)."}));
    ExpectDoneBox();
}

TEST_F(VelmoraTest, DriverKeyThatCannotBeOpenedEndsTheRunSilently)
{
    for (bool present : {false, true}) {
        SCOPED_TRACE(present ? "access refused" : "key gone");
        ResetRegistry();
        ResetUi();
        StartProcess();
        if (present) {
            SetDword(Sub("0000"), "Turbo", 1);
            FailCall(REG_OPEN, ERROR_ACCESS_DENIED, WAVE);
        }
        RunPatch(log, TRUE);
        EXPECT_EQ(Log(), Lines({"Starting to apply patch."}));
        EXPECT_TRUE(Boxes().empty());
        EXPECT_EQ(CallCount(REG_SET), 0);
    }
}

TEST_F(VelmoraTest, EnumerationFailureStillEndsWithTheCountAndTheBox)
{
    SetDword(Sub("0000"), "Turbo", 1);
    SetDword(Sub("0001"), "Turbo", 1);
    FailCall(REG_ENUM, 1018, "", 2);
    Run(TRUE);
    EXPECT_EQ(Log(), Lines({"Starting to apply patch.", PATCHING, "Working in <0000> subkey.",
                            "Patch applied to this key.", "Error 1018 returned by RegEnumKeyEx API.",
                            "Done. Changed 1 subkey(s)."}));
    ExpectDoneBox();
}

TEST_F(VelmoraTest, LongSubkeyNameIsReportedWhileTheOthersArePatched)
{
    SetDword(Sub("0000"), "Turbo", 1);
    SetDword(Sub(std::string(70, 'L')), "Turbo", 1);
    SetDword(Sub("zz"), "Turbo", 1);
    Run(TRUE);
    EXPECT_EQ(Log(), Lines({"Starting to apply patch.", PATCHING, "Working in <0000> subkey.",
                            "Patch applied to this key.",
                            "Subkey 1 has a name longer than 63 characters and was skipped.",
                            "Working in <zz> subkey.", "Patch applied to this key.", "Done. Changed 2 subkey(s)."}));
}

TEST_F(VelmoraTest, FailuresInsideSubkeysLeaveThemUncounted)
{
    SetDword(Sub("0000"), "Turbo", 1);
    SetDword(Sub("0001"), "Turbo", 1);
    FailCall(REG_SET, ERROR_ACCESS_DENIED, "Turbo", 1);
    Run(TRUE);
    EXPECT_EQ(Log(), Lines({"Starting to apply patch.", PATCHING, "Working in <0000> subkey.",
                            "Failed to apply patch to this key, error 5.", "Working in <0001> subkey.",
                            "Patch applied to this key.", "Done. Changed 1 subkey(s)."}));
}

}  // namespace
