// ovtb-machine reg: reg.exe's syntax and output over a machine made by init.
#include <gtest/gtest.h>

#include <string>

#include "platform/registry/registry.h"
#include "platform/registry/store.h"
#include "platform/registry/tests/tool_run.h"

namespace {

using ovtb::test::RunTool;
using ovtb::test::Slurp;
using ovtb::test::TempDir;

class RegTool : public ::testing::Test {
  protected:
    void SetUp() override {
        machine_ = tmp_.path() / "m";
        auto r = RunTool(machine_, "init");
        ASSERT_EQ(r.status, 0) << r.err;
    }
    void TearDown() override { ovtb::registry::UseInMemoryStore(); }
    std::filesystem::path Fresh(const char* name) {
        auto dir = tmp_.path() / name;
        EXPECT_EQ(RunTool(dir, "init").status, 0);
        return dir;
    }

    TempDir tmp_;
    std::filesystem::path machine_;
};

TEST_F(RegTool, EveryCommandHasHelp) {
    for (const char* sub : {"query", "add", "delete", "export", "import"}) {
        for (const char* flag : {"/?", "--help"}) {
            auto r = RunTool(machine_, "reg", sub, flag);
            EXPECT_EQ(r.status, 0) << sub;
            EXPECT_NE(r.out.find("usage: ovtb-machine reg"), std::string::npos) << sub;
        }
    }
    EXPECT_EQ(RunTool(machine_, "reg", "--help").status, 0);
    EXPECT_EQ(RunTool(machine_, "reg").status, 2);
    EXPECT_EQ(RunTool(machine_, "reg", "frobnicate").status, 2);
}

TEST_F(RegTool, AddThenQueryPrintsEachTypeAsRegExeDoes) {
    const std::string key = "HKLM\\SOFTWARE\\ORVANE\\Test";
    struct Case {
        const char* name;
        const char* type;
        const char* data;
        const char* printed;
    } cases[] = {
        {"Settings", "REG_BINARY", "01ab00FF", "    Settings    REG_BINARY    01AB00FF"},
        {"ProductID", "REG_DWORD", "0x104", "    ProductID    REG_DWORD    0x104"},
        {"Count", "REG_DWORD", "4294967295", "    Count    REG_DWORD    0xffffffff"},
        {"DiagDLL", "REG_SZ", "TBDiag.DLL", "    DiagDLL    REG_SZ    TBDiag.DLL"},
        {"Ports", "REG_MULTI_SZ", "COM3\\0COM4", "    Ports    REG_MULTI_SZ    COM3\\0COM4"},
        {"Path", "REG_EXPAND_SZ", "%SystemRoot%", "    Path    REG_EXPAND_SZ    %SystemRoot%"},
    };
    std::string expected = "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\ORVANE\\Test\n";
    for (const auto& c : cases) {
        auto r = RunTool(machine_, "reg", "add", key, "/v", c.name, "/t", c.type, "/d", c.data);
        ASSERT_EQ(r.status, 0) << c.name << ": " << r.err;
        EXPECT_EQ(r.out, "The operation completed successfully.\n");
        expected += std::string(c.printed) + "\n";
    }
    ASSERT_EQ(RunTool(machine_, "reg", "add", key + "\\Sub").status, 0);
    auto q = RunTool(machine_, "reg", "query", key);
    EXPECT_EQ(q.status, 0) << q.err;
    EXPECT_EQ(q.out, expected + "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\ORVANE\\Test\\Sub\n");

    q = RunTool(machine_, "reg", "query", "HKEY_LOCAL_MACHINE\\software\\orvane\\test", "/v",
                "productid");
    EXPECT_EQ(
        q.out,
        "\nHKEY_LOCAL_MACHINE\\software\\orvane\\test\n    ProductID    REG_DWORD    0x104\n\n");

    // The bytes stored are those reg.exe stores: a text with its terminator.
    ovtb::registry::UseStoreFile(machine_ / "registry.db");
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORVANE\\Test", 0, KEY_READ, &k),
              ERROR_SUCCESS);
    BYTE buf[32];
    DWORD size = sizeof buf, type = 0;
    ASSERT_EQ(RegQueryValueExA(k, "Ports", nullptr, &type, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), size), std::string("COM3\0COM4\0\0", 11));
    size = sizeof buf;
    ASSERT_EQ(RegQueryValueExA(k, "DiagDLL", nullptr, &type, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 11u);
    RegCloseKey(k);
}

TEST_F(RegTool, BadArgumentsAreRefusedAndChangeNothing) {
    const std::string key = "HKLM\\SOFTWARE\\Bad";
    struct Case {
        const char* label;
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {"unknown root", {"reg", "add", "HKCU\\Software\\X"}, 2},
        {"dword too large",
         {"reg", "add", key, "/v", "D", "/t", "REG_DWORD", "/d", "4294967296"},
         2},
        {"dword not a number", {"reg", "add", key, "/v", "D", "/t", "REG_DWORD", "/d", "12ab"}, 2},
        {"odd hex digits", {"reg", "add", key, "/v", "B", "/t", "REG_BINARY", "/d", "123"}, 2},
        {"not hex", {"reg", "add", key, "/v", "B", "/t", "REG_BINARY", "/d", "zz"}, 2},
        {"unknown type", {"reg", "add", key, "/v", "B", "/t", "REG_QWORD", "/d", "1"}, 2},
        {"unknown switch", {"reg", "add", key, "/x"}, 2},
        {"data without a value", {"reg", "add", key, "/d", "1"}, 2},
        {"delete without /f", {"reg", "delete", "HKLM\\SOFTWARE"}, 2},
        {"delete a root", {"reg", "delete", "HKLM", "/f"}, 1},
        {"query what is missing", {"reg", "query", key}, 1},
        {"export without a file", {"reg", "export", "HKLM\\SOFTWARE"}, 2},
    };
    std::string before = RunTool(machine_, "reg", "query", "HKLM", "/s").out;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto r = ovtb::test::RunToolArgs(machine_, c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.err.rfind("ERROR: ", 0), 0u) << r.err;
    }
    EXPECT_EQ(RunTool(machine_, "reg", "query", "HKLM", "/s").out, before);

    // An existing value is overwritten only with /f.
    ASSERT_EQ(RunTool(machine_, "reg", "add", key, "/v", "V", "/d", "one").status, 0);
    EXPECT_EQ(RunTool(machine_, "reg", "add", key, "/v", "V", "/d", "two").status, 1);
    EXPECT_EQ(RunTool(machine_, "reg", "add", key, "/v", "V", "/d", "three", "/f").status, 0);
    EXPECT_NE(RunTool(machine_, "reg", "query", key, "/v", "V").out.find("REG_SZ    three"),
              std::string::npos);
}

TEST_F(RegTool, DeleteValuesAndTrees) {
    const std::string key = "HKLM\\SOFTWARE\\Del";
    ASSERT_EQ(RunTool(machine_, "reg", "add", key + "\\A\\B", "/v", "X", "/d", "1").status, 0);
    ASSERT_EQ(RunTool(machine_, "reg", "add", key, "/v", "Y", "/d", "2").status, 0);
    ASSERT_EQ(RunTool(machine_, "reg", "add", key, "/ve", "/d", "3").status, 0);
    EXPECT_EQ(RunTool(machine_, "reg", "delete", key, "/v", "y", "/f").status, 0);
    EXPECT_EQ(RunTool(machine_, "reg", "delete", key, "/v", "Y", "/f").status, 1);
    EXPECT_EQ(RunTool(machine_, "reg", "delete", key, "/va", "/f").status, 0);
    EXPECT_EQ(RunTool(machine_, "reg", "query", key).out,
              "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Del\n\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Del\\A\n");
    EXPECT_EQ(RunTool(machine_, "reg", "delete", key, "/f").status, 0) << "a whole tree";
    EXPECT_EQ(RunTool(machine_, "reg", "query", key + "\\A\\B").status, 1);
    EXPECT_EQ(RunTool(machine_, "reg", "delete", key, "/f").status, 1);
}

TEST_F(RegTool, ExportThenImportIntoAnEmptyMachineGivesTheSameBytes) {
    // Values the tool cannot add: a REG_SZ without terminator and one with bytes past it.
    ovtb::registry::UseStoreFile(machine_ / "registry.db");
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORVANE\\Driver\\TB", &k), ERROR_SUCCESS);
    RegSetValueExA(k, "DiagDLL", 0, REG_SZ, reinterpret_cast<const BYTE*>("TBDiag.DLL"), 10);
    RegSetValueExA(k, "Two", 0, REG_SZ, reinterpret_cast<const BYTE*>("a\0b"), 4);
    RegCloseKey(k);
    ASSERT_EQ(RegCreateKeyA(HKEY_DYN_DATA, "Config Manager\\Enum\\0001", &k), ERROR_SUCCESS);
    BYTE alloc[40] = {8, 0, 0, 0, 0x18};
    RegSetValueExA(k, "Allocation", 0, REG_BINARY, alloc, sizeof alloc);
    RegCloseKey(k);
    ovtb::registry::CloseStore();

    auto first = tmp_.path() / "first.reg", second = tmp_.path() / "second.reg";
    auto dyn = tmp_.path() / "dyn.reg";
    ASSERT_EQ(RunTool(machine_, "reg", "export", "HKLM\\SOFTWARE", first.string()).status, 0);
    ASSERT_EQ(
        RunTool(machine_, "reg", "export", "HKEY_DYN_DATA\\Config Manager", dyn.string()).status,
        0);
    EXPECT_NE(Slurp(first).find("\"DiagDLL\"=hex(1):54,42,44,69,61,67,2e,44,4c,4c\r\n"),
              std::string::npos);
    EXPECT_NE(Slurp(first).find("\"SystemRoot\"=\"C:\\\\WINNT\"\r\n"), std::string::npos);
    EXPECT_EQ(RunTool(machine_, "reg", "export", "HKLM\\SOFTWARE", first.string()).status, 1)
        << "an existing file is kept without /y";

    auto empty = tmp_.path() / "empty";
    ASSERT_EQ(RunTool(empty, "init").status, 0);
    ASSERT_EQ(RunTool(empty, "reg", "delete", "HKLM\\SOFTWARE", "/f").status, 0);
    auto r = RunTool(empty, "reg", "import", first.string());
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(RunTool(empty, "reg", "import", dyn.string()).status, 0);
    ASSERT_EQ(RunTool(empty, "reg", "export", "HKLM\\SOFTWARE", second.string()).status, 0);
    EXPECT_EQ(Slurp(second), Slurp(first));
    ASSERT_EQ(RunTool(empty, "reg", "export", "HKDD\\Config Manager", second.string(), "/y").status,
              0);
    EXPECT_EQ(Slurp(second), Slurp(dyn));
}

TEST_F(RegTool, AMalformedFileIsRefusedWithItsLineAndChangesNothing) {
    std::string before = RunTool(machine_, "reg", "query", "HKLM", "/s").out;
    auto r = RunTool(machine_, "reg", "import", "platform/registry/tests/fixtures/bad_hex.reg");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("bad_hex.reg, line 6:"), std::string::npos) << r.err;
    EXPECT_EQ(RunTool(machine_, "reg", "query", "HKLM", "/s").out, before);
    r = RunTool(machine_, "reg", "import", "platform/registry/tests/fixtures/missing.reg");
    EXPECT_EQ(r.status, 1);
    r = RunTool(machine_, "reg", "import", "platform/registry/tests/fixtures/service.reg");
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(RegTool, TheToolAndAnotherProcessSeeEachOthersWritesAtOnce) {
    ovtb::registry::UseStoreFile(machine_ / "registry.db");
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Shared", &k), ERROR_SUCCESS);
    DWORD v = 0x42;
    ASSERT_EQ(RegSetValueExA(k, "FromTest", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4),
              ERROR_SUCCESS);
    // The connection stays open while the tool runs.
    auto r = RunTool(machine_, "reg", "query", "HKLM\\SOFTWARE\\Shared", "/v", "FromTest");
    EXPECT_NE(r.out.find("0x42"), std::string::npos) << r.out << r.err;
    ASSERT_EQ(RunTool(machine_, "reg", "add", "HKLM\\SOFTWARE\\Shared", "/v", "FromTool", "/t",
                      "REG_DWORD", "/d", "7")
                  .status,
              0);
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExA(k, "FromTool", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(v, 7u);
    RegCloseKey(k);
}

TEST_F(RegTool, AGarbageRegistryGivesAMessageNotACrash) {
    std::ofstream(machine_ / "registry.db", std::ios::trunc) << "not a database at all\n";
    for (const char* f : {"registry.db-wal", "registry.db-shm"})
        std::filesystem::remove(machine_ / f);
    auto r = RunTool(machine_, "reg", "query", "HKLM\\SOFTWARE");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is not a registry"), std::string::npos) << r.err;
    r = RunTool(machine_, "reg", "import", "platform/registry/tests/fixtures/service.reg");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("is not a registry"), std::string::npos) << r.err;
}

}  // namespace
