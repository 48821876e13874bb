// ovtbadm as a program, on a machine in a temporary directory made with ovtb-machine init and
// pci add.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "catalog/settings_record.h"
#include "panel/tests/startup_fixtures.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"

namespace ovtb::panel {
namespace {

namespace cat = catalog;
namespace fs = std::filesystem;

struct ProgramRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Quoted(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

class OvtbadmProgram : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* bin = std::getenv("OVTB_BIN");
        ASSERT_NE(bin, nullptr) << "OVTB_BIN is not set";
        bin_ = bin;
        dir_ = fs::temp_directory_path() /
               ("ovtbadm_test_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        // A Windows 2000 machine with the driver's service keys and the deliverables, and one
        // 678PCI at bus 0, device 9: ports at 0xD000, vector register at 0xD400, interrupt 11.
        ASSERT_EQ(Tool({"init"}), 0);
        ASSERT_EQ(Tool({"pci", "add", "--device", "0x6780", "--bus", "0", "--slot", "9", "--bar1",
                        "0xE001", "--bar2", "0xD001", "--bar3", "0xD401", "--irq", "11"}),
                  0);
        ::setenv("OVTB_MACHINE", dir_.c_str(), 1);
    }

    void TearDown() override {
        ::unsetenv("OVTB_MACHINE");
        fs::remove_all(dir_);
    }

    // Runs `fn` on the machine's registry file, then lets go of it for the program.
    template <typename Fn>
    void WithMachineRegistry(Fn fn) {
        registry::UseStoreFile(dir_ / "registry.db");
        fn();
        registry::CloseStore();
    }

    // ovtb-machine on this machine; its exit code.
    int Tool(const std::vector<std::string>& args) {
        std::string command =
            Quoted((bin_ / "ovtb-machine").string()) + " --machine " + Quoted(dir_.string());
        for (const auto& arg : args) {
            command += " " + Quoted(arg);
        }
        command += " >/dev/null";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    ProgramRun Ovtbadm(const std::vector<std::string>& args) {
        std::string command = Quoted((bin_ / "ovtbadm").string());
        for (const auto& arg : args) {
            command += " " + Quoted(arg);
        }
        command += " >" + Quoted((dir_ / "out.txt").string()) + " 2>" +
                   Quoted((dir_ / "err.txt").string()) + " </dev/null";
        const int status = std::system(command.c_str());
        ProgramRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = ReadFile(dir_ / "out.txt");
        run.err = ReadFile(dir_ / "err.txt");
        return run;
    }

    std::vector<BYTE> Stored(const char* key, const char* name) {
        std::vector<BYTE> bytes;
        WithMachineRegistry([&] { bytes = testing::StoredValue(key, name); });
        return bytes;
    }

    bool Exists(const char* key, const char* name) {
        bool exists = false;
        WithMachineRegistry([&] { exists = testing::ValueExists(key, name); });
        return exists;
    }

    static std::string Script(const char* name) {
        return "--ui=script:panel/tests/fixtures/" + std::string(name);
    }

    fs::path bin_;
    fs::path dir_;
};

TEST_F(OvtbadmProgram, TheUnattendedCommandLineStoresSettingsAndExits1WithoutAWindow) {
    // The shell splits the line into arguments; ovtbadm joins them again with single spaces.
    const ProgramRun run = Ovtbadm(
        {Script("no_window.script"), "{26496", "}{{{0", "9", "0", "}}}{3", "}{1", "}{7", "}"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.err, "");

    const auto records =
        cat::DecodeSettingsValue(Stored(cat::OVSERP_PARAMETERS_KEY_PATH, cat::SETTINGS_VALUE));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].productNumber, 8);
    EXPECT_EQ(records[0].pciDeviceId, 0x6780);
    EXPECT_EQ(records[0].pciDevice, 9);
    EXPECT_EQ(records[0].ioBase, 0xD000u);
    EXPECT_EQ(records[0].vectorAddress, 0xD400u);
    EXPECT_EQ(records[0].irq, 11);
    EXPECT_EQ(records[0].comNumber[0], 3);
    EXPECT_EQ(records[0].comNumber[7], 10);
    EXPECT_EQ(records[0].rxTriggerIndex[0], 1);
    EXPECT_EQ(records[0].txFifoSize[0], 8);
    EXPECT_TRUE(Exists(cat::OVSERP_SERVICE_KEY_PATH, cat::PRODUCT_ID_VALUE));
    EXPECT_TRUE(Exists("Software\\ORVANE\\Driver\\678PCI", "ovkey"));
    EXPECT_FALSE(Exists("SYSTEM\\CurrentControlSet\\Services\\ovpciinfo", "ImagePath"))
        << "the driver's service is gone after the query";
}

TEST_F(OvtbadmProgram, AFailedDriverQueryShowsItsMessageAndExits1) {
    fs::remove(dir_ / "drive_c" / "WINNT" / "System32" / "ovpci.sys");
    const ProgramRun run = Ovtbadm({Script("pci_info_failed.script"), "{26496 }{{{0 9 0 }}}{3 }"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.err, "") << "the script saw the message it expects";
    EXPECT_FALSE(Exists(cat::OVSERP_PARAMETERS_KEY_PATH, cat::SETTINGS_VALUE));

    // The same run with a script that expects no window fails on the message box.
    const ProgramRun unexpected = Ovtbadm({Script("no_window.script")});
    EXPECT_EQ(unexpected.exitCode, 2);
    EXPECT_NE(unexpected.err.find("Load ovpci.sys service fail !"), std::string::npos)
        << unexpected.err;
}

TEST_F(OvtbadmProgram, WithoutAnUnattendedLineNothingIsStoredAndTheExitCodeIs1) {
    const ProgramRun run = Ovtbadm({Script("cancel_main_dialog.script"), "{26496 }{{{0 9 0 }}}"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_FALSE(Exists(cat::OVSERP_PARAMETERS_KEY_PATH, cat::SETTINGS_VALUE));
}

TEST_F(OvtbadmProgram, HelpAndBadOptionsAreAnsweredBeforeAnythingRuns) {
    const ProgramRun help = Ovtbadm({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("usage: ovtbadm [--ui=qt|tty|script:FILE]"), std::string::npos);

    const ProgramRun unknown = Ovtbadm({"--frobnicate", "{26496 }{{{0 9 0 }}}{3 }"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("'--frobnicate'"), std::string::npos) << unknown.err;

    const ProgramRun badScript = Ovtbadm({"--ui=script:panel/tests/fixtures/missing.script"});
    EXPECT_EQ(badScript.exitCode, 1);
    EXPECT_NE(badScript.err.find("missing.script"), std::string::npos) << badScript.err;

    EXPECT_FALSE(Exists(cat::OVSERP_PARAMETERS_KEY_PATH, cat::SETTINGS_VALUE));
    EXPECT_FALSE(Exists(cat::OVSERP_SERVICE_KEY_PATH, cat::PRODUCT_ID_VALUE));
}

}  // namespace
}  // namespace ovtb::panel
