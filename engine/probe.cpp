/* The driver key probe and the subkey walk it shares with the patch run. */
#include "engine/driverkey.h"
#include "engine/patch.h"
#include "ui/log.h"

BOOL NextSubkey(HWND target, HKEY key, DWORD *index, char name[SUBKEY_NAME_SIZE])
{
    for (;; ++*index) {
        LONG result = EnumSubkey(key, *index, name);
        if (result == ERROR_SUCCESS)
            return TRUE;
        if (result != ERROR_MORE_DATA) {
            if (result != ERROR_NO_MORE_ITEMS || *index == 0)
                LogLine(target, "Error %d returned by RegEnumKeyEx API.", (int)result);
            return FALSE;
        }
        /* Skipping in silence would leave this subkey unpatched without the user knowing. */
        LogLine(target, "Subkey %d has a name longer than 63 characters and was skipped.", (int)*index);
    }
}

/* Reads subkey `name` into `found`; TRUE when it holds either value and so decides the state. */
static BOOL ProbeSubkey(HWND target, HKEY parent, const char *name, PatchValues *found)
{
    HKEY subkey;

    LogLine(target, "Found <%s> subkey.", name);
    if (OpenKey(parent, name, &subkey) != ERROR_SUCCESS) {
        LogLine(target, "Could not open <%s> subkey.", name);
        return FALSE;
    }
    ReadPatchValues(subkey, found);
    CloseKey(subkey);
    return found->backupRead == VALUE_FOUND || found->turboRead == VALUE_FOUND;
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
    PatchValues found = {VALUE_ABSENT, {}, VALUE_ABSENT, {}};
    char name[SUBKEY_NAME_SIZE];
    HKEY key;

    LogLine(target, "Searching for new <Creative Labs> registry key.");
    if (OpenKey(HKEY_LOCAL_MACHINE, NEW_DRIVER_KEY, &key) != ERROR_SUCCESS) {
        LogLine(target, "No key <%s>.", NEW_DRIVER_KEY);
        return ProbeOldDriverKey(target);
    }
    LogLine(target, "Found key <%s>.", NEW_DRIVER_KEY);
    LogLine(target, "New <Creative Labs> registry key is present.");
    for (DWORD index = 0; NextSubkey(target, key, &index, name); index++)
        if (ProbeSubkey(target, key, name, &found))
            break;
    CloseKey(key);

    BOOL backupFound = found.backupRead == VALUE_FOUND, turboFound = found.turboRead == VALUE_FOUND;
    if (backupFound)
        LogLine(target, "Found backup of Turbo value, currently set to %d.", AsSigned(&found.backup));
    if (turboFound)
        LogLine(target, "Found Turbo value, currently set to %d.", AsSigned(&found.turbo));
    return (PatchState)(2 * turboFound + backupFound);
}
