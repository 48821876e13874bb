// The Reg*A functions: argument rules and access checks as on Windows, the per-process handle
// table, and the store selection of store.h. The keys and values themselves live in
// SqliteStore (sqlite_store.cpp).
#include "platform/registry/registry.h"

#include <pthread.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/machine/machine.h"
#include "platform/registry/sqlite_store.h"
#include "platform/registry/store.h"

namespace ovtb::registry {

namespace {

// Windows' limits on names, in characters without the terminator.
constexpr size_t kMaxKeyNameLength = 255;
constexpr size_t kMaxValueNameLength = 16383;
// Far beyond what any deliverable stores; keeps a size from the caller within what the store
// can bind.
constexpr DWORD kMaxValueSize = 64u << 20;

constexpr REGSAM kWriteAccess = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

struct OpenKey {
    KeyId id = 0;
    std::string path;  // folded full path, "HKEY_LOCAL_MACHINE\SYSTEM\..."
    REGSAM access = 0;
};

struct State {
    std::recursive_mutex mutex;
    SqliteStore store;
    bool targetChosen = false;
    std::unordered_map<ULONG_PTR, OpenKey> handles;
    ULONG_PTR nextHandle = 0x1000;  // never reused within a process
    std::string lastError;
};

// Set in a child process right after fork(): the connection and the handles are the parent's.
std::atomic<bool> forked{false};

State& S() {
    static State* state = [] {
        pthread_atfork(nullptr, nullptr, [] { forked.store(true, std::memory_order_relaxed); });
        return new State;  // never destroyed: deliverables may call at exit
    }();
    return *state;
}

// Everything a function needs, taken under the lock. A process that was forked from the one
// that opened the store gets neither its connection nor its handles.
class Session {
  public:
    Session() : state_(S()), lock_(state_.mutex) {
        if (forked.load(std::memory_order_relaxed)) {
            forked.store(false, std::memory_order_relaxed);
            state_.store.Abandon();
            state_.handles.clear();
        }
    }
    State& state() { return state_; }
    SqliteStore& store() { return state_.store; }

    LONG Open() {
        if (!state_.targetChosen) {
            state_.store.Target(ovtb::machine::RegistryPath(), /*create=*/false);
            state_.targetChosen = true;
        }
        if (state_.store.IsOpen())
            return ERROR_SUCCESS;
        LONG r = state_.store.Open();
        Note(r);
        return r;
    }
    LONG Note(LONG r) {
        if (r == ERROR_BADDB || r == ERROR_REGISTRY_IO_FAILED) {
            state_.lastError = state_.store.LastError();
        }
        return r;
    }
    // The key behind a handle; the predefined keys need no opening.
    const OpenKey* Find(HKEY key) {
        static const OpenKey localMachine{kLocalMachineId, "HKEY_LOCAL_MACHINE", KEY_ALL_ACCESS};
        static const OpenKey dynData{kDynDataId, "HKEY_DYN_DATA", KEY_ALL_ACCESS};
        if (key == HKEY_LOCAL_MACHINE)
            return &localMachine;
        if (key == HKEY_DYN_DATA)
            return &dynData;
        auto it = state_.handles.find(reinterpret_cast<ULONG_PTR>(key));
        return it == state_.handles.end() ? nullptr : &it->second;
    }
    // The key behind a handle, with at least one of the `needed` rights (none when 0), and the
    // store opened.
    LONG Use(HKEY key, REGSAM needed, const OpenKey*& found) {
        found = Find(key);
        if (!found)
            return ERROR_INVALID_HANDLE;
        if (needed && !(found->access & needed))
            return ERROR_ACCESS_DENIED;
        return Open();
    }
    HKEY Add(OpenKey key) {
        ULONG_PTR h = state_.nextHandle;
        state_.nextHandle += 4;
        state_.handles.emplace(h, std::move(key));
        return reinterpret_cast<HKEY>(h);
    }

  private:
    State& state_;
    std::unique_lock<std::recursive_mutex> lock_;
};

// Splits "A\B\C" into its names. Empty names are skipped, so a trailing backslash (as in
// "Config Manager\Enum\") names the same key. Returns false for a name longer than Windows allows.
bool SplitPath(LPCSTR subKey, std::vector<std::string>& names) {
    names.clear();
    if (!subKey)
        return true;
    std::string_view rest(subKey);
    while (!rest.empty()) {
        size_t cut = rest.find('\\');
        std::string_view part = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
        if (part.empty())
            continue;
        if (part.size() > kMaxKeyNameLength)
            return false;
        names.emplace_back(part);
    }
    return true;
}

std::string JoinFolded(const std::string& base, const std::vector<std::string>& names) {
    std::string path = base;
    for (const auto& n : names) {
        path += '\\';
        path += FoldName(n);
    }
    return path;
}

// The parent handle of a path, with at least one of the `needed` rights (none when 0), the
// path's names, and the store opened. A name longer than Windows allows gives `badName`.
LONG UsePath(Session& s, HKEY key, REGSAM needed, LPCSTR subKey, LONG badName,
             const OpenKey*& parent, std::vector<std::string>& names) {
    parent = s.Find(key);
    if (!parent)
        return ERROR_INVALID_HANDLE;
    if (needed && !(parent->access & needed))
        return ERROR_ACCESS_DENIED;
    if (!SplitPath(subKey, names))
        return badName;
    return s.Open();
}

LONG OpenPath(Session& s, HKEY key, LPCSTR subKey, REGSAM desired, PHKEY result) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    const OpenKey* parent = nullptr;
    std::vector<std::string> names;
    if (LONG r = UsePath(s, key, 0, subKey, ERROR_FILE_NOT_FOUND, parent, names);
        r != ERROR_SUCCESS)
        return r;
    OpenKey opened{parent->id, JoinFolded(parent->path, names), desired};
    LONG r =
        names.empty() ? s.store().KeyExists(parent->id) : s.store().FindKey(opened.path, opened.id);
    if (r != ERROR_SUCCESS)
        return s.Note(r);
    *result = s.Add(std::move(opened));
    return ERROR_SUCCESS;
}

LONG CreatePath(Session& s, HKEY key, LPCSTR subKey, REGSAM desired, PHKEY result,
                LPDWORD disposition) {
    if (!result)
        return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    const OpenKey* parent = nullptr;
    std::vector<std::string> names;
    if (LONG r = UsePath(s, key, 0, subKey, ERROR_INVALID_PARAMETER, parent, names);
        r != ERROR_SUCCESS)
        return r;
    OpenKey opened{0, JoinFolded(parent->path, names), desired};
    LONG r =
        names.empty() ? s.store().KeyExists(parent->id) : s.store().FindKey(opened.path, opened.id);
    if (names.empty())
        opened.id = parent->id;
    bool created = false;
    if (r == ERROR_FILE_NOT_FOUND) {
        // Opening an existing key needs no right on the parent; creating one is a write.
        if (!(parent->access & KEY_CREATE_SUB_KEY))
            return ERROR_ACCESS_DENIED;
        r = s.store().CreateKeys(parent->id, parent->path, names, opened.id, opened.path, created);
    }
    if (r != ERROR_SUCCESS)
        return s.Note(r);
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = s.Add(std::move(opened));
    return ERROR_SUCCESS;
}

// Copies a name with its terminator into a buffer of `size` characters.
bool CopyName(const std::string& name, LPSTR buffer, DWORD size) {
    if (name.size() + 1 > size)
        return false;
    std::memcpy(buffer, name.data(), name.size());
    buffer[name.size()] = '\0';
    return true;
}

// Copies value data into the caller's buffer, or reports the size it needs.
LONG CopyData(const std::vector<BYTE>& value, LPBYTE data, LPDWORD dataSize) {
    DWORD needed = static_cast<DWORD>(value.size());
    if (data) {
        if (*dataSize < needed) {
            *dataSize = needed;
            return ERROR_MORE_DATA;
        }
        if (needed)
            std::memcpy(data, value.data(), needed);
    }
    if (dataSize)
        *dataSize = needed;
    return ERROR_SUCCESS;
}

// The key a delete names: a subkey of a handle opened for writing, never one of the roots.
LONG FindKeyToDelete(Session& s, HKEY key, LPCSTR subKey, KeyId& id) {
    const OpenKey* parent = nullptr;
    std::vector<std::string> names;
    if (LONG r = UsePath(s, key, kWriteAccess, subKey, ERROR_FILE_NOT_FOUND, parent, names);
        r != ERROR_SUCCESS)
        return r;
    id = parent->id;
    LONG r = names.empty() ? s.store().KeyExists(id)
                           : s.store().FindKey(JoinFolded(parent->path, names), id);
    if (r == ERROR_KEY_DELETED)
        r = ERROR_FILE_NOT_FOUND;
    if (r != ERROR_SUCCESS)
        return s.Note(r);
    if (id == kLocalMachineId || id == kDynDataId)
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

}  // namespace

void UseInMemoryStore() {
    Session s;
    s.store().Target(std::nullopt, true);
    s.state().targetChosen = true;
    s.state().handles.clear();
    s.state().lastError.clear();
}

void UseStoreFile(const std::filesystem::path& path) {
    Session s;
    s.store().Target(path, true);
    s.state().targetChosen = true;
    s.state().handles.clear();
    s.state().lastError.clear();
}

void UseMachineStore() {
    Session s;
    s.store().Target(std::nullopt, false);
    s.state().targetChosen = false;
    s.state().handles.clear();
    s.state().lastError.clear();
}

void CloseStore() {
    Session s;
    s.store().Close();
}

std::string LastStoreError() {
    Session s;
    return s.state().lastError;
}

LONG OpenStore() {
    Session s;
    return s.Open();
}

StoreTransaction::~StoreTransaction() {
    Rollback();
}

LONG StoreTransaction::Begin(bool write) {
    Session s;
    if (active_ || s.store().InTransaction())
        return ERROR_INVALID_PARAMETER;
    if (LONG r = s.Open(); r != ERROR_SUCCESS)
        return r;
    LONG r = s.Note(s.store().Begin(write));
    active_ = r == ERROR_SUCCESS;
    return r;
}

LONG StoreTransaction::Commit() {
    if (!active_)
        return ERROR_INVALID_PARAMETER;
    Session s;
    active_ = false;
    return s.Note(s.store().Commit());
}

void StoreTransaction::Rollback() {
    if (!active_)
        return;
    Session s;
    active_ = false;
    s.store().Rollback();
}

LONG DeleteKeyTree(HKEY key, LPCSTR subKey) {
    Session s;
    KeyId id = 0;
    if (LONG r = FindKeyToDelete(s, key, subKey, id); r != ERROR_SUCCESS)
        return r;
    return s.Note(s.store().DeleteTree(id));
}

LONG QueryKeyPath(HKEY key, std::string& path) {
    Session s;
    const OpenKey* k = nullptr;
    if (LONG r = s.Use(key, 0, k); r != ERROR_SUCCESS)
        return r;
    std::vector<std::string> names;
    for (KeyId id = k->id; id != 0;) {
        KeyId parent = 0;
        std::string name;
        if (LONG r = s.store().KeyInfo(id, parent, name); r != ERROR_SUCCESS)
            return s.Note(r);
        names.push_back(std::move(name));
        id = parent;
    }
    path.clear();
    for (auto it = names.rbegin(); it != names.rend(); ++it) {
        if (!path.empty())
            path += '\\';
        path += *it;
    }
    return ERROR_SUCCESS;
}

LONG ListSubKeys(HKEY key, std::vector<std::string>& names) {
    Session s;
    const OpenKey* k = nullptr;
    if (LONG r = s.Use(key, KEY_ENUMERATE_SUB_KEYS, k); r != ERROR_SUCCESS)
        return r;
    return s.Note(s.store().SubKeys(k->id, names));
}

LONG ListValues(HKEY key, std::vector<ValueEntry>& values) {
    Session s;
    const OpenKey* k = nullptr;
    if (LONG r = s.Use(key, KEY_QUERY_VALUE, k); r != ERROR_SUCCESS)
        return r;
    std::vector<SqliteStore::Value> rows;
    if (LONG r = s.store().Values(k->id, rows); r != ERROR_SUCCESS)
        return s.Note(r);
    values.clear();
    values.reserve(rows.size());
    for (auto& v : rows)
        values.push_back({std::move(v.name), v.type, std::move(v.data)});
    return ERROR_SUCCESS;
}

}  // namespace ovtb::registry

using namespace ovtb::registry;

LONG RegOpenKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
    Session s;
    return OpenPath(s, key, subKey, KEY_ALL_ACCESS, result);
}

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD /*options*/, REGSAM desired, PHKEY result) {
    Session s;
    return OpenPath(s, key, subKey, desired, result);
}

LONG RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
    Session s;
    return CreatePath(s, key, subKey, KEY_ALL_ACCESS, result, nullptr);
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR /*className*/,
                     DWORD /*options*/, REGSAM desired, LPVOID /*securityAttributes*/, PHKEY result,
                     LPDWORD disposition) {
    if (reserved != 0)
        return ERROR_INVALID_PARAMETER;
    Session s;
    return CreatePath(s, key, subKey, desired, result, disposition);
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
    if (reserved)
        return ERROR_INVALID_PARAMETER;
    if (data && !dataSize)
        return ERROR_INVALID_PARAMETER;
    Session s;
    const OpenKey* k = nullptr;
    if (LONG r = s.Use(key, KEY_QUERY_VALUE, k); r != ERROR_SUCCESS)
        return r;
    SqliteStore::Value v;
    if (LONG r = s.store().QueryValue(k->id, FoldName(valueName ? valueName : ""), v);
        r != ERROR_SUCCESS)
        return s.Note(r);
    if (type)
        *type = v.type;
    return CopyData(v.data, data, dataSize);
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD dataSize) {
    if (reserved != 0)
        return ERROR_INVALID_PARAMETER;
    if (!data && dataSize)
        return ERROR_INVALID_PARAMETER;
    if (dataSize > kMaxValueSize)
        return ERROR_INVALID_PARAMETER;
    std::string_view name = valueName ? valueName : "";
    if (name.size() > kMaxValueNameLength)
        return ERROR_INVALID_PARAMETER;
    Session s;
    const OpenKey* k = nullptr;
    if (LONG r = s.Use(key, KEY_SET_VALUE, k); r != ERROR_SUCCESS)
        return r;
    return s.Note(s.store().SetValue(k->id, name, type, data, dataSize));
}

LONG RegEnumKeyA(HKEY key, DWORD index, LPSTR name, DWORD nameSize) {
    if (!name)
        return ERROR_INVALID_PARAMETER;
    Session s;
    const OpenKey* k = nullptr;
    if (LONG r = s.Use(key, KEY_ENUMERATE_SUB_KEYS, k); r != ERROR_SUCCESS)
        return r;
    std::string found;
    if (LONG r = s.store().EnumKey(k->id, index, found); r != ERROR_SUCCESS)
        return s.Note(r);
    return CopyName(found, name, nameSize) ? ERROR_SUCCESS : ERROR_MORE_DATA;
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                   LPDWORD type, LPBYTE data, LPDWORD dataSize) {
    if (!name || !nameSize || reserved)
        return ERROR_INVALID_PARAMETER;
    if (data && !dataSize)
        return ERROR_INVALID_PARAMETER;
    Session s;
    const OpenKey* k = nullptr;
    if (LONG r = s.Use(key, KEY_QUERY_VALUE, k); r != ERROR_SUCCESS)
        return r;
    SqliteStore::Value v;
    if (LONG r = s.store().EnumValue(k->id, index, v); r != ERROR_SUCCESS)
        return s.Note(r);
    // A name that does not fit is not written and its size variable stays as it was.
    if (!CopyName(v.name, name, *nameSize))
        return ERROR_MORE_DATA;
    *nameSize = static_cast<DWORD>(v.name.size());
    if (type)
        *type = v.type;
    return CopyData(v.data, data, dataSize);
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    Session s;
    KeyId id = 0;
    LONG r = FindKeyToDelete(s, key, subKey, id);
    if (r != ERROR_SUCCESS)
        return r;
    // As on the NT family: a key that still has subkeys is not deleted.
    if (LONG r2 = s.store().Begin(true); r2 != ERROR_SUCCESS)
        return s.Note(r2);
    bool has = false;
    r = s.store().HasSubKeys(id, has);
    if (r == ERROR_SUCCESS && has)
        r = ERROR_ACCESS_DENIED;
    if (r == ERROR_SUCCESS)
        r = s.store().DeleteKey(id);
    if (r != ERROR_SUCCESS) {
        s.store().Rollback();
        return s.Note(r);
    }
    return s.Note(s.store().Commit());
}

LONG RegDeleteValueA(HKEY key, LPCSTR valueName) {
    Session s;
    const OpenKey* k = nullptr;
    if (LONG r = s.Use(key, KEY_SET_VALUE, k); r != ERROR_SUCCESS)
        return r;
    return s.Note(s.store().DeleteValue(k->id, FoldName(valueName ? valueName : "")));
}

LONG RegCloseKey(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE || key == HKEY_DYN_DATA)
        return ERROR_SUCCESS;
    Session s;
    return s.state().handles.erase(reinterpret_cast<ULONG_PTR>(key)) ? ERROR_SUCCESS
                                                                     : ERROR_INVALID_HANDLE;
}
