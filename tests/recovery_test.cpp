/* Nothing is lost when a run is cut short: whichever write or delete fails, or is the last
   before a crash, running Velmora again as a user would leaves every subkey either with its
   original "Turbo" data or patched with that data kept in "OriginalTurboValue". */
#include "testing.h"

using namespace hostwin;

namespace {

/* Subkeys in every state a run changes, each with a different original "Turbo". */
const struct
{
    const char *name;
    Value turbo;
} ORIGINALS[] = {
    {"0000", {REG_DWORD, {1, 0, 0, 0}}},
    {"0001", {REG_BINARY, {2, 1}}},
    {"0002", {REG_DWORD, {0xFF, 0xFF, 0xFF, 0xFF}}},
    {"0003", {REG_DWORD, {3}}},
};

class Recovery : public VelmoraTest
{
protected:
    void SeedUnpatched()
    {
        for (const auto &original : ORIGINALS)
            SetValue(Sub(original.name), "Turbo", original.turbo.type, original.turbo.data);
        SetDword(Sub("0004"), "Volume", 9);  // holds neither value
    }

    void ExpectNothingLost()
    {
        for (const auto &original : ORIGINALS) {
            SCOPED_TRACE(original.name);
            std::map<std::string, Value> values = Values(Sub(original.name));
            std::vector<BYTE> kept = values.count("OriginalTurboValue") ? values["OriginalTurboValue"].data
                                                                         : values["Turbo"].data;
            EXPECT_EQ(kept, original.turbo.data);
        }
        EXPECT_EQ(Values(Sub("0004")), (std::map<std::string, Value>{{"Volume", Value{REG_DWORD, Bytes(9)}}}));
    }

    /* The changes (writes and deletes) a full run in `mode` makes from the current registry. */
    int ChangesOfRun(BOOL apply)
    {
        Snapshot start = TakeSnapshot();
        NewProcess();
        Run(apply);
        int changes = ChangeCount();
        RestoreSnapshot(start);
        return changes;
    }

    /* Starts from `start`, cuts the run in `mode` at its change n (a failure, or a crash right
       after it), then runs the program again as a user would. */
    void CutAndRerun(const Snapshot &start, BOOL apply, int n, bool crash)
    {
        RestoreSnapshot(start);
        ResetUi();
        StartProcess();
        if (crash)
            SnapshotAfterChange(n);
        else
            FailChange(n, ERROR_ACCESS_DENIED);
        Run(apply);
        EXPECT_EQ(OpenHandleCount(), 0);
        ASSERT_TRUE(!crash || ChangeSnapshot());
        // The user starts Velmora again, on what the cut run left behind.
        RestoreSnapshot(crash ? ChangeSnapshot() : TakeSnapshot());
        RunProgram(IDYES);
        ExpectNothingLost();
    }

    void CheckEveryCut(BOOL apply)
    {
        Snapshot start = TakeSnapshot();
        int changes = ChangesOfRun(apply);
        ASSERT_GT(changes, 0);
        for (int n = 1; n <= changes; n++) {
            for (bool crash : {false, true}) {
                SCOPED_TRACE(std::string(crash ? "crash after" : "failure of") + " change " + std::to_string(n) +
                             " of " + std::to_string(changes));
                CutAndRerun(start, apply, n, crash);
            }
        }
    }
};

TEST_F(Recovery, ApplyRunCutAtAnyChange)
{
    SeedUnpatched();
    CheckEveryCut(TRUE);
}

TEST_F(Recovery, RemoveRunCutAtAnyChange)
{
    SeedUnpatched();
    Run(TRUE);
    ExpectNothingLost();
    CheckEveryCut(FALSE);
}

}  // namespace
