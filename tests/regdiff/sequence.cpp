/* The call sequence: what Velmora relies on of each registry call and of the formatter,
   and their edges. It prints only what Microsoft's pages or Wine's conformance tests
   (dlls/advapi32/tests/registry.c, without broken() or todo_wine: they pass on Windows) fix,
   the subkeys' order aside. */
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "sequence.h"

const char *const FIXTURE_SUBKEYS[] = {
    "alpha",
    "Beta",
    /* No name holds [\]^_`: Windows orders subkeys by upper-case name, Wine by lower case. */
    "Zed",
    "name-of-exactly-sixty-three-characters-for-the-subkey-buffer-63",
    "name-of-exactly-sixty-four-characters-for-the-subkey-buffer-6464",
    "name-of-seventy-characters-which-is-longer-than-any-buffer-Velmora-has",
};
const int FIXTURE_SUBKEY_COUNT = sizeof(FIXTURE_SUBKEYS) / sizeof(FIXTURE_SUBKEYS[0]);

const FixtureValue FIXTURE_VALUES[] = {
    {"Beta", "bin0", REG_BINARY, 0, {0}},
    {"Beta", "bin1", REG_BINARY, 1, {0x11}},
    {"Beta", "bin2", REG_BINARY, 2, {0x21, 0x22}},
    {"Beta", "bin3", REG_BINARY, 3, {0x31, 0x32, 0x33}},
    {"Beta", "dword", REG_DWORD, 4, {0x41, 0x42, 0x43, 0x44}},
    {"Beta", "bin5", REG_BINARY, 5, {0x51, 0x52, 0x53, 0x54, 0x55}},
    {"Beta", "qword", REG_QWORD, 8, {1, 2, 3, 4, 5, 6, 7, 8}},
    {"Beta", "none2", REG_NONE, 2, {0x61, 0x62}},
    {"Beta", "sz", REG_SZ, 3, {'h', 'i', 0}},
    {"Beta", "sz5", REG_SZ, 5, {'f', 'o', 'u', 'r', 0}},
    {"Beta", "", REG_DWORD, 4, {9, 0, 0, 0}},
    {"Zed", "Turbo", REG_DWORD, 4, {1, 0, 0, 0}},
};
const int FIXTURE_VALUE_COUNT = sizeof(FIXTURE_VALUES) / sizeof(FIXTURE_VALUES[0]);

static void PrintBytes(const BYTE *data, DWORD size)
{
    printf(" bytes=");
    for (DWORD i = 0; i < size; i++)
        printf("%s%02x", i ? "," : "", data[i]);
    if (size == 0)
        printf("-");
}

/* The handle after a success, and after ERROR_FILE_NOT_FOUND (Wine's test: NULL). */
static HKEY Open(HKEY parent, const char *path, const char *label)
{
    HKEY key = (HKEY)(UINT_PTR)0x12345678;  /* to see whether a failure clears it */
    LONG result = RegOpenKeyA(parent, path, &key);
    printf("open %s -> %d", label, (int)result);
    if (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND)
        printf(" handle=%s", key == NULL ? "null" : key == parent ? "parent"
                             : key == (HKEY)(UINT_PTR)0x12345678 ? "untouched" : "new");
    printf("\n");
    return result == ERROR_SUCCESS ? key : NULL;
}

static void Enum(HKEY key, const char *label, DWORD index, DWORD capacity)
{
    char name[80];
    DWORD size = capacity;
    FILETIME written;
    memset(name, 'x', sizeof(name));
    LONG result = RegEnumKeyExA(key, index, name, &size, NULL, NULL, NULL, &written);
    printf("enum %s index=%u capacity=%u -> %d", label, (unsigned)index, (unsigned)capacity, (int)result);
    if (result == ERROR_SUCCESS)
        printf(" size=%u name=%s", (unsigned)size, name);
    else  /* Microsoft: on failure nothing is copied to the buffer; the size is not fixed */
        printf(" buffer=%s", name[0] == 'x' && name[1] == 'x' ? "untouched" : "written");
    printf("\n");
}

/* On success the type and the data; after ERROR_MORE_DATA the size it needs (Microsoft: the
   data is undefined then); after ERROR_FILE_NOT_FOUND the size left as it was (Wine's test). */
static void Query(HKEY key, const char *name)
{
    BYTE data[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    DWORD size = sizeof(data), type = 0xDEAD;
    LONG result = RegQueryValueExA(key, name, NULL, &type, data, &size);
    printf("query \"%s\" -> %d", name, (int)result);
    if (result == ERROR_SUCCESS)
        printf(" type=%u", (unsigned)type);
    if (result == ERROR_SUCCESS || result == ERROR_MORE_DATA || result == ERROR_FILE_NOT_FOUND)
        printf(" size=%u", (unsigned)size);
    if (result == ERROR_SUCCESS)
        PrintBytes(data, size);
    printf("\n");
}

static void SetDword(HKEY key, const char *name, DWORD size)
{
    const BYTE data[4] = {0xA1, 0xA2, 0xA3, 0xA4};
    printf("set \"%s\" REG_DWORD size=%u -> %d\n", name, (unsigned)size,
           (int)RegSetValueExA(key, name, 0, REG_DWORD, data, size));
    Query(key, name);
}

static void Delete(HKEY key, const char *name)
{
    printf("delete \"%s\" -> %d\n", name, (int)RegDeleteValueA(key, name));
}

static void Close(HKEY key, const char *label)
{
    printf("close %s -> %d\n", label, (int)RegCloseKey(key));
}

/* Texts within the 1,024 bytes that Microsoft's wvsprintfA page allows: what a longer one gives
   is not documented. */
static void Format(const char *format, ...)
{
    char buffer[1024];
    va_list args;
    memset(buffer, '#', sizeof(buffer));
    va_start(args, format);
    int length = wvsprintfA(buffer, format, args);
    va_end(args);
    buffer[sizeof(buffer) - 1] = '\0';
    printf("format \"%s\" -> %d stored=%u text=[%s]\n", format, length, (unsigned)strlen(buffer), buffer);
}

static void RunFormats(void)
{
    Format("Velmora");
    Format(" ");
    Format("Found Turbo value, currently set to %d.", -1);
    Format("%d %d %d", 0, 2147483647, (int)0x80000000);
    Format("Error %d returned by RegEnumKeyEx API.", 259);
    Format("Found <%s> subkey.", "0000");
    Format("<%s>", "");
    Format("%u %x %X %5d|%-5d|%05d %%", 3000000000u, 0xbeef, 0xbeef, 42, 42, 42);
    Format("%c%c", 'o', 'k');
    Format("%.3s", "abcdef");
}

void RunSequence(void)
{
    RunFormats();

    HKEY fixture = Open(HKEY_LOCAL_MACHINE, FIXTURE_KEY, "fixture");
    Open(HKEY_LOCAL_MACHINE, FIXTURE_KEY "\\missing", "missing");
    Open(fixture, "", "empty path");
    Open(fixture, "BETA\\\\", "trailing backslashes");

    /* Enumeration: order, names that fit and names that do not, the end. */
    for (DWORD index = 0; index <= (DWORD)FIXTURE_SUBKEY_COUNT; index++)
        Enum(fixture, "fixture", index, 64);
    Enum(fixture, "fixture", 0, 4);
    Enum(fixture, "fixture", 0, 5);
    Enum(fixture, "fixture", 0, 6);
    Enum(fixture, "fixture", 100, 64);

    HKEY alpha = Open(fixture, "alpha", "alpha");
    Enum(alpha, "alpha", 0, 64);
    Enum(alpha, "alpha", 1, 64);
    Close(alpha, "alpha");

    /* Values of 0 to 8 bytes into a 4-byte buffer, and missing ones. */
    HKEY beta = Open(fixture, "beta", "beta (other case)");
    static const char *const NAMES[] = {"bin0", "bin1", "bin2", "bin3", "dword", "bin5", "qword",
                                        "none2", "sz", "sz5", "DWORD", "", "missing"};
    for (const char *name : NAMES)
        Query(beta, name);

    /* REG_DWORD data of 0 to 4 bytes over values of other types: the registry keeps the bytes as
       written, whatever the type says (Wine's test_set_value for 0 bytes; for others, Raymond
       Chen, "What the various registry data types mean is different from how they are handled",
       Microsoft's The Old New Thing, 2009). */
    SetDword(beta, "qword", 0);
    SetDword(beta, "sz", 1);
    SetDword(beta, "bin5", 2);
    SetDword(beta, "none2", 3);
    SetDword(beta, "bin0", 4);
    SetDword(beta, "new", 2);

    /* Deletion of present and missing values. */
    Delete(beta, "bin1");
    Delete(beta, "BIN1");
    Query(beta, "bin1");
    Delete(beta, "never-there");
    Close(beta, "beta");

    /* A key deleted while open: the calls that Wine's test_deleted_key makes. */
    HKEY zed = Open(fixture, "Zed", "Zed");
    DeleteFixtureKey(FIXTURE_KEY "\\Zed");
    printf("Zed deleted\n");
    Query(zed, "Turbo");
    SetDword(zed, "Turbo", 4);
    Open(zed, "child", "under deleted Zed");
    RegCloseKey(zed);
    Open(fixture, "Zed", "Zed after deletion");

    Close(fixture, "fixture");
}
