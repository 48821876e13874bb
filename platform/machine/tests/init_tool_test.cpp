// ovtb-machine init: the machine it creates, and when it refuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/machine/machine.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"
#include "platform/registry/tests/tool_run.h"

namespace {

namespace fs = std::filesystem;
using namespace ovtb::machine;
using ovtb::test::RunTool;
using ovtb::test::TempDir;

OsVersion VersionOf(const fs::path& machine) {
    ovtb::registry::UseStoreFile(machine / "registry.db");
    OsVersion v = ReadOsVersion();
    ovtb::registry::UseInMemoryStore();
    return v;
}

TEST(InitTool, CreatesTheRegistrySkeletonAndTheSystemDirectoryOfEachOs) {
    struct Case {
        const char* os;  // nullptr: the default
        OsFamily family;
        unsigned major, minor, build;
        const char* systemDir;
    } cases[] = {
        {nullptr, OsFamily::WindowsNT, 5, 0, 2195, "drive_c/WINNT/System32"},
        {"nt4", OsFamily::WindowsNT, 4, 0, 1381, "drive_c/WINNT/System32"},
        {"win2000", OsFamily::WindowsNT, 5, 0, 2195, "drive_c/WINNT/System32"},
        {"win98", OsFamily::Windows9x, 4, 10, 2222, "drive_c/WINDOWS/SYSTEM"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.os ? c.os : "default");
        TempDir tmp;
        fs::path m = tmp.path() / "machine";
        auto r = c.os ? RunTool(m, "init", "--os", c.os) : RunTool(m, "init");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(fs::is_directory(m / c.systemDir));
        EXPECT_EQ(fs::is_directory(m / c.systemDir / "drivers"), c.family == OsFamily::WindowsNT);
        OsVersion v = VersionOf(m);
        EXPECT_EQ(v.family, c.family);
        EXPECT_EQ(v.major, c.major);
        EXPECT_EQ(v.minor, c.minor);
        EXPECT_EQ(v.build, c.build);
        // The panel opens the service keys and never creates them.
        for (const char* key : {"HKLM\\SYSTEM\\CurrentControlSet\\Services\\Ovserp",
                                "HKLM\\SYSTEM\\CurrentControlSet\\Services\\Ovserp\\Parameters"})
            EXPECT_EQ(RunTool(m, "reg", "query", key).status, 0) << key;
        ovtb::registry::UseStoreFile(m / "registry.db");
        HKEY k = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE,
                                "SYSTEM\\CurrentControlSet\\Services\\Ovserp\\Parameters", 0,
                                KEY_ALL_ACCESS, &k),
                  ERROR_SUCCESS);
        RegCloseKey(k);
        ovtb::registry::UseInMemoryStore();
    }
}

TEST(InitTool, RefusesAnExistingMachineUnlessForced) {
    TempDir tmp;
    fs::path m = tmp.path() / "machine";
    ASSERT_EQ(RunTool(m, "init").status, 0);
    ASSERT_EQ(RunTool(m, "reg", "add", "HKLM\\SOFTWARE\\Mine", "/v", "V", "/d", "kept").status, 0);
    auto r = RunTool(m, "init", "--os", "win98");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
    EXPECT_EQ(RunTool(m, "reg", "query", "HKLM\\SOFTWARE\\Mine").status, 0) << "left alone";
    EXPECT_EQ(VersionOf(m).family, OsFamily::WindowsNT);

    std::ofstream(m / "notes.txt") << "not the machine's";
    r = RunTool(m, "init", "--os", "win98", "--force");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(RunTool(m, "reg", "query", "HKLM\\SOFTWARE\\Mine").status, 1) << "afresh";
    EXPECT_EQ(VersionOf(m).family, OsFamily::Windows9x);
    EXPECT_FALSE(fs::exists(m / "drive_c" / "WINNT")) << "the old drive C: went";
    EXPECT_TRUE(fs::exists(m / "notes.txt")) << "what is not the machine's stays";
}

TEST(InitTool, BadArgumentsAndHelp) {
    TempDir tmp;
    fs::path m = tmp.path() / "machine";
    EXPECT_EQ(RunTool(m, "init", "--os", "win95").status, 2);
    EXPECT_EQ(RunTool(m, "init", "--os").status, 2);
    EXPECT_EQ(RunTool(m, "init", "--colour").status, 2);
    EXPECT_FALSE(fs::exists(m)) << "nothing was created";
    auto r = RunTool(m, "init", "--help");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("usage: ovtb-machine"), std::string::npos);
    EXPECT_EQ(RunTool(m, "init", "--os=nt4").status, 0);
}

TEST(InitTool, CopiesTheDeliverablesFoundBesideTheProgram) {
    TempDir tmp;
    fs::path bin = tmp.path() / "bin";
    fs::create_directories(bin);
    fs::copy_file(ovtb::test::ToolPath(), bin / "ovtb-machine");
    std::ofstream(bin / "TBDiag.DLL") << "diag";
    std::ofstream(bin / "ovpci.sys") << "driver";
    fs::path m = tmp.path() / "machine";
    std::string cmd = ovtb::test::ShellQuote((bin / "ovtb-machine").string()) + " --machine " +
                      ovtb::test::ShellQuote(m.string()) + " init --demo >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << "a missing demo bus is only a warning";
    fs::path sys = m / "drive_c" / "WINNT" / "System32";
    EXPECT_EQ(ovtb::test::Slurp(sys / "TBDiag.DLL"), "diag");
    EXPECT_EQ(ovtb::test::Slurp(sys / "ovpci.sys"), "driver");
    EXPECT_FALSE(fs::exists(sys / "OvPort.DLL")) << "not built, not copied";
}

}  // namespace
