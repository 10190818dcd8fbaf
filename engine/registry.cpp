/* Registry access: every raw Reg* call of the program lives here. */
#include "engine/registry.h"

static const SmallValue NO_VALUE = {{0, 0, 0, 0}, 0};

LONG OpenKey(HKEY parent, const char *path, HKEY *key)
{
    *key = NULL;
    return RegOpenKeyA(parent, path, key);
}

void CloseKey(HKEY key)
{
    RegCloseKey(key);
}

LONG EnumSubkey(HKEY key, DWORD index, char name[SUBKEY_NAME_SIZE])
{
    DWORD capacity = SUBKEY_NAME_SIZE;  /* the call overwrites it, so reset it every time */
    FILETIME written;

    return RegEnumKeyExA(key, index, name, &capacity, NULL, NULL, NULL, &written);
}

ValueRead ReadSmallValue(HKEY key, const char *name, SmallValue *value)
{
    DWORD type;
    LONG result;

    *value = NO_VALUE;
    value->size = SMALL_VALUE_SIZE;
    result = RegQueryValueExA(key, name, NULL, &type, value->data, &value->size);
    if (result == ERROR_SUCCESS && value->size <= SMALL_VALUE_SIZE)
        return VALUE_FOUND;
    *value = NO_VALUE;
    if (result == ERROR_SUCCESS || result == ERROR_MORE_DATA || result == ERROR_FILE_NOT_FOUND)
        return VALUE_ABSENT;
    return VALUE_UNREADABLE;
}

LONG WriteDwordValue(HKEY key, const char *name, const SmallValue *value)
{
    return RegSetValueExA(key, name, 0, REG_DWORD, value->data, value->size);
}

LONG DeleteValue(HKEY key, const char *name)
{
    return RegDeleteValueA(key, name);
}
