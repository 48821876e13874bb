// OVD_GetSetting on a Windows 2000 machine (a registry.db file) whose Ovserp driver is of
// version 5.2 with four 60-byte records: the probe, the family check, the read of "Settings"
// and the copy into the tool's block, per call. Run from the repository root (fixtures).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "catalog/pci_info_reply.h"
#include "diag/include/tbdiag.h"
#include "platform/machine/machine.h"
#include "platform/registry/reg_file.h"
#include "platform/registry/store.h"

namespace {

namespace fs = std::filesystem;

class NtMachine {
  public:
    NtMachine() {
        dir_ = fs::temp_directory_path() / ("ovtb-diag-bench-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "drive_c");
        ovtb::machine::SetMachineDir(dir_);
        ovtb::registry::UseStoreFile(dir_ / "registry.db");
        for (const char* name : {"nt", "nt_ovserp5"}) {
            std::ifstream in(std::string("diag/tests/fixtures/") + name + ".reg");
            std::stringstream text;
            text << in.rdbuf();
            ovtb::registry::RegFile file;
            ovtb::registry::RegFileError error;
            ok_ = ok_ && ovtb::registry::ParseRegFile(text.str(), file, error) &&
                  ovtb::registry::ImportRegFile(file, error) == 0;
        }
    }
    ~NtMachine() {
        ovtb::registry::CloseStore();
        fs::remove_all(dir_);
    }
    bool ok() const { return ok_; }

  private:
    fs::path dir_;
    bool ok_ = true;
};

void Run(benchmark::State& state, std::int32_t typeCode, bool withReply) {
    NtMachine machine;
    if (!machine.ok()) {
        state.SkipWithError("fixtures not found: run from the repository root");
        return;
    }
    ovtb::catalog::PciInfoReply reply;
    reply.count = 2;
    reply.SetBoard(0, {0x6780, 1, 9, 0xA000, 0xB000, 0, 11});
    reply.SetBoard(1, {0x5920, 0, 13, 0xC000, 0, 0, 9});
    const auto replyBytes = reply.ToBytes();
    std::vector<std::uint8_t> block(static_cast<std::size_t>(OVD_QuerySize()));
    char version[OVD_VERSION_TEXT_SIZE];
    for (auto _ : state) {
        OVD_GetSetting(typeCode, block.data(), withReply ? replyBytes.data() : nullptr, version);
        benchmark::DoNotOptimize(block.data());
    }
    if (OVD_QueryNoBoards(block.data()) != 1)
        state.SkipWithError("expected one board");
}

void BM_GetSettingIsa(benchmark::State& state) {
    Run(state, 0x0210, false);
}
void BM_GetSettingPciWithReply(benchmark::State& state) {
    Run(state, 0x2210, true);
}

BENCHMARK(BM_GetSettingIsa)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GetSettingPciWithReply)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
