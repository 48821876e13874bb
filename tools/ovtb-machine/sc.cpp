// Placeholder until this command is built.
#include <cstdio>

#include "tools/ovtb-machine/commands.h"

namespace ovtb::tool {

int RunSc(const Args&) {
    std::fprintf(stderr, "ovtb-machine: this command is not available yet\n");
    return 1;
}

int RunReboot(const Args&) {
    std::fprintf(stderr, "ovtb-machine: this command is not available yet\n");
    return 1;
}

}  // namespace ovtb::tool
