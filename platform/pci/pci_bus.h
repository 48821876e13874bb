// The process's picture of the PCI bus, and the backends that fill it. Internal to
// platform/pci.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ovtb::pci {

struct PciFunction {
    unsigned bus = 0;
    unsigned devfn = 0;                // device << 3 | function
    std::vector<std::uint8_t> config;  // 64 to 256 bytes
};

struct PciBus {
    std::vector<PciFunction> functions;
    std::array<bool, 256> busExists{};
    // Index into `functions` by bus << 8 | devfn, -1 for an empty slot.
    std::vector<int> slotIndex = std::vector<int>(256 * 256, -1);
    std::string error;   // why the bus could not be read; empty when it could
    std::string source;  // what it was read from

    // Fills busExists and slotIndex from `functions`.
    void Index();
};

// libpci backends (libpci_bus.cpp). Each fills `functions` of domain 0, or sets `error`.
void ReadHostBus(PciBus& bus);
void ReadDumpBus(const std::filesystem::path& dump, PciBus& bus);

}  // namespace ovtb::pci
