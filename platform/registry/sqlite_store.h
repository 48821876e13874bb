// The registry's SQLite store: keys and values by id, below the Win32-shaped functions of
// registry.cpp. Private to platform/registry.
//
// Schema (format "ovtb-registry", version 1):
//   meta(name, value)                          the format marker
//   keys(id, parent, name, path)               path: the full path folded to upper case, unique;
//                                              roots: 1 HKEY_LOCAL_MACHINE, 2 HKEY_DYN_DATA
//   vals(id, key, name, fold, type, data)      (key, fold) unique; id gives creation order
// Names keep the case they were created with; lookups go through the folded forms.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/common/windef.h"

struct sqlite3;
struct sqlite3_stmt;

namespace ovtb::registry {

using KeyId = std::int64_t;
constexpr KeyId kLocalMachineId = 1;
constexpr KeyId kDynDataId = 2;

// Folds a name for comparison: ASCII letters to upper case (the order NT keeps subkeys in).
std::string FoldName(std::string_view name);

class SqliteStore {
  public:
    SqliteStore() = default;
    ~SqliteStore();
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    // Where the next Open() goes: a file (created when missing only if `create`), or memory.
    void Target(std::optional<std::filesystem::path> file, bool create);
    // Forgets the connection without closing it (a forked child must not use its parent's).
    void Abandon();
    void Close();
    LONG Open();  // no-op when open
    bool IsOpen() const { return db_ != nullptr; }
    const std::string& LastError() const { return error_; }
    void ClearError() { error_.clear(); }

    LONG Begin(bool write);
    LONG Commit();
    void Rollback();
    bool InTransaction() const { return txDepth_ > 0; }

    LONG FindKey(const std::string& foldedPath, KeyId& id);
    LONG KeyExists(KeyId id);
    // Creates the missing keys of `names` below `parent` (whose folded path is parentPath).
    LONG CreateKeys(KeyId parent, std::string parentPath, const std::vector<std::string>& names,
                    KeyId& id, std::string& path, bool& created);
    LONG KeyInfo(KeyId id, KeyId& parent, std::string& name);
    LONG HasSubKeys(KeyId id, bool& has);
    LONG DeleteKey(KeyId id);
    LONG DeleteTree(KeyId id);
    LONG EnumKey(KeyId id, DWORD index, std::string& name);
    LONG SubKeys(KeyId id, std::vector<std::string>& names);

    struct Value {
        std::string name;
        DWORD type = 0;
        std::vector<BYTE> data;
    };
    LONG QueryValue(KeyId id, const std::string& fold, Value& value);
    LONG SetValue(KeyId id, std::string_view name, DWORD type, const BYTE* data, DWORD size);
    LONG DeleteValue(KeyId id, const std::string& fold);
    LONG EnumValue(KeyId id, DWORD index, Value& value);
    LONG Values(KeyId id, std::vector<Value>& values);

  private:
    enum Stmt {
        kFindKey,
        kKeyExists,
        kInsertKey,
        kKeyInfo,
        kHasSubKeys,
        kDeleteKeyValues,
        kDeleteKey,
        kDeleteTreeValues,
        kDeleteTreeKeys,
        kEnumKey,
        kSubKeys,
        kQueryValue,
        kSetValue,
        kDeleteValue,
        kEnumValue,
        kValues,
        kStmtCount
    };
    sqlite3_stmt* Prepare(Stmt which);
    LONG Fail(int rc, const char* what);
    LONG Exec(const char* sql, const char* what);
    LONG InitSchema();
    LONG WriteStep(sqlite3_stmt* stmt, const char* what);
    LONG ReadValueRow(sqlite3_stmt* stmt, Value& value);
    // Runs the two statements, each bound to the key id, in one write transaction.
    LONG DeleteRows(Stmt values, Stmt keys, KeyId id);
    std::string name_or_memory() const;

    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmts_[kStmtCount] = {};
    std::optional<std::filesystem::path> file_;
    bool create_ = true;
    int txDepth_ = 0;
    bool rollbackOnly_ = false;
    std::string error_;
};

}  // namespace ovtb::registry
