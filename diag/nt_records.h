// The board lists that the Windows NT family's serial drivers keep in their service keys, and
// the records that discovery builds from them. Pure functions over the bytes of the value read.
//
// "OvConfig" of the older ISA driver Ovser: 36-byte entries (OvConfigEntry)
//   offset  size    field
//   0       1       product number (OvserProductNumbers)
//   1       1       interrupt number
//   2       2       not read
//   4       8 x 2   COM number of ports 0 to 7
//   20      8 x 2   I/O address of ports 0 to 7
//
// "Settings" of the PCI driver Ovserp in version 1: 24-byte entries (Settings24Entry)
//   0       2       PCI device id
//   2       2       PCI bus number
//   4       2       PCI device number
//   6       2       COM number of the first port; the others follow
//   8       16      not read
//
// "Settings" of Ovserp in version 5: the panel's 60-byte records (catalog/settings_record.h).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "catalog/board_setting_record.h"
#include "catalog/pci_info_reply.h"

namespace ovtb::diag {

using catalog::BoardSettingBlock;
using catalog::BoardSettingRecord;
using catalog::PciInfoReply;

namespace ov_config_offsets {
inline constexpr std::size_t productNumber = 0;
inline constexpr std::size_t irq = 1;
inline constexpr std::size_t comNumber = 4;
inline constexpr std::size_t ioAddress = 20;
}  // namespace ov_config_offsets

namespace settings24_offsets {
inline constexpr std::size_t pciDeviceId = 0;
inline constexpr std::size_t pciBus = 2;
inline constexpr std::size_t pciDevice = 4;
inline constexpr std::size_t firstComNumber = 6;
}  // namespace settings24_offsets

inline constexpr std::size_t OV_CONFIG_ENTRY_SIZE = 36;
inline constexpr std::size_t OV_CONFIG_READ_BYTES = 144;
inline constexpr std::size_t SETTINGS24_ENTRY_SIZE = 24;
inline constexpr std::size_t SETTINGS24_READ_BYTES = 96;

struct OvserProductNumber {
    std::uint8_t productNumber;
    std::uint16_t typeCode;
};

// The older ISA driver's numbering: 4 and 5 are swapped against the 60-byte records' table, and
// the VI572K has no number.
inline constexpr std::array<OvserProductNumber, 6> OvserProductNumbers = {{
    {1, 0x0210},
    {2, 0x0110},
    {3, 0x0010},
    {4, 0x0130},
    {5, 0x0020},
    {6, 0x0140},
}};

std::optional<std::uint16_t> DecodeOvserProductNumber(std::uint8_t productNumber);

// Each fills `block` from entry 0 on (productId and count first set to 0, at most 4 boards) and
// returns whether the value could be taken as a board list. A value longer than the driver's
// read size is no list at all, as the registry read of that size fails.
bool FillOvConfigBoards(std::span<const std::uint8_t> value, BoardSettingBlock& block);
bool FillSettings24Boards(std::span<const std::uint8_t> value, const PciInfoReply* reply,
                          BoardSettingBlock& block);
bool FillSettings60Boards(std::span<const std::uint8_t> value, const PciInfoReply* reply,
                          bool pciWanted, BoardSettingBlock& block);

// The first element below the reply's count (at most 8) at this bus, device and device id.
std::optional<std::size_t> FindReplyBoard(const PciInfoReply& reply, std::uint16_t bus,
                                          std::uint16_t device, std::uint16_t deviceId);

}  // namespace ovtb::diag
