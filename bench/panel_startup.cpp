// Start-up of the panel up to its main dialog shown, headless: the stored configuration read
// and turned into board lists, the command line read, the offered boards built, the main
// dialog created, initialised and painted with its rows. The driver query is left out: the
// reply is handed over ready, as the driver would give it. The scripted user closes the main
// dialog as soon as it is shown, so each iteration is one whole run of the panel.
#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>
#include <memory>

#include "catalog/pci_info_reply.h"
#include "catalog/settings_record.h"
#include "panel/board_config.h"
#include "panel/panel_app.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"
#include "platform/ui/script.h"
#include "platform/ui/ui.h"

namespace {

using namespace ovtb;

// Two stored boards, an ISA V674 and the 678PCI at bus 0, device 9; the driver reports that
// board and a second one, which the command line offers.
// The registry is a machine's registry file, as the panel reads it.
void StoreConfiguration() {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("ovtb-panel-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    registry::UseStoreFile(dir / "registry.db");
    HKEY key = nullptr;
    RegCreateKeyA(HKEY_LOCAL_MACHINE, catalog::OVSERP_PARAMETERS_KEY_PATH, &key);
    panel::BoardConfig isa;
    isa.typeCode = 0x0110;
    isa.portCount = 4;
    isa.ioAddress[0] = 0x280;
    panel::BoardConfig pci;
    pci.busKind = catalog::BUS_PCI;
    pci.typeCode = 0x2210;
    pci.pciDeviceId = 0x6780;
    pci.pciDevice = 9;
    std::array<std::uint8_t, 120> settings{};
    auto a = isa.ToSettingsRecord().ToBytes();
    auto b = pci.ToSettingsRecord().ToBytes();
    std::memcpy(settings.data(), a.data(), 60);
    std::memcpy(settings.data() + 60, b.data(), 60);
    RegSetValueExA(key, catalog::SETTINGS_VALUE, 0, REG_BINARY, settings.data(),
                   static_cast<DWORD>(settings.size()));
    RegCloseKey(key);
}

std::array<std::uint8_t, catalog::PCI_INFO_REPLY_SIZE> Reply() {
    catalog::PciInfoReply reply;
    reply.SetBoard(0, {.deviceId = 0x6780,
                       .busNumber = 0,
                       .deviceNumber = 9,
                       .ioBase = 0xE000,
                       .vectorAddress = 0xE040,
                       .bar1Port = 0xE400,
                       .irq = 11});
    reply.SetBoard(1, {.deviceId = 0x6740,
                       .busNumber = 0,
                       .deviceNumber = 10,
                       .ioBase = 0xD000,
                       .vectorAddress = 0xD040,
                       .bar1Port = 0xD400,
                       .irq = 10});
    reply.count = 2;
    return reply.ToBytes();
}

void BM_PanelStartupToMainDialogShown(benchmark::State& state) {
    StoreConfiguration();
    const auto reply = Reply();
    ui::SelectRenderer("headless");
    for (auto _ : state) {
        auto script = std::make_shared<ui::Script>();
        script->Dialog("Orvane Talvex/Brinor Configuration Panel").Escape();
        ui::UseScript(script);
        panel::PanelApp app("{26496 26432 }{{{0 9 0 }}{{0 10 0 }}}",
                            [&](std::span<std::uint8_t, catalog::PCI_INFO_REPLY_SIZE> out) {
                                std::memcpy(out.data(), reply.data(), reply.size());
                                return 1;
                            });
        app.InitInstance();
        benchmark::DoNotOptimize(app.exitCode);
        if (ui::RecordedDialogs().size() != 1 || script->Remaining() != 0) {
            state.SkipWithError("the main dialog was not shown and closed");
            break;
        }
        ui::ClearRecords();
    }
    ui::UseScript(nullptr);
    registry::CloseStore();
    std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                ("ovtb-panel-bench-" + std::to_string(::getpid())));
}
BENCHMARK(BM_PanelStartupToMainDialogShown)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
