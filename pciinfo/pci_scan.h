// The scan of the PCI information driver: which of the maker's boards sit where, with their
// resources. Platform-free: it reads configuration space only through the operation it is
// given, which follows HalGetBusData's result convention for PCI.
#pragma once

#include <cstdint>
#include <functional>

#include "catalog/pci_info_reply.h"

namespace ovtb::pciinfo {

// ReadPciConfig(bus, slot, buffer, length): 0 when the bus does not exist, 2 when no device
// answers at the slot, otherwise the configuration header was read into `buffer`. The slot
// number keeps the device number in bits 0-4 and the function number in bits 5-7.
using ReadPciConfigFn = std::function<std::uint32_t(std::uint32_t bus, std::uint32_t slot,
                                                    void* buffer, std::uint32_t length)>;

// Buses 0 to 100, devices 0 to 31 at function 0; a missing bus skips to the next one. Each
// board of vendor BOARD_VENDOR_ID fills the next element: device id, bus and device number,
// BAR2 and BAR3 with their low four bits cleared, BAR1 cleared likewise and 0x4D added, the
// interrupt line. The scan ends after the eighth board. Elements past `count` are zero.
catalog::PciInfoReply ScanPciBoards(const ReadPciConfigFn& readPciConfig);

}  // namespace ovtb::pciinfo
