#include "panel/settings_store.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "catalog/board_catalog.h"
#include "platform/registry/registry.h"

namespace ovtb::panel {

namespace cat = catalog;

namespace {

// REG_DWORD data: the value's four bytes, little-endian.
std::array<BYTE, 4> DwordBytes(DWORD value) {
    return {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
            static_cast<BYTE>(value >> 24)};
}

}  // namespace

DWORD ReadSettings(std::span<std::uint8_t, cat::SETTINGS_READ_BYTES> buffer) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, cat::OVSERP_PARAMETERS_KEY_PATH, 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return 0;
    }
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD result = 0;
    if (RegQueryValueExA(key, cat::SETTINGS_VALUE, nullptr, &type, buffer.data(), &size) ==
        ERROR_SUCCESS) {
        result = std::min<DWORD>(size, static_cast<DWORD>(buffer.size()));
    }
    RegCloseKey(key);
    return result;
}

int WriteSettings(std::span<const cat::SettingsRecord> records) {
    const std::size_t n = std::min(records.size(), cat::MAX_BOARDS);
    std::array<std::uint8_t, cat::SETTINGS_READ_BYTES> value{};
    for (std::size_t i = 0; i < n; ++i) {
        records[i].Encode(std::span(value).subspan(i * cat::SETTINGS_RECORD_SIZE));
    }

    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, cat::OVSERP_PARAMETERS_KEY_PATH, 0, KEY_ALL_ACCESS,
                      &key) != ERROR_SUCCESS) {
        return 0;
    }
    const LONG settings = RegSetValueExA(key, cat::SETTINGS_VALUE, 0, REG_BINARY, value.data(),
                                         static_cast<DWORD>(n * cat::SETTINGS_RECORD_SIZE));
    RegCloseKey(key);
    if (settings != ERROR_SUCCESS) {
        return 0;
    }

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, cat::OVSERP_SERVICE_KEY_PATH, 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS) {
        return 0;
    }
    const auto productId = DwordBytes(PANEL_PRODUCT_ID);
    const LONG written = RegSetValueExA(key, cat::PRODUCT_ID_VALUE, 0, REG_DWORD, productId.data(),
                                        static_cast<DWORD>(productId.size()));
    RegCloseKey(key);
    return written == ERROR_SUCCESS ? 1 : 0;
}

namespace {

// Registers the filled rows of one board table; the first model key that cannot be created
// ends this table's loop.
void RegisterTable(HKEY driverKey, std::span<const cat::BoardType> table) {
    for (const cat::BoardType& row : table) {
        if (!row.filled()) {
            continue;
        }
        HKEY modelKey = nullptr;
        if (RegCreateKeyA(driverKey, row.shortName, &modelKey) != ERROR_SUCCESS) {
            return;
        }
        RegSetValueExA(modelKey, cat::DIAG_DLL_VALUE, 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(DIAG_DLL_FILE),
                       static_cast<DWORD>(std::strlen(DIAG_DLL_FILE)));
        const auto ovkey = DwordBytes(row.typeCode & 0xFFF8);
        RegSetValueExA(modelKey, cat::BOARD_TYPE_VALUE, 0, REG_DWORD, ovkey.data(),
                       static_cast<DWORD>(ovkey.size()));
        RegCloseKey(modelKey);
    }
}

}  // namespace

int RegisterDiagnostics() {
    HKEY driverKey = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, cat::DRIVER_KEY_PATH, &driverKey) != ERROR_SUCCESS) {
        return 0;
    }
    RegisterTable(driverKey, cat::PciBoardTable);
    RegisterTable(driverKey, cat::IsaBoardTable);
    RegCloseKey(driverKey);
    return 1;
}

}  // namespace ovtb::panel
