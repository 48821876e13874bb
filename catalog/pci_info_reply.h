// The PCI information driver's reply to IOCTL_PCI_BOARD_INFO: 180 bytes, a count followed by
// seven parallel arrays of 8 elements; element i of every array belongs to the same board.
// The driver writes it, the panel and the diagnostic library read it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "catalog/byte_codec.h"

namespace ovtb::catalog {

// The driver's device and its single control code (type 0x8300, function 0x830, buffered,
// any access).
inline constexpr std::uint32_t FILE_DEVICE_PCI_INFO = 0x8300;
inline constexpr std::uint32_t IOCTL_PCI_BOARD_INFO = 0x830020C0;

inline constexpr std::size_t PCI_INFO_REPLY_SIZE = 180;
inline constexpr std::size_t PCI_INFO_MAX_BOARDS = 8;

// The seven values of one element index taken together.
struct PciBoardInfo {
    std::uint16_t deviceId = 0;
    std::uint16_t busNumber = 0;
    std::uint16_t deviceNumber = 0;
    std::uint32_t ioBase = 0;         // BAR2 & 0xFFFFFFF0
    std::uint32_t vectorAddress = 0;  // BAR3 & 0xFFFFFFF0
    std::uint32_t bar1Port = 0;       // (BAR1 & 0xFFFFFFF0) + 0x4D
    std::uint32_t irq = 0;            // interrupt line, zero-extended

    bool operator==(const PciBoardInfo&) const = default;
};

namespace pci_info_reply_offsets {
inline constexpr std::size_t count = 0;
inline constexpr std::size_t deviceId = 4;
inline constexpr std::size_t busNumber = 20;
inline constexpr std::size_t deviceNumber = 36;
inline constexpr std::size_t ioBase = 52;
inline constexpr std::size_t vectorAddress = 84;
inline constexpr std::size_t bar1Port = 116;
inline constexpr std::size_t irq = 148;
}  // namespace pci_info_reply_offsets

inline constexpr std::array<FieldLayout, 8> PciInfoReplyLayout = {{
    {"count", pci_info_reply_offsets::count, 4, 1},
    {"deviceId", pci_info_reply_offsets::deviceId, 2, 8},
    {"busNumber", pci_info_reply_offsets::busNumber, 2, 8},
    {"deviceNumber", pci_info_reply_offsets::deviceNumber, 2, 8},
    {"ioBase", pci_info_reply_offsets::ioBase, 4, 8},
    {"vectorAddress", pci_info_reply_offsets::vectorAddress, 4, 8},
    {"bar1Port", pci_info_reply_offsets::bar1Port, 4, 8},
    {"irq", pci_info_reply_offsets::irq, 4, 8},
}};

struct PciInfoReply {
    static constexpr std::size_t kSize = PCI_INFO_REPLY_SIZE;

    std::uint32_t count = 0;  // as stored; readers use ValidCount()
    std::array<std::uint16_t, PCI_INFO_MAX_BOARDS> deviceId{};
    std::array<std::uint16_t, PCI_INFO_MAX_BOARDS> busNumber{};
    std::array<std::uint16_t, PCI_INFO_MAX_BOARDS> deviceNumber{};
    std::array<std::uint32_t, PCI_INFO_MAX_BOARDS> ioBase{};
    std::array<std::uint32_t, PCI_INFO_MAX_BOARDS> vectorAddress{};
    std::array<std::uint32_t, PCI_INFO_MAX_BOARDS> bar1Port{};
    std::array<std::uint32_t, PCI_INFO_MAX_BOARDS> irq{};

    // The number of elements that carry meaning: `count`, at most 8.
    std::size_t ValidCount() const;

    // Element `index` (0 to 7) taken together; a default PciBoardInfo for an index out of range.
    PciBoardInfo Board(std::size_t index) const;
    // Sets element `index` (0 to 7); an index out of range changes nothing.
    void SetBoard(std::size_t index, const PciBoardInfo& board);

    // Writes the 180 bytes at the start of `out`. Returns false, writing nothing, when `out` is
    // shorter than 180 bytes; bytes past 180 are left alone.
    bool Encode(std::span<std::uint8_t> out) const;
    std::array<std::uint8_t, kSize> ToBytes() const;

    // Reads the first 180 bytes of `in`; empty when `in` is shorter.
    static std::optional<PciInfoReply> Decode(std::span<const std::uint8_t> in);

    bool operator==(const PciInfoReply&) const = default;
};

}  // namespace ovtb::catalog
