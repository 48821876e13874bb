#include "pciinfo/pci_scan.h"

#include <array>

#include "catalog/board_catalog.h"

namespace ovtb::pciinfo {

namespace {

// Where the scan looks.
constexpr std::uint32_t kLastBus = 100;
constexpr std::uint32_t kDevicesPerBus = 32;

// ReadPciConfig results besides a byte count.
constexpr std::uint32_t kNoSuchBus = 0;
constexpr std::uint32_t kEmptySlot = 2;

// Offsets in the 64-byte configuration header.
namespace header {
constexpr std::size_t kSize = 64;
constexpr std::size_t vendorId = 0x00;
constexpr std::size_t deviceId = 0x02;
constexpr std::size_t bar1 = 0x14;
constexpr std::size_t bar2 = 0x18;
constexpr std::size_t bar3 = 0x1C;
constexpr std::size_t interruptLine = 0x3C;
}  // namespace header

// The low four bits of a base address register are flags (I/O space indicator, memory type,
// prefetchable) and a reserved bit, not address.
constexpr std::uint32_t kAddressMask = 0xFFFFFFF0;
// The board's port behind BAR1 sits 0x4D bytes into that range.
constexpr std::uint32_t kBar1PortOffset = 0x4D;

std::uint16_t U16(const std::array<std::uint8_t, header::kSize>& h, std::size_t at) {
    return static_cast<std::uint16_t>(h[at] | h[at + 1] << 8);
}

std::uint32_t U32(const std::array<std::uint8_t, header::kSize>& h, std::size_t at) {
    return static_cast<std::uint32_t>(h[at]) | static_cast<std::uint32_t>(h[at + 1]) << 8 |
           static_cast<std::uint32_t>(h[at + 2]) << 16 |
           static_cast<std::uint32_t>(h[at + 3]) << 24;
}

}  // namespace

catalog::PciInfoReply ScanPciBoards(const ReadPciConfigFn& readPciConfig) {
    catalog::PciInfoReply reply;
    reply.count = 0;
    for (std::uint32_t bus = 0; bus <= kLastBus && reply.count < catalog::PCI_INFO_MAX_BOARDS;
         ++bus) {
        for (std::uint32_t device = 0; device < kDevicesPerBus; ++device) {
            // Zero-filled each time, so that a short read never shows the previous device.
            std::array<std::uint8_t, header::kSize> h{};
            const std::uint32_t slot = device;  // function 0
            const std::uint32_t result = readPciConfig(bus, slot, h.data(), header::kSize);
            if (result == kNoSuchBus)
                break;
            if (result == kEmptySlot)
                continue;
            if (U16(h, header::vendorId) != catalog::BOARD_VENDOR_ID)
                continue;
            catalog::PciBoardInfo board;
            board.deviceId = U16(h, header::deviceId);
            board.busNumber = static_cast<std::uint16_t>(bus);
            board.deviceNumber = static_cast<std::uint16_t>(device);
            board.ioBase = U32(h, header::bar2) & kAddressMask;
            board.vectorAddress = U32(h, header::bar3) & kAddressMask;
            board.bar1Port = (U32(h, header::bar1) & kAddressMask) + kBar1PortOffset;
            board.irq = h[header::interruptLine];
            reply.SetBoard(reply.count, board);
            if (++reply.count == catalog::PCI_INFO_MAX_BOARDS)
                break;
        }
    }
    return reply;
}

}  // namespace ovtb::pciinfo
