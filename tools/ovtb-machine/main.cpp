// ovtb-machine: creates and inspects a machine (the directory that stands for one Windows
// computer) and runs the Windows tools that the deliverables' users would run on it.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/machine/machine.h"
#include "tools/ovtb-machine/commands.h"

namespace ovtb::tool {

bool WantsHelp(const Args& args) {
    for (const auto& a : args) {
        if (a == "-h" || a == "--help" || a == "/?")
            return true;
    }
    return false;
}

namespace {

const Command kCommands[] = {
    {"init", "create a machine (registry skeleton, system directory, deliverables)", RunInit},
    {"reg", "query, add, delete, export and import registry keys and values (like reg.exe)",
     RunReg},
    {"pci", "list, add and remove PCI devices of the machine's bus (DIR/pci.dump)", RunPci},
    {"pciinfo", "ask the PCI information driver as the panel does and print its reply", RunPciInfo},
    {"sc", "query, stop and delete services (like sc.exe)", RunSc},
    {"reboot", "forget which services are running", RunReboot},
    {"diag", "query the diagnostic library as an outside diagnostic tool does", RunDiag},
    {"version-file", "write a file holding a version resource", RunVersionFile},
};

void PrintUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: ovtb-machine [--machine DIR] COMMAND [ARGS...]\n"
                 "\n"
                 "The machine is DIR, else $OVTB_MACHINE, else "
                 "${XDG_DATA_HOME:-$HOME/.local/share}/ovtb/machine.\n"
                 "\n"
                 "commands:\n");
    for (const auto& c : kCommands)
        std::fprintf(out, "  %-13s %s\n", c.name, c.summary);
    std::fprintf(out, "\n'ovtb-machine COMMAND --help' describes a command.\n");
}

}  // namespace
}  // namespace ovtb::tool

int main(int argc, char** argv) {
    using namespace ovtb::tool;
    int i = 1;
    while (i < argc && argv[i][0] == '-') {
        std::string opt = argv[i];
        if (opt == "-h" || opt == "--help") {
            PrintUsage(stdout);
            return 0;
        }
        if (opt == "--machine" && i + 1 < argc) {
            ovtb::machine::SetMachineDir(argv[i + 1]);
            i += 2;
        } else if (opt.rfind("--machine=", 0) == 0) {
            ovtb::machine::SetMachineDir(opt.substr(std::strlen("--machine=")));
            ++i;
        } else {
            std::fprintf(stderr, "ovtb-machine: unknown option '%s'\n", argv[i]);
            PrintUsage(stderr);
            return 2;
        }
    }
    if (i >= argc) {
        PrintUsage(stderr);
        return 2;
    }
    const std::string name = argv[i];
    Args args(argv + i + 1, argv + argc);
    for (const auto& c : kCommands) {
        if (name == c.name)
            return c.run(args);
    }
    std::fprintf(stderr, "ovtb-machine: unknown command '%s'\n", name.c_str());
    PrintUsage(stderr);
    return 2;
}
