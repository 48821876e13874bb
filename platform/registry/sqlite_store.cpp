#include "platform/registry/sqlite_store.h"

#include <sqlite3.h>

#include <cstring>

namespace ovtb::registry {

namespace {

constexpr const char* kFormat = "ovtb-registry";
constexpr int kVersion = 1;
// How long a writer waits for another process's transaction before giving up.
constexpr int kBusyTimeoutMs = 10000;

const char* const kSql[] = {
    // kFindKey
    "SELECT id FROM keys WHERE path = ?1",
    // kKeyExists
    "SELECT 1 FROM keys WHERE id = ?1",
    // kInsertKey
    "INSERT INTO keys(parent, name, path) VALUES(?1, ?2, ?3)",
    // kKeyInfo
    "SELECT parent, name FROM keys WHERE id = ?1",
    // kHasSubKeys
    "SELECT 1 FROM keys WHERE parent = ?1 LIMIT 1",
    // kDeleteKeyValues
    "DELETE FROM vals WHERE key = ?1",
    // kDeleteKey
    "DELETE FROM keys WHERE id = ?1",
    // kDeleteTreeValues
    "WITH RECURSIVE t(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN t ON k.parent = "
    "t.id) DELETE FROM vals WHERE key IN t",
    // kDeleteTreeKeys
    "WITH RECURSIVE t(id) AS (SELECT ?1 UNION ALL SELECT k.id FROM keys k JOIN t ON k.parent = "
    "t.id) DELETE FROM keys WHERE id IN t",
    // kEnumKey: siblings share their path up to the name, so path order is folded-name order
    "SELECT name FROM keys WHERE parent = ?1 ORDER BY path LIMIT 1 OFFSET ?2",
    // kSubKeys
    "SELECT name FROM keys WHERE parent = ?1 ORDER BY path",
    // kQueryValue
    "SELECT name, type, data FROM vals WHERE key = ?1 AND fold = ?2",
    // kSetValue: a value set again keeps its name's case and its place in the enumeration
    "INSERT INTO vals(key, name, fold, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
    "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data",
    // kDeleteValue
    "DELETE FROM vals WHERE key = ?1 AND fold = ?2",
    // kEnumValue
    "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY id LIMIT 1 OFFSET ?2",
    // kValues
    "SELECT name, type, data FROM vals WHERE key = ?1 ORDER BY id",
};
static_assert(sizeof(kSql) / sizeof(kSql[0]) == 16);

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS meta(name TEXT PRIMARY KEY, value TEXT NOT NULL);"
    "INSERT OR IGNORE INTO meta VALUES('format', 'ovtb-registry'), ('version', '1');"
    "CREATE TABLE IF NOT EXISTS keys(id INTEGER PRIMARY KEY, parent INTEGER NOT NULL,"
    " name TEXT NOT NULL, path TEXT NOT NULL UNIQUE);"
    "CREATE INDEX IF NOT EXISTS keys_children ON keys(parent, path);"
    "CREATE TABLE IF NOT EXISTS vals(id INTEGER PRIMARY KEY, key INTEGER NOT NULL,"
    " name TEXT NOT NULL, fold TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL,"
    " UNIQUE(key, fold));"
    "CREATE INDEX IF NOT EXISTS vals_order ON vals(key, id);"
    "INSERT OR IGNORE INTO keys(id, parent, name, path) VALUES"
    " (1, 0, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE'),"
    " (2, 0, 'HKEY_DYN_DATA', 'HKEY_DYN_DATA');";

const BYTE kEmpty = 0;

std::string ColumnText(sqlite3_stmt* stmt, int col) {
    const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, col));
    int n = sqlite3_column_bytes(stmt, col);
    return p ? std::string(p, static_cast<size_t>(n)) : std::string();
}

void BindText(sqlite3_stmt* stmt, int col, std::string_view text) {
    sqlite3_bind_text(stmt, col, text.data() ? text.data() : "", static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

// Resets a statement on every way out of a function.
struct Reset {
    sqlite3_stmt* stmt;
    ~Reset() {
        if (stmt) {
            sqlite3_reset(stmt);
            sqlite3_clear_bindings(stmt);
        }
    }
};

}  // namespace

std::string FoldName(std::string_view name) {
    std::string out(name);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

SqliteStore::~SqliteStore() {
    Close();
}

void SqliteStore::Target(std::optional<std::filesystem::path> file, bool create) {
    Close();
    file_ = std::move(file);
    create_ = create;
}

void SqliteStore::Abandon() {
    // The parent process still owns this connection's file descriptors and locks; closing it
    // here could disturb them, so the child only forgets it.
    db_ = nullptr;
    for (auto& s : stmts_)
        s = nullptr;
    txDepth_ = 0;
}

void SqliteStore::Close() {
    for (auto& s : stmts_) {
        if (s)
            sqlite3_finalize(s);
        s = nullptr;
    }
    if (db_)
        sqlite3_close_v2(db_);
    db_ = nullptr;
    txDepth_ = 0;
}

LONG SqliteStore::Fail(int rc, const char* what) {
    std::string where = file_ ? file_->string() : std::string("the in-memory registry");
    const char* msg = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    int primary = rc & 0xFF;
    if (primary == SQLITE_NOTADB || primary == SQLITE_CORRUPT) {
        error_ = where + " is not a registry (" + what + ": " + msg + ")";
        return ERROR_BADDB;
    }
    error_ = where + ": " + what + ": " + msg;
    return ERROR_REGISTRY_IO_FAILED;
}

LONG SqliteStore::Exec(const char* sql, const char* what) {
    char* err = nullptr;
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &err);
    sqlite3_free(err);
    return rc == SQLITE_OK ? ERROR_SUCCESS : Fail(rc, what);
}

LONG SqliteStore::Open() {
    if (db_)
        return ERROR_SUCCESS;
    std::string name = file_ ? file_->string() : std::string(":memory:");
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
    if (!file_ || create_)
        flags |= SQLITE_OPEN_CREATE;
    if (file_ && !create_) {
        std::error_code ec;
        if (!std::filesystem::exists(*file_, ec)) {
            error_ = name + ": no registry here (create the machine with 'ovtb-machine init')";
            return ERROR_REGISTRY_IO_FAILED;
        }
    }
    int rc = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        LONG r = Fail(rc, "cannot open");
        Close();
        return r;
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    LONG r = InitSchema();
    if (r != ERROR_SUCCESS)
        Close();
    return r;
}

LONG SqliteStore::InitSchema() {
    if (file_) {
        // WAL lets readers go on while one process writes. NORMAL synchronisation: a commit is
        // in the WAL file before the call returns, so a process that dies loses nothing; the
        // WAL is flushed to the disk at checkpoints, so a power cut may lose the last commits.
        if (LONG r = Exec("PRAGMA journal_mode=WAL", "cannot read"); r != ERROR_SUCCESS)
            return r;
        if (LONG r = Exec("PRAGMA synchronous=NORMAL", "cannot read"); r != ERROR_SUCCESS)
            return r;
        // Reads through a memory map and a page cache that holds a large registry whole:
        // every call is a transaction of its own, and this keeps those cheap.
        if (LONG r = Exec("PRAGMA mmap_size=268435456", "cannot read"); r != ERROR_SUCCESS)
            return r;
    }
    if (LONG r = Exec("PRAGMA cache_size=-32768", "cannot read"); r != ERROR_SUCCESS)
        return r;
    // What is in the file: nothing (a new registry), our tables, or something else.
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(db_, "SELECT count(*) FROM sqlite_master", -1, &stmt, nullptr);
    if (rc != SQLITE_OK)
        return Fail(rc, "cannot read");
    rc = sqlite3_step(stmt);
    long long objects = rc == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    if (rc != SQLITE_ROW)
        return Fail(rc, "cannot read");

    if (objects > 0) {
        rc = sqlite3_prepare_v2(db_,
                                "SELECT (SELECT value FROM meta WHERE name = 'format'),"
                                " (SELECT value FROM meta WHERE name = 'version')",
                                -1, &stmt, nullptr);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(stmt);
            error_ = name_or_memory() + " is an SQLite database but not a registry";
            return ERROR_BADDB;
        }
        rc = sqlite3_step(stmt);
        std::string format = rc == SQLITE_ROW ? ColumnText(stmt, 0) : std::string();
        int version = rc == SQLITE_ROW ? sqlite3_column_int(stmt, 1) : 0;
        sqlite3_finalize(stmt);
        if (rc != SQLITE_ROW)
            return Fail(rc, "cannot read");
        if (format != kFormat) {
            error_ = name_or_memory() + " is an SQLite database but not a registry";
            return ERROR_BADDB;
        }
        if (version != kVersion) {
            error_ = name_or_memory() + ": registry format version " + std::to_string(version) +
                     " is not known to this build (it reads version " + std::to_string(kVersion) +
                     ")";
            return ERROR_BADDB;
        }
        return ERROR_SUCCESS;
    }
    // Several processes may create the same new registry at once: the write lock orders them
    // and the IF NOT EXISTS / OR IGNORE clauses make the second one a no-op.
    if (LONG r = Exec("BEGIN IMMEDIATE", "cannot create"); r != ERROR_SUCCESS)
        return r;
    if (LONG r = Exec(kSchema, "cannot create"); r != ERROR_SUCCESS) {
        Exec("ROLLBACK", "rollback");
        return r;
    }
    return Exec("COMMIT", "cannot create");
}

std::string SqliteStore::name_or_memory() const {
    return file_ ? file_->string() : std::string("the in-memory registry");
}

sqlite3_stmt* SqliteStore::Prepare(Stmt which) {
    if (!stmts_[which]) {
        int rc = sqlite3_prepare_v3(db_, kSql[which], -1, SQLITE_PREPARE_PERSISTENT, &stmts_[which],
                                    nullptr);
        if (rc != SQLITE_OK) {
            Fail(rc, "cannot read");
            stmts_[which] = nullptr;
        }
    }
    return stmts_[which];
}

LONG SqliteStore::Begin(bool write) {
    if (txDepth_ > 0) {
        ++txDepth_;
        return ERROR_SUCCESS;
    }
    LONG r = Exec(write ? "BEGIN IMMEDIATE" : "BEGIN", "cannot start a transaction");
    if (r == ERROR_SUCCESS) {
        txDepth_ = 1;
        rollbackOnly_ = false;
    }
    return r;
}

LONG SqliteStore::Commit() {
    if (txDepth_ == 0)
        return ERROR_SUCCESS;
    if (--txDepth_ > 0)
        return ERROR_SUCCESS;
    if (rollbackOnly_) {
        Exec("ROLLBACK", "rollback");
        rollbackOnly_ = false;
        return ERROR_REGISTRY_IO_FAILED;
    }
    LONG r = Exec("COMMIT", "cannot commit");
    if (r != ERROR_SUCCESS && !sqlite3_get_autocommit(db_))
        Exec("ROLLBACK", "rollback");
    return r;
}

void SqliteStore::Rollback() {
    if (txDepth_ == 0)
        return;
    if (--txDepth_ > 0) {
        rollbackOnly_ = true;  // the outermost transaction must not commit half of it
        return;
    }
    rollbackOnly_ = false;
    if (!sqlite3_get_autocommit(db_)) {
        std::string keep = error_;
        Exec("ROLLBACK", "rollback");
        error_ = keep;
    }
}

LONG SqliteStore::WriteStep(sqlite3_stmt* stmt, const char* what) {
    int rc = sqlite3_step(stmt);
    return rc == SQLITE_DONE ? ERROR_SUCCESS : Fail(rc, what);
}

LONG SqliteStore::FindKey(const std::string& foldedPath, KeyId& id) {
    sqlite3_stmt* stmt = Prepare(kFindKey);
    if (!stmt)
        return ERROR_REGISTRY_IO_FAILED;
    Reset reset{stmt};
    BindText(stmt, 1, foldedPath);
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        id = sqlite3_column_int64(stmt, 0);
        return ERROR_SUCCESS;
    }
    return rc == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : Fail(rc, "cannot read");
}

LONG SqliteStore::KeyExists(KeyId id) {
    sqlite3_stmt* stmt = Prepare(kKeyExists);
    if (!stmt)
        return ERROR_REGISTRY_IO_FAILED;
    Reset reset{stmt};
    sqlite3_bind_int64(stmt, 1, id);
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        return ERROR_SUCCESS;
    return rc == SQLITE_DONE ? ERROR_KEY_DELETED : Fail(rc, "cannot read");
}

LONG SqliteStore::CreateKeys(KeyId parent, std::string parentPath,
                             const std::vector<std::string>& names, KeyId& id, std::string& path,
                             bool& created) {
    created = false;
    if (LONG r = Begin(true); r != ERROR_SUCCESS)
        return r;
    if (LONG r = KeyExists(parent); r != ERROR_SUCCESS) {
        Rollback();
        return r;
    }
    KeyId current = parent;
    std::string currentPath = std::move(parentPath);
    for (const auto& name : names) {
        std::string childPath = currentPath + "\\" + FoldName(name);
        KeyId child = 0;
        LONG r = FindKey(childPath, child);
        if (r == ERROR_FILE_NOT_FOUND) {
            sqlite3_stmt* stmt = Prepare(kInsertKey);
            if (!stmt) {
                Rollback();
                return ERROR_REGISTRY_IO_FAILED;
            }
            Reset reset{stmt};
            sqlite3_bind_int64(stmt, 1, current);
            BindText(stmt, 2, name);
            BindText(stmt, 3, childPath);
            r = WriteStep(stmt, "cannot write");
            child = sqlite3_last_insert_rowid(db_);
            created = true;
        }
        if (r != ERROR_SUCCESS) {
            Rollback();
            return r;
        }
        current = child;
        currentPath = std::move(childPath);
    }
    LONG r = Commit();
    if (r != ERROR_SUCCESS) {
        created = false;
        return r;
    }
    id = current;
    path = std::move(currentPath);
    return ERROR_SUCCESS;
}

LONG SqliteStore::KeyInfo(KeyId id, KeyId& parent, std::string& name) {
    sqlite3_stmt* stmt = Prepare(kKeyInfo);
    if (!stmt)
        return ERROR_REGISTRY_IO_FAILED;
    Reset reset{stmt};
    sqlite3_bind_int64(stmt, 1, id);
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        parent = sqlite3_column_int64(stmt, 0);
        name = ColumnText(stmt, 1);
        return ERROR_SUCCESS;
    }
    return rc == SQLITE_DONE ? ERROR_KEY_DELETED : Fail(rc, "cannot read");
}

LONG SqliteStore::HasSubKeys(KeyId id, bool& has) {
    sqlite3_stmt* stmt = Prepare(kHasSubKeys);
    if (!stmt)
        return ERROR_REGISTRY_IO_FAILED;
    Reset reset{stmt};
    sqlite3_bind_int64(stmt, 1, id);
    int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return Fail(rc, "cannot read");
    has = rc == SQLITE_ROW;
    return ERROR_SUCCESS;
}

LONG SqliteStore::DeleteRows(Stmt values, Stmt keys, KeyId id) {
    if (LONG r = Begin(true); r != ERROR_SUCCESS)
        return r;
    LONG r = ERROR_SUCCESS;
    for (Stmt s : {values, keys}) {
        sqlite3_stmt* stmt = Prepare(s);
        if (!stmt) {
            r = ERROR_REGISTRY_IO_FAILED;
            break;
        }
        Reset reset{stmt};
        sqlite3_bind_int64(stmt, 1, id);
        if ((r = WriteStep(stmt, "cannot write")) != ERROR_SUCCESS)
            break;
    }
    if (r != ERROR_SUCCESS) {
        Rollback();
        return r;
    }
    return Commit();
}

LONG SqliteStore::DeleteKey(KeyId id) {
    return DeleteRows(kDeleteKeyValues, kDeleteKey, id);
}

LONG SqliteStore::DeleteTree(KeyId id) {
    return DeleteRows(kDeleteTreeValues, kDeleteTreeKeys, id);
}

LONG SqliteStore::EnumKey(KeyId id, DWORD index, std::string& name) {
    sqlite3_stmt* stmt = Prepare(kEnumKey);
    if (!stmt)
        return ERROR_REGISTRY_IO_FAILED;
    Reset reset{stmt};
    sqlite3_bind_int64(stmt, 1, id);
    sqlite3_bind_int64(stmt, 2, index);
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW) {
        name = ColumnText(stmt, 0);
        return ERROR_SUCCESS;
    }
    return rc == SQLITE_DONE ? ERROR_NO_MORE_ITEMS : Fail(rc, "cannot read");
}

LONG SqliteStore::SubKeys(KeyId id, std::vector<std::string>& names) {
    names.clear();
    sqlite3_stmt* stmt = Prepare(kSubKeys);
    if (!stmt)
        return ERROR_REGISTRY_IO_FAILED;
    Reset reset{stmt};
    sqlite3_bind_int64(stmt, 1, id);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        names.push_back(ColumnText(stmt, 0));
    return rc == SQLITE_DONE ? ERROR_SUCCESS : Fail(rc, "cannot read");
}

LONG SqliteStore::ReadValueRow(sqlite3_stmt* stmt, Value& value) {
    value.name = ColumnText(stmt, 0);
    value.type = static_cast<DWORD>(sqlite3_column_int64(stmt, 1));
    const auto* p = static_cast<const BYTE*>(sqlite3_column_blob(stmt, 2));
    int n = sqlite3_column_bytes(stmt, 2);
    if (p && n > 0)
        value.data.assign(p, p + n);
    else
        value.data.clear();
    return ERROR_SUCCESS;
}

LONG SqliteStore::QueryValue(KeyId id, const std::string& fold, Value& value) {
    sqlite3_stmt* stmt = Prepare(kQueryValue);
    if (!stmt)
        return ERROR_REGISTRY_IO_FAILED;
    Reset reset{stmt};
    sqlite3_bind_int64(stmt, 1, id);
    BindText(stmt, 2, fold);
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        return ReadValueRow(stmt, value);
    return rc == SQLITE_DONE ? ERROR_FILE_NOT_FOUND : Fail(rc, "cannot read");
}

LONG SqliteStore::SetValue(KeyId id, std::string_view name, DWORD type, const BYTE* data,
                           DWORD size) {
    if (LONG r = Begin(true); r != ERROR_SUCCESS)
        return r;
    LONG r = KeyExists(id);
    if (r == ERROR_SUCCESS) {
        sqlite3_stmt* stmt = Prepare(kSetValue);
        if (!stmt) {
            r = ERROR_REGISTRY_IO_FAILED;
        } else {
            Reset reset{stmt};
            sqlite3_bind_int64(stmt, 1, id);
            BindText(stmt, 2, name);
            BindText(stmt, 3, FoldName(name));
            sqlite3_bind_int64(stmt, 4, type);
            // A null pointer would bind SQL NULL; an empty value is an empty blob.
            sqlite3_bind_blob(stmt, 5, size ? data : &kEmpty, static_cast<int>(size),
                              SQLITE_STATIC);
            r = WriteStep(stmt, "cannot write");
        }
    }
    if (r != ERROR_SUCCESS) {
        Rollback();
        return r;
    }
    return Commit();
}

LONG SqliteStore::DeleteValue(KeyId id, const std::string& fold) {
    sqlite3_stmt* stmt = Prepare(kDeleteValue);
    if (!stmt)
        return ERROR_REGISTRY_IO_FAILED;
    Reset reset{stmt};
    sqlite3_bind_int64(stmt, 1, id);
    BindText(stmt, 2, fold);
    if (LONG r = WriteStep(stmt, "cannot write"); r != ERROR_SUCCESS)
        return r;
    return sqlite3_changes(db_) > 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG SqliteStore::EnumValue(KeyId id, DWORD index, Value& value) {
    sqlite3_stmt* stmt = Prepare(kEnumValue);
    if (!stmt)
        return ERROR_REGISTRY_IO_FAILED;
    Reset reset{stmt};
    sqlite3_bind_int64(stmt, 1, id);
    sqlite3_bind_int64(stmt, 2, index);
    int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        return ReadValueRow(stmt, value);
    return rc == SQLITE_DONE ? ERROR_NO_MORE_ITEMS : Fail(rc, "cannot read");
}

LONG SqliteStore::Values(KeyId id, std::vector<Value>& values) {
    values.clear();
    sqlite3_stmt* stmt = Prepare(kValues);
    if (!stmt)
        return ERROR_REGISTRY_IO_FAILED;
    Reset reset{stmt};
    sqlite3_bind_int64(stmt, 1, id);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        values.emplace_back();
        ReadValueRow(stmt, values.back());
    }
    return rc == SQLITE_DONE ? ERROR_SUCCESS : Fail(rc, "cannot read");
}

}  // namespace ovtb::registry
