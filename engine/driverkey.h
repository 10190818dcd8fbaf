/* Shared inside the engine: the driver's keys and values, the subkey walk of the probe and
   the patch run, and the subkey patch. */
#ifndef VELMORA_DRIVERKEY_H
#define VELMORA_DRIVERKEY_H

#include "engine/registry.h"

#define NEW_DRIVER_KEY "SYSTEM\\CurrentControlSet\\Control\\Creative Tech\\Emu10kx\\DriverSettings\\Wave"
#define OLD_DRIVER_KEY "SYSTEM\\CurrentControlSet\\Control\\Creative Tech\\DriverDefaults"

#define TURBO_VALUE  "Turbo"
#define BACKUP_VALUE "OriginalTurboValue"

/* The walk, in the platform's index order: the next subkey from `*index` on, with `*index`
   left at it; FALSE once the walk is over. It logs what it skips and what ends it, so that
   a caller only loops: for (index = 0; NextSubkey(target, key, &index, name); index++) */
BOOL NextSubkey(HWND target, HKEY key, DWORD *index, char name[SUBKEY_NAME_SIZE]);

/* The two values of a subkey of the new driver key, as ReadPatchValues finds them (the
   backup first, as the probe has always read them). */
struct PatchValues
{
    ValueRead backupRead;
    SmallValue backup;
    ValueRead turboRead;
    SmallValue turbo;
};
void ReadPatchValues(HKEY subkey, PatchValues *values);

/* Applies or removes the patch in one open subkey of the new driver key. */
void PatchSubkey(HWND target, BOOL apply, HKEY subkey);

#endif
