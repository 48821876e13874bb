// DiscoverPciBoards on a machine in a temporary directory, with the real service manager and
// the built ovpci.sys. The service and device functions are wrapped here (found after the test
// program with dlsym) to count open handles and to make single steps fail.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "catalog/pci_info_reply.h"
#include "panel/pci_discovery.h"
#include "platform/machine/machine.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"
#include "platform/services/fileapi.h"
#include "platform/services/service_state.h"
#include "platform/services/winsvc.h"

namespace {

namespace fs = std::filesystem;

// Which call fails, and how many handles are open.
struct Wrap {
    std::string failing;  // function name, "" for none
    int failOnCall = 1;   // the n-th call of it fails
    DWORD error = ERROR_ACCESS_DENIED;
    std::map<std::string, int> calls;
    std::set<void*> open;

    bool ShouldFail(const std::string& name) {
        return ++calls[name] == failOnCall && name == failing;
    }
};
Wrap gWrap;

template <typename Fn>
Fn Next(const char* mangled) {
    void* fn = dlsym(RTLD_NEXT, mangled);
    if (!fn) {
        std::fprintf(stderr, "pci_discovery_test: no %s after the test program\n", mangled);
        std::abort();
    }
    return reinterpret_cast<Fn>(fn);
}

}  // namespace

// The functions have C++ linkage; a changed signature shows as a missing symbol above.
SC_HANDLE OpenSCManagerA(LPCSTR machine, LPCSTR database, DWORD access) {
    static auto next = Next<decltype(&OpenSCManagerA)>("_Z14OpenSCManagerAPKcS0_j");
    if (gWrap.ShouldFail("OpenSCManagerA")) {
        SetLastError(gWrap.error);
        return nullptr;
    }
    SC_HANDLE h = next(machine, database, access);
    if (h)
        gWrap.open.insert(h);
    return h;
}

SC_HANDLE CreateServiceA(SC_HANDLE scm, LPCSTR name, LPCSTR display, DWORD access, DWORD type,
                         DWORD start, DWORD errorControl, LPCSTR path, LPCSTR group, LPDWORD tag,
                         LPCSTR dependencies, LPCSTR account, LPCSTR password) {
    static auto next = Next<decltype(&CreateServiceA)>(
        "_Z14CreateServiceAP11SC_HANDLE__PKcS2_jjjjS2_S2_PjS2_S2_S2_");
    if (gWrap.ShouldFail("CreateServiceA")) {
        SetLastError(gWrap.error);
        return nullptr;
    }
    SC_HANDLE h = next(scm, name, display, access, type, start, errorControl, path, group, tag,
                       dependencies, account, password);
    if (h)
        gWrap.open.insert(h);
    return h;
}

SC_HANDLE OpenServiceA(SC_HANDLE scm, LPCSTR name, DWORD access) {
    static auto next = Next<decltype(&OpenServiceA)>("_Z12OpenServiceAP11SC_HANDLE__PKcj");
    if (gWrap.ShouldFail("OpenServiceA")) {
        SetLastError(gWrap.error);
        return nullptr;
    }
    SC_HANDLE h = next(scm, name, access);
    if (h)
        gWrap.open.insert(h);
    return h;
}

BOOL StartServiceA(SC_HANDLE service, DWORD argc, LPCSTR* argv) {
    static auto next = Next<decltype(&StartServiceA)>("_Z13StartServiceAP11SC_HANDLE__jPPKc");
    if (gWrap.ShouldFail("StartServiceA")) {
        SetLastError(gWrap.error);
        return FALSE;
    }
    return next(service, argc, argv);
}

BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
    static auto next =
        Next<decltype(&ControlService)>("_Z14ControlServiceP11SC_HANDLE__jP14SERVICE_STATUS");
    if (gWrap.ShouldFail("ControlService")) {
        SetLastError(gWrap.error);
        return FALSE;
    }
    return next(service, control, status);
}

BOOL CloseServiceHandle(SC_HANDLE handle) {
    static auto next = Next<decltype(&CloseServiceHandle)>("_Z18CloseServiceHandleP11SC_HANDLE__");
    gWrap.open.erase(handle);
    return next(handle);
}

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                   DWORD disposition, DWORD flags, HANDLE templateFile) {
    static auto next =
        Next<decltype(&CreateFileA)>("_Z11CreateFileAPKcjjP19SECURITY_ATTRIBUTESjjP8HANDLE__");
    if (gWrap.ShouldFail("CreateFileA")) {
        SetLastError(gWrap.error);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE h = next(name, access, share, security, disposition, flags, templateFile);
    if (h != INVALID_HANDLE_VALUE)
        gWrap.open.insert(h);
    return h;
}

BOOL DeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                     LPDWORD returned, LPOVERLAPPED overlapped) {
    static auto next =
        Next<decltype(&DeviceIoControl)>("_Z15DeviceIoControlP8HANDLE__jPvjS1_jPjP10OVERLAPPED");
    const BOOL ok = next(device, code, in, inSize, out, outSize, returned, overlapped);
    // A driver that answers with one byte too few.
    if (gWrap.ShouldFail("DeviceIoControl") && returned)
        *returned = 179;
    return ok;
}

BOOL CloseHandle(HANDLE object) {
    static auto next = Next<decltype(&CloseHandle)>("_Z11CloseHandleP8HANDLE__");
    gWrap.open.erase(object);
    return next(object);
}

namespace {

constexpr char kKey[] = "SYSTEM\\CurrentControlSet\\Services\\ovpciinfo";

class DiscoverPciBoardsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gWrap = Wrap{};
        dir_ = fs::temp_directory_path() /
               ("pci_discovery_test." + std::to_string(::getpid()) + "." +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        const fs::path system32 = dir_ / "drive_c" / "WINNT" / "System32";
        fs::create_directories(system32);
        const char* bin = std::getenv("OVTB_BIN");
        ASSERT_NE(bin, nullptr);
        fs::copy_file(fs::path(bin) / "ovpci.sys", system32 / "ovpci.sys");
        fs::copy_file("pciinfo/tests/fixtures/nine_boards.dump", dir_ / "pci.dump");
        ovtb::machine::SetMachineDir(dir_);
        ovtb::registry::UseStoreFile(dir_ / "registry.db");
        reply_.fill(0xAB);
    }
    void TearDown() override {
        ovtb::services::Reboot();
        ovtb::registry::CloseStore();
        fs::remove_all(dir_);
    }
    bool ServiceRegistered() {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
    bool ServiceRunning() { return ovtb::services::IsServiceRunning("ovpciinfo"); }
    // Registers the service (image path as given) and leaves it, as an interrupted run would.
    void Register(const char* image) {
        SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        SC_HANDLE s =
            CreateServiceA(scm, "ovpciinfo", "ovpciinfo", SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                           SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, image, nullptr, nullptr,
                           nullptr, nullptr, nullptr);
        ASSERT_NE(s, nullptr);
        CloseServiceHandle(s);
        CloseServiceHandle(scm);
    }
    void StartRegistered() {
        SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        SC_HANDLE s = OpenServiceA(scm, "ovpciinfo", SERVICE_ALL_ACCESS);
        ASSERT_TRUE(StartServiceA(s, 0, nullptr));
        CloseServiceHandle(s);
        CloseServiceHandle(scm);
    }
    std::string DebugLog() {
        std::ifstream in(dir_ / "debug.log");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    fs::path dir_;
    std::array<std::uint8_t, 180> reply_;
};

TEST_F(DiscoverPciBoardsTest, ASuccessfulQueryFillsTheReplyAndLeavesNoServiceBehind) {
    ASSERT_EQ(ovtb::panel::DiscoverPciBoards(reply_), 1);
    auto reply = ovtb::catalog::PciInfoReply::Decode(reply_);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->count, 8u);
    EXPECT_EQ(reply->Board(0),
              (ovtb::catalog::PciBoardInfo{0x6780, 0, 3, 0xE100, 0xE200, 0xE04D, 11}));
    EXPECT_FALSE(ServiceRegistered());
    EXPECT_FALSE(ServiceRunning());
    EXPECT_TRUE(gWrap.open.empty());
    EXPECT_EQ(DebugLog(),
              "OVPCIINFO.SYS: IRP_MJ_CREATE\n"
              "OVPCIINFO.SYS: IRP_MJ_DEVICE_CONTROL\n"
              "OVPCIINFO.SYS: IRP_MJ_CLOSE\n"
              "REDIRUDO.SYS: unloading\n");
    // And once more: nothing of the first run is in the way.
    EXPECT_EQ(ovtb::panel::DiscoverPciBoards(reply_), 1);
}

TEST_F(DiscoverPciBoardsTest, AServiceLeftRegisteredIsUsedAsItStands) {
    Register("System32\\ovpci.sys");  // another path than the panel's: it is not compared
    ASSERT_EQ(ovtb::panel::DiscoverPciBoards(reply_), 1);
    EXPECT_FALSE(ServiceRegistered());
    EXPECT_TRUE(gWrap.open.empty());
}

TEST_F(DiscoverPciBoardsTest, ADriverStillRunningFailsDiscoveryAtTheStart) {
    Register("%SystemRoot%\\System32\\ovpci.sys");
    StartRegistered();
    gWrap.calls.clear();
    EXPECT_EQ(ovtb::panel::DiscoverPciBoards(reply_), 0);
    EXPECT_EQ(gWrap.calls["CreateFileA"], 0) << "the query is never reached";
    EXPECT_TRUE(ServiceRegistered());
    EXPECT_TRUE(gWrap.open.empty());
}

TEST_F(DiscoverPciBoardsTest, AMissingDriverFileFailsDiscoveryAndLeavesTheServiceRegistered) {
    fs::remove(dir_ / "drive_c" / "WINNT" / "System32" / "ovpci.sys");
    EXPECT_EQ(ovtb::panel::DiscoverPciBoards(reply_), 0);
    EXPECT_TRUE(ServiceRegistered());
    EXPECT_FALSE(ServiceRunning());
    EXPECT_TRUE(gWrap.open.empty());
}

TEST_F(DiscoverPciBoardsTest, EachFailingStepEndsDiscoveryWithEveryHandleClosed) {
    struct Case {
        const char* name;
        const char* failing;
        int onCall;
        bool registered;  // afterwards
        bool running;
    } cases[] = {
        {"no service manager", "OpenSCManagerA", 1, false, false},
        {"install refused", "CreateServiceA", 1, false, false},
        {"service gone before the start", "OpenServiceA", 1, true, false},
        {"start refused", "StartServiceA", 1, true, false},
        {"device cannot be opened", "CreateFileA", 1, true, true},
        {"reply one byte short", "DeviceIoControl", 1, true, true},
        {"service gone before the stop", "OpenServiceA", 2, true, true},
        {"stop refused", "ControlService", 1, true, true},
        {"service gone before the delete", "OpenServiceA", 3, true, false},
    };
    for (const auto& c : cases) {
        gWrap = Wrap{};
        gWrap.failing = c.failing;
        gWrap.failOnCall = c.onCall;
        EXPECT_EQ(ovtb::panel::DiscoverPciBoards(reply_), 0) << c.name;
        EXPECT_TRUE(gWrap.open.empty()) << c.name << ": " << gWrap.open.size() << " left open";
        EXPECT_EQ(ServiceRegistered(), c.registered) << c.name;
        EXPECT_EQ(ServiceRunning(), c.running) << c.name;
        // Back to a clean machine for the next case.
        gWrap.failing.clear();
        ovtb::services::Reboot();
        SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        if (SC_HANDLE s = OpenServiceA(scm, "ovpciinfo", SERVICE_ALL_ACCESS)) {
            DeleteService(s);
            CloseServiceHandle(s);
        }
        CloseServiceHandle(scm);
    }
}

}  // namespace
