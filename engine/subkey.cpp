/* The subkey patch: "Turbo" is set to 0 after its data is kept in "OriginalTurboValue",
   and the kept data goes back into "Turbo" when the patch is removed. */
#include "engine/driverkey.h"
#include "engine/patch.h"
#include "ui/log.h"

DWORD ChangedSubkeyCount = 0;

void ReadPatchValues(HKEY subkey, PatchValues *values)
{
    values->backupRead = ReadSmallValue(subkey, BACKUP_VALUE, &values->backup);
    values->turboRead = ReadSmallValue(subkey, TURBO_VALUE, &values->turbo);
}

static void ApplyPatch(HWND target, HKEY subkey, const PatchValues *values)
{
    static const SmallValue zero = {{0, 0, 0, 0}, 4};
    LONG result;

    if (values->backupRead == VALUE_FOUND) {
        LogLine(target, "Saved value already exists.");
    } else if (values->turboRead != VALUE_FOUND) {
        LogLine(target, "Nothing to patch in this subkey.");
        return;
    } else if (values->backupRead == VALUE_UNREADABLE ||
               WriteDwordValue(subkey, BACKUP_VALUE, &values->turbo) != ERROR_SUCCESS) {
        /* A backup that is there but cannot be read may be the only copy of the driver's
           setting: it is never written over. */
        LogLine(target, "Failed to back up original value.");
        return;
    }

    result = WriteDwordValue(subkey, TURBO_VALUE, &zero);
    if (result != ERROR_SUCCESS) {
        LogLine(target, "Failed to apply patch to this key, error %d.", (int)result);
        return;
    }
    ChangedSubkeyCount++;
    LogLine(target, "Patch applied to this key.");
}

static void RemovePatch(HWND target, HKEY subkey, const PatchValues *values)
{
    LONG result;

    if (values->backupRead != VALUE_FOUND) {
        if (values->turboRead == VALUE_FOUND)
            LogLine(target, "Cannot remove patch: backup is gone");
        return;
    }
    result = WriteDwordValue(subkey, TURBO_VALUE, &values->backup);
    if (result != ERROR_SUCCESS) {
        LogLine(target, "Could not set registry, error %d", (int)result);
        return;
    }
    result = DeleteValue(subkey, BACKUP_VALUE);
    if (result != ERROR_SUCCESS) {
        LogLine(target, "Could not remove backup value, error %d", (int)result);
        return;
    }
    ChangedSubkeyCount++;
    LogLine(target, "Patch removed from this key.");
}

void PatchSubkey(HWND target, BOOL apply, HKEY subkey)
{
    PatchValues values;

    ReadPatchValues(subkey, &values);
    if (apply)
        ApplyPatch(target, subkey, &values);
    else
        RemovePatch(target, subkey, &values);
}
