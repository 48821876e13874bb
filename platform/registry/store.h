// Choosing the registry store behind platform/registry.h. Not a Windows interface: the tools and
// tests use it; deliverables never do.
#pragma once

#include <filesystem>
#include <string>

namespace ovtb::registry {

// From now on this process uses a fresh, empty registry held in memory (unit tests). Open
// handles become invalid.
void UseInMemoryStore();

// From now on this process uses the registry file at `path` (DIR/registry.db), created when
// missing. Without either call, the first registry call opens the current machine's registry.db
// (platform/machine). Open handles become invalid.
void UseStoreFile(const std::filesystem::path& path);

// Closes the connection; the next registry call opens the store again as above.
void CloseStore();

// The last store error in words (for the tools' messages), empty when there was none.
std::string LastStoreError();

}  // namespace ovtb::registry
