/* The compiled resources: the dialog template field by field, and the version resource. */
#include <map>

#include "resfile.h"
#include "testing.h"

using namespace hostwin;

namespace {

const WORD RT_DIALOG_TYPE = 5;
const WORD RT_VERSION_TYPE = 16;
const WORD LANG_EN_US = 1033;

struct ItemExpectation
{
    WORD id;
    WORD classOrdinal;
    const char *text;
    DWORD style;
    short x, y, cx, cy;
};

TEST(DialogTemplate, IsTheClassicPatchDialog)
{
    std::vector<Resource> resources = ReadResourceFile(VELMORA_RES);
    const Resource *resource = FindResource(resources, RT_DIALOG_TYPE, IDD_PATCH);
    ASSERT_NE(resource, nullptr);
    EXPECT_EQ(resource->language, LANG_EN_US);

    DialogTemplate dialog = ParseDialog(resource->data);
    EXPECT_FALSE(dialog.extended);
    EXPECT_EQ(dialog.style, 0x80C800C0u);
    EXPECT_EQ(dialog.exStyle, 0u);
    EXPECT_EQ(dialog.x, 0);
    EXPECT_EQ(dialog.y, 0);
    EXPECT_EQ(dialog.cx, 272);
    EXPECT_EQ(dialog.cy, 138);
    EXPECT_TRUE(dialog.menu.isId == false && dialog.menu.name.empty()) << "no menu";
    EXPECT_TRUE(dialog.windowClass.isId == false && dialog.windowClass.name.empty()) << "default class";
    EXPECT_EQ(dialog.caption, "Velmora");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.font, "MS Sans Serif");

    const ItemExpectation expected[] = {
        {IDOK, 0x80, "Close", 0x50010001, 228, 14, 37, 14},
        {IDC_LOG, 0x83, "", 0x50A00000, 7, 42, 258, 89},
        {0xFFFF, 0x82,
         "This patch will disable the \"Turbo\" mode\nof the SBLive or Audigy driver, to solve\n"
         "problems with crackling noises.",
         0x50020000, 7, 7, 130, 27},
    };
    ASSERT_EQ(dialog.items.size(), 3u);
    for (size_t i = 0; i < 3; i++) {
        const DialogItem &item = dialog.items[i];
        SCOPED_TRACE("control " + std::to_string(i));
        EXPECT_EQ(item.id, expected[i].id);
        EXPECT_TRUE(item.windowClass.isId);
        EXPECT_EQ(item.windowClass.id, expected[i].classOrdinal);
        EXPECT_FALSE(item.text.isId);
        EXPECT_EQ(item.text.name, expected[i].text);
        EXPECT_EQ(item.style, expected[i].style);
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_EQ(item.x, expected[i].x);
        EXPECT_EQ(item.y, expected[i].y);
        EXPECT_EQ(item.cx, expected[i].cx);
        EXPECT_EQ(item.cy, expected[i].cy);
        EXPECT_TRUE(item.creationData.empty());
    }
}

/* One node of a VS_VERSIONINFO tree, with its children. */
struct VersionNode
{
    std::string key;
    std::vector<BYTE> value;
    WORD valueLength;
    WORD type;
    std::vector<VersionNode> children;
};

VersionNode ReadVersionNode(const std::vector<BYTE> &data, size_t at)
{
    Reader reader{data, at};
    VersionNode node;
    WORD length = reader.Word();
    node.valueLength = reader.Word();
    node.type = reader.Word();
    node.key = reader.String();
    reader.AlignDword();
    size_t valueBytes = node.type == 1 ? node.valueLength * 2u : node.valueLength;
    node.value.assign(data.begin() + reader.at, data.begin() + reader.at + valueBytes);
    reader.at += valueBytes;
    reader.AlignDword();
    while (reader.at < at + length) {
        size_t childStart = reader.at;
        node.children.push_back(ReadVersionNode(data, childStart));
        reader.at = childStart + (data[childStart] | data[childStart + 1] << 8);
        reader.AlignDword();
    }
    return node;
}

std::string Utf16Text(const std::vector<BYTE> &value)
{
    std::vector<BYTE> copy = value;
    copy.push_back(0);
    copy.push_back(0);
    Reader reader{copy, 0};
    return reader.String();
}

DWORD DwordAt(const std::vector<BYTE> &bytes, size_t at)
{
    return (DWORD)bytes[at] | (DWORD)bytes[at + 1] << 8 | (DWORD)bytes[at + 2] << 16 | (DWORD)bytes[at + 3] << 24;
}

TEST(VersionResource, NamesVelmoraOneZeroZeroOne)
{
    std::vector<Resource> resources = ReadResourceFile(VELMORA_RES);
    const Resource *resource = FindResource(resources, RT_VERSION_TYPE, 1);
    ASSERT_NE(resource, nullptr);
    EXPECT_EQ(resource->language, LANG_EN_US);

    VersionNode root = ReadVersionNode(resource->data, 0);
    EXPECT_EQ(root.key, "VS_VERSION_INFO");
    ASSERT_EQ(root.value.size(), 52u);
    EXPECT_EQ(DwordAt(root.value, 0), 0xFEEF04BDu);
    EXPECT_EQ(DwordAt(root.value, 8), 0x00010000u) << "file version 1.0";
    EXPECT_EQ(DwordAt(root.value, 12), 0x00000001u) << "file version .0.1";
    EXPECT_EQ(DwordAt(root.value, 16), 0x00010000u) << "product version 1.0";
    EXPECT_EQ(DwordAt(root.value, 20), 0x00000001u) << "product version .0.1";
    EXPECT_EQ(DwordAt(root.value, 32), 0x00040004u) << "VOS_NT_WINDOWS32";
    EXPECT_EQ(DwordAt(root.value, 36), 1u) << "VFT_APP";

    std::map<std::string, std::string> strings;
    bool translation = false;
    for (const VersionNode &block : root.children) {
        if (block.key == "StringFileInfo") {
            ASSERT_EQ(block.children.size(), 1u);
            EXPECT_EQ(block.children[0].key, "040904b0");
            for (const VersionNode &value : block.children[0].children)
                strings[value.key] = Utf16Text(value.value);
        } else if (block.key == "VarFileInfo") {
            ASSERT_EQ(block.children.size(), 1u);
            EXPECT_EQ(block.children[0].key, "Translation");
            EXPECT_EQ(DwordAt(block.children[0].value, 0), 0x04B00409u) << "U.S. English, code page 1200";
            translation = true;
        }
    }
    EXPECT_TRUE(translation);
    EXPECT_EQ(strings["FileDescription"], "Velmora v0.10");
    EXPECT_EQ(strings["FileVersion"], "1, 0, 0, 1");
    EXPECT_EQ(strings["ProductVersion"], "1, 0, 0, 1");
    for (const char *empty : {"ProductName", "OriginalFilename", "PrivateBuild", "SpecialBuild", "LegalTrademarks"})
        EXPECT_EQ(strings.count(empty) ? strings[empty] : "", "") << empty;
    for (const char *maker : {"CompanyName", "LegalCopyright", "Comments", "InternalName"})
        EXPECT_FALSE(strings[maker].empty()) << maker;
}

}  // namespace

namespace {

/* The value of `attribute` in the first <element ...> of `xml`; empty when there is none. */
std::string AttributeOf(const std::string &xml, const std::string &element, const std::string &attribute)
{
    size_t start = xml.find("<" + element + " ");
    std::string tag = start == std::string::npos ? "" : xml.substr(start, xml.find('>', start) - start);
    size_t at = tag.find(" " + attribute + "=\"");
    std::string rest = at == std::string::npos ? "" : tag.substr(at + attribute.size() + 3);
    return rest.substr(0, rest.find('"'));
}

/* Windows honours the execution level only in the asm.v3 trustInfo of an asm.v1 assembly. */
TEST(ManifestResource, AsksForAdministratorRightsOnEveryWindowsSinceVista)
{
    std::vector<Resource> resources = ReadResourceFile(VELMORA_RES);
    const Resource *resource = FindResource(resources, 24 /* RT_MANIFEST */, 1);
    ASSERT_NE(resource, nullptr);
    std::string manifest(resource->data.begin(), resource->data.end());
    EXPECT_EQ(AttributeOf(manifest, "assembly", "xmlns"), "urn:schemas-microsoft-com:asm.v1");
    EXPECT_EQ(AttributeOf(manifest, "assemblyIdentity", "version"), "1.0.0.1") << "the file version";
    EXPECT_EQ(AttributeOf(manifest, "trustInfo", "xmlns"), "urn:schemas-microsoft-com:asm.v3");
    EXPECT_EQ(AttributeOf(manifest, "requestedExecutionLevel", "level"), "requireAdministrator");
    EXPECT_EQ(AttributeOf(manifest, "requestedExecutionLevel", "uiAccess"), "false");
    EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos) << "Windows 10 and 11";
}

}  // namespace
