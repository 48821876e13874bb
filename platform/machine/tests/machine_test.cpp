#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/machine/machine.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"

namespace {

namespace fs = std::filesystem;
using namespace ovtb::machine;

TEST(MachineDir, GivenDirectoryThenEnvironmentThenXdgDefault) {
    // Run in a child so that the environment and the explicit choice do not leak.
    pid_t pid = fork();
    if (pid == 0) {
        unsetenv("OVTB_MACHINE");
        setenv("XDG_DATA_HOME", "/xdg", 1);
        if (MachineDir() != fs::path("/xdg/ovtb/machine"))
            _exit(1);
        unsetenv("XDG_DATA_HOME");
        setenv("HOME", "/home/u", 1);
        if (MachineDir() != fs::path("/home/u/.local/share/ovtb/machine"))
            _exit(2);
        setenv("OVTB_MACHINE", "/env/m", 1);
        if (MachineDir() != fs::path("/env/m"))
            _exit(3);
        SetMachineDir("/given");
        if (MachineDir() != fs::path("/given"))
            _exit(4);
        if (RegistryPath() != fs::path("/given/registry.db"))
            _exit(5);
        if (DriveC() != fs::path("/given/drive_c"))
            _exit(6);
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(MapWindowsPath, MatchesComponentsWithoutRegardToCase) {
    std::string pattern = (fs::temp_directory_path() / "ovtb-machine-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    fs::path dir = pattern;
    fs::create_directories(dir / "drive_c" / "WINNT" / "System32");
    std::ofstream(dir / "drive_c" / "WINNT" / "System32" / "ovpci.sys").close();
    SetMachineDir(dir);
    fs::path sys = dir / "drive_c" / "WINNT" / "System32";
    struct Case {
        const char* windows;
        std::optional<fs::path> mapped;
    } cases[] = {
        {"C:\\WINNT\\System32\\ovpci.sys", sys / "ovpci.sys"},
        {"c:\\winnt\\SYSTEM32\\OVPCI.SYS", sys / "ovpci.sys"},
        {"C:/WinNT/system32", sys},
        {"C:\\WINNT\\System32\\new.dll", sys / "new.dll"},  // kept as written when missing
        {"C:\\WINNT\\\\.\\System32", sys},
        {"C:\\", dir / "drive_c"},
        {"C:\\WINNT\\..\\..\\etc", std::nullopt},
        {"D:\\WINNT", std::nullopt},
        {"WINNT\\System32", std::nullopt},
        {"C:", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.windows);
        EXPECT_EQ(MapWindowsPath(c.windows), c.mapped);
    }
    fs::remove_all(dir);
}

void SetText(const char* key, const char* name, const char* text, bool terminator = true) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, key, &k), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             DWORD(std::strlen(text) + (terminator ? 1 : 0))),
              ERROR_SUCCESS);
    RegCloseKey(k);
}

constexpr const char* kNt = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* k9x = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

TEST(ReadOsVersion, FromTheRegistryWhereWindowsKeepsIt) {
    struct Case {
        const char* label;
        void (*fill)();
        OsFamily family;
        unsigned major, minor, build;
        const char* systemRoot;
        const char* systemDirectory;
    } cases[] = {
        {"nothing: Windows 2000", [] {}, OsFamily::WindowsNT, 5, 0, 2195, "C:\\WINNT",
         "C:\\WINNT\\System32"},
        {"NT 4.0",
         [] {
             SetText(kNt, "CurrentVersion", "4.0");
             SetText(kNt, "CurrentBuildNumber", "1381");
             SetText(kNt, "SystemRoot", "C:\\WINNT");
         },
         OsFamily::WindowsNT, 4, 0, 1381, "C:\\WINNT", "C:\\WINNT\\System32"},
        {"Windows 2000 written without terminators",
         [] {
             SetText(kNt, "CurrentVersion", "5.0", false);
             SetText(kNt, "CurrentBuildNumber", "2195", false);
             SetText(kNt, "SystemRoot", "D:\\NT", false);
         },
         OsFamily::WindowsNT, 5, 0, 2195, "D:\\NT", "D:\\NT\\System32"},
        {"Windows 98",
         [] {
             SetText(k9x, "VersionNumber", "4.10.2222");
             SetText(k9x, "SystemRoot", "C:\\WINDOWS");
         },
         OsFamily::Windows9x, 4, 10, 2222, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM"},
        {"NT wins over a 9x key",
         [] {
             SetText(k9x, "VersionNumber", "4.10.2222");
             SetText(kNt, "CurrentVersion", "4.0");
         },
         OsFamily::WindowsNT, 4, 0, 1381, "C:\\WINNT", "C:\\WINNT\\System32"},
        {"unreadable numbers keep the defaults",
         [] {
             SetText(kNt, "CurrentVersion", "five");
             SetText(kNt, "CurrentBuildNumber", "99999999999999999999");
         },
         OsFamily::WindowsNT, 5, 0, 2195, "C:\\WINNT", "C:\\WINNT\\System32"},
        {"a 9x key without VersionNumber does not count",
         [] { SetText(k9x, "ProgramFilesDir", "C:\\Program Files"); }, OsFamily::WindowsNT, 5, 0,
         2195, "C:\\WINNT", "C:\\WINNT\\System32"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ovtb::registry::UseInMemoryStore();
        c.fill();
        OsVersion v = ReadOsVersion();
        EXPECT_EQ(v.family, c.family);
        EXPECT_EQ(v.major, c.major);
        EXPECT_EQ(v.minor, c.minor);
        EXPECT_EQ(v.build, c.build);
        EXPECT_EQ(v.systemRoot, c.systemRoot);
        EXPECT_EQ(v.systemDirectory, c.systemDirectory);
    }
}

}  // namespace
