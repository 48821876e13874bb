// Windows 9x log configurations: the byte strings of "ForcedConfig" (a root-enumerated ISA
// board) and "Allocation" (a PCI board's device node under HKEY_DYN_DATA). Pure functions over
// the bytes actually read.
//
// Layout: an 8-byte header, then resource descriptors back to back, a descriptor length of 0
// ending the list:
//
//   offset  size  field
//   0       4     total length of the descriptor in bytes
//   4       4     resource type: 2 I/O range, 4 interrupt, others skipped
//   10      2     interrupt: the interrupt number
//   12      2     I/O range: first address
//   14      2     I/O range: last address
//
// A descriptor shorter than the fields read from it (8 bytes for any type, 12 for an
// interrupt, 16 for an I/O range) is malformed and ends the parse as a failure.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace ovtb::diag {

namespace log_config_offsets {
inline constexpr std::size_t header = 8;
inline constexpr std::size_t length = 0;
inline constexpr std::size_t type = 4;
inline constexpr std::size_t irq = 10;
inline constexpr std::size_t ioBase = 12;
inline constexpr std::size_t ioLast = 14;
}  // namespace log_config_offsets

inline constexpr std::uint32_t RESOURCE_IO = 2;
inline constexpr std::uint32_t RESOURCE_IRQ = 4;

// The fields of a board record that a log configuration gives.
struct BoardResources {
    std::int32_t irq = 0;
    std::uint16_t vectorAddress = 0;
    std::array<std::uint16_t, 8> ioAddress{};
};

enum class ForcedConfigVariant {
    MultiFunction,  // 32-bit length, type by its low byte; the last interrupt wins
    OrvaneAsync,    // 16-bit length and type; the first non-zero interrupt, kept only with an
                    // I/O range whose base is not 0
};

// "ForcedConfig" of an ISA board with `portCount` ports. A one-address I/O range is the
// interrupt vector register (a base from 1 to 15 reads as 16); each longer range is the next
// port's I/O address, at most 8. On failure the fields keep what was filled before the fault.
bool ParseForcedConfig(std::span<const std::uint8_t> data, ForcedConfigVariant variant,
                       std::int32_t portCount, BoardResources& out);

// "Allocation" of a PCI board with `portCount` ports: a 16-address range is the vector
// register, a 64-address range holds the ports 8 addresses apart (a second one is a failure),
// the last interrupt wins. Fewer than 10 bytes is a failure; a descriptor that reaches past the
// bytes read ends the list.
bool ParseAllocation(std::span<const std::uint8_t> data, std::int32_t portCount,
                     BoardResources& out);

}  // namespace ovtb::diag
