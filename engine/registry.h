/* The registry operations the engine needs, over the platform's result codes. */
#ifndef VELMORA_REGISTRY_H
#define VELMORA_REGISTRY_H

#include <windows.h>

#define SUBKEY_NAME_SIZE 64
#define SMALL_VALUE_SIZE 4

/* The data of a value of at most 4 bytes; bytes past `size` are zero. */
struct SmallValue
{
    BYTE data[SMALL_VALUE_SIZE];
    DWORD size;
};

/* What a read found. A value of more than 4 bytes counts as absent: the program never
   writes one. Unreadable: the read failed otherwise, and a value may well be there. */
enum ValueRead { VALUE_FOUND, VALUE_ABSENT, VALUE_UNREADABLE };

/* Opens an existing key; never creates one. On failure `key` is not to be used. */
LONG OpenKey(HKEY parent, const char *path, HKEY *key);
void CloseKey(HKEY key);
/* The name of subkey `index`: ERROR_MORE_DATA when it needs more than 63 characters,
   ERROR_NO_MORE_ITEMS past the last subkey. */
LONG EnumSubkey(HKEY key, DWORD index, char name[SUBKEY_NAME_SIZE]);
/* Reads a value of at most 4 bytes, whatever its stored type; `value` is zero unless found. */
ValueRead ReadSmallValue(HKEY key, const char *name, SmallValue *value);
/* Writes `value` as REG_DWORD with the length it has, even below 4 bytes. */
LONG WriteDwordValue(HKEY key, const char *name, const SmallValue *value);
LONG DeleteValue(HKEY key, const char *name);

#endif
