// ovtb-machine pci: lists, adds and removes the devices of the machine's PCI bus, DIR/pci.dump.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <system_error>

#include "catalog/board_catalog.h"
#include "platform/machine/machine.h"
#include "platform/pci/pci_config.h"
#include "platform/pci/pci_dump.h"
#include "tools/ovtb-machine/commands.h"

namespace ovtb::tool {

namespace {

namespace fs = std::filesystem;

void PrintHelp(std::FILE* out) {
    std::fprintf(out,
                 "usage: ovtb-machine pci list\n"
                 "       ovtb-machine pci add --device ID --bus B --slot S [--vendor V]\n"
                 "                            [--function F] [--bar1 X] [--bar2 X] [--bar3 X]\n"
                 "                            [--irq N] [--description TEXT]\n"
                 "       ovtb-machine pci remove --bus B --slot S [--function F]\n"
                 "\n"
                 "Edits the machine's PCI bus, DIR/pci.dump (the `lspci -x` text form). Without\n"
                 "that file the machine sees the host's own bus, which `list` shows and nothing\n"
                 "changes; the first `add` creates the file.\n"
                 "\n"
                 "Numbers are in C notation (0x10, 16, 020). The vendor defaults to 0x%04X (the\n"
                 "maker's), the function to 0, the address registers and the interrupt line to 0.\n"
                 "BAR1 to BAR3 are the base address registers at offsets 0x14, 0x18 and 0x1C.\n"
                 "The description defaults to the catalog's name of the board.\n",
                 catalog::BOARD_VENDOR_ID);
}

// A number in C notation within [0, max]; none (with a message) otherwise.
std::optional<unsigned long> ParseNumber(const std::string& option, const std::string& text,
                                         unsigned long max) {
    errno = 0;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 0);
    if (text.empty() || text[0] == '-' || text[0] == '+' || *end != '\0' || errno == ERANGE ||
        value > max) {
        std::fprintf(stderr, "ovtb-machine pci: %s '%s' is not a number from 0 to 0x%lX\n",
                     option.c_str(), text.c_str(), max);
        return std::nullopt;
    }
    return value;
}

struct Options {
    std::optional<unsigned long> device, bus, slot, vendor, function, bar1, bar2, bar3, irq;
    std::optional<std::string> description;
};

// Parses "--name VALUE" pairs among `allowed`; false (with a message) on any fault.
bool ParseOptions(const Args& args, const std::string& allowed, Options& o) {
    for (size_t i = 1; i < args.size(); i += 2) {
        const std::string& name = args[i];
        if (name.rfind("--", 0) != 0 || allowed.find(" " + name + " ") == std::string::npos) {
            std::fprintf(stderr, "ovtb-machine pci %s: unknown option '%s'\n", args[0].c_str(),
                         name.c_str());
            return false;
        }
        if (i + 1 >= args.size()) {
            std::fprintf(stderr, "ovtb-machine pci %s: %s needs a value\n", args[0].c_str(),
                         name.c_str());
            return false;
        }
        const std::string& v = args[i + 1];
        std::optional<unsigned long>* slot = nullptr;
        unsigned long max = 0;
        if (name == "--description") {
            if (v.find('\n') != std::string::npos) {
                std::fprintf(stderr, "ovtb-machine pci add: the description is one line\n");
                return false;
            }
            o.description = v;
            continue;
        }
        if (name == "--device")
            slot = &o.device, max = 0xFFFF;
        if (name == "--vendor")
            slot = &o.vendor, max = 0xFFFE;
        if (name == "--bus")
            slot = &o.bus, max = 255;
        if (name == "--slot")
            slot = &o.slot, max = 31;
        if (name == "--function")
            slot = &o.function, max = 7;
        if (name == "--bar1")
            slot = &o.bar1, max = 0xFFFFFFFF;
        if (name == "--bar2")
            slot = &o.bar2, max = 0xFFFFFFFF;
        if (name == "--bar3")
            slot = &o.bar3, max = 0xFFFFFFFF;
        if (name == "--irq")
            slot = &o.irq, max = 255;
        *slot = ParseNumber(name, v, max);
        if (!*slot)
            return false;
    }
    return true;
}

bool Require(const char* command, const char* option, const std::optional<unsigned long>& v) {
    if (!v)
        std::fprintf(stderr, "ovtb-machine pci %s: %s is required\n", command, option);
    return v.has_value();
}

// Reads DIR/pci.dump; an absent file is an empty bus. False (with a message) on a fault.
bool Load(const fs::path& dump, std::vector<pci::DumpDevice>& devices) {
    std::error_code ec;
    if (!fs::exists(dump, ec)) {
        devices.clear();
        return true;
    }
    std::string error;
    auto read = pci::ReadDumpFile(dump, error);
    if (!read) {
        std::fprintf(stderr, "ovtb-machine pci: %s\n", error.c_str());
        return false;
    }
    devices = std::move(*read);
    return true;
}

std::string DefaultDescription(unsigned vendor, unsigned device) {
    if (vendor == catalog::BOARD_VENDOR_ID) {
        if (const catalog::BoardType* board =
                catalog::findPciBoardByDeviceId(static_cast<std::uint16_t>(device)))
            return std::string("Serial controller: ") + board->longName;
    }
    char text[64];
    std::snprintf(text, sizeof text, "Serial controller: device %04x:%04x", vendor, device);
    return text;
}

int List() {
    const fs::path dump = machine::PciDumpPath();
    std::error_code ec;
    if (!fs::exists(dump, ec)) {
        // The host's bus, as the machine's drivers see it.
        std::fprintf(stderr, "ovtb-machine pci: %s does not exist; the machine sees %s\n",
                     dump.c_str(), pci::BusSource().c_str());
        if (const std::string error = pci::BusError(); !error.empty()) {
            std::fprintf(stderr, "ovtb-machine pci: %s\n", error.c_str());
            return 1;
        }
        for (unsigned bus = 0; bus < 256; ++bus) {
            for (unsigned slot = 0; slot < 256; ++slot) {
                std::uint8_t h[4];
                const ULONG n = pci::ReadPciConfig(bus, slot, h, 4);
                if (n == pci::kPciNoSuchBus)
                    break;
                if (n == pci::kPciNoDevice)
                    continue;
                std::printf("%02x:%02x.%u %02x%02x:%02x%02x\n", bus, slot & 0x1F, slot >> 5, h[1],
                            h[0], h[3], h[2]);
            }
        }
        return 0;
    }
    std::vector<pci::DumpDevice> devices;
    if (!Load(dump, devices))
        return 2;
    pci::SortDevices(devices);
    for (const auto& d : devices)
        std::printf("%s %04x:%04x %s\n", pci::FormatAddress(d).c_str(), d.VendorId(), d.DeviceId(),
                    d.description.c_str());
    return 0;
}

int Add(const Args& args) {
    Options o;
    if (!ParseOptions(args,
                      " --device --bus --slot --vendor --function --bar1 --bar2 --bar3 --irq "
                      "--description ",
                      o))
        return 2;
    if (!Require("add", "--device", o.device) || !Require("add", "--bus", o.bus) ||
        !Require("add", "--slot", o.slot))
        return 2;
    const fs::path dump = machine::PciDumpPath();
    std::error_code ec;
    if (!fs::is_directory(dump.parent_path(), ec)) {
        std::fprintf(stderr, "ovtb-machine pci: no machine at %s (`ovtb-machine init` makes one)\n",
                     dump.parent_path().c_str());
        return 1;
    }
    std::vector<pci::DumpDevice> devices;
    if (!Load(dump, devices))
        return 2;
    pci::DeviceSpec spec;
    spec.bus = static_cast<unsigned>(*o.bus);
    spec.device = static_cast<unsigned>(*o.slot);
    spec.function = static_cast<unsigned>(o.function.value_or(0));
    spec.vendorId = static_cast<std::uint16_t>(o.vendor.value_or(catalog::BOARD_VENDOR_ID));
    spec.deviceId = static_cast<std::uint16_t>(*o.device);
    spec.bar1 = static_cast<std::uint32_t>(o.bar1.value_or(0));
    spec.bar2 = static_cast<std::uint32_t>(o.bar2.value_or(0));
    spec.bar3 = static_cast<std::uint32_t>(o.bar3.value_or(0));
    spec.interruptLine = static_cast<std::uint8_t>(o.irq.value_or(0));
    spec.description = o.description.value_or(DefaultDescription(spec.vendorId, spec.deviceId));
    pci::DumpDevice added = pci::MakeDevice(spec);
    if (pci::FormatAddress(added).size() + 1 + spec.description.size() > pci::kMaxDumpLineBytes) {
        std::fprintf(stderr,
                     "ovtb-machine pci add: the description is longer than a dump line "
                     "holds (%zu characters with the address)\n",
                     pci::kMaxDumpLineBytes);
        return 2;
    }
    for (const auto& d : devices) {
        if (d.domain == 0 && d.bus == added.bus && d.device == added.device &&
            d.function == added.function) {
            std::fprintf(stderr, "ovtb-machine pci add: %s already has a device at %s\n",
                         dump.c_str(), pci::FormatAddress(d).c_str());
            return 1;
        }
    }
    devices.push_back(std::move(added));
    pci::SortDevices(devices);
    std::string error;
    if (!pci::WriteDumpFile(dump, devices, error)) {
        std::fprintf(stderr, "ovtb-machine pci: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

int Remove(const Args& args) {
    Options o;
    if (!ParseOptions(args, " --bus --slot --function ", o))
        return 2;
    if (!Require("remove", "--bus", o.bus) || !Require("remove", "--slot", o.slot))
        return 2;
    const fs::path dump = machine::PciDumpPath();
    std::vector<pci::DumpDevice> devices;
    if (!Load(dump, devices))
        return 2;
    pci::DumpDevice at;
    at.bus = static_cast<unsigned>(*o.bus);
    at.device = static_cast<unsigned>(*o.slot);
    at.function = static_cast<unsigned>(o.function.value_or(0));
    for (auto it = devices.begin(); it != devices.end(); ++it) {
        if (it->domain == 0 && it->bus == at.bus && it->device == at.device &&
            it->function == at.function) {
            devices.erase(it);
            std::string error;
            if (!pci::WriteDumpFile(dump, devices, error)) {
                std::fprintf(stderr, "ovtb-machine pci: %s\n", error.c_str());
                return 1;
            }
            return 0;
        }
    }
    std::fprintf(stderr, "ovtb-machine pci remove: no device at %s in %s\n",
                 pci::FormatAddress(at).c_str(), dump.c_str());
    return 1;
}

}  // namespace

int RunPci(const Args& args) {
    if (WantsHelp(args)) {
        PrintHelp(stdout);
        return 0;
    }
    if (args.empty()) {
        PrintHelp(stderr);
        return 2;
    }
    if (args[0] == "list" && args.size() == 1)
        return List();
    if (args[0] == "add")
        return Add(args);
    if (args[0] == "remove")
        return Remove(args);
    std::fprintf(stderr, "ovtb-machine pci: unknown use '%s'\n", args[0].c_str());
    PrintHelp(stderr);
    return 2;
}

}  // namespace ovtb::tool
