/* Counts the registry calls Velmora makes per subkey, on hostwin, beside the least that the
   algorithm needs: the probe must enumerate, open, read both values and close each subkey it
   looks at; a run must do the same and then write two values (apply) or write one and
   delete one (remove). */
#include <stdio.h>

#include <string>

#include "engine/driverkey.h"
#include "engine/patch.h"
#include "hostwin.h"

using namespace hostwin;

static const int SUBKEYS = 1000;
static const int LEAST_PROBE = 5;  /* enumerate, open, read backup, read Turbo, close */
static const int LEAST_RUN = 7;    /* the same, and two changes */

static std::string Subkey(int i)
{
    char name[16];
    snprintf(name, sizeof(name), "%04d", i);
    return std::string(NEW_DRIVER_KEY "\\") + name;
}

static int TotalCalls()
{
    int total = 0;
    for (int op = 0; op < REG_OP_COUNT; op++)
        total += CallCount((RegOp)op);
    return total;
}

/* Calls per subkey, less the driver key's own open, last enumeration and close. */
static double PerSubkey(int subkeys)
{
    return (double)(TotalCalls() - 3) / subkeys;
}

static void Report(const char *what, double calls, int least)
{
    printf("%s: %.2f registry calls per subkey\n", what, calls);
    printf("%s: least the algorithm needs: %d per subkey\n", what, least);
    printf("%s: ratio to the least: %.2f\n", what, calls / least);
}

int main()
{
    HWND log = CreateListBox();

    /* The probe looks at every subkey when only the last one holds a value. */
    ResetRegistry();
    for (int i = 0; i < SUBKEYS - 1; i++)
        CreateKey(Subkey(i));
    SetDword(Subkey(SUBKEYS - 1), TURBO_VALUE, 1);
    NewProcess();  /* the counts start at 0 */
    ProbeDriverKey(log);
    /* The probe's walk ends at its deciding subkey: no closing enumeration. */
    Report("probe", (double)(TotalCalls() - 2) / SUBKEYS, LEAST_PROBE);

    ResetRegistry();
    for (int i = 0; i < SUBKEYS; i++)
        SetDword(Subkey(i), TURBO_VALUE, 1);
    NewProcess();
    RunPatch(log, TRUE);
    Report("apply", PerSubkey(SUBKEYS), LEAST_RUN);

    NewProcess();
    RunPatch(log, FALSE);
    Report("remove", PerSubkey(SUBKEYS), LEAST_RUN);
    return 0;
}
