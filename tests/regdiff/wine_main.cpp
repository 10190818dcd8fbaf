/* The registry sequence against the real Windows registry (Wine's, in the tests). */
#include <stdio.h>

#include "sequence.h"

void CreateFixture(void)
{
    char path[512];
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, FIXTURE_KEY);
    for (int i = 0; i < FIXTURE_SUBKEY_COUNT; i++) {
        HKEY key;
        snprintf(path, sizeof(path), "%s\\%s", FIXTURE_KEY, FIXTURE_SUBKEYS[i]);
        if (RegCreateKeyA(HKEY_LOCAL_MACHINE, path, &key) == ERROR_SUCCESS)
            RegCloseKey(key);
    }
    for (int i = 0; i < FIXTURE_VALUE_COUNT; i++) {
        const FixtureValue &value = FIXTURE_VALUES[i];
        HKEY key;
        snprintf(path, sizeof(path), "%s\\%s", FIXTURE_KEY, value.key);
        if (RegCreateKeyA(HKEY_LOCAL_MACHINE, path, &key) != ERROR_SUCCESS)
            continue;
        RegSetValueExA(key, value.name, 0, value.type, value.data, value.size);
        RegCloseKey(key);
    }
}

void DeleteFixtureKey(const char *path)
{
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
}

int main()
{
    CreateFixture();
    RunSequence();
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, FIXTURE_KEY);
    return 0;
}
