/* The patch run: the user's decision carried out over every subkey of the driver key. */
#include "engine/driverkey.h"
#include "engine/patch.h"
#include "ui/box.h"
#include "ui/log.h"

/* Opens subkey `name` of `parent`, patches it and closes it. */
static void PatchNamedSubkey(HWND target, BOOL apply, HKEY parent, const char *name)
{
    HKEY subkey;

    LogLine(target, "Working in <%s> subkey.", name);
    if (OpenKey(parent, name, &subkey) != ERROR_SUCCESS) {
        LogLine(target, "Could not open subkey %s.", name);
        return;
    }
    PatchSubkey(target, apply, subkey);
    CloseKey(subkey);
}

void RunPatch(HWND target, BOOL apply)
{
    char name[SUBKEY_NAME_SIZE];
    HKEY key;

    LogLine(target, "Starting to %s patch.", apply ? "apply" : "remove");
    /* The key was there at the probe; if it has gone since, there is nothing to report on. */
    if (OpenKey(HKEY_LOCAL_MACHINE, NEW_DRIVER_KEY, &key) != ERROR_SUCCESS)
        return;
    LogLine(target, "Patching key <%s>.", NEW_DRIVER_KEY);
    for (DWORD index = 0; NextSubkey(target, key, &index, name); index++)
        PatchNamedSubkey(target, apply, key, name);
    CloseKey(key);
    LogLine(target, "Done. Changed %d subkey(s).", (int)ChangedSubkeyCount);
    ShowBox(NULL, "Done.", "Status", MB_OK);
}
