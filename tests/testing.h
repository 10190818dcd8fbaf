/* What the host tests share: a fresh "process" for each test, the driver's key paths,
   and running the whole program as a user would. */
#ifndef VELMORA_TESTING_H
#define VELMORA_TESTING_H

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/dialog.h"
#include "app/resource.h"
#include "engine/driverkey.h"
#include "engine/patch.h"
#include "hostwin.h"

typedef std::vector<std::string> Lines;

const std::string WAVE = NEW_DRIVER_KEY;
const std::string OLD = OLD_DRIVER_KEY;

inline std::string Sub(const std::string &name)
{
    return WAVE + "\\" + name;
}

inline std::vector<BYTE> Bytes(unsigned long long number, size_t size = 4)
{
    std::vector<BYTE> bytes;
    for (size_t i = 0; i < size; i++)
        bytes.push_back((BYTE)(number >> (8 * i)));
    return bytes;
}

namespace hostwin {
/* A value as a failing test shows it: type and bytes. */
inline void PrintTo(const Value &value, std::ostream *out)
{
    *out << "type " << value.type << " [";
    for (size_t i = 0; i < value.data.size(); i++)
        *out << (i ? " " : "") << (int)value.data[i];
    *out << "]";
}
}  // namespace hostwin

/* Names a table row in test listings instead of dumping its bytes. */
#define NAME_ROWS_BY(Row)                                      \
    inline void PrintTo(const Row &row, std::ostream *out)     \
    {                                                          \
        *out << row.name;                                      \
    }

/* A new process: an empty registry and window system, the program's globals at their start. */
class VelmoraTest : public ::testing::Test
{
protected:
    HWND log = nullptr;
    int unscriptedBoxes = hostwin::UnscriptedBoxes();

    void SetUp() override
    {
        hostwin::ResetRegistry();
        hostwin::ResetUi();
        hostwin::ResetProcess();
        hostwin::LoadResources(VELMORA_RES);
        StartProcess();
    }

    void TearDown() override
    {
        EXPECT_EQ(hostwin::OpenHandleCount(), 0) << "a registry key was left open";
        EXPECT_EQ(hostwin::UnscriptedBoxes(), unscriptedBoxes) << "a message box came up that the test did not answer";
    }

    /* The program's state as a fresh start has it; the registry stays as it is. */
    void StartProcess()
    {
        ChangedSubkeyCount = 0;
        LogWindow = nullptr;
        log = hostwin::CreateListBox();
    }

    Lines Log() const { return hostwin::Texts(log); }

    /* A patch run as the user's Yes starts it, with its "Done." box dismissed. */
    void Run(BOOL apply)
    {
        hostwin::ScriptAnswer(IDOK);
        RunPatch(log, apply);
    }

    /* Runs the program from WinMain, answering its prompt and then closing it. */
    Lines RunProgram(int answer)
    {
        hostwin::ResetUi();
        StartProcess();
        hostwin::ScriptAnswer(answer);
        hostwin::ScriptAnswer(IDOK);  // the "Done." box, if the answer starts a run
        hostwin::ScriptUser(hostwin::CLICK_CLOSE);
        EXPECT_EQ(WinMain(nullptr, nullptr, (LPSTR) "", 1), 0);
        EXPECT_FALSE(hostwin::Stalled());
        return hostwin::ListTexts(IDC_LOG);
    }
};

#endif
