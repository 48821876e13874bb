#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/machine/machine.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"
#include "platform/services/fileapi.h"
#include "platform/services/service_state.h"
#include "platform/services/winsvc.h"

namespace {

namespace fs = std::filesystem;

constexpr DWORD kIoctl = 0x830020C0;
constexpr char kImage[] = "%SystemRoot%\\System32\\ovpci.sys";
constexpr char kKey[] = "SYSTEM\\CurrentControlSet\\Services\\ovpciinfo";

// A machine in a temporary directory with ovpci.sys in its system directory.
class Services : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("services_test." + std::to_string(::getpid()) + "." +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        system32_ = dir_ / "drive_c" / "WINNT" / "System32";
        fs::create_directories(system32_);
        const char* bin = std::getenv("OVTB_BIN");
        ASSERT_NE(bin, nullptr);
        bin_ = bin;
        fs::copy_file(bin_ / "ovpci.sys", system32_ / "ovpci.sys");
        ovtb::machine::SetMachineDir(dir_);
        ovtb::registry::UseStoreFile(dir_ / "registry.db");
        scm_ = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        ASSERT_NE(scm_, nullptr);
    }
    void TearDown() override {
        CloseServiceHandle(scm_);
        ovtb::services::Reboot();
        ovtb::registry::CloseStore();
        fs::remove_all(dir_);
    }
    // Creates a service, closing its handle; returns the create's last error (0 on success).
    DWORD Create(const char* name, const char* image = kImage, DWORD type = SERVICE_KERNEL_DRIVER,
                 DWORD start = SERVICE_DEMAND_START) {
        SC_HANDLE s =
            CreateServiceA(scm_, name, name, SERVICE_ALL_ACCESS, type, start, SERVICE_ERROR_NORMAL,
                           image, nullptr, nullptr, nullptr, nullptr, nullptr);
        if (!s)
            return GetLastError();
        CloseServiceHandle(s);
        return 0;
    }
    // Starts a service by name; returns 0 or the last error.
    DWORD Start(const char* name) {
        SC_HANDLE s = OpenServiceA(scm_, name, SERVICE_ALL_ACCESS);
        if (!s)
            return GetLastError();
        const DWORD error = StartServiceA(s, 0, nullptr) ? 0 : GetLastError();
        CloseServiceHandle(s);
        return error;
    }
    DWORD Stop(const char* name) {
        SC_HANDLE s = OpenServiceA(scm_, name, SERVICE_ALL_ACCESS);
        if (!s)
            return GetLastError();
        SERVICE_STATUS status{};
        const DWORD error = ControlService(s, SERVICE_CONTROL_STOP, &status) ? 0 : GetLastError();
        CloseServiceHandle(s);
        return error;
    }
    DWORD Delete(const char* name) {
        SC_HANDLE s = OpenServiceA(scm_, name, SERVICE_ALL_ACCESS);
        if (!s)
            return GetLastError();
        const DWORD error = DeleteService(s) ? 0 : GetLastError();
        CloseServiceHandle(s);
        return error;
    }
    bool KeyExists(const char* path) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    std::string DebugLog() {
        std::ifstream in(dir_ / "debug.log");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir_, system32_, bin_;
    SC_HANDLE scm_ = nullptr;
};

TEST_F(Services, CreateWritesTheServiceKeyAsWindowsDoesAndASecondCreateFindsItThere) {
    ASSERT_EQ(Create("ovpciinfo"), 0u);
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    struct Dword {
        const char* name;
        DWORD value;
    } dwords[] = {{"Type", 1}, {"Start", 3}, {"ErrorControl", 1}};
    for (const auto& d : dwords) {
        DWORD type = 0, value = 0, size = sizeof value;
        ASSERT_EQ(
            RegQueryValueExA(key, d.name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size),
            ERROR_SUCCESS)
            << d.name;
        EXPECT_EQ(type, REG_DWORD) << d.name;
        EXPECT_EQ(value, d.value) << d.name;
    }
    struct Text {
        const char* name;
        DWORD type;
        std::string value;
    } texts[] = {{"ImagePath", REG_EXPAND_SZ, kImage}, {"DisplayName", REG_SZ, "ovpciinfo"}};
    for (const auto& t : texts) {
        char buf[128] = {};
        DWORD type = 0, size = sizeof buf;
        ASSERT_EQ(
            RegQueryValueExA(key, t.name, nullptr, &type, reinterpret_cast<LPBYTE>(buf), &size),
            ERROR_SUCCESS)
            << t.name;
        EXPECT_EQ(type, t.type) << t.name;
        EXPECT_EQ(std::string(buf), t.value) << t.name;
        EXPECT_EQ(size, t.value.size() + 1) << t.name << ": kept with its terminating zero";
    }
    RegCloseKey(key);

    EXPECT_EQ(Create("ovpciinfo"), static_cast<DWORD>(ERROR_SERVICE_EXISTS));
    EXPECT_EQ(Create("OVPCIINFO"), static_cast<DWORD>(ERROR_SERVICE_EXISTS));
    SC_HANDLE s = OpenServiceA(scm_, "OvPciInfo", SERVICE_ALL_ACCESS);
    EXPECT_NE(s, nullptr);
    CloseServiceHandle(s);
    EXPECT_EQ(OpenServiceA(scm_, "absent", SERVICE_ALL_ACCESS), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));
    EXPECT_EQ(Create(""), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_EQ(Create("a\\b"), static_cast<DWORD>(ERROR_INVALID_NAME));
}

TEST_F(Services, AStartedDriverAnswersThroughItsDevicePathUntilStopped) {
    ASSERT_EQ(Create("ovpciinfo"), 0u);
    ASSERT_EQ(Start("ovpciinfo"), 0u);
    EXPECT_TRUE(ovtb::services::IsServiceRunning("OvPciInfo"));
    EXPECT_EQ(Start("ovpciinfo"), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));

    HANDLE device = CreateFileA("\\\\.\\OVPCIINFO", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(device, INVALID_HANDLE_VALUE) << GetLastError();
    EXPECT_EQ(CreateFileA("\\\\.\\ovpciinfo", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    DWORD request = 0x4F56;
    std::array<BYTE, 180> reply;
    DWORD returned = 0;
    EXPECT_TRUE(
        DeviceIoControl(device, kIoctl, &request, 4, reply.data(), 180, &returned, nullptr));
    EXPECT_EQ(returned, 180u);
    EXPECT_FALSE(
        DeviceIoControl(device, kIoctl, &request, 4, reply.data(), 179, &returned, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(returned, 0u);
    EXPECT_TRUE(CloseHandle(device));
    EXPECT_FALSE(CloseHandle(device));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    ASSERT_EQ(Stop("ovpciinfo"), 0u);
    EXPECT_EQ(Stop("ovpciinfo"), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE));
    EXPECT_FALSE(ovtb::services::IsServiceRunning("ovpciinfo"));
    EXPECT_EQ(CreateFileA("\\\\.\\ovpciinfo", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_NE(DebugLog().find("REDIRUDO.SYS: unloading\n"), std::string::npos);

    ASSERT_EQ(Delete("ovpciinfo"), 0u);
    EXPECT_FALSE(KeyExists(kKey));
}

TEST_F(Services, ImagesThatCannotBeLoadedFailTheStartAndLeaveItStopped) {
    std::ofstream(system32_ / "garbage.sys") << "MZ this is no module\n";
    fs::copy_file(bin_ / "libovtb_machine.so", system32_ / "noentry.sys");
    struct Case {
        const char* name;
        const char* image;
        DWORD type;
        DWORD start;
        DWORD error;
    } cases[] = {
        {"missing", "%SystemRoot%\\System32\\absent.sys", SERVICE_KERNEL_DRIVER,
         SERVICE_DEMAND_START, ERROR_FILE_NOT_FOUND},
        {"outside", "D:\\ovpci.sys", SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START,
         ERROR_FILE_NOT_FOUND},
        {"garbage", "%SystemRoot%\\System32\\garbage.sys", SERVICE_KERNEL_DRIVER,
         SERVICE_DEMAND_START, ERROR_BAD_EXE_FORMAT},
        {"noentry", "%SystemRoot%\\System32\\noentry.sys", SERVICE_KERNEL_DRIVER,
         SERVICE_DEMAND_START, ERROR_PROC_NOT_FOUND},
        {"disabled", kImage, SERVICE_KERNEL_DRIVER, SERVICE_DISABLED, ERROR_SERVICE_DISABLED},
        {"win32", "%SystemRoot%\\x.exe", SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
         ERROR_CALL_NOT_IMPLEMENTED},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Create(c.name, c.image, c.type, c.start), 0u) << c.name;
        EXPECT_EQ(Start(c.name), c.error) << c.name;
        EXPECT_FALSE(ovtb::services::IsServiceRunning(c.name)) << c.name;
        EXPECT_EQ(Stop(c.name), static_cast<DWORD>(ERROR_SERVICE_NOT_ACTIVE)) << c.name;
    }
}

TEST_F(Services, ImagePathsInTheirUsualFormsAllLeadToTheSystemDirectory) {
    const char* forms[] = {
        "%SystemRoot%\\System32\\ovpci.sys",    "%windir%\\SYSTEM32\\OVPCI.SYS",
        "\\SystemRoot\\System32\\ovpci.sys",    "System32\\ovpci.sys",
        "\\??\\C:\\WINNT\\System32\\ovpci.sys", "c:\\winnt\\system32\\ovpci.sys",
    };
    for (const char* image : forms) {
        ASSERT_EQ(Create("ovpciinfo", image), 0u) << image;
        EXPECT_EQ(Start("ovpciinfo"), 0u) << image;
        EXPECT_EQ(Stop("ovpciinfo"), 0u) << image;
        EXPECT_EQ(Delete("ovpciinfo"), 0u) << image;
    }
}

TEST_F(Services, DeletingARunningServiceWaitsForItsStop) {
    ASSERT_EQ(Create("ovpciinfo"), 0u);
    ASSERT_EQ(Start("ovpciinfo"), 0u);
    ASSERT_EQ(Delete("ovpciinfo"), 0u);
    EXPECT_TRUE(KeyExists(kKey));
    EXPECT_EQ(Delete("ovpciinfo"), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
    EXPECT_EQ(Create("ovpciinfo"), static_cast<DWORD>(ERROR_SERVICE_MARKED_FOR_DELETE));
    ASSERT_EQ(Stop("ovpciinfo"), 0u);
    EXPECT_FALSE(KeyExists(kKey));
}

TEST_F(Services, ADriverLeftRunningByAProcessThatEndedBlocksTheNextStartUntilStopOrReboot) {
    ASSERT_EQ(Create("ovpciinfo"), 0u);
    ovtb::registry::CloseStore();  // the child opens the store on its own
    for (int round = 0; round < 2; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
            SC_HANDLE s = OpenServiceA(scm, "ovpciinfo", SERVICE_ALL_ACCESS);
            _exit(s && StartServiceA(s, 0, nullptr) ? 0 : 1);  // ends with the driver started
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        EXPECT_EQ(Start("ovpciinfo"), static_cast<DWORD>(ERROR_SERVICE_ALREADY_RUNNING));
        // Its device went with the process.
        EXPECT_EQ(
            CreateFileA("\\\\.\\ovpciinfo", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
        if (round == 0) {
            EXPECT_EQ(Stop("ovpciinfo"), 0u);
        } else {
            EXPECT_EQ(ovtb::services::Reboot(), 1);
        }
        EXPECT_EQ(Start("ovpciinfo"), 0u) << "round " << round;
        EXPECT_EQ(Stop("ovpciinfo"), 0u);
        ovtb::registry::CloseStore();
    }
}

TEST_F(Services, HandlesAreCheckedForKindAndAccess) {
    ASSERT_EQ(Create("ovpciinfo"), 0u);
    SC_HANDLE query = OpenServiceA(scm_, "ovpciinfo", SERVICE_QUERY_STATUS);
    ASSERT_NE(query, nullptr);
    EXPECT_FALSE(StartServiceA(query, 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(DeleteService(query));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    SERVICE_STATUS status{};
    EXPECT_TRUE(QueryServiceStatus(query, &status));
    EXPECT_EQ(status.dwServiceType, SERVICE_KERNEL_DRIVER);
    EXPECT_EQ(status.dwCurrentState, SERVICE_STOPPED);
    EXPECT_FALSE(StartServiceA(reinterpret_cast<SC_HANDLE>(scm_), 0, nullptr))
        << "a manager handle is no service handle";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(CloseServiceHandle(query));
    EXPECT_FALSE(CloseServiceHandle(query));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    SC_HANDLE connect = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    EXPECT_EQ(CreateServiceA(connect, "x", "x", SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                             SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, kImage, nullptr, nullptr,
                             nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    CloseServiceHandle(connect);
    EXPECT_EQ(OpenSCManagerA("\\\\elsewhere", nullptr, SC_MANAGER_ALL_ACCESS), nullptr);

    DWORD returned = 5;
    EXPECT_FALSE(DeviceIoControl(reinterpret_cast<HANDLE>(scm_), kIoctl, nullptr, 0, nullptr, 0,
                                 &returned, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(returned, 0u);
}

TEST(DevicePaths, OnlyDotPathsNameADevice) {
    struct Case {
        const char* path;
        const char* name;
    } cases[] = {{"\\\\.\\ovpciinfo", "ovpciinfo"},
                 {"\\\\.\\COM3", "COM3"},
                 {"\\\\.\\", ""},
                 {"\\\\.\\a\\b", ""},
                 {"\\\\?\\C:\\x", ""},
                 {"C:\\WINNT\\x.sys", ""},
                 {"", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(ovtb::services::DeviceNameFromPath(c.path), c.name) << c.path;
    EXPECT_EQ(CreateFileA("C:\\boot.ini", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
}

}  // namespace
