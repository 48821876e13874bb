#include "platform/ioports/ioports.h"

#include <atomic>
#include <cstdint>

#include "platform/pci/pci_config.h"

namespace {

std::atomic<ULONG> g_configAddress{0};
thread_local bool t_interruptsDisabled = false;

constexpr ULONG kFloating = 0xFFFFFFFFu;
constexpr ULONG kEnableBit = 0x80000000u;

ULONG ReadConfigData(ULONG address) {
    if ((address & kEnableBit) == 0)
        return kFloating;
    const ULONG bus = address >> 16 & 0xFF;
    const ULONG device = address >> 11 & 0x1F;
    const ULONG function = address >> 8 & 0x07;
    const ULONG reg = address & 0xFC;
    std::uint8_t space[256];
    const ULONG got = ovtb::pci::ReadPciConfig(bus, device | function << 5, space, sizeof space);
    if (got == ovtb::pci::kPciNoSuchBus || got == ovtb::pci::kPciNoDevice)
        return kFloating;
    if (got < reg + 4)
        return kFloating;
    return static_cast<ULONG>(space[reg]) | static_cast<ULONG>(space[reg + 1]) << 8 |
           static_cast<ULONG>(space[reg + 2]) << 16 | static_cast<ULONG>(space[reg + 3]) << 24;
}

}  // namespace

ULONG _outpd(USHORT port, ULONG value) {
    if (port == PCI_CONFIG_ADDRESS_PORT)
        g_configAddress.store(value);
    return value;
}

ULONG _inpd(USHORT port) {
    if (port == PCI_CONFIG_ADDRESS_PORT)
        return g_configAddress.load();
    if (port == PCI_CONFIG_DATA_PORT)
        return ReadConfigData(g_configAddress.load());
    return kFloating;
}

void _disable() {
    t_interruptsDisabled = true;
}
void _enable() {
    t_interruptsDisabled = false;
}

namespace ovtb::ioports {
bool InterruptsDisabled() {
    return t_interruptsDisabled;
}
}  // namespace ovtb::ioports
