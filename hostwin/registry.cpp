/* hostwin's registry: an in-memory tree under HKEY_LOCAL_MACHINE. Its result codes are those
   that Microsoft's registry pages and Wine's dlls/advapi32/tests/registry.c (which passes on
   Windows) fix; where neither fixes one, it does what Wine does, and tests/regdiff does not
   print it. */
#include <ctype.h>
#include <string.h>

#include <stdexcept>

#include "hostwin.h"

namespace hostwin {

/* Registry names compare without case. Subkeys come in the order of their upper-case names, as
   Windows' hive files keep them (ReactOS's cmlib and hivex compare so; no Microsoft page names
   an order): "_" comes after the letters. Wine's server compares lower case. */
struct NameLess
{
    bool operator()(const std::string &a, const std::string &b) const
    {
        size_t n = a.size() < b.size() ? a.size() : b.size();
        for (size_t i = 0; i < n; i++) {
            int ca = toupper((unsigned char)a[i]), cb = toupper((unsigned char)b[i]);
            if (ca != cb)
                return ca < cb;
        }
        return a.size() < b.size();
    }
};

struct StoredValue
{
    std::string name;
    Value value;
};

struct Node
{
    std::string name;
    bool deleted = false;
    std::map<std::string, std::shared_ptr<Node>, NameLess> children;
    std::map<std::string, StoredValue, NameLess> values;
};

namespace {

struct Rule
{
    RegOp op;
    LONG code;
    std::string name;
    int nth;
    int seen;
};

struct Registry
{
    std::shared_ptr<Node> root = std::make_shared<Node>();
    std::map<UINT_PTR, std::shared_ptr<Node>> handles;
    UINT_PTR nextHandle = 0x1000;
    std::vector<Rule> rules;
    int calls[REG_OP_COUNT] = {};
    int changes = 0;
    int changeCalls = 0;
    int failChangeAt = 0;
    LONG failChangeCode = 0;
    int snapshotAt = 0;
    Snapshot snapshot;
};

Registry &State()
{
    static Registry registry;
    return registry;
}

std::vector<std::string> SplitPath(const std::string &path)
{
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('\\', start);
        if (end == std::string::npos)
            end = path.size();
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

/* The key at `path` below `node`, or NULL. */
std::shared_ptr<Node> Find(std::shared_ptr<Node> node, const std::string &path)
{
    for (const std::string &part : SplitPath(path)) {
        auto child = node->children.find(part);
        if (child == node->children.end())
            return nullptr;
        node = child->second;
    }
    return node;
}

std::shared_ptr<Node> Find(const std::string &path)
{
    return Find(State().root, path);
}

std::shared_ptr<Node> FindOrThrow(const std::string &path)
{
    std::shared_ptr<Node> node = Find(path);
    if (!node)
        throw std::runtime_error("hostwin: no key " + path);
    return node;
}

std::shared_ptr<Node> Copy(const std::shared_ptr<Node> &node)
{
    auto copy = std::make_shared<Node>();
    copy->name = node->name;
    copy->values = node->values;
    for (const auto &child : node->children)
        copy->children[child.first] = Copy(child.second);
    return copy;
}

bool NamesEqual(const std::string &a, const std::string &b)
{
    return !NameLess()(a, b) && !NameLess()(b, a);
}

/* Counts the call and returns the code of a matching failure rule, or 0. */
LONG Intercept(RegOp op, const std::string &name)
{
    Registry &registry = State();
    registry.calls[op]++;
    if ((op == REG_SET || op == REG_DELETE) && ++registry.changeCalls == registry.failChangeAt)
        return registry.failChangeCode;
    for (Rule &rule : registry.rules) {
        if (rule.op != op || (!rule.name.empty() && !NamesEqual(rule.name, name)))
            continue;
        rule.seen++;
        if (rule.nth == 0 || rule.nth == rule.seen)
            return rule.code;
    }
    return ERROR_SUCCESS;
}

void Changed()
{
    Registry &registry = State();
    registry.changes++;
    if (registry.changes == registry.snapshotAt)
        registry.snapshot = Copy(registry.root);
}

/* The key behind a handle: NULL for an unknown handle. */
std::shared_ptr<Node> Resolve(HKEY key)
{
    Registry &registry = State();
    if (key == HKEY_LOCAL_MACHINE)
        return registry.root;
    auto found = registry.handles.find((UINT_PTR)key);
    return found == registry.handles.end() ? nullptr : found->second;
}

/* Resolves `key` into `node`, or gives the error a call on it returns. */
LONG Use(HKEY key, std::shared_ptr<Node> &node)
{
    node = Resolve(key);
    if (!node)
        return ERROR_INVALID_HANDLE;
    return node->deleted ? ERROR_KEY_DELETED : ERROR_SUCCESS;
}

std::string NameOf(LPCSTR name)
{
    return name ? name : "";
}

}  // namespace

/* ---- Test controls ---- */

void ResetRegistry()
{
    State() = Registry();
}

void CreateKey(const std::string &path)
{
    std::shared_ptr<Node> node = State().root;
    for (const std::string &part : SplitPath(path)) {
        std::shared_ptr<Node> &child = node->children[part];
        if (!child) {
            child = std::make_shared<Node>();
            child->name = part;
        }
        node = child;
    }
}

void SetValue(const std::string &path, const std::string &name, DWORD type, const std::vector<BYTE> &data)
{
    CreateKey(path);
    FindOrThrow(path)->values[name] = StoredValue{name, Value{type, data}};
}

void SetDword(const std::string &path, const std::string &name, DWORD number)
{
    SetValue(path, name, REG_DWORD,
             {(BYTE)number, (BYTE)(number >> 8), (BYTE)(number >> 16), (BYTE)(number >> 24)});
}

static void MarkDeleted(const std::shared_ptr<Node> &node)
{
    node->deleted = true;
    for (const auto &child : node->children)
        MarkDeleted(child.second);
}

void DeleteKey(const std::string &path)
{
    std::vector<std::string> parts = SplitPath(path);
    std::shared_ptr<Node> node = FindOrThrow(path);
    std::string parentPath = path.substr(0, path.size() - parts.back().size());
    MarkDeleted(node);
    FindOrThrow(parentPath)->children.erase(parts.back());
}

Value GetValue(const std::string &path, const std::string &name)
{
    std::shared_ptr<Node> node = FindOrThrow(path);
    auto found = node->values.find(name);
    if (found == node->values.end())
        throw std::runtime_error("hostwin: no value " + name + " in " + path);
    return found->second.value;
}

std::map<std::string, Value> Values(const std::string &path)
{
    std::map<std::string, Value> values;
    for (const auto &stored : FindOrThrow(path)->values)
        values[stored.second.name] = stored.second.value;
    return values;
}

std::vector<std::string> Subkeys(const std::string &path)
{
    std::vector<std::string> names;
    for (const auto &child : FindOrThrow(path)->children)
        names.push_back(child.second->name);
    return names;
}

void FailCall(RegOp op, LONG code, const std::string &name, int nth)
{
    State().rules.push_back(Rule{op, code, name, nth, 0});
}

void FailChange(int n, LONG code)
{
    State().failChangeAt = n;
    State().failChangeCode = code;
}

int CallCount(RegOp op)
{
    return State().calls[op];
}

int OpenHandleCount()
{
    return (int)State().handles.size();
}

Snapshot TakeSnapshot()
{
    return Copy(State().root);
}

void NewProcess()
{
    RestoreSnapshot(TakeSnapshot());
}

void RestoreSnapshot(const Snapshot &snapshot)
{
    State() = Registry();  /* a new process: no handles, no injected failures */
    State().root = Copy(snapshot);
}

void SnapshotAfterChange(int n)
{
    State().snapshotAt = n;
    State().snapshot = nullptr;
}

Snapshot ChangeSnapshot()
{
    return State().snapshot;
}

int ChangeCount()
{
    return State().changes;
}

}  // namespace hostwin

using namespace hostwin;

/* ---- The Win32 registry functions ---- */

LONG WINAPI RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result)
{
    std::shared_ptr<Node> node;
    LONG code = Intercept(REG_OPEN, NameOf(subKey));

    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = NULL;
    if (code == ERROR_SUCCESS)
        code = Use(key, node);
    if (code != ERROR_SUCCESS)
        return code;
    if (!subKey || !*subKey) {
        *result = key;  /* the same handle, no new one (Microsoft's RegOpenKeyA page) */
        return ERROR_SUCCESS;
    }
    if (subKey[0] == '\\')
        return ERROR_BAD_PATHNAME;
    node = Find(node, subKey);
    if (!node)
        return ERROR_FILE_NOT_FOUND;
    Registry &registry = State();
    UINT_PTR handle = registry.nextHandle;
    registry.nextHandle += 4;
    registry.handles[handle] = node;
    *result = (HKEY)handle;
    return ERROR_SUCCESS;
}

LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                          LPSTR className, LPDWORD classSize, PFILETIME lastWrite)
{
    std::shared_ptr<Node> node = Resolve(key);
    LONG code = Intercept(REG_ENUM, node ? node->name : "");

    (void)reserved;
    if (code == ERROR_SUCCESS)
        code = Use(key, node);
    if (code != ERROR_SUCCESS)
        return code;
    if (!name || !nameSize)
        return ERROR_INVALID_PARAMETER;
    if (index >= node->children.size())
        return ERROR_NO_MORE_ITEMS;
    auto child = node->children.begin();
    std::advance(child, index);
    const std::string &found = child->second->name;
    if (found.size() + 1 > *nameSize)
        return ERROR_MORE_DATA;  /* nothing copied (Microsoft's page); the size left, as by Wine */
    memcpy(name, found.c_str(), found.size() + 1);
    *nameSize = (DWORD)found.size();
    if (className && classSize && *classSize > 0)
        className[0] = '\0';
    if (classSize)
        *classSize = 0;
    if (lastWrite)
        *lastWrite = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                             LPDWORD dataSize)
{
    std::shared_ptr<Node> node;
    LONG code = Intercept(REG_QUERY, NameOf(name));

    (void)reserved;
    if (type)
        *type = REG_NONE;  /* as Wine's advapi32 leaves it on failure: no source fixes it */
    if (code == ERROR_SUCCESS)
        code = Use(key, node);
    if (code != ERROR_SUCCESS)
        return code;
    if (data && !dataSize)
        return ERROR_INVALID_PARAMETER;
    auto found = node->values.find(NameOf(name));
    if (found == node->values.end())
        return ERROR_FILE_NOT_FOUND;
    const Value &value = found->second.value;
    DWORD size = (DWORD)value.data.size();
    if (type)
        *type = value.type;
    if (data && size > *dataSize) {
        *dataSize = size;
        return ERROR_MORE_DATA;
    }
    if (data && size > 0)
        memcpy(data, value.data.data(), size);
    if (dataSize)
        *dataSize = size;
    return ERROR_SUCCESS;
}

LONG WINAPI RegSetValueExA(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE *data,
                           DWORD dataSize)
{
    std::shared_ptr<Node> node;
    LONG code = Intercept(REG_SET, NameOf(name));

    (void)reserved;
    if (code == ERROR_SUCCESS)
        code = Use(key, node);
    if (code != ERROR_SUCCESS)
        return code;
    if (!data && dataSize > 0)
        return ERROR_NOACCESS;
    std::vector<BYTE> bytes(data, data + dataSize);
    node->values[NameOf(name)] = StoredValue{NameOf(name), Value{type, bytes}};
    Changed();
    return ERROR_SUCCESS;
}

LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR name)
{
    std::shared_ptr<Node> node;
    LONG code = Intercept(REG_DELETE, NameOf(name));

    if (code == ERROR_SUCCESS)
        code = Use(key, node);
    if (code != ERROR_SUCCESS)
        return code;
    if (node->values.erase(NameOf(name)) == 0)
        return ERROR_FILE_NOT_FOUND;
    Changed();
    return ERROR_SUCCESS;
}

LONG WINAPI RegCloseKey(HKEY key)
{
    LONG code = Intercept(REG_CLOSE, "");

    if (code != ERROR_SUCCESS)
        return code;
    if (key == HKEY_LOCAL_MACHINE)
        return ERROR_SUCCESS;
    return State().handles.erase((UINT_PTR)key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}
