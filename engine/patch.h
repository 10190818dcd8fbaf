/* The registry patch engine as the dialog sees it. */
#ifndef VELMORA_PATCH_H
#define VELMORA_PATCH_H

#include <windows.h>

/* The state of the deciding subkey: 2 x ("Turbo" found) + ("OriginalTurboValue" found). */
enum PatchState
{
    PATCH_STATE_NONE = 0,
    PATCH_STATE_BROKEN = 1,
    PATCH_STATE_UNPATCHED = 2,
    PATCH_STATE_PATCHED = 3
};

/* Logs what it finds of the driver's keys into `target`; changes nothing. */
PatchState ProbeDriverKey(HWND target);

/* Applies (`apply` nonzero) or removes the patch in every subkey of the driver key. */
void RunPatch(HWND target, BOOL apply);

/* Subkeys changed since the program started, which the run reports. */
extern DWORD ChangedSubkeyCount;

#endif
