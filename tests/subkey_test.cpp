/* The subkey patch: what apply and remove leave in one subkey, and what they log. */
#include "testing.h"

using namespace hostwin;

namespace {

typedef std::map<std::string, Value> Values_;

const std::string SUBKEY = Sub("0000");

Value Dword(DWORD number)
{
    return Value{REG_DWORD, Bytes(number)};
}

class SubkeyPatch : public VelmoraTest
{
protected:
    void Seed(const Values_ &values)
    {
        CreateKey(SUBKEY);
        for (const auto &value : values)
            SetValue(SUBKEY, value.first, value.second.type, value.second.data);
    }

    void Patch(BOOL apply)
    {
        HKEY subkey;
        ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, SUBKEY.c_str(), &subkey), ERROR_SUCCESS);
        PatchSubkey(log, apply, subkey);
        RegCloseKey(subkey);
    }
};

struct RuleCase
{
    const char *name;
    Values_ before;
    BOOL apply;
    Values_ after;
    Lines log;
    DWORD counted;
};
NAME_ROWS_BY(RuleCase)

class SubkeyRule : public SubkeyPatch, public ::testing::WithParamInterface<RuleCase>
{
};

TEST_P(SubkeyRule, LeavesTheValuesAndLogsTheLines)
{
    Seed(GetParam().before);
    Patch(GetParam().apply);
    EXPECT_EQ(Values(SUBKEY), GetParam().after);
    EXPECT_EQ(Log(), GetParam().log);
    EXPECT_EQ(ChangedSubkeyCount, GetParam().counted);
}

const Value OTHER = {REG_SZ, {'x', 0}};

const RuleCase RULE_CASES[] = {
    {"NeitherApply", {{"Other", OTHER}}, TRUE, {{"Other", OTHER}}, {"Nothing to patch in this subkey."}, 0},
    {"NeitherRemoveIsSilent", {{"Other", OTHER}}, FALSE, {{"Other", OTHER}}, {}, 0},
    {"UnpatchedApply", {{"Turbo", Dword(1)}, {"Other", OTHER}}, TRUE,
     {{"Turbo", Dword(0)}, {"OriginalTurboValue", Dword(1)}, {"Other", OTHER}}, {"Patch applied to this key."}, 1},
    {"UnpatchedRemove", {{"Turbo", Dword(1)}}, FALSE, {{"Turbo", Dword(1)}},
     {"Cannot remove patch: backup is gone"}, 0},
    {"PatchedApplyKeepsTheBackup", {{"Turbo", Dword(0)}, {"OriginalTurboValue", Dword(1)}}, TRUE,
     {{"Turbo", Dword(0)}, {"OriginalTurboValue", Dword(1)}},
     {"Saved value already exists.", "Patch applied to this key."}, 1},
    {"PatchedRemove", {{"Turbo", Dword(0)}, {"OriginalTurboValue", Dword(1)}, {"Other", OTHER}}, FALSE,
     {{"Turbo", Dword(1)}, {"Other", OTHER}}, {"Patch removed from this key."}, 1},
    {"BrokenApplyCreatesTurbo", {{"OriginalTurboValue", Dword(1)}}, TRUE,
     {{"Turbo", Dword(0)}, {"OriginalTurboValue", Dword(1)}},
     {"Saved value already exists.", "Patch applied to this key."}, 1},
    {"BrokenRemoveRepairs", {{"OriginalTurboValue", Dword(1)}}, FALSE, {{"Turbo", Dword(1)}},
     {"Patch removed from this key."}, 1},
    {"TwoByteTurboIsBackedUpWithTwoBytes", {{"Turbo", Value{REG_BINARY, {7, 1}}}}, TRUE,
     {{"Turbo", Dword(0)}, {"OriginalTurboValue", Value{REG_DWORD, {7, 1}}}}, {"Patch applied to this key."}, 1},
    {"RemoveRetypesTheRestoredValue", {{"Turbo", Dword(0)}, {"OriginalTurboValue", Value{REG_BINARY, {9}}}},
     FALSE, {{"Turbo", Value{REG_DWORD, {9}}}}, {"Patch removed from this key."}, 1},
    {"EightByteTurboIsNothingToPatch", {{"Turbo", Value{REG_QWORD, Bytes(1, 8)}}}, TRUE,
     {{"Turbo", Value{REG_QWORD, Bytes(1, 8)}}}, {"Nothing to patch in this subkey."}, 0},
    // Velmora never writes a backup of more than 4 bytes, so such a value is not one of ours.
    {"OversizedBackupIsNotOurs", {{"Turbo", Dword(1)}, {"OriginalTurboValue", Value{REG_QWORD, Bytes(5, 8)}}},
     TRUE, {{"Turbo", Dword(0)}, {"OriginalTurboValue", Dword(1)}}, {"Patch applied to this key."}, 1},
};

INSTANTIATE_TEST_SUITE_P(States, SubkeyRule, ::testing::ValuesIn(RULE_CASES),
                         [](const ::testing::TestParamInfo<RuleCase> &info) { return info.param.name; });

TEST_F(SubkeyPatch, ApplyingTwiceKeepsTheFirstBackupAndCountsBoth)
{
    Seed({{"Turbo", Dword(1)}});
    Patch(TRUE);
    Patch(TRUE);
    EXPECT_EQ(GetValue(SUBKEY, "OriginalTurboValue"), Dword(1));
    EXPECT_EQ(GetValue(SUBKEY, "Turbo"), Dword(0));
    EXPECT_EQ(Log(), Lines({"Patch applied to this key.", "Saved value already exists.", "Patch applied to this key."}));
    EXPECT_EQ(ChangedSubkeyCount, 2u);
}

TEST_F(SubkeyPatch, ApplyThenRemoveGivesBackTheOriginalBytesAsDword)
{
    const Value originals[] = {
        Dword(1), Dword(0xFFFFFFFF), Value{REG_BINARY, {2, 0}}, Value{REG_BINARY, {5}}, Value{REG_SZ, {}},
    };
    for (const Value &original : originals) {
        SCOPED_TRACE("original of " + std::to_string(original.data.size()) + " bytes, type " +
                     std::to_string(original.type));
        ResetRegistry();
        Seed({{"Turbo", original}});
        Patch(TRUE);
        Patch(FALSE);
        EXPECT_EQ(Values(SUBKEY), Values_({{"Turbo", Value{REG_DWORD, original.data}}}));
    }
}

struct FailureCase
{
    const char *name;
    Values_ before;
    BOOL apply;
    RegOp op;
    const char *value;
    Values_ after;
    const char *line;  // with %d for the code
};
NAME_ROWS_BY(FailureCase)

class SubkeyFailure : public SubkeyPatch, public ::testing::WithParamInterface<FailureCase>
{
};

/* Each failed write or delete logs its one line with the code, leaves the subkey uncounted
   and rolls back nothing. */
TEST_P(SubkeyFailure, LogsOneLineWithTheCode)
{
    for (LONG code : {(LONG)ERROR_ACCESS_DENIED, (LONG)1009 /* ERROR_BADDB */}) {
        SCOPED_TRACE("error " + std::to_string(code));
        ResetRegistry();
        StartProcess();
        Seed(GetParam().before);
        FailCall(GetParam().op, code, GetParam().value);
        Patch(GetParam().apply);
        char line[256];
        snprintf(line, sizeof(line), GetParam().line, (int)code);
        EXPECT_EQ(Log(), Lines({line}));
        EXPECT_EQ(Values(SUBKEY), GetParam().after);
        EXPECT_EQ(ChangedSubkeyCount, 0u);
    }
}

const Values_ UNPATCHED = {{"Turbo", Dword(1)}};
const Values_ PATCHED = {{"Turbo", Dword(0)}, {"OriginalTurboValue", Dword(1)}};

const FailureCase FAILURE_CASES[] = {
    {"BackupWriteLeavesTurbo", UNPATCHED, TRUE, REG_SET, "OriginalTurboValue", UNPATCHED,
     "Failed to back up original value."},
    {"TurboWriteKeepsTheNewBackup", UNPATCHED, TRUE, REG_SET, "Turbo",
     {{"Turbo", Dword(1)}, {"OriginalTurboValue", Dword(1)}}, "Failed to apply patch to this key, error %d."},
    {"RestoreWriteKeepsTheBackup", PATCHED, FALSE, REG_SET, "Turbo", PATCHED, "Could not set registry, error %d"},
    {"BackupDeleteAfterRestore", PATCHED, FALSE, REG_DELETE, "OriginalTurboValue",
     {{"Turbo", Dword(1)}, {"OriginalTurboValue", Dword(1)}}, "Could not remove backup value, error %d"},
    // A backup that is there but cannot be read may be the only copy of the driver's setting.
    {"UnreadableBackupIsNeverOverwritten", PATCHED, TRUE, REG_QUERY, "OriginalTurboValue", PATCHED,
     "Failed to back up original value."},
};

INSTANTIATE_TEST_SUITE_P(Failures, SubkeyFailure, ::testing::ValuesIn(FAILURE_CASES),
                         [](const ::testing::TestParamInfo<FailureCase> &info) { return info.param.name; });

}  // namespace
