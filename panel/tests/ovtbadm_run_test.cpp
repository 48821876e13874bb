// Whole runs of build/bin/ovtbadm on a scratch demo machine, answered by the script fixtures in
// panel/tests/fixtures/: the exit code, and what the machine's registry holds afterwards.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "catalog/settings_record.h"
#include "panel/board_config.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"

namespace ovtb::panel {
namespace {

namespace fs = std::filesystem;

// The demo bus's V678 PCI board: device id 26496 at bus 0, device 11.
constexpr const char* kOfferV678Pci = "{26496 }{{{0 11 0 }}}";

std::string Bin() {
    const char* bin = std::getenv("OVTB_BIN");
    return bin ? bin : "build/bin";
}

std::string Quote(const std::string& text) {
    return "'" + text + "'";
}

class OvtbadmRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        machine_ = fs::temp_directory_path() /
                   ("ovtbadm-run-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(machine_);
        std::string init = Bin() + "/ovtb-machine --machine " + Quote(machine_.string()) +
                           " init --demo > " + Quote((machine_.string() + ".init.log")) + " 2>&1";
        ASSERT_EQ(std::system(init.c_str()), 0) << init;
    }

    void TearDown() override {
        registry::CloseStore();
        fs::remove_all(machine_);
        fs::remove(machine_.string() + ".init.log");
        fs::remove(log());
    }

    std::string log() const { return machine_.string() + ".log"; }

    // Runs the panel answered by the fixture; returns its exit code.
    int RunPanel(const std::string& fixture, const std::string& commandLine) {
        registry::CloseStore();
        std::string command = "OVTB_MACHINE=" + Quote(machine_.string()) + " " + Bin() +
                              "/ovtbadm --ui=script:panel/tests/fixtures/" + fixture;
        if (!commandLine.empty()) {
            command += " " + Quote(commandLine);
        }
        command += " > " + Quote(log()) + " 2>&1";
        int status = std::system(command.c_str());
        std::ifstream in(log());
        std::stringstream text;
        text << in.rdbuf();
        output_ = text.str();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Opens the machine's registry in this process (after the panel ended).
    void OpenRegistry() { registry::UseStoreFile(machine_ / "registry.db"); }

    std::vector<BYTE> Value(const char* keyPath, const char* name) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return {};
        }
        std::vector<BYTE> data(4096);
        DWORD size = static_cast<DWORD>(data.size());
        if (RegQueryValueExA(key, name, nullptr, nullptr, data.data(), &size) != ERROR_SUCCESS) {
            size = 0;
        }
        RegCloseKey(key);
        data.resize(size);
        return data;
    }

    // Every key below HKEY_LOCAL_MACHINE with its values, one line per key and value.
    std::string Snapshot() {
        std::string out;
        SnapshotKey(HKEY_LOCAL_MACHINE, "HKLM", out);
        return out;
    }

    void SnapshotKey(HKEY key, const std::string& path, std::string& out) {
        out += path + "\n";
        std::vector<registry::ValueEntry> values;
        registry::ListValues(key, values);
        for (const auto& v : values) {
            out += "  " + v.name + " " + std::to_string(v.type) + " " +
                   std::string(v.data.begin(), v.data.end()) + "\n";
        }
        std::vector<std::string> names;
        registry::ListSubKeys(key, names);
        for (const auto& name : names) {
            HKEY sub = nullptr;
            if (RegOpenKeyExA(key, name.c_str(), 0, KEY_READ, &sub) == ERROR_SUCCESS) {
                SnapshotKey(sub, path + "\\" + name, out);
                RegCloseKey(sub);
            }
        }
    }

    fs::path machine_;
    std::string output_;
};

std::vector<BYTE> Hex(const std::string& text) {
    std::vector<BYTE> bytes;
    std::istringstream in(text);
    std::string byte;
    while (in >> byte) {
        bytes.push_back(static_cast<BYTE>(std::stoul(byte, nullptr, 16)));
    }
    return bytes;
}

TEST_F(OvtbadmRunTest, AddingABoardAndChangingAPortThenOkStoresItAndExitsWith0) {
    ASSERT_EQ(RunPanel("whole_run_ok.ui", kOfferV678Pci), 0) << output_;
    OpenRegistry();
    // The V678 PCI board with the driver's resources (I/O base E400, vector E800, IRQ 11),
    // product number 8, eight ports on COM3, COM4, COM20, COM6 to COM10, trigger 14, size 16.
    EXPECT_EQ(Value(catalog::OVSERP_PARAMETERS_KEY_PATH, "Settings"),
              Hex("80 67 00 00 0b 00 00 00 00 e4 00 00 00 e8 00 00 "
                  "0b 00 00 00 00 00 00 00 08 08 03 00 04 00 14 00 "
                  "06 00 07 00 08 00 09 00 0a 00 03 03 03 03 03 03 "
                  "03 03 10 10 10 10 10 10 10 10 00 00"));
    EXPECT_EQ(Value(catalog::OVSERP_SERVICE_KEY_PATH, "ProductID"), Hex("00 00 00 00"));
    EXPECT_EQ(Value("Software\\ORVANE\\Driver\\678PCI", "ovkey"), Hex("10 22 00 00"));
}

TEST_F(OvtbadmRunTest, CancelAfterChangesExitsWith1AndLeavesTheRegistryUntouched) {
    OpenRegistry();
    BoardConfig stored;
    stored.typeCode = 0x0110;  // V674 at 280 on IRQ 5, COM11 to COM14
    stored.portCount = 4;
    stored.irq = 5;
    for (std::size_t i = 0; i < 4; ++i) {
        stored.ioAddress[i] = static_cast<std::uint16_t>(0x280 + 8 * i);
        stored.comNumber[i] = 11 + static_cast<std::int32_t>(i);
    }
    const auto record = stored.ToSettingsRecord().ToBytes();
    const std::vector<BYTE> before(record.begin(), record.end());
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, catalog::OVSERP_PARAMETERS_KEY_PATH, 0,
                            KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    RegSetValueExA(key, "Settings", 0, REG_BINARY, before.data(),
                   static_cast<DWORD>(before.size()));
    RegCloseKey(key);
    const std::string snapshot = Snapshot();

    ASSERT_EQ(RunPanel("whole_run_cancel.ui", ""), 1) << output_;
    OpenRegistry();
    EXPECT_EQ(Value(catalog::OVSERP_PARAMETERS_KEY_PATH, "Settings"), before);
    EXPECT_EQ(Snapshot(), snapshot);
}

TEST_F(OvtbadmRunTest, AConflictKeepsTheMainDialogOpenAndNothingIsStored) {
    OpenRegistry();
    const std::string snapshot = Snapshot();
    ASSERT_EQ(RunPanel("whole_run_conflict.ui", ""), 1) << output_;
    OpenRegistry();
    EXPECT_EQ(Snapshot(), snapshot);
}

TEST_F(OvtbadmRunTest, AScriptThatDoesNotMatchTheRunFailsWithExitCode2) {
    // The fixture expects the board offered on the command line; without it the property
    // dialog names another board and the run fails instead of hanging.
    EXPECT_EQ(RunPanel("whole_run_ok.ui", ""), 2) << output_;
    EXPECT_NE(output_.find("ovtb ui:"), std::string::npos) << output_;
}

}  // namespace
}  // namespace ovtb::panel
