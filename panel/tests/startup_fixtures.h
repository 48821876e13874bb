// Small fixtures shared by the start-up tests: a PCI information reply written as a list of
// boards, and a fresh in-memory registry with the serial driver's service keys.
#pragma once

#include <initializer_list>
#include <vector>

#include "catalog/pci_info_reply.h"
#include "catalog/settings_record.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"

namespace ovtb::panel::testing {

inline catalog::PciInfoReply MakeReply(std::initializer_list<catalog::PciBoardInfo> boards) {
    catalog::PciInfoReply reply;
    std::size_t i = 0;
    for (const auto& board : boards) {
        reply.SetBoard(i++, board);
    }
    reply.count = static_cast<std::uint32_t>(i);
    return reply;
}

// A fresh registry holding what the driver's installation leaves: the service key and its
// Parameters key.
inline void FreshRegistryWithServiceKeys() {
    registry::UseInMemoryStore();
    HKEY key = nullptr;
    RegCreateKeyA(HKEY_LOCAL_MACHINE, catalog::OVSERP_PARAMETERS_KEY_PATH, &key);
    RegCloseKey(key);
}

// The bytes of a stored value; empty when the key or the value is missing.
inline std::vector<BYTE> StoredValue(const char* keyPath, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return {};
    }
    std::vector<BYTE> data(4096);
    DWORD size = static_cast<DWORD>(data.size());
    if (RegQueryValueExA(key, name, nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS) {
        size = 0;
    }
    RegCloseKey(key);
    data.resize(size);
    return data;
}

inline bool ValueExists(const char* keyPath, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    const bool exists =
        RegQueryValueExA(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return exists;
}

inline void StoreSettingsBytes(const std::vector<BYTE>& bytes) {
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, catalog::OVSERP_PARAMETERS_KEY_PATH, 0, KEY_ALL_ACCESS, &key);
    RegSetValueExA(key, catalog::SETTINGS_VALUE, 0, REG_BINARY, bytes.data(),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

// The records back to back, as "Settings" holds them.
inline std::vector<BYTE> SettingsBytes(std::initializer_list<catalog::SettingsRecord> records) {
    std::vector<BYTE> bytes;
    for (const auto& record : records) {
        const auto encoded = record.ToBytes();
        bytes.insert(bytes.end(), encoded.begin(), encoded.end());
    }
    return bytes;
}

}  // namespace ovtb::panel::testing
