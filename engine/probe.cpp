/* The driver key probe and the subkey walk it shares with the patch run. */
#include "driverkey.h"
#include "log.h"
#include "patch.h"

/* What the deciding subkey holds. */
struct Findings
{
    BOOL backupFound;
    SmallValue backup;
    BOOL turboFound;
    SmallValue turbo;
};

void WalkSubkeys(HWND target, HKEY key, SubkeyStep step, void *context)
{
    char name[SUBKEY_NAME_SIZE];
    DWORD index;
    LONG result;

    for (index = 0;; index++) {
        result = EnumSubkey(key, index, name);
        if (result == ERROR_SUCCESS) {
            if (!step(target, key, name, context))
                return;
        } else if (result == ERROR_MORE_DATA) {
            /* Skipping in silence would leave this subkey unpatched without the user knowing. */
            LogLine(target, "Subkey %d has a name longer than 63 characters and was skipped.", (int)index);
        } else {
            if (result != ERROR_NO_MORE_ITEMS || index == 0)
                LogLine(target, "Error %d returned by RegEnumKeyEx API.", (int)result);
            return;
        }
    }
}

static BOOL ProbeSubkey(HWND target, HKEY parent, const char *name, void *context)
{
    Findings *findings = (Findings *)context;
    HKEY subkey;

    LogLine(target, "Found <%s> subkey.", name);
    if (OpenKey(parent, name, &subkey) != ERROR_SUCCESS) {
        LogLine(target, "Could not open <%s> subkey.", name);
        return TRUE;
    }
    findings->backupFound = ReadSmallValue(subkey, BACKUP_VALUE, &findings->backup) == ERROR_SUCCESS;
    findings->turboFound = ReadSmallValue(subkey, TURBO_VALUE, &findings->turbo) == ERROR_SUCCESS;
    CloseKey(subkey);
    return !findings->backupFound && !findings->turboFound;
}

static int AsSigned(const SmallValue *value)
{
    DWORD number = (DWORD)value->data[0] | (DWORD)value->data[1] << 8 |
                   (DWORD)value->data[2] << 16 | (DWORD)value->data[3] << 24;
    return (int)number;
}

/* Only the old driver key is left to look for: it is reported, never patched. */
static PatchState ProbeOldDriverKey(HWND target)
{
    HKEY key;

    if (OpenKey(HKEY_LOCAL_MACHINE, OLD_DRIVER_KEY, &key) != ERROR_SUCCESS) {
        LogLine(target, "No key <%s>.", OLD_DRIVER_KEY);
        return PATCH_STATE_NONE;
    }
    CloseKey(key);
    LogLine(target, "Found key <%s>.", OLD_DRIVER_KEY);
    LogLine(target, "Old <Creative Labs> key is present, but cannot be patched.");
    return PATCH_STATE_NONE;
}

PatchState ProbeDriverKey(HWND target)
{
    Findings findings = {};
    HKEY key;

    LogLine(target, "Searching for new <Creative Labs> registry key.");
    if (OpenKey(HKEY_LOCAL_MACHINE, NEW_DRIVER_KEY, &key) != ERROR_SUCCESS) {
        LogLine(target, "No key <%s>.", NEW_DRIVER_KEY);
        return ProbeOldDriverKey(target);
    }
    LogLine(target, "Found key <%s>.", NEW_DRIVER_KEY);
    LogLine(target, "New <Creative Labs> registry key is present.");
    WalkSubkeys(target, key, ProbeSubkey, &findings);
    CloseKey(key);

    if (findings.backupFound)
        LogLine(target, "Found backup of Turbo value, currently set to %d.", AsSigned(&findings.backup));
    if (findings.turboFound)
        LogLine(target, "Found Turbo value, currently set to %d.", AsSigned(&findings.turbo));
    return (PatchState)(2 * (findings.turboFound ? 1 : 0) + (findings.backupFound ? 1 : 0));
}
