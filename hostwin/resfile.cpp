/* Reading .res files as windres writes them, and dialog templates as USER32 reads them. */
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "resfile.h"

namespace hostwin {

WORD Reader::Word()
{
    if (at + 2 > data.size())
        throw std::runtime_error("resource data ends early");
    WORD value = (WORD)(data[at] | data[at + 1] << 8);
    at += 2;
    return value;
}

DWORD Reader::Dword()
{
    DWORD low = Word();
    return low | (DWORD)Word() << 16;
}

std::string Reader::String()
{
    std::string text;
    for (WORD c = Word(); c != 0; c = Word())
        text += c < 0x80 ? (char)c : '?';
    return text;
}

NameOrId Reader::NameOrOrdinal()
{
    WORD first = Word();
    if (first == 0xFFFF)
        return NameOrId{true, Word(), ""};
    at -= 2;
    return NameOrId{false, 0, String()};
}

void Reader::AlignDword()
{
    at = (at + 3) & ~(size_t)3;
}

std::vector<Resource> ReadResourceFile(const std::string &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot open " + path);
    std::vector<BYTE> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<Resource> resources;
    Reader reader{bytes, 0};

    while (reader.at + 8 <= bytes.size()) {
        size_t start = reader.at;
        DWORD dataSize = reader.Dword();
        DWORD headerSize = reader.Dword();
        Resource resource;
        resource.type = reader.NameOrOrdinal();
        resource.name = reader.NameOrOrdinal();
        reader.AlignDword();
        reader.Dword();  /* data version */
        reader.Word();   /* memory flags */
        resource.language = reader.Word();
        if (start + headerSize + dataSize > bytes.size())
            throw std::runtime_error("resource data runs past the end of " + path);
        resource.data.assign(bytes.begin() + start + headerSize, bytes.begin() + start + headerSize + dataSize);
        if (dataSize > 0)  /* the first, empty entry only marks the file as 32-bit */
            resources.push_back(resource);
        reader.at = start + headerSize + dataSize;
        reader.AlignDword();
    }
    return resources;
}

const Resource *FindResource(const std::vector<Resource> &resources, WORD type, WORD id)
{
    for (const Resource &resource : resources)
        if (resource.type.isId && resource.type.id == type && resource.name.isId && resource.name.id == id)
            return &resource;
    return nullptr;
}

static const DWORD DS_SETFONT_STYLE = 0x40;

DialogTemplate ParseDialog(const std::vector<BYTE> &data)
{
    DialogTemplate dialog = {};
    Reader reader{data, 0};

    dialog.extended = data.size() >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF;
    if (dialog.extended) {
        reader.Dword();  /* version and signature */
        reader.Dword();  /* help id */
        dialog.exStyle = reader.Dword();
        dialog.style = reader.Dword();
    } else {
        dialog.style = reader.Dword();
        dialog.exStyle = reader.Dword();
    }
    WORD count = reader.Word();
    dialog.x = (short)reader.Word();
    dialog.y = (short)reader.Word();
    dialog.cx = (short)reader.Word();
    dialog.cy = (short)reader.Word();
    dialog.menu = reader.NameOrOrdinal();
    dialog.windowClass = reader.NameOrOrdinal();
    dialog.caption = reader.String();
    if (dialog.style & DS_SETFONT_STYLE) {
        dialog.pointSize = reader.Word();
        if (dialog.extended) {
            reader.Word();  /* weight */
            reader.Word();  /* italic and character set */
        }
        dialog.font = reader.String();
    }
    for (WORD i = 0; i < count; i++) {
        DialogItem item = {};
        reader.AlignDword();
        if (dialog.extended) {
            reader.Dword();  /* help id */
            item.exStyle = reader.Dword();
            item.style = reader.Dword();
        } else {
            item.style = reader.Dword();
            item.exStyle = reader.Dword();
        }
        item.x = (short)reader.Word();
        item.y = (short)reader.Word();
        item.cx = (short)reader.Word();
        item.cy = (short)reader.Word();
        item.id = reader.Word();
        if (dialog.extended)
            reader.Word();  /* the upper half of a 32-bit id */
        item.windowClass = reader.NameOrOrdinal();
        item.text = reader.NameOrOrdinal();
        WORD extra = reader.Word();
        if (reader.at + extra > data.size())
            throw std::runtime_error("dialog item data runs past the end");
        item.creationData.assign(data.begin() + reader.at, data.begin() + reader.at + extra);
        reader.at += extra;
        dialog.items.push_back(item);
    }
    return dialog;
}

}  // namespace hostwin
