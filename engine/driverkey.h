/* Shared inside the engine: the driver's keys, the subkey walk and the subkey patch. */
#ifndef VELMORA_DRIVERKEY_H
#define VELMORA_DRIVERKEY_H

#include <windows.h>

#include "registry.h"

#define NEW_DRIVER_KEY "SYSTEM\\CurrentControlSet\\Control\\Creative Tech\\Emu10kx\\DriverSettings\\Wave"
#define OLD_DRIVER_KEY "SYSTEM\\CurrentControlSet\\Control\\Creative Tech\\DriverDefaults"

#define TURBO_VALUE  "Turbo"
#define BACKUP_VALUE "OriginalTurboValue"

/* Subkeys changed in this run of the program. */
extern DWORD ChangedSubkeyCount;

/* Runs for one subkey of `parent`; returns FALSE to end the walk. */
typedef BOOL (*SubkeyStep)(HWND target, HKEY parent, const char *name, void *context);

/* Visits the subkeys of `key` in the platform's index order. */
void WalkSubkeys(HWND target, HKEY key, SubkeyStep step, void *context);

/* Applies or removes the patch in one open subkey of the new driver key. */
void PatchSubkey(HWND target, BOOL apply, HKEY subkey);

/* Opens subkey `name` of `parent`, patches it and closes it. */
void PatchNamedSubkey(HWND target, BOOL apply, HKEY parent, const char *name);

#endif
