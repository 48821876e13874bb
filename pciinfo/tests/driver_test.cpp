// The built module build/bin/ovpci.sys, loaded as the service manager loads it.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "catalog/pci_info_reply.h"
#include "platform/kernel/io_manager.h"
#include "platform/kernel/ntddk.h"
#include "platform/machine/machine.h"
#include "platform/pci/pci_config.h"

namespace {

namespace fs = std::filesystem;
using ovtb::catalog::IOCTL_PCI_BOARD_INFO;
using ovtb::catalog::PciInfoReply;
namespace kernel = ovtb::kernel;

class OvpciDriver : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* bin = std::getenv("OVTB_BIN");
        ASSERT_NE(bin, nullptr) << "OVTB_BIN names the build's bin directory";
        module_ = dlopen((fs::path(bin) / "ovpci.sys").c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module_, nullptr) << dlerror();
        entry_ = reinterpret_cast<PDRIVER_INITIALIZE>(dlsym(module_, "DriverEntry"));
        ASSERT_NE(entry_, nullptr);
        dir_ = fs::temp_directory_path() / ("ovpci_driver_test." + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::copy_file("pciinfo/tests/fixtures/nine_boards.dump", dir_ / "pci.dump");
        ovtb::machine::SetMachineDir(dir_);
        ovtb::pci::ReloadBus();
    }
    void TearDown() override {
        if (driver_)
            kernel::UnloadDriver(driver_);
        if (module_)
            dlclose(module_);
        ovtb::pci::ReloadBus();
        fs::remove_all(dir_);
    }
    NTSTATUS Load() {
        return kernel::LoadDriver(
            entry_, u"ovpciinfo",
            u"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\ovpciinfo", &driver_);
    }
    std::string DebugLog() {
        std::ifstream in(dir_ / "debug.log");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    void* module_ = nullptr;
    PDRIVER_INITIALIZE entry_ = nullptr;
    PDRIVER_OBJECT driver_ = nullptr;
    fs::path dir_;
};

TEST_F(OvpciDriver, AnswersTheControlCodeWith180BytesWhateverLargerBufferItIsGiven) {
    ASSERT_EQ(Load(), STATUS_SUCCESS);
    kernel::FileObject* file = nullptr;
    ASSERT_EQ(kernel::OpenDevice(u"\\\\.\\ovpciinfo", 0, &file), STATUS_OBJECT_NAME_NOT_FOUND)
        << "user-mode paths are the service layer's business";
    ASSERT_EQ(kernel::OpenDevice(u"\\??\\ovpciinfo", 0, &file), STATUS_SUCCESS);

    struct Case {
        const char* name;
        ULONG code;
        ULONG inputLength;
        ULONG outputLength;
        NTSTATUS status;
        ULONG_PTR returned;
    } cases[] = {
        {"179-byte buffer", IOCTL_PCI_BOARD_INFO, 4, 179, STATUS_BUFFER_TOO_SMALL, 0},
        {"exactly 180 bytes", IOCTL_PCI_BOARD_INFO, 4, 180, STATUS_SUCCESS, 180},
        {"256-byte buffer", IOCTL_PCI_BOARD_INFO, 4, 256, STATUS_SUCCESS, 180},
        {"no input at all", IOCTL_PCI_BOARD_INFO, 0, 180, STATUS_SUCCESS, 180},
        {"another control code", IOCTL_PCI_BOARD_INFO + 4, 4, 180, STATUS_INVALID_PARAMETER, 0},
    };
    const std::array<std::uint8_t, 4> request = {0x12, 0x34, 0x56, 0x78};  // not our vendor id
    for (const auto& c : cases) {
        std::array<std::uint8_t, 256> out;
        out.fill(0xAB);
        ULONG_PTR returned = 77;
        EXPECT_EQ(kernel::DeviceControl(file, c.code, request.data(), c.inputLength, out.data(),
                                        c.outputLength, &returned),
                  c.status)
            << c.name;
        EXPECT_EQ(returned, c.returned) << c.name;
        EXPECT_EQ(out[180], 0xAB) << c.name << ": nothing past the reply";
        if (c.returned) {
            auto reply = PciInfoReply::Decode(std::span(out.data(), 180));
            ASSERT_TRUE(reply);
            EXPECT_EQ(reply->count, 8u) << c.name;
            EXPECT_EQ(reply->busNumber[7], 100u) << c.name;
        }
    }
    kernel::CloseFile(file);
}

TEST_F(OvpciDriver, ASecondOpenFailsWhileTheFirstIsOpen) {
    ASSERT_EQ(Load(), STATUS_SUCCESS);
    kernel::FileObject* first = nullptr;
    kernel::FileObject* second = nullptr;
    ASSERT_EQ(kernel::OpenDevice(u"\\DosDevices\\OVPCIINFO", 0, &first), STATUS_SUCCESS);
    EXPECT_EQ(kernel::OpenDevice(u"\\Device\\OvPciInfo", 0, &second), STATUS_ACCESS_DENIED);
    kernel::CloseFile(first);
    ASSERT_EQ(kernel::OpenDevice(u"\\Device\\OvPciInfo", 0, &second), STATUS_SUCCESS);
    kernel::CloseFile(second);
}

TEST_F(OvpciDriver, PrintsItsMessagesAndRemovesItsNamesOnUnload) {
    ASSERT_EQ(Load(), STATUS_SUCCESS);
    kernel::FileObject* file = nullptr;
    ASSERT_EQ(kernel::OpenDevice(u"\\??\\OvPciInfo", 0, &file), STATUS_SUCCESS);
    std::array<std::uint8_t, 180> out{};
    ULONG_PTR returned;
    kernel::DeviceControl(file, IOCTL_PCI_BOARD_INFO, nullptr, 0, out.data(), 180, &returned);
    kernel::CloseFile(file);
    kernel::UnloadDriver(driver_);
    driver_ = nullptr;
    EXPECT_EQ(DebugLog(),
              "OVPCIINFO.SYS: IRP_MJ_CREATE\n"
              "OVPCIINFO.SYS: IRP_MJ_DEVICE_CONTROL\n"
              "OVPCIINFO.SYS: IRP_MJ_CLOSE\n"
              "REDIRUDO.SYS: unloading\n");
    EXPECT_EQ(kernel::OpenHandleCount(u"\\Device\\OvPciInfo"), -1);
    EXPECT_EQ(kernel::OpenHandleCount(u"\\??\\OvPciInfo"), -1);
    // Loads again cleanly.
    ASSERT_EQ(Load(), STATUS_SUCCESS);
}

TEST_F(OvpciDriver, ATakenLinkNameFailsTheLoadAndRemovesTheDevice) {
    UNICODE_STRING link, target;
    RtlInitUnicodeString(&link, u"\\DosDevices\\OvPciInfo");
    RtlInitUnicodeString(&target, u"\\Device\\Elsewhere");
    ASSERT_EQ(IoCreateSymbolicLink(&link, &target), STATUS_SUCCESS);
    EXPECT_EQ(Load(), STATUS_OBJECT_NAME_COLLISION);
    driver_ = nullptr;
    EXPECT_EQ(DebugLog(), "OVPCIINFO.SYS: IoCreateSymbolicLink failed\n");
    EXPECT_EQ(kernel::OpenHandleCount(u"\\Device\\OvPciInfo"), -1);
    IoDeleteSymbolicLink(&link);
}

NTSTATUS TakeTheDeviceName(PDRIVER_OBJECT driver, PUNICODE_STRING) {
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, u"\\Device\\OvPciInfo");
    PDEVICE_OBJECT device;
    return IoCreateDevice(driver, 0, &name, 0x8000, 0, FALSE, &device);
}

TEST_F(OvpciDriver, ATakenDeviceNameFailsTheLoadSilently) {
    PDRIVER_OBJECT squatter = nullptr;
    ASSERT_EQ(kernel::LoadDriver(TakeTheDeviceName, u"squatter", u"", &squatter), STATUS_SUCCESS);
    EXPECT_EQ(Load(), STATUS_OBJECT_NAME_COLLISION);
    driver_ = nullptr;
    EXPECT_EQ(DebugLog(), "");
    kernel::UnloadDriver(squatter);
}

}  // namespace
