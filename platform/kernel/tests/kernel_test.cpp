#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/kernel/io_manager.h"
#include "platform/kernel/ntddk.h"
#include "platform/machine/machine.h"
#include "platform/pci/pci_config.h"

namespace ovtb::kernel {
namespace {

namespace fs = std::filesystem;

// A driver written in the test: its device "\Device\TestDev" (exclusive or not), link
// "\DosDevices\TestLink"; control code 1 echoes the input reversed and claims `claimed` bytes.
struct TestDriver {
    static inline bool exclusive = true;
    static inline ULONG_PTR claimed = 0;
    static inline std::vector<UCHAR> majors;
    static inline int unloads = 0;
    static inline NTSTATUS entryResult = STATUS_SUCCESS;

    static NTSTATUS Entry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
        UNICODE_STRING name, link;
        RtlInitUnicodeString(&name, u"\\Device\\TestDev");
        RtlInitUnicodeString(&link, u"\\DosDevices\\TestLink");
        PDEVICE_OBJECT device;
        NTSTATUS status = IoCreateDevice(driver, 16, &name, 0x8000, 0, exclusive, &device);
        if (!NT_SUCCESS(status))
            return status;
        IoCreateSymbolicLink(&link, &name);
        driver->MajorFunction[IRP_MJ_CREATE] = Dispatch;
        driver->MajorFunction[IRP_MJ_CLOSE] = Dispatch;
        driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = Dispatch;
        driver->DriverUnload = Unload;
        return entryResult;  // a failing entry leaves its device and link behind on purpose
    }
    static NTSTATUS Dispatch(PDEVICE_OBJECT, PIRP irp) {
        PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
        majors.push_back(stack->MajorFunction);
        if (stack->MajorFunction == IRP_MJ_DEVICE_CONTROL) {
            auto* buf = static_cast<UCHAR*>(irp->AssociatedIrp.SystemBuffer);
            const ULONG in = stack->Parameters.DeviceIoControl.InputBufferLength;
            if (stack->Parameters.DeviceIoControl.IoControlCode != 1) {
                irp->IoStatus.Status = STATUS_INVALID_PARAMETER;
            } else {
                for (ULONG i = 0; i < in / 2; ++i)
                    std::swap(buf[i], buf[in - 1 - i]);
                irp->IoStatus.Information = claimed;
            }
        }
        const NTSTATUS status = irp->IoStatus.Status;
        IofCompleteRequest(irp, IO_NO_INCREMENT);
        return status;
    }
    static void Unload(PDRIVER_OBJECT driver) {
        ++unloads;
        UNICODE_STRING link;
        RtlInitUnicodeString(&link, u"\\DosDevices\\TestLink");
        IoDeleteSymbolicLink(&link);
        // The device is left for the kernel to remove.
        (void)driver;
    }
};

class KernelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        TestDriver::exclusive = true;
        TestDriver::claimed = 0;
        TestDriver::majors.clear();
        TestDriver::unloads = 0;
        TestDriver::entryResult = STATUS_SUCCESS;
        ASSERT_EQ(LoadDriver(TestDriver::Entry, u"TestDrv", u"\\Registry\\Machine\\X", &driver_),
                  STATUS_SUCCESS);
    }
    void TearDown() override {
        if (driver_)
            UnloadDriver(driver_);
    }
    PDRIVER_OBJECT driver_ = nullptr;
};

TEST_F(KernelTest, LinksResolveWithoutRegardToCaseAndRequestsReachTheDriver) {
    FileObject* file = nullptr;
    ASSERT_EQ(OpenDevice(u"\\??\\testlink", 0, &file), STATUS_SUCCESS);
    const UCHAR in[4] = {1, 2, 3, 4};
    UCHAR out[8];
    std::memset(out, 0xAB, sizeof out);
    ULONG_PTR returned = 99;
    TestDriver::claimed = 4;
    EXPECT_EQ(DeviceControl(file, 1, in, 4, out, 8, &returned), STATUS_SUCCESS);
    EXPECT_EQ(returned, 4u);
    EXPECT_EQ(std::vector<UCHAR>(out, out + 5), (std::vector<UCHAR>{4, 3, 2, 1, 0xAB}));

    EXPECT_EQ(DeviceControl(file, 2, in, 4, out, 8, &returned), STATUS_INVALID_PARAMETER);
    EXPECT_EQ(returned, 0u);
    CloseFile(file);
    EXPECT_EQ(TestDriver::majors, (std::vector<UCHAR>{IRP_MJ_CREATE, IRP_MJ_DEVICE_CONTROL,
                                                      IRP_MJ_DEVICE_CONTROL, IRP_MJ_CLOSE}))
        << "cleanup goes to the kernel's default routine, which the driver did not replace";

    EXPECT_EQ(OpenDevice(u"\\DEVICE\\TESTDEV", 0, &file), STATUS_SUCCESS);
    CloseFile(file);
    EXPECT_EQ(OpenDevice(u"\\??\\NoSuchLink", 0, &file), STATUS_OBJECT_NAME_NOT_FOUND);
}

TEST_F(KernelTest, ADriverClaimingMoreThanTheCallersBufferHoldsIsCutToTheBuffer) {
    FileObject* file = nullptr;
    ASSERT_EQ(OpenDevice(u"\\??\\TestLink", 0, &file), STATUS_SUCCESS);
    UCHAR in[16] = {0};
    UCHAR out[16];
    std::memset(out, 0xAB, sizeof out);
    ULONG_PTR returned = 0;
    TestDriver::claimed = 1000;
    EXPECT_EQ(DeviceControl(file, 1, in, 16, out, 4, &returned), STATUS_SUCCESS);
    EXPECT_EQ(returned, 4u);
    EXPECT_EQ(out[4], 0xAB);
    CloseFile(file);
}

TEST_F(KernelTest, AnExclusiveDeviceAdmitsOneHandleAtATime) {
    FileObject* first = nullptr;
    FileObject* second = nullptr;
    ASSERT_EQ(OpenDevice(u"\\??\\TestLink", 0, &first), STATUS_SUCCESS);
    EXPECT_EQ(OpenDevice(u"\\??\\TestLink", 0, &second), STATUS_ACCESS_DENIED);
    EXPECT_EQ(OpenHandleCount(u"\\??\\TestLink"), 1);
    CloseFile(first);
    ASSERT_EQ(OpenDevice(u"\\??\\TestLink", 0, &second), STATUS_SUCCESS);
    CloseFile(second);
    EXPECT_EQ(OpenHandleCount(u"\\??\\TestLink"), 0);
}

TEST_F(KernelTest, NamesAreTakenOnceAndUnregisteredRequestsAreRefused) {
    UNICODE_STRING name, link, absent;
    RtlInitUnicodeString(&name, u"\\device\\testdev");
    RtlInitUnicodeString(&link, u"\\DosDevices\\TESTLINK");
    RtlInitUnicodeString(&absent, u"\\DosDevices\\Absent");
    PDEVICE_OBJECT device;
    EXPECT_EQ(IoCreateDevice(driver_, 0, &name, 0x8000, 0, FALSE, &device),
              STATUS_OBJECT_NAME_COLLISION);
    EXPECT_EQ(IoCreateSymbolicLink(&link, &name), STATUS_OBJECT_NAME_COLLISION);
    EXPECT_EQ(IoDeleteSymbolicLink(&absent), STATUS_OBJECT_NAME_NOT_FOUND);
    EXPECT_EQ(IoDeleteSymbolicLink(&name), STATUS_OBJECT_NAME_NOT_FOUND) << "a device is no link";

    driver_->MajorFunction[IRP_MJ_DEVICE_CONTROL] = driver_->MajorFunction[IRP_MJ_READ];
    FileObject* file = nullptr;
    ASSERT_EQ(OpenDevice(u"\\??\\TestLink", 0, &file), STATUS_SUCCESS);
    ULONG_PTR returned;
    EXPECT_EQ(DeviceControl(file, 1, nullptr, 0, nullptr, 0, &returned),
              STATUS_INVALID_DEVICE_REQUEST);
    CloseFile(file);
}

TEST_F(KernelTest, HandlesOutlivingTheirDeviceFailWithoutReachingTheDriver) {
    FileObject* file = nullptr;
    ASSERT_EQ(OpenDevice(u"\\??\\TestLink", 0, &file), STATUS_SUCCESS);
    UnloadDriver(driver_);
    driver_ = nullptr;
    EXPECT_EQ(TestDriver::unloads, 1);
    TestDriver::majors.clear();
    ULONG_PTR returned;
    EXPECT_EQ(DeviceControl(file, 1, nullptr, 0, nullptr, 0, &returned), STATUS_NO_SUCH_DEVICE);
    CloseFile(file);
    EXPECT_TRUE(TestDriver::majors.empty());
    EXPECT_EQ(OpenDevice(u"\\Device\\TestDev", 0, &file), STATUS_OBJECT_NAME_NOT_FOUND);
    // The names are free for the next load.
    ASSERT_EQ(LoadDriver(TestDriver::Entry, u"TestDrv", u"", &driver_), STATUS_SUCCESS);
}

TEST_F(KernelTest, AFailedEntryPointLeavesNoDeviceBehind) {
    UnloadDriver(driver_);
    driver_ = nullptr;
    TestDriver::entryResult = STATUS_INSUFFICIENT_RESOURCES;
    PDRIVER_OBJECT failed = nullptr;
    EXPECT_EQ(LoadDriver(TestDriver::Entry, u"TestDrv", u"", &failed),
              STATUS_INSUFFICIENT_RESOURCES);
    EXPECT_EQ(failed, nullptr);
    EXPECT_EQ(OpenHandleCount(u"\\Device\\TestDev"), -1);
    // Its link was left (as the driver left it) but leads nowhere.
    FileObject* file = nullptr;
    EXPECT_EQ(OpenDevice(u"\\??\\TestLink", 0, &file), STATUS_OBJECT_NAME_NOT_FOUND);
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, u"\\DosDevices\\TestLink");
    EXPECT_EQ(IoDeleteSymbolicLink(&link), STATUS_SUCCESS);
}

TEST(KernelRuntime, UnicodeStringsCountBytes) {
    UNICODE_STRING s;
    RtlInitUnicodeString(&s, u"\\Device\\OvPciInfo");
    EXPECT_EQ(s.Length, 34);
    EXPECT_EQ(s.MaximumLength, 36);
    RtlInitUnicodeString(&s, nullptr);
    EXPECT_EQ(s.Length, 0);
    EXPECT_EQ(s.MaximumLength, 0);
    EXPECT_EQ(s.Buffer, nullptr);
}

TEST(KernelRuntime, StatusesTranslateToWin32Errors) {
    EXPECT_EQ(RtlNtStatusToDosError(STATUS_SUCCESS), 0u);
    EXPECT_EQ(RtlNtStatusToDosError(STATUS_ACCESS_DENIED), 5u);
    EXPECT_EQ(RtlNtStatusToDosError(STATUS_OBJECT_NAME_NOT_FOUND), 2u);
    EXPECT_EQ(RtlNtStatusToDosError(STATUS_OBJECT_NAME_COLLISION), 183u);
    EXPECT_EQ(RtlNtStatusToDosError(STATUS_BUFFER_TOO_SMALL), 122u);
    EXPECT_EQ(RtlNtStatusToDosError(static_cast<NTSTATUS>(0xC0DE0001u)), 317u);
}

TEST(KernelRuntime, DebugOutputIsAppendedToTheMachinesLogAndBusDataComesFromItsBus) {
    const fs::path dir = fs::temp_directory_path() / ("kernel_test." + std::to_string(::getpid()));
    fs::create_directories(dir);
    machine::SetMachineDir(dir);
    fs::copy_file("platform/pci/tests/fixtures/bridges.dump", dir / "pci.dump");
    pci::ReloadBus();

    DbgPrint("OVPCIINFO.SYS: %s\n", "first");
    DbgPrint("second %d\n", 2);
    std::ifstream in(dir / "debug.log");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str(), "OVPCIINFO.SYS: first\nsecond 2\n");

    UCHAR header[64];
    EXPECT_EQ(HalGetBusData(PCIConfiguration, 2, 3, header, 64), 64u);
    EXPECT_EQ(header[2] | header[3] << 8, 0x6780);
    EXPECT_EQ(HalGetBusData(PCIConfiguration, 1, 0, header, 64), 0u);
    EXPECT_EQ(HalGetBusData(Cmos, 0, 0, header, 64), 0u);
    pci::ReloadBus();
    fs::remove_all(dir);
}

}  // namespace
}  // namespace ovtb::kernel
