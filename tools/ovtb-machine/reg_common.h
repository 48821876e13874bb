// Shared by the reg subcommands (reg.cpp, reg_query.cpp, reg_write.cpp, reg_transfer.cpp).
#pragma once

#include <optional>
#include <string>

#include "platform/registry/registry.h"
#include "tools/ovtb-machine/commands.h"

namespace ovtb::tool::reg {

// A KEY argument: "HKLM\SYSTEM\X" with its root, the path below it and the name to print
// (the root spelled out, the rest as the user wrote it).
struct KeyArg {
    HKEY root = nullptr;
    std::string sub;
    std::string display;
};
bool ParseKeyArg(const std::string& text, KeyArg& key);

// Options as reg.exe takes them: /v NAME, /ve, /t TYPE, ..., in any case, '-' for '/' too.
struct Options {
    std::optional<std::string> key;        // the first plain argument
    std::optional<std::string> second;     // the second plain argument (export's FILE)
    std::optional<std::string> value;      // /v NAME, "" for /ve
    std::optional<std::string> type;       // /t
    std::optional<std::string> data;       // /d
    std::optional<std::string> separator;  // /s SEP (add)
    bool recurse = false;                  // /s (query)
    bool force = false;                    // /f
    bool allValues = false;                // /va
    bool yes = false;                      // /y
};
// Parses the switches that `allowed` names (e.g. "v ve t d f"); false after printing the
// reason. `sValue` makes /s take an argument (add) instead of being a flag (query).
bool ParseOptions(const Args& args, const char* command, const std::string& allowed, bool sValue,
                  Options& options);

// "ERROR: ..." on standard error, as reg.exe words its failures; returns `status`.
int Error(int status, const std::string& message);
// Prints the store's reason when a call failed for want of a registry, else `fallback`.
int RegistryError(LONG code, const std::string& fallback);
void Done();  // "The operation completed successfully."

const char* TypeName(DWORD type);

int Query(const Args& args);   // reg_query.cpp
int Add(const Args& args);     // reg_write.cpp
int Delete(const Args& args);  // reg_write.cpp
int Export(const Args& args);  // reg_transfer.cpp
int Import(const Args& args);  // reg_transfer.cpp

}  // namespace ovtb::tool::reg
