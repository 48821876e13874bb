// ovtb-machine's pci, pciinfo, sc and reboot commands, run as a user runs them.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/machine/machine.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"
#include "platform/services/winsvc.h"

namespace {

namespace fs = std::filesystem;

struct Result {
    int rc;
    std::string out, err;
};

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class MachineTool : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("ovtb_machine_pci_test." + std::to_string(::getpid()) + "." +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "drive_c" / "WINNT" / "System32");
        bin_ = std::getenv("OVTB_BIN");
        fs::copy_file(bin_ / "ovpci.sys", dir_ / "drive_c" / "WINNT" / "System32" / "ovpci.sys");
        // A registry for the machine, as `init` leaves one.
        ovtb::machine::SetMachineDir(dir_);
        ovtb::registry::UseStoreFile(dir_ / "registry.db");
        HKEY key;
        ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services", &key),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        ovtb::registry::CloseStore();
    }
    void TearDown() override { fs::remove_all(dir_); }

    Result Run(const std::string& args) {
        const std::string command = (bin_ / "ovtb-machine").string() + " --machine " +
                                    dir_.string() + " " + args + " >" + (dir_ / "out").string() +
                                    " 2>" + (dir_ / "err").string();
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(dir_ / "out"),
                Slurp(dir_ / "err")};
    }

    fs::path dir_, bin_;
};

TEST_F(MachineTool, PciAddWritesTheHeaderLineAndAll64BytesAsLspciDoes) {
    ASSERT_EQ(Run("pci add --device 0x5920 --bus 10 --slot 0x1f --bar1 0xE001 --bar2 0xE401 "
                  "--bar3 0xE801 --irq 11")
                  .rc,
              0);
    EXPECT_EQ(Slurp(dir_ / "pci.dump"),
              "0a:1f.0 Serial controller: VP-592 Series\n"
              "00: 56 4f 20 59 01 00 00 00 00 00 00 07 00 00 00 00\n"
              "10: 00 00 00 00 01 e0 00 00 01 e4 00 00 01 e8 00 00\n"
              "20: 00 00 00 00 00 00 00 00 00 00 00 00 56 4f 20 59\n"
              "30: 00 00 00 00 00 00 00 00 00 00 00 00 0b 01 00 00\n"
              "\n");
    ASSERT_EQ(Run("pci add --device 1 --vendor 0x8086 --bus 0 --slot 2 --function 3 "
                  "--description 'Ethernet controller: nic'")
                  .rc,
              0);
    const Result list = Run("pci list");
    EXPECT_EQ(list.rc, 0);
    EXPECT_EQ(list.out,
              "00:02.3 8086:0001 Ethernet controller: nic\n"
              "0a:1f.0 4f56:5920 Serial controller: VP-592 Series\n");
}

TEST_F(MachineTool, PciRefusesBadInputAndChangesNothing) {
    ASSERT_EQ(Run("pci add --device 0x6780 --bus 0 --slot 3").rc, 0);
    const std::string before = Slurp(dir_ / "pci.dump");
    struct Case {
        std::string args;
        int rc;
        const char* words;
    } cases[] = {
        {"pci add --device 0x6780 --bus 0 --slot 3", 1, "already has a device at 00:03.0"},
        {"pci add --device 0x6780 --bus 256 --slot 3", 2, "--bus '256'"},
        {"pci add --device 0x6780 --bus 0 --slot 32", 2, "--slot '32'"},
        {"pci add --device 0x6780 --bus 0 --slot 4 --function 8", 2, "--function '8'"},
        {"pci add --device 0x1_0000 --bus 0 --slot 4", 2, "--device"},
        {"pci add --device 0x6780 --bus 0 --slot 4 --bar1 0x100000000", 2, "--bar1"},
        {"pci add --device 0x6780 --bus -1 --slot 4", 2, "--bus '-1'"},
        {"pci add --bus 0 --slot 4", 2, "--device is required"},
        {"pci add --device 1 --bus 0 --slot 4 --colour red", 2, "unknown option '--colour'"},
        {"pci add --device 1 --bus 0 --slot", 2, "--slot needs a value"},
        {"pci remove --bus 0 --slot 4", 1, "no device at 00:04.0"},
        {"pci add --device 1 --bus 0 --slot 4 --description " + std::string(250, 'x'), 2,
         "longer than a dump line"},
        {"pci frobnicate", 2, "unknown use"},
    };
    for (const auto& c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.rc, c.rc) << c.args;
        EXPECT_NE(r.err.find(c.words), std::string::npos) << c.args << ": " << r.err;
        EXPECT_EQ(Slurp(dir_ / "pci.dump"), before) << c.args;
    }
    EXPECT_EQ(Run("pci remove --bus 0 --slot 3").rc, 0);
    EXPECT_EQ(Slurp(dir_ / "pci.dump"), "");
}

TEST_F(MachineTool, AMalformedDumpIsNamedWithItsLineAndNotRewritten) {
    fs::copy_file("platform/pci/tests/fixtures/malformed.dump", dir_ / "pci.dump");
    const std::string before = Slurp(dir_ / "pci.dump");
    for (const char* args : {"pci list", "pci add --device 1 --bus 1 --slot 1"}) {
        const Result r = Run(args);
        EXPECT_EQ(r.rc, 2) << args;
        EXPECT_NE(r.err.find((dir_ / "pci.dump").string() + ": line 10: "), std::string::npos)
            << args << ": " << r.err;
    }
    EXPECT_EQ(Slurp(dir_ / "pci.dump"), before);
    // The driver still answers, with an empty bus, and the reason is shown.
    const Result info = Run("pciinfo");
    EXPECT_EQ(info.rc, 0) << info.err;
    EXPECT_EQ(info.out, "count: 0\n");
    EXPECT_NE(info.err.find("line 10"), std::string::npos) << info.err;
}

TEST_F(MachineTool, PciinfoAsksTheDriverAsThePanelDoesAndLeavesNoService) {
    fs::copy_file("pciinfo/tests/fixtures/edge_boards.dump", dir_ / "pci.dump");
    const Result info = Run("pciinfo");
    ASSERT_EQ(info.rc, 0) << info.err;
    EXPECT_EQ(info.out,
              "count: 2\n"
              "bus dev device ioBase     vectorAddress bar1Port   irq\n"
              "  0   9 0x6780 0x0000E800 0xFFFFD0F0    0x0000E10D  11\n"
              "100  31 0x5831 0x0000B100 0x0000B200    0x0000B04D   5\n");
    const Result hex = Run("pciinfo --hex");
    ASSERT_EQ(hex.rc, 0);
    ASSERT_EQ(hex.out.size(), 361u);
    EXPECT_EQ(hex.out.substr(0, 16), "0200000080673158");
    EXPECT_EQ(Run("sc query ovpciinfo").rc, 1) << "the service is gone again";
    EXPECT_EQ(Run("pciinfo --bogus").rc, 2);
}

TEST_F(MachineTool, ADriverLeftRunningBlocksPciinfoUntilScStopOrReboot) {
    fs::copy_file("pciinfo/tests/fixtures/edge_boards.dump", dir_ / "pci.dump");
    // A process that ends with the driver started, like a panel killed mid-query.
    auto interrupted = [&] {
        const pid_t child = fork();
        if (child == 0) {
            SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
            SC_HANDLE s = CreateServiceA(scm, "ovpciinfo", "ovpciinfo", SERVICE_ALL_ACCESS,
                                         SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
                                         SERVICE_ERROR_NORMAL, "%SystemRoot%\\System32\\ovpci.sys",
                                         nullptr, nullptr, nullptr, nullptr, nullptr);
            if (!s)
                s = OpenServiceA(scm, "ovpciinfo", SERVICE_ALL_ACCESS);
            _exit(s && StartServiceA(s, 0, nullptr) ? 0 : 1);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };
    ASSERT_TRUE(interrupted());
    EXPECT_EQ(Run("pciinfo").rc, 1);
    Result query = Run("sc query ovpciinfo");
    EXPECT_EQ(query.rc, 0);
    EXPECT_NE(query.out.find("STATE              : 4  RUNNING"), std::string::npos) << query.out;
    Result stop = Run("sc stop ovpciinfo");
    EXPECT_EQ(stop.rc, 0) << stop.err;
    EXPECT_NE(stop.out.find("STATE              : 1  STOPPED"), std::string::npos) << stop.out;
    EXPECT_EQ(Run("sc stop ovpciinfo").rc, 1);
    EXPECT_EQ(Run("pciinfo").rc, 0);

    ASSERT_TRUE(interrupted());
    EXPECT_EQ(Run("pciinfo").rc, 1);
    const Result reboot = Run("reboot");
    EXPECT_EQ(reboot.rc, 0);
    EXPECT_EQ(reboot.out, "rebooted; 1 service had been running\n");
    EXPECT_EQ(Run("pciinfo").rc, 0) << "the registration left behind is used as it stands";
    EXPECT_EQ(Run("sc delete ovpciinfo").rc, 1) << "nothing left to delete";
}

TEST_F(MachineTool, EveryCommandHasHelp) {
    for (const char* args : {"pci --help", "pciinfo --help", "sc --help", "reboot --help"}) {
        const Result r = Run(args);
        EXPECT_EQ(r.rc, 0) << args;
        EXPECT_EQ(r.out.rfind("usage: ovtb-machine", 0), 0u) << args;
    }
}

}  // namespace

#include "pciinfo/pci_scan.h"
#include "platform/pci/pci_config.h"
#include "tools/ovtb-machine/demo.h"

namespace {

TEST_F(MachineTool, TheDemoBusHoldsThreeBoardsOneOfThemBehindABridge) {
    std::string error;
    ASSERT_TRUE(ovtb::tool::WriteDemoPciDump(dir_ / "pci.dump", error)) << error;
    ovtb::pci::ReloadBus();
    const auto reply = ovtb::pciinfo::ScanPciBoards(ovtb::pci::ReadPciConfig);
    ovtb::pci::ReloadBus();
    ASSERT_EQ(reply.count, 3u);
    EXPECT_EQ(reply.Board(0),
              (ovtb::catalog::PciBoardInfo{0x6780, 0, 11, 0xE400, 0xE800, 0xE04D, 11}));
    EXPECT_EQ(reply.deviceId[1], 0x5920);
    EXPECT_EQ(reply.busNumber[2], 1u);
    EXPECT_EQ(reply.deviceId[2], 0x5830);
    EXPECT_EQ(Run("pci list").rc, 0);
}

}  // namespace
