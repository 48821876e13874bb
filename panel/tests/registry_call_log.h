// A log of the registry calls a test makes through platform/registry/registry.h. The test
// program defines the Reg* functions that the panel's store uses; each is recorded and then
// forwarded to ovtb_registry (normally its in-memory store), unless a failure was planted for
// it. Keys are named by their path from HKLM, as the caller spelled it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry/registry.h"

namespace ovtb::panel::testing {

struct RegistryCall {
    std::string op;          // "RegOpenKeyExA", "RegCreateKeyA", "RegQueryValueExA", ...
    std::string key;         // the key the call works on (open, create: the key opened)
    REGSAM access = 0;       // RegOpenKeyExA
    DWORD options = 0;       // RegOpenKeyExA
    std::string value;       // value name (query, set)
    DWORD type = 0;          // set
    std::vector<BYTE> data;  // set: the bytes given
    DWORD size = 0;          // set: the length given; query: the size variable on entry
    LONG result = 0;
};

RegistryCall NewCall(std::string op, std::string key);

// Clears the log and the planted failures.
void ResetRegistryLog();

const std::vector<RegistryCall>& RegistryLog();

// The calls of one kind, in order.
std::vector<RegistryCall> RegistryCallsOf(const std::string& op);

// From now on, `op` on the key `key` (as named in the log) fails with `error` without reaching
// the store. For RegSetValueExA `key` is the key's name, a backslash and the value's name.
void PlantRegistryFailure(const std::string& op, const std::string& key, LONG error);

// Keys opened or created through the log and not closed yet.
std::vector<std::string> OpenRegistryKeys();

}  // namespace ovtb::panel::testing
