// The texts of the Windows 9x device registry: PCI hardware keys (vendor, device, bus and slot),
// ISA hardware ids, port names and the key names built from them.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "diag/text_parse.h"

std::uint32_t g_idSink = 0;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ovtb::diag;
    std::span<const std::uint8_t> value(data, size);
    const std::string_view text = RegistryText(value, 259);
    const PciHardwareKey key = ParsePciHardwareKey(text);
    const PciLocation loc = ParsePciLocation(text);
    g_idSink += key.vendorId + key.deviceId + loc.bus + loc.device;
    if (auto pnp = ParseIsaHardwareId(value))
        g_idSink += static_cast<std::uint32_t>(*pnp);
    const std::int32_t com = ParsePortName(value);
    if (com < 0 || com > 128)
        __builtin_trap();
    const std::string node = PciDeviceNodeName(text);
    const std::string child = ChildKeyPath(node, size % 32);
    const std::string root = RootDeviceNodeName("MultiFunction", InstanceName(text));
    if (child.size() != node.size() + 18 || root.size() > 5 + 13 + 1 + 11)
        __builtin_trap();
    g_idSink += static_cast<std::uint32_t>(ParseDecimal(text));
    return 0;
}
