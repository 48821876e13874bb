// The demo machine's PCI bus: a host bridge and a bridge to bus 1, and three of the maker's
// boards, two on bus 0 and one behind the bridge.
#include "tools/ovtb-machine/demo.h"

#include <vector>

#include "catalog/board_catalog.h"
#include "platform/pci/pci_dump.h"

namespace ovtb::tool {

bool WriteDemoPciDump(const std::filesystem::path& dump, std::string& error) {
    using pci::DeviceSpec;
    const std::uint16_t vendor = catalog::BOARD_VENDOR_ID;
    DeviceSpec hostBridge{.vendorId = 0x8086,
                          .deviceId = 0x7190,
                          .classCode = 0x060000,
                          .description = "Host bridge: host bridge"};
    DeviceSpec bridge{.device = 0x1E,
                      .vendorId = 0x8086,
                      .deviceId = 0x244E,
                      .classCode = 0x060400,
                      .headerType = 1,
                      .secondaryBus = 1,
                      .subordinateBus = 1,
                      .description = "PCI bridge: bridge to bus 1"};
    DeviceSpec v678{.device = 0x0B,
                    .vendorId = vendor,
                    .deviceId = 0x6780,
                    .bar1 = 0xE001,
                    .bar2 = 0xE401,
                    .bar3 = 0xE801,
                    .interruptLine = 11,
                    .description = "Serial controller: V678 PCI Series"};
    DeviceSpec vp592{.device = 0x0D,
                     .vendorId = vendor,
                     .deviceId = 0x5920,
                     .bar1 = 0xD001,
                     .bar2 = 0xD401,
                     .bar3 = 0xD801,
                     .interruptLine = 10,
                     .description = "Serial controller: VP-592 Series"};
    DeviceSpec vt583{.bus = 1,
                     .device = 0x04,
                     .vendorId = vendor,
                     .deviceId = 0x5830,
                     .bar1 = 0xC001,
                     .bar2 = 0xC401,
                     .bar3 = 0xC801,
                     .interruptLine = 5,
                     .description = "Serial controller: VT-583 Series"};
    std::vector<pci::DumpDevice> devices;
    for (const DeviceSpec* spec : {&hostBridge, &v678, &vp592, &bridge, &vt583})
        devices.push_back(pci::MakeDevice(*spec));
    return pci::WriteDumpFile(dump, devices, error);
}

}  // namespace ovtb::tool
