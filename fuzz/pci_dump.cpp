// A pci.dump as a person may write it: any text. Our reader either names a fault or gives
// devices that write back to text it reads the same way; and whatever it accepts, libpci's
// dump access method (which reads the machine's bus) reads too, without an error and with
// the same devices and header bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "platform/pci/pci_bus.h"
#include "platform/pci/pci_dump.h"

using namespace ovtb::pci;

namespace {

bool SameDevices(const std::vector<DumpDevice>& a, const std::vector<DumpDevice>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].domain != b[i].domain || a[i].bus != b[i].bus || a[i].device != b[i].device ||
            a[i].function != b[i].function || a[i].config != b[i].config)
            return false;
    }
    return true;
}

const std::filesystem::path& TempDump() {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("fuzz_pci_dump." + std::to_string(::getpid()));
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    DumpError error;
    auto devices = ParseDump(text, &error);
    if (!devices) {
        if (error.message.empty())
            std::abort();
        return 0;
    }
    for (const auto& d : *devices) {
        if (d.config.size() < kHeaderBytes || d.config.size() > kMaxDumpConfigBytes ||
            d.device > 31 || d.function > 7 || d.bus > 255)
            std::abort();
    }
    // Written back, the devices read the same.
    const std::string written = FormatDump(*devices);
    auto again = ParseDump(written, &error);
    if (!again || !SameDevices(*devices, *again))
        std::abort();

    // libpci agrees on what we accepted.
    {
        std::ofstream out(TempDump(), std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
    PciBus bus;
    ReadDumpBus(TempDump(), bus);
    if (!bus.error.empty())
        std::abort();
    size_t domain0 = 0;
    for (const auto& d : *devices) {
        if (d.domain != 0)
            continue;
        ++domain0;
        bool found = false;
        for (const auto& f : bus.functions) {
            if (f.bus == d.bus && f.devfn == (d.device << 3 | d.function)) {
                found = std::memcmp(f.config.data(), d.config.data(), kHeaderBytes) == 0;
                break;
            }
        }
        if (!found)
            std::abort();
    }
    if (bus.functions.size() != domain0)
        std::abort();
    return 0;
}
