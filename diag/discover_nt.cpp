// The Windows NT family's paths: the serial drivers' board lists in their service keys.
#include <vector>

#include "catalog/settings_record.h"
#include "diag/discovery.h"
#include "platform/registry/registry.h"

namespace ovtb::diag {

namespace {

// Reads a value of at most `maxBytes` from a key under HKEY_LOCAL_MACHINE; the value's type is
// not looked at. Empty on any failure, a longer value included.
std::optional<std::vector<std::uint8_t>> ReadServiceValue(const char* keyPath, const char* name,
                                                          std::size_t maxBytes) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> data(maxBytes);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(maxBytes);
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS)
        return std::nullopt;
    data.resize(std::min<std::size_t>(size, maxBytes));
    return data;
}

}  // namespace

bool DiscoverOvConfigBoards(BoardSettingBlock& block) {
    block.productId = 0;
    block.count = 0;
    HKEY service = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, OVSER_SERVICE_KEY, 0, KEY_READ, &service) !=
        ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(service);
    auto value = ReadServiceValue(OVSER_PARAMETERS_KEY, "OvConfig", OV_CONFIG_READ_BYTES);
    if (!value)
        return false;
    return FillOvConfigBoards(*value, block);
}

bool DiscoverSettings24Boards(BoardSettingBlock& block, const PciInfoReply* reply) {
    auto value = ReadServiceValue(catalog::OVSERP_PARAMETERS_KEY_PATH, catalog::SETTINGS_VALUE,
                                  SETTINGS24_READ_BYTES);
    return FillSettings24Boards(
        value ? std::span<const std::uint8_t>(*value) : std::span<const std::uint8_t>(), reply,
        block);
}

bool DiscoverSettings60Boards(BoardSettingBlock& block, const PciInfoReply* reply, bool pciWanted) {
    auto value = ReadServiceValue(catalog::OVSERP_PARAMETERS_KEY_PATH, catalog::SETTINGS_VALUE,
                                  catalog::SETTINGS_READ_BYTES);
    return FillSettings60Boards(
        value ? std::span<const std::uint8_t>(*value) : std::span<const std::uint8_t>(), reply,
        pciWanted, block);
}

}  // namespace ovtb::diag
