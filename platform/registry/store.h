// Choosing the registry store behind platform/registry.h. Not a Windows interface: the tools and
// tests use it; deliverables never do.
//
// The store is SQLite: the machine's DIR/registry.db in WAL mode, or a private in-memory
// database for unit tests. One connection per process, opened on the first registry call. Every
// write is one transaction; StoreTransaction groups several writes into one (a .reg import).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/registry/registry.h"

namespace ovtb::registry {

// From now on this process uses a fresh, empty registry held in memory (unit tests). Open
// handles become invalid.
void UseInMemoryStore();

// From now on this process uses the registry file at `path` (DIR/registry.db), created when
// missing. Without either call, the first registry call opens the current machine's registry.db
// (platform/machine). Open handles become invalid.
void UseStoreFile(const std::filesystem::path& path);

// From now on this process uses its machine's DIR/registry.db again, as without either call
// above; it is not created when missing. Open handles become invalid.
void UseMachineStore();

// Closes the connection; the next registry call opens the store again as above.
void CloseStore();

// The last store error in words (for the tools' messages), empty when there was none.
std::string LastStoreError();

// Opens the store now (without a registry call): ERROR_SUCCESS, else ERROR_BADDB (the file is
// not a registry) or ERROR_REGISTRY_IO_FAILED (it cannot be opened, read or created), with
// LastStoreError() saying why.
LONG OpenStore();

// Groups the registry calls made while it is active into one transaction: Commit() makes all
// of their writes visible at once; destroying it uncommitted (or Rollback()) undoes them all.
// A read transaction (write = false) sees one consistent state of the store throughout.
// Transactions do not nest: Begin() while another is active gives ERROR_INVALID_PARAMETER.
class StoreTransaction {
  public:
    StoreTransaction() = default;
    ~StoreTransaction();
    StoreTransaction(const StoreTransaction&) = delete;
    StoreTransaction& operator=(const StoreTransaction&) = delete;

    LONG Begin(bool write = true);
    LONG Commit();
    void Rollback();

  private:
    bool active_ = false;
};

// Deletes `subKey` of `key` (all of `key` when subKey is empty) with every subkey and value
// below it, in one transaction. ERROR_FILE_NOT_FOUND when it does not exist, ERROR_ACCESS_DENIED
// for a root key or a handle without write access.
LONG DeleteKeyTree(HKEY key, LPCSTR subKey);

// The full path of the key, with the case its keys were created with, beginning with
// "HKEY_LOCAL_MACHINE" or "HKEY_DYN_DATA".
LONG QueryKeyPath(HKEY key, std::string& path);

struct ValueEntry {
    std::string name;  // "" for the default value
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

// The names of the subkeys and the values of a key, in enumeration order (docs/registry.md).
LONG ListSubKeys(HKEY key, std::vector<std::string>& names);
LONG ListValues(HKEY key, std::vector<ValueEntry>& values);

}  // namespace ovtb::registry
