#include "panel/tests/registry_call_log.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <tuple>
#include <utility>

namespace ovtb::panel::testing {
namespace {

struct State {
    std::vector<RegistryCall> log;
    std::map<std::tuple<std::string, std::string>, LONG> failures;
    std::map<HKEY, std::string> names;  // open handles
};

State& S() {
    static State state;
    return state;
}

std::string KeyName(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE) {
        return "HKLM";
    }
    auto it = S().names.find(key);
    return it != S().names.end() ? it->second : "?";
}

std::string SubKeyName(HKEY parent, LPCSTR subKey) {
    return KeyName(parent) + "\\" + (subKey != nullptr ? subKey : "");
}

bool Planted(const std::string& op, const std::string& key, LONG& error) {
    auto it = S().failures.find({op, key});
    if (it == S().failures.end()) {
        return false;
    }
    error = it->second;
    return true;
}

// The registry functions have C++ linkage, so the library's definitions are found by their
// (Itanium ABI) mangled names; a changed signature shows as a missing symbol here.
template <typename Fn>
Fn Next(const char* name) {
    void* fn = dlsym(RTLD_NEXT, name);
    if (fn == nullptr) {
        std::fprintf(stderr, "registry_call_log: no %s after the test program\n", name);
        std::abort();
    }
    return reinterpret_cast<Fn>(fn);
}

// Calls that the registry library makes to itself are not the caller's, so they go unlogged.
thread_local int depth = 0;

struct Depth {
    Depth() { ++depth; }
    ~Depth() { --depth; }
    bool outermost() const { return depth == 1; }
};

}  // namespace

RegistryCall NewCall(std::string op, std::string key) {
    RegistryCall call;
    call.op = std::move(op);
    call.key = std::move(key);
    return call;
}

void ResetRegistryLog() {
    S().log.clear();
    S().failures.clear();
    S().names.clear();
}

const std::vector<RegistryCall>& RegistryLog() {
    return S().log;
}

std::vector<RegistryCall> RegistryCallsOf(const std::string& op) {
    std::vector<RegistryCall> calls;
    for (const auto& call : S().log) {
        if (call.op == op) {
            calls.push_back(call);
        }
    }
    return calls;
}

void PlantRegistryFailure(const std::string& op, const std::string& key, LONG error) {
    S().failures[{op, key}] = error;
}

std::vector<std::string> OpenRegistryKeys() {
    std::vector<std::string> open;
    for (const auto& [key, name] : S().names) {
        open.push_back(name);
    }
    return open;
}

}  // namespace ovtb::panel::testing

using ovtb::panel::testing::RegistryCall;
namespace log_ = ovtb::panel::testing;

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM desired, PHKEY result) {
    static auto next = log_::Next<decltype(&RegOpenKeyExA)>("_Z13RegOpenKeyExAP6HKEY__PKcjjPS0_");
    log_::Depth depth;
    if (!depth.outermost()) {
        return next(key, subKey, options, desired, result);
    }
    RegistryCall call = log_::NewCall("RegOpenKeyExA", log_::SubKeyName(key, subKey));
    call.access = desired;
    call.options = options;
    if (!log_::Planted(call.op, call.key, call.result)) {
        call.result = next(key, subKey, options, desired, result);
    }
    if (call.result == ERROR_SUCCESS) {
        log_::S().names[*result] = call.key;
    }
    log_::S().log.push_back(call);
    return call.result;
}

LONG RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
    static auto next = log_::Next<decltype(&RegCreateKeyA)>("_Z13RegCreateKeyAP6HKEY__PKcPS0_");
    log_::Depth depth;
    if (!depth.outermost()) {
        return next(key, subKey, result);
    }
    RegistryCall call = log_::NewCall("RegCreateKeyA", log_::SubKeyName(key, subKey));
    if (!log_::Planted(call.op, call.key, call.result)) {
        call.result = next(key, subKey, result);
    }
    if (call.result == ERROR_SUCCESS) {
        log_::S().names[*result] = call.key;
    }
    log_::S().log.push_back(call);
    return call.result;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
    static auto next =
        log_::Next<decltype(&RegQueryValueExA)>("_Z16RegQueryValueExAP6HKEY__PKcPjS3_PhS3_");
    log_::Depth depth;
    if (!depth.outermost()) {
        return next(key, valueName, reserved, type, data, dataSize);
    }
    RegistryCall call = log_::NewCall("RegQueryValueExA", log_::KeyName(key));
    call.value = valueName != nullptr ? valueName : "";
    call.size = dataSize != nullptr ? *dataSize : 0;
    if (!log_::Planted(call.op, call.key, call.result)) {
        call.result = next(key, valueName, reserved, type, data, dataSize);
    }
    log_::S().log.push_back(call);
    return call.result;
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD dataSize) {
    static auto next = log_::Next<decltype(&RegSetValueExA)>("_Z14RegSetValueExAP6HKEY__PKcjjPKhj");
    log_::Depth depth;
    if (!depth.outermost()) {
        return next(key, valueName, reserved, type, data, dataSize);
    }
    RegistryCall call = log_::NewCall("RegSetValueExA", log_::KeyName(key));
    call.value = valueName != nullptr ? valueName : "";
    call.type = type;
    call.size = dataSize;
    if (data != nullptr) {
        call.data.assign(data, data + dataSize);
    }
    if (!log_::Planted(call.op, call.key + "\\" + call.value, call.result)) {
        call.result = next(key, valueName, reserved, type, data, dataSize);
    }
    log_::S().log.push_back(call);
    return call.result;
}

LONG RegCloseKey(HKEY key) {
    static auto next = log_::Next<decltype(&RegCloseKey)>("_Z11RegCloseKeyP6HKEY__");
    log_::Depth depth;
    if (!depth.outermost()) {
        return next(key);
    }
    RegistryCall call = log_::NewCall("RegCloseKey", log_::KeyName(key));
    call.result = next(key);
    log_::S().names.erase(key);
    log_::S().log.push_back(call);
    return call.result;
}
