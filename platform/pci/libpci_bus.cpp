// The two sources of the bus, both through libpci: the host's sysfs, or a dump file.
//
// libpci reports a fatal error through its `error` callback, which must not return; its own
// default ends the process. Ours jumps back to the caller instead, so that a broken dump or a
// missing sysfs leaves the process running with an empty bus and a message. Only C frames of
// libpci lie between the setjmp and the longjmp, so no destructor is skipped.
#include <csetjmp>
#include <cstdarg>
#include <cstdio>

#include "platform/pci/pci_bus.h"

extern "C" {
#include <pci/pci.h>
}

namespace ovtb::pci {

namespace {

thread_local std::jmp_buf* tJump = nullptr;
thread_local char tMessage[512];

__attribute__((noreturn)) void OnError(char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(tMessage, sizeof tMessage, format, args);
    va_end(args);
    std::longjmp(*tJump, 1);
}

void OnQuiet(char*, ...) {}

// Configuration space sizes tried in turn: a function shows 256 bytes to a privileged reader of
// sysfs and 64 to anyone else; a dump holds what lspci -x, -xxx or -xxxx wrote.
constexpr int kReadSizes[] = {256, 128, 64};

void Collect(pci_access* acc, PciBus& bus) {
    for (pci_dev* dev = acc->devices; dev; dev = dev->next) {
        if (dev->domain != 0)
            continue;
        std::uint8_t buf[256];
        for (int size : kReadSizes) {
            if (pci_read_block(dev, 0, buf, size)) {
                PciFunction f;
                f.bus = dev->bus;
                f.devfn = static_cast<unsigned>(dev->dev << 3 | dev->func);
                f.config.assign(buf, buf + size);
                bus.functions.push_back(std::move(f));
                break;
            }
        }
    }
}

// Returns false with tMessage set when libpci reported an error.
bool Scan(pci_access* acc, PciBus& bus) {
    std::jmp_buf jump;
    tJump = &jump;
    if (setjmp(jump) != 0) {
        tJump = nullptr;
        return false;
    }
    pci_init(acc);
    pci_scan_bus(acc);
    Collect(acc, bus);
    tJump = nullptr;
    return true;
}

void Cleanup(pci_access* acc) {
    std::jmp_buf jump;
    tJump = &jump;
    if (setjmp(jump) == 0)
        pci_cleanup(acc);
    tJump = nullptr;
}

void Read(unsigned method, const char* dumpName, PciBus& bus) {
    pci_access* acc = pci_alloc();
    acc->error = OnError;
    acc->warning = OnQuiet;
    acc->debug = OnQuiet;
    acc->method = method;
    if (dumpName)
        pci_set_param(acc, const_cast<char*>("dump.name"), const_cast<char*>(dumpName));
    if (!Scan(acc, bus)) {
        bus.functions.clear();
        bus.error = bus.source + ": " + tMessage;
    }
    Cleanup(acc);
}

}  // namespace

void ReadHostBus(PciBus& bus) {
    bus.source = "the host's PCI bus (sysfs)";
    Read(PCI_ACCESS_SYS_BUS_PCI, nullptr, bus);
}

void ReadDumpBus(const std::filesystem::path& dump, PciBus& bus) {
    bus.source = dump.string();
    const std::string name = dump.string();
    Read(PCI_ACCESS_DUMP, name.c_str(), bus);
}

}  // namespace ovtb::pci
