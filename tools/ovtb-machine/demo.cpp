// Placeholder until the PCI dump writer exists.
#include "tools/ovtb-machine/demo.h"

namespace ovtb::tool {

bool WriteDemoPciDump(const std::filesystem::path&, std::string& error) {
    error = "the demo PCI bus is not available yet";
    return false;
}

}  // namespace ovtb::tool
