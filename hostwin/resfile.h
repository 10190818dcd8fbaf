/* Reading a compiled resource file (.res) and the dialog templates in it. */
#ifndef HOSTWIN_RESFILE_H
#define HOSTWIN_RESFILE_H

#include <string>
#include <vector>

#include <windows.h>

namespace hostwin {

/* A name or an ordinal, as resource types, names and dialog classes are stored. */
struct NameOrId
{
    bool isId;
    WORD id;
    std::string name;
};

struct Resource
{
    NameOrId type;
    NameOrId name;
    WORD language;
    std::vector<BYTE> data;
};

struct DialogItem
{
    DWORD style, exStyle;
    short x, y, cx, cy;
    WORD id;
    NameOrId windowClass;
    NameOrId text;
    std::vector<BYTE> creationData;
};

struct DialogTemplate
{
    bool extended;
    DWORD style, exStyle;
    short x, y, cx, cy;
    NameOrId menu, windowClass;
    std::string caption;
    WORD pointSize;
    std::string font;
    std::vector<DialogItem> items;
};

/* Every resource in the file; throws on a malformed file. */
std::vector<Resource> ReadResourceFile(const std::string &path);
/* The resource of type `type` (an ordinal) and ordinal name `id`, or NULL. */
const Resource *FindResource(const std::vector<Resource> &resources, WORD type, WORD id);
/* Parses a classic or extended dialog template; throws on a malformed one. */
DialogTemplate ParseDialog(const std::vector<BYTE> &data);

/* UTF-16 cursor over resource data. */
struct Reader
{
    const std::vector<BYTE> &data;
    size_t at;

    WORD Word();
    DWORD Dword();
    std::string String();  /* NUL-terminated UTF-16, bytes above 0x7F as '?' */
    NameOrId NameOrOrdinal();
    void AlignDword();
};

}  // namespace hostwin

#endif
