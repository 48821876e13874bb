// The demo machine's PCI bus: a few of the maker's boards, written by `init --demo`.
#pragma once

#include <filesystem>
#include <string>

namespace ovtb::tool {

// Writes the demo bus to `dump` (DIR/pci.dump). Returns false with `error` set on failure.
bool WriteDemoPciDump(const std::filesystem::path& dump, std::string& error);

}  // namespace ovtb::tool
