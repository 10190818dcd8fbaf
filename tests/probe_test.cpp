/* The driver key probe: what it finds, logs and returns over the registry shapes that matter. */
#include <functional>

#include "testing.h"

using namespace hostwin;

namespace {

const std::string SEARCHING = "Searching for new <Creative Labs> registry key.";
const std::string FOUND_NEW = "Found key <" + WAVE + ">.";
const std::string NEW_PRESENT = "New <Creative Labs> registry key is present.";

struct ProbeCase
{
    const char *name;
    std::function<void()> seed;
    Lines log;
    PatchState state;
};
NAME_ROWS_BY(ProbeCase)

class Probe : public VelmoraTest, public ::testing::WithParamInterface<ProbeCase>
{
};

TEST_P(Probe, LogsWhatItFindsAndReturnsTheState)
{
    GetParam().seed();
    Snapshot before = TakeSnapshot();
    EXPECT_EQ(ProbeDriverKey(log), GetParam().state);
    EXPECT_EQ(Log(), GetParam().log);
    EXPECT_EQ(CallCount(REG_SET) + CallCount(REG_DELETE), 0) << "the probe changes nothing";
}

std::string LongName(size_t length)
{
    return std::string(length, 'k');
}

const ProbeCase PROBE_CASES[] = {
    {"NoDriverKeys", [] { CreateKey("SYSTEM\\CurrentControlSet\\Control"); },
     {SEARCHING, "No key <" + WAVE + ">.", "No key <" + OLD + ">."}, PATCH_STATE_NONE},
    {"OnlyTheOldKey", [] { CreateKey(OLD); },
     {SEARCHING, "No key <" + WAVE + ">.", "Found key <" + OLD + ">.",
      "Old <Creative Labs> key is present, but cannot be patched."},
     PATCH_STATE_NONE},
    {"NewKeyWithoutSubkeys", [] { CreateKey(WAVE); },
     {SEARCHING, FOUND_NEW, NEW_PRESENT, "Error 259 returned by RegEnumKeyEx API."}, PATCH_STATE_NONE},
    {"EmptySubkeyBeforeOneWithTurbo",
     [] {
         CreateKey(Sub("0000"));
         SetDword(Sub("0001"), "Turbo", 1);
         SetDword(Sub("0002"), "Turbo", 7);  // never looked at
     },
     {SEARCHING, FOUND_NEW, NEW_PRESENT, "Found <0000> subkey.", "Found <0001> subkey.",
      "Found Turbo value, currently set to 1."},
     PATCH_STATE_UNPATCHED},
    {"SubkeysWithNeitherValue",
     [] {
         SetDword(Sub("0000"), "Volume", 3);
         CreateKey(Sub("0001"));
     },
     {SEARCHING, FOUND_NEW, NEW_PRESENT, "Found <0000> subkey.", "Found <0001> subkey."}, PATCH_STATE_NONE},
    {"BothValuesBackupFirst",
     [] {
         SetDword(Sub("0000"), "Turbo", 0);
         SetDword(Sub("0000"), "OriginalTurboValue", 1);
     },
     {SEARCHING, FOUND_NEW, NEW_PRESENT, "Found <0000> subkey.", "Found backup of Turbo value, currently set to 1.",
      "Found Turbo value, currently set to 0."},
     PATCH_STATE_PATCHED},
    {"BackupOnly", [] { SetDword(Sub("0000"), "OriginalTurboValue", 1); },
     {SEARCHING, FOUND_NEW, NEW_PRESENT, "Found <0000> subkey.", "Found backup of Turbo value, currently set to 1."},
     PATCH_STATE_BROKEN},
    {"EightByteTurboCountsAsAbsent", [] { SetValue(Sub("0000"), "Turbo", REG_QWORD, Bytes(1, 8)); },
     {SEARCHING, FOUND_NEW, NEW_PRESENT, "Found <0000> subkey."}, PATCH_STATE_NONE},
    {"AllBitsSetIsMinusOne", [] { SetDword(Sub("0000"), "Turbo", 0xFFFFFFFF); },
     {SEARCHING, FOUND_NEW, NEW_PRESENT, "Found <0000> subkey.", "Found Turbo value, currently set to -1."},
     PATCH_STATE_UNPATCHED},
    {"TwoByteTurboOfAnyType", [] { SetValue(Sub("0000"), "Turbo", REG_BINARY, {0x02, 0x01}); },
     {SEARCHING, FOUND_NEW, NEW_PRESENT, "Found <0000> subkey.", "Found Turbo value, currently set to 258."},
     PATCH_STATE_UNPATCHED},
    {"ValueNamesIgnoreCase", [] { SetDword(Sub("0000"), "TURBO", 1); },
     {SEARCHING, FOUND_NEW, NEW_PRESENT, "Found <0000> subkey.", "Found Turbo value, currently set to 1."},
     PATCH_STATE_UNPATCHED},
    {"SubkeyThatCannotBeOpenedIsSkipped",
     [] {
         CreateKey(Sub("0000"));
         SetDword(Sub("0001"), "Turbo", 1);
         FailCall(REG_OPEN, ERROR_ACCESS_DENIED, "0000");
     },
     {SEARCHING, FOUND_NEW, NEW_PRESENT, "Found <0000> subkey.", "Could not open <0000> subkey.",
      "Found <0001> subkey.", "Found Turbo value, currently set to 1."},
     PATCH_STATE_UNPATCHED},
    {"EnumerationFailureEndsTheWalk",
     [] {
         CreateKey(Sub("0000"));
         SetDword(Sub("0001"), "Turbo", 1);
         FailCall(REG_ENUM, 1018, "", 2);
     },
     {SEARCHING, FOUND_NEW, NEW_PRESENT, "Found <0000> subkey.", "Error 1018 returned by RegEnumKeyEx API."},
     PATCH_STATE_NONE},
    {"LongSubkeyNameIsReportedAndSkipped",
     [] {
         SetDword(Sub(LongName(64)), "Turbo", 1);
         SetDword(Sub("zzzz"), "Turbo", 0);
     },
     {SEARCHING, FOUND_NEW, NEW_PRESENT, "Subkey 0 has a name longer than 63 characters and was skipped.",
      "Found <zzzz> subkey.", "Found Turbo value, currently set to 0."},
     PATCH_STATE_UNPATCHED},
    {"SixtyThreeCharactersFit", [] { SetDword(Sub(LongName(63)), "Turbo", 1); },
     {SEARCHING, FOUND_NEW, NEW_PRESENT, "Found <" + LongName(63) + "> subkey.",
      "Found Turbo value, currently set to 1."},
     PATCH_STATE_UNPATCHED},
};

INSTANTIATE_TEST_SUITE_P(Shapes, Probe, ::testing::ValuesIn(PROBE_CASES),
                         [](const ::testing::TestParamInfo<ProbeCase> &info) { return info.param.name; });

/* The walk over three subkeys visits each once and then ends without a line. */
TEST_F(VelmoraTest, WalkVisitsEverySubkeyOnceInIndexOrder)
{
    CreateKey(Sub("b"));
    CreateKey(Sub("A"));
    CreateKey(Sub("c"));
    HKEY key;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, WAVE.c_str(), &key), ERROR_SUCCESS);
    Lines visited;
    char name[SUBKEY_NAME_SIZE];
    for (DWORD index = 0; NextSubkey(log, key, &index, name); index++)
        visited.push_back(name);
    RegCloseKey(key);
    EXPECT_EQ(visited, Lines({"A", "b", "c"}));
    EXPECT_EQ(Log(), Lines());
}

TEST_F(VelmoraTest, ProbeReadsTheDecidingSubkeyOnly)
{
    SetDword(Sub("0000"), "OriginalTurboValue", 5);
    SetDword(Sub("0001"), "Turbo", 1);
    EXPECT_EQ(ProbeDriverKey(log), PATCH_STATE_BROKEN);
    EXPECT_EQ(CallCount(REG_OPEN), 2) << "the driver key and its first subkey";
}

}  // namespace
