// BoardSettingRecord: everything known about one board in one fixed 764-byte layout, and
// BoardSettingBlock: a product id, a count and four records (3064 bytes). The panel keeps its
// board lists in blocks, the diagnostic library fills the diagnostic tool's block. The board
// co-installer keeps its working board in an 892-byte variant (CoInstallerBoardRecord).
//
// The structs hold values; Encode/Decode move them to and from bytes at the offsets below
// (little-endian). Encoding always starts from zero bytes, so reserved and alignment bytes and
// unused slots are 0.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "catalog/board_catalog.h"
#include "catalog/byte_codec.h"

namespace ovtb::catalog {

inline constexpr std::size_t BOARD_SETTING_RECORD_SIZE = 764;
inline constexpr std::size_t BOARD_SETTING_BLOCK_SIZE = 3064;
inline constexpr std::size_t CO_INSTALLER_RECORD_SIZE = 892;

inline constexpr std::size_t RECORD_PORT_SLOTS = 8;     // ioAddress, rxTriggerIndex, txFifoIndex
inline constexpr std::size_t RECORD_COM_SLOTS = 32;     // comNumber, pollingPeriod
inline constexpr std::size_t HARDWARE_KEY_BYTES = 260;  // with the terminator

namespace board_setting_record_offsets {
inline constexpr std::size_t typeCode = 0x000;
inline constexpr std::size_t irq = 0x004;
inline constexpr std::size_t busKind = 0x008;
// 0x00C: 4 reserved bytes
inline constexpr std::size_t memoryBank = 0x010;
inline constexpr std::size_t ioAddress = 0x014;
inline constexpr std::size_t vectorAddress = 0x024;
inline constexpr std::size_t comNumber = 0x028;
inline constexpr std::size_t portCount = 0x0A8;
// 0x0AC: 256 reserved bytes
inline constexpr std::size_t rxTriggerIndex = 0x1AC;
inline constexpr std::size_t txFifoIndex = 0x1CC;
// 0x1EC: 4 reserved bytes
inline constexpr std::size_t pciDeviceId = 0x1F0;
inline constexpr std::size_t pciBus = 0x1F2;
inline constexpr std::size_t pciDevice = 0x1F4;
inline constexpr std::size_t hardwareKey = 0x1F6;
}  // namespace board_setting_record_offsets

// The co-installer's variant: the same up to 0x1EB, then these.
namespace co_installer_record_offsets {
inline constexpr std::size_t pollingPeriod = 0x1EC;
// 0x26C: 4 reserved bytes
inline constexpr std::size_t pciDeviceId = 0x270;
inline constexpr std::size_t pciBus = 0x272;
inline constexpr std::size_t pciDevice = 0x274;
inline constexpr std::size_t hardwareKey = 0x276;
}  // namespace co_installer_record_offsets

namespace board_setting_block_offsets {
inline constexpr std::size_t productId = 0;
inline constexpr std::size_t count = 4;
inline constexpr std::size_t records = 8;
}  // namespace board_setting_block_offsets

namespace detail {
namespace r = board_setting_record_offsets;
namespace c = co_installer_record_offsets;
}  // namespace detail

inline constexpr std::array<FieldLayout, 14> BoardSettingRecordLayout = {{
    {"typeCode", detail::r::typeCode, 2, 1},
    {"irq", detail::r::irq, 4, 1},
    {"busKind", detail::r::busKind, 4, 1},
    {"memoryBank", detail::r::memoryBank, 4, 1},
    {"ioAddress", detail::r::ioAddress, 2, RECORD_PORT_SLOTS},
    {"vectorAddress", detail::r::vectorAddress, 2, 1},
    {"comNumber", detail::r::comNumber, 4, RECORD_COM_SLOTS},
    {"portCount", detail::r::portCount, 4, 1},
    {"rxTriggerIndex", detail::r::rxTriggerIndex, 4, RECORD_PORT_SLOTS},
    {"txFifoIndex", detail::r::txFifoIndex, 4, RECORD_PORT_SLOTS},
    {"pciDeviceId", detail::r::pciDeviceId, 2, 1},
    {"pciBus", detail::r::pciBus, 2, 1},
    {"pciDevice", detail::r::pciDevice, 2, 1},
    {"hardwareKey", detail::r::hardwareKey, 1, HARDWARE_KEY_BYTES},
}};

inline constexpr std::array<FieldLayout, 15> CoInstallerRecordLayout = {{
    {"typeCode", detail::r::typeCode, 2, 1},
    {"irq", detail::r::irq, 4, 1},
    {"busKind", detail::r::busKind, 4, 1},
    {"memoryBank", detail::r::memoryBank, 4, 1},
    {"ioAddress", detail::r::ioAddress, 2, RECORD_PORT_SLOTS},
    {"vectorAddress", detail::r::vectorAddress, 2, 1},
    {"comNumber", detail::r::comNumber, 4, RECORD_COM_SLOTS},
    {"portCount", detail::r::portCount, 4, 1},
    {"rxTriggerIndex", detail::r::rxTriggerIndex, 4, RECORD_PORT_SLOTS},
    {"txFifoIndex", detail::r::txFifoIndex, 4, RECORD_PORT_SLOTS},
    {"pollingPeriod", detail::c::pollingPeriod, 4, RECORD_COM_SLOTS},
    {"pciDeviceId", detail::c::pciDeviceId, 2, 1},
    {"pciBus", detail::c::pciBus, 2, 1},
    {"pciDevice", detail::c::pciDevice, 2, 1},
    {"hardwareKey", detail::c::hardwareKey, 1, HARDWARE_KEY_BYTES},
}};

inline constexpr std::array<FieldLayout, 3> BoardSettingBlockLayout = {{
    {"productId", board_setting_block_offsets::productId, 4, 1},
    {"count", board_setting_block_offsets::count, 4, 1},
    {"records", board_setting_block_offsets::records, BOARD_SETTING_RECORD_SIZE, MAX_BOARDS},
}};

// The fields both record layouts share, with the same names and meanings.
struct BoardRecordFields {
    std::uint16_t typeCode = 0;
    std::int32_t irq = 0;
    std::int32_t busKind = BUS_ISA;
    std::uint32_t memoryBank = 0;
    std::array<std::uint16_t, RECORD_PORT_SLOTS> ioAddress{};
    std::uint16_t vectorAddress = 0;                         // 0: none
    std::array<std::int32_t, RECORD_COM_SLOTS> comNumber{};  // COM n is n; 0: none
    std::int32_t portCount = 0;                              // as stored; readers use PortSlots()
    // Choice indexes in BoardSettingRecord; the co-installer keeps the receive trigger level
    // and the transmit FIFO size in bytes here instead.
    std::array<std::int32_t, RECORD_PORT_SLOTS> rxTriggerIndex{};
    std::array<std::int32_t, RECORD_PORT_SLOTS> txFifoIndex{};
    std::uint16_t pciDeviceId = 0;
    std::uint16_t pciBus = 0;
    std::uint16_t pciDevice = 0;
    // At most 259 characters are stored (the layout keeps a terminator); text after an
    // embedded zero is not stored.
    std::string hardwareKey;

    // The number of 8-slot port entries that carry meaning: portCount within 0 to 8.
    std::size_t PortSlots() const;

    bool operator==(const BoardRecordFields&) const = default;
};

struct BoardSettingRecord : BoardRecordFields {
    static constexpr std::size_t kSize = BOARD_SETTING_RECORD_SIZE;

    // Writes the 764 bytes at the start of `out`. Returns false, writing nothing, when `out` is
    // shorter; bytes past 764 are left alone.
    bool Encode(std::span<std::uint8_t> out) const;
    std::array<std::uint8_t, kSize> ToBytes() const;
    // Reads the first 764 bytes of `in`; empty when `in` is shorter.
    static std::optional<BoardSettingRecord> Decode(std::span<const std::uint8_t> in);

    bool operator==(const BoardSettingRecord&) const = default;
};

struct CoInstallerBoardRecord : BoardRecordFields {
    static constexpr std::size_t kSize = CO_INSTALLER_RECORD_SIZE;

    std::array<std::int32_t, RECORD_COM_SLOTS> pollingPeriod{};  // slots 0 to 7 used

    bool Encode(std::span<std::uint8_t> out) const;
    std::array<std::uint8_t, kSize> ToBytes() const;
    static std::optional<CoInstallerBoardRecord> Decode(std::span<const std::uint8_t> in);

    bool operator==(const CoInstallerBoardRecord&) const = default;
};

struct BoardSettingBlock {
    static constexpr std::size_t kSize = BOARD_SETTING_BLOCK_SIZE;

    std::uint32_t productId = 0;
    std::uint32_t count = 0;  // as stored; readers use ValidCount()
    std::array<BoardSettingRecord, MAX_BOARDS> records{};

    // The number of records that carry meaning: count, at most MAX_BOARDS.
    std::size_t ValidCount() const;

    // Byte offset of record `index` in an encoded block.
    static constexpr std::size_t RecordOffset(std::size_t index) {
        return board_setting_block_offsets::records + BOARD_SETTING_RECORD_SIZE * index;
    }

    // Writes the 3064 bytes (all four records) at the start of `out`. Returns false, writing
    // nothing, when `out` is shorter.
    bool Encode(std::span<std::uint8_t> out) const;
    std::array<std::uint8_t, kSize> ToBytes() const;
    // Reads the first 3064 bytes of `in` (all four records, whatever count says); empty when
    // `in` is shorter.
    static std::optional<BoardSettingBlock> Decode(std::span<const std::uint8_t> in);

    bool operator==(const BoardSettingBlock&) const = default;
};

}  // namespace ovtb::catalog
