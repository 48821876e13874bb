// The commands of ovtb-machine. Each lives in its own file; main.cpp dispatches by name.
// A command gets its arguments after the command name and returns the process exit status:
// 0 success, 1 failure (message on standard error), 2 bad usage or malformed input.
#pragma once

#include <string>
#include <vector>

namespace ovtb::tool {

using Args = std::vector<std::string>;

struct Command {
    const char* name;
    const char* summary;
    int (*run)(const Args& args);
};

int RunInit(const Args& args);         // init.cpp
int RunReg(const Args& args);          // reg.cpp
int RunPci(const Args& args);          // pci.cpp
int RunPciInfo(const Args& args);      // pciinfo.cpp
int RunSc(const Args& args);           // sc.cpp
int RunReboot(const Args& args);       // sc.cpp
int RunDiag(const Args& args);         // diag.cpp
int RunVersionFile(const Args& args);  // version_file.cpp

// True when args holds -h, --help or /?; commands print their own help then and return 0.
bool WantsHelp(const Args& args);

}  // namespace ovtb::tool
