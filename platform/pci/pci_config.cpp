#include "platform/pci/pci_config.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>

#include "platform/machine/machine.h"
#include "platform/pci/pci_bus.h"
#include "platform/pci/pci_dump.h"

namespace ovtb::pci {

namespace fs = std::filesystem;

void PciBus::Index() {
    busExists.fill(false);
    busExists[0] = true;
    std::fill(slotIndex.begin(), slotIndex.end(), -1);
    for (size_t i = 0; i < functions.size(); ++i) {
        const PciFunction& f = functions[i];
        slotIndex[f.bus << 8 | f.devfn] = static_cast<int>(i);
        busExists[f.bus] = true;
        // Header type 1 (PCI-to-PCI) and 2 (CardBus) bridges both keep the secondary and the
        // subordinate bus number at 0x19 and 0x1A; the buses between them exist even when
        // empty.
        const unsigned headerType = f.config[0x0E] & 0x7F;
        if (headerType == 1 || headerType == 2) {
            const unsigned secondary = f.config[0x19];
            const unsigned subordinate = f.config[0x1A];
            busExists[secondary] = true;
            for (unsigned b = secondary; b <= subordinate && b < 256; ++b)
                busExists[b] = true;
        }
    }
}

namespace {

std::mutex gMutex;
std::unique_ptr<PciBus> gBus;

std::unique_ptr<PciBus> LoadBus() {
    auto bus = std::make_unique<PciBus>();
    const fs::path dump = machine::PciDumpPath();
    std::error_code ec;
    if (fs::exists(dump, ec)) {
        // Our own reading first: it names the line at fault where libpci would skip it.
        std::string error;
        if (ReadDumpFile(dump, error)) {
            ReadDumpBus(dump, *bus);
        } else {
            bus->source = dump.string();
            bus->error = error;
        }
    } else {
        ReadHostBus(*bus);
    }
    if (!bus->error.empty())
        std::fprintf(stderr, "ovtb: %s; the PCI bus reads as empty\n", bus->error.c_str());
    bus->Index();
    return bus;
}

const PciBus& Bus() {
    if (!gBus)
        gBus = LoadBus();
    return *gBus;
}

}  // namespace

ULONG ReadPciConfig(ULONG busNumber, ULONG slotNumber, PVOID buffer, ULONG length) {
    std::lock_guard lock(gMutex);
    const PciBus& bus = Bus();
    if (busNumber > 255 || !bus.busExists[busNumber])
        return kPciNoSuchBus;
    // The HAL's slot number keeps the device in bits 0-4 and the function in bits 5-7; the
    // bus keeps devfn (device << 3 | function) as PCI itself does.
    const ULONG devfn = (slotNumber & 0x1F) << 3 | (slotNumber >> 5 & 0x7);
    const int index = slotNumber > 0xFF ? -1 : bus.slotIndex[busNumber << 8 | devfn];
    if (index < 0) {
        if (buffer && length >= 2) {
            auto* bytes = static_cast<std::uint8_t*>(buffer);
            bytes[0] = 0xFF;
            bytes[1] = 0xFF;
        }
        return kPciNoDevice;
    }
    const PciFunction& f = bus.functions[static_cast<size_t>(index)];
    const ULONG n = std::min<ULONG>(length, static_cast<ULONG>(f.config.size()));
    if (n && buffer)
        std::memcpy(buffer, f.config.data(), n);
    return buffer ? n : 0;
}

void ReloadBus() {
    std::lock_guard lock(gMutex);
    gBus.reset();
}

std::string BusError() {
    std::lock_guard lock(gMutex);
    return Bus().error;
}

std::string BusSource() {
    std::lock_guard lock(gMutex);
    return Bus().source;
}

}  // namespace ovtb::pci
