// ovtb-machine pciinfo: asks the PCI information driver exactly as the panel does (install,
// start, query, stop and delete the service "ovpciinfo") and prints its reply.
#include <array>
#include <cstdio>
#include <string>

#include "catalog/pci_info_reply.h"
#include "panel/pci_discovery.h"
#include "platform/registry/store.h"
#include "platform/services/last_error.h"
#include "tools/ovtb-machine/commands.h"

namespace ovtb::tool {

namespace {

void PrintHelp(std::FILE* out) {
    std::fprintf(out,
                 "usage: ovtb-machine pciinfo [--hex]\n"
                 "\n"
                 "Asks the PCI information driver (%s in the system directory) as the panel\n"
                 "does and prints its reply: the count, then one line per board. --hex prints\n"
                 "the reply's 180 bytes as one line of hex digits instead.\n",
                 "ovpci.sys");
}

}  // namespace

int RunPciInfo(const Args& args) {
    if (WantsHelp(args)) {
        PrintHelp(stdout);
        return 0;
    }
    const bool hex = args.size() == 1 && args[0] == "--hex";
    if (!args.empty() && !hex) {
        PrintHelp(stderr);
        return 2;
    }
    std::array<std::uint8_t, catalog::PCI_INFO_REPLY_SIZE> bytes{};
    if (!panel::DiscoverPciBoards(bytes)) {
        std::fprintf(stderr,
                     "ovtb-machine pciinfo: asking the PCI information driver failed (last "
                     "error %lu); `ovtb-machine sc query %s` shows what was left behind\n",
                     static_cast<unsigned long>(GetLastError()), panel::PCI_INFO_SERVICE_NAME);
        if (const std::string store = registry::LastStoreError(); !store.empty())
            std::fprintf(stderr, "ovtb-machine pciinfo: registry: %s\n", store.c_str());
        return 1;
    }
    if (hex) {
        for (std::uint8_t b : bytes)
            std::printf("%02X", b);
        std::printf("\n");
        return 0;
    }
    const auto reply = catalog::PciInfoReply::Decode(bytes);
    std::printf("count: %lu\n", static_cast<unsigned long>(reply->count));
    if (reply->ValidCount())
        std::printf("bus dev device ioBase     vectorAddress bar1Port   irq\n");
    for (size_t i = 0; i < reply->ValidCount(); ++i) {
        const catalog::PciBoardInfo b = reply->Board(i);
        std::printf("%3u %3u 0x%04X 0x%08lX 0x%08lX    0x%08lX %3lu\n", b.busNumber, b.deviceNumber,
                    b.deviceId, static_cast<unsigned long>(b.ioBase),
                    static_cast<unsigned long>(b.vectorAddress),
                    static_cast<unsigned long>(b.bar1Port), static_cast<unsigned long>(b.irq));
    }
    return 0;
}

}  // namespace ovtb::tool
