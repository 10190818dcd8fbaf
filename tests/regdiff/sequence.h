/* One scripted sequence of registry calls, run both against hostwin on the host and against
   Wine's registry, so that the two outputs can be compared line by line. */
#ifndef VELMORA_REGDIFF_SEQUENCE_H
#define VELMORA_REGDIFF_SEQUENCE_H

#include <windows.h>

/* Where the sequence works, under HKEY_LOCAL_MACHINE. */
#define FIXTURE_KEY "SOFTWARE\\VelmoraRegDiff"

struct FixtureValue
{
    const char *key;   /* a subkey of FIXTURE_KEY, or "" for the key itself */
    const char *name;
    DWORD type;
    DWORD size;
    BYTE data[8];
};

/* Subkeys, each with no subkeys of its own. */
extern const char *const FIXTURE_SUBKEYS[];
extern const int FIXTURE_SUBKEY_COUNT;
extern const FixtureValue FIXTURE_VALUES[];
extern const int FIXTURE_VALUE_COUNT;

/* Each platform provides these two. */
void CreateFixture(void);
void DeleteFixtureKey(const char *path);

/* Prints one line per call: the call, its result code, and what it returned. */
void RunSequence(void);

#endif
