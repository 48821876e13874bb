// Placeholder until this command is built.
#include <cstdio>

#include "tools/ovtb-machine/commands.h"

namespace ovtb::tool {

int RunReg(const Args&) {
    std::fprintf(stderr, "ovtb-machine: this command is not available yet\n");
    return 1;
}

}  // namespace ovtb::tool
