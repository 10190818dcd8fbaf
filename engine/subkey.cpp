/* The subkey patch: "Turbo" is set to 0 after its data is kept in "OriginalTurboValue",
   and the kept data goes back into "Turbo" when the patch is removed. */
#include "driverkey.h"
#include "log.h"

DWORD ChangedSubkeyCount = 0;

static void ApplyPatch(HWND target, HKEY subkey, LONG backupRead, BOOL turboFound, const SmallValue *turbo)
{
    static const SmallValue zero = {{0, 0, 0, 0}, 4};
    LONG result;

    if (backupRead == ERROR_SUCCESS) {
        LogLine(target, "Saved value already exists.");
    } else if (!turboFound) {
        LogLine(target, "Nothing to patch in this subkey.");
        return;
    } else if (backupRead != ERROR_FILE_NOT_FOUND && backupRead != ERROR_MORE_DATA) {
        /* A backup that exists but could not be read may be the only copy of the
           driver's setting: overwriting it would lose that setting for good. */
        LogLine(target, "Failed to back up original value.");
        return;
    } else if (WriteDwordValue(subkey, BACKUP_VALUE, turbo) != ERROR_SUCCESS) {
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

static void RemovePatch(HWND target, HKEY subkey, BOOL backupFound, const SmallValue *backup, BOOL turboFound)
{
    LONG result;

    if (!backupFound) {
        if (turboFound)
            LogLine(target, "Cannot remove patch: backup is gone");
        return;
    }
    result = WriteDwordValue(subkey, TURBO_VALUE, backup);
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
    SmallValue backup, turbo;
    LONG backupRead = ReadSmallValue(subkey, BACKUP_VALUE, &backup);
    BOOL turboFound = ReadSmallValue(subkey, TURBO_VALUE, &turbo) == ERROR_SUCCESS;

    if (apply)
        ApplyPatch(target, subkey, backupRead, turboFound, &turbo);
    else
        RemovePatch(target, subkey, backupRead == ERROR_SUCCESS, &backup, turboFound);
}
