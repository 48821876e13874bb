// ovtb-machine diag on a machine directory: the command finds and loads the library as an
// outside diagnostic tool does.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/machine/machine.h"
#include "platform/registry/reg_file.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"
#include "platform/version/version.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string out;
};

class DiagTool : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* bin = std::getenv("OVTB_BIN");
        ASSERT_NE(bin, nullptr);
        bin_ = bin;
        dir_ = fs::temp_directory_path() / ("ovtb-diag-tool-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "drive_c" / "WINNT" / "System32");
        ovtb::machine::SetMachineDir(dir_);
        ovtb::registry::UseStoreFile(dir_ / "registry.db");
        for (const char* name : {"nt", "nt_ovserp5", "registration"})
            Import(name);
        ovtb::registry::CloseStore();
        fs::copy_file(bin_ / "TBDiag.DLL", dir_ / "drive_c" / "WINNT" / "System32" / "TBDiag.DLL");
    }
    void TearDown() override {
        ovtb::registry::UseInMemoryStore();
        fs::remove_all(dir_);
    }

    void Import(const std::string& name) {
        std::ifstream in("diag/tests/fixtures/" + name + ".reg", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        ovtb::registry::RegFile file;
        ovtb::registry::RegFileError error;
        ASSERT_TRUE(ovtb::registry::ParseRegFile(text.str(), file, error)) << error.message;
        ASSERT_EQ(ovtb::registry::ImportRegFile(file, error), 0) << error.message;
    }

    Outcome Diag(const std::string& args) { return Tool("diag " + args); }

    Outcome Tool(const std::string& args) {
        const std::string command =
            (bin_ / "ovtb-machine").string() + " --machine " + dir_.string() + " " + args + " 2>&1";
        Outcome r{-1, {}};
        FILE* p = popen(command.c_str(), "r");
        if (!p)
            return r;
        std::array<char, 4096> buffer;
        std::size_t n;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), p)) > 0)
            r.out.append(buffer.data(), n);
        const int status = pclose(p);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }

    fs::path bin_, dir_;
};

TEST_F(DiagTool, ReportsTheBoardsOfATypeAsJson) {
    auto r = Diag("--type 0x0210 --json");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out,
              "{\"library\":\"C:\\\\WINNT\\\\System32\\\\TBDiag.DLL\",\"model\":\"V678\","
              "\"typeCode\":528,\"pciReply\":false,\"result\":1,\"version\":\"5.2\",\"boards\":["
              "{\"index\":0,\"type\":\"V678 Series\",\"busType\":0,\"busNumber\":0,"
              "\"deviceNumber\":0,\"deviceId\":0,\"ioAddress\":384,\"vector\":448,\"irq\":10,"
              "\"memoryBank\":0,\"portCount\":8,\"comNumbers\":[3,4,5,6,7,8,9,10]}]}\n");
}

TEST_F(DiagTool, PrintsTheBoardsForPeople) {
    auto r = Diag("--type 8720");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Driver version: 5.2\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Board 1: V678 PCI Series\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  Bus:          PCI, bus 1, device 9, device id 6780\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("  I/O address:  E800\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  COM numbers:  COM11 COM12 COM13 COM14 COM15 COM16 COM17 COM18\n"),
              std::string::npos)
        << r.out;
}

TEST_F(DiagTool, WithPciTheDriversReplyDecidesAndNoServiceRemains) {
    const fs::path driver = bin_ / "ovpci.sys";
    if (!fs::exists(driver))
        GTEST_SKIP() << "ovpci.sys is not built";
    fs::copy_file(driver, dir_ / "drive_c" / "WINNT" / "System32" / "ovpci.sys");
    fs::copy_file("diag/tests/fixtures/nt_bus.dump", dir_ / "pci.dump");
    auto r = Diag("--type 0x2210 --pci --json");
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("\"pciReply\":true"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"ioAddress\":40960,\"vector\":45056,\"irq\":11"), std::string::npos)
        << r.out;
    // The service went again, so a second run works the same.
    ovtb::registry::UseStoreFile(dir_ / "registry.db");
    HKEY key;
    EXPECT_EQ(
        RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\ovpciinfo", &key),
        ERROR_FILE_NOT_FOUND);
    ovtb::registry::CloseStore();
    auto again = Diag("--type 0x2210 --pci");
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_NE(again.out.find("  I/O address:  A000\n"), std::string::npos) << again.out;
}

TEST_F(DiagTool, ClearErrorsForBadInput) {
    struct Case {
        const char* args;
        int status;
        const char* message;
    } const cases[] = {
        {"", 2, "--type CODE is needed"},
        {"--type", 2, "--type needs a type code"},
        {"--type 0x21zz", 2, "'0x21zz' is not a type code"},
        {"--type 0x2210 --fast", 2, "unknown argument '--fast'"},
        {"--type 0x0110", 1, "no model under HKLM\\Software\\ORVANE\\Driver has \"ovkey\" 0x110"},
        {"--type 0x2020", 1, "C:\\WINNT\\System32\\Missing.DLL of model VP592 is missing"},
    };
    for (const auto& c : cases) {
        auto r = Diag(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.message), std::string::npos) << c.args << "\n" << r.out;
    }
    auto help = Diag("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: ovtb-machine diag --type CODE [--pci] [--json]"),
              std::string::npos);
}

TEST_F(DiagTool, VersionFileWritesDriverFilesThatTheVersionCallsRead) {
    ovtb::registry::UseStoreFile(dir_ / "registry.db");
    for (const char* form : {"ansi", "unicode", "pe", "ne", "le"}) {
        auto r = Tool(std::string("version-file 'C:\\WINNT\\System32\\drivers\\ovsdrv.vxd' "
                                  "--product-version 3.20 --form ") +
                      form);
        ASSERT_EQ(r.status, 0) << form << "\n" << r.out;
        const char* path = "C:\\WINNT\\System32\\DRIVERS\\ovsdrv.vxd";
        DWORD size = GetFileVersionInfoSizeA(path, nullptr);
        ASSERT_GT(size, 0u) << form;
        std::vector<std::uint8_t> info(size);
        ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, info.data())) << form;
        LPVOID text = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904E4\\ProductVersion", &text,
                                   &length))
            << form;
        EXPECT_STREQ(static_cast<const char*>(text), "3.20") << form;
    }
    ovtb::registry::CloseStore();

    struct Case {
        const char* args;
        const char* message;
    } const cases[] = {
        {"version-file x.vxd", "FILE and --product-version are needed"},
        {"version-file x.vxd --product-version 1.0 --form elf", "unknown form 'elf'"},
        {"version-file x.vxd --product-version 1.0 --block 0409", "'0409' is not 8 hexadecimal"},
        {"version-file x.vxd --product-version 1.0 --string Name", "'Name' is not NAME=TEXT"},
        {"version-file 'D:\\x.vxd' --product-version 1.0", "is not an absolute path on drive C:"},
    };
    for (const auto& c : cases) {
        auto r = Tool(c.args);
        EXPECT_EQ(r.status, 2) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.message), std::string::npos) << c.args << "\n" << r.out;
    }
    EXPECT_FALSE(fs::exists("x.vxd"));
}

}  // namespace
