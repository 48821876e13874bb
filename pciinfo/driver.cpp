// ovpci.sys: the kernel-mode entry points of the PCI information driver. One device,
// "\Device\OvPciInfo", exclusive, reached from user mode through "\DosDevices\OvPciInfo"; one
// control code, answered with the scan of pci_scan.cpp. No state is kept between requests.
#include <span>

#include "catalog/pci_info_reply.h"
#include "pciinfo/pci_scan.h"
#include "platform/kernel/ntddk.h"

namespace {

constexpr WCHAR kDeviceName[] = u"\\Device\\OvPciInfo";
constexpr WCHAR kLinkName[] = u"\\DosDevices\\OvPciInfo";

ULONG ReadPciConfig(ULONG bus, ULONG slot, PVOID buffer, ULONG length) {
    return HalGetBusData(PCIConfiguration, bus, slot, buffer, length);
}

}  // namespace

NTSTATUS OvPciDrvDispatch(PDEVICE_OBJECT deviceObject, PIRP irp);
void OvPciDrvUnload(PDRIVER_OBJECT driverObject);

extern "C" NTSTATUS DriverEntry(PDRIVER_OBJECT driverObject, PUNICODE_STRING /*registryPath*/) {
    UNICODE_STRING deviceName;
    UNICODE_STRING linkName;
    RtlInitUnicodeString(&deviceName, kDeviceName);
    RtlInitUnicodeString(&linkName, kLinkName);

    PDEVICE_OBJECT deviceObject = nullptr;
    NTSTATUS status = IoCreateDevice(driverObject, 0, &deviceName,
                                     ovtb::catalog::FILE_DEVICE_PCI_INFO, 0, TRUE, &deviceObject);
    if (!NT_SUCCESS(status))
        return status;

    const NTSTATUS linkStatus = IoCreateSymbolicLink(&linkName, &deviceName);
    if (!NT_SUCCESS(linkStatus))
        DbgPrint("OVPCIINFO.SYS: IoCreateSymbolicLink failed\n");

    driverObject->MajorFunction[IRP_MJ_CREATE] = OvPciDrvDispatch;
    driverObject->MajorFunction[IRP_MJ_CLOSE] = OvPciDrvDispatch;
    driverObject->MajorFunction[IRP_MJ_DEVICE_CONTROL] = OvPciDrvDispatch;
    driverObject->DriverUnload = OvPciDrvUnload;

    if (!NT_SUCCESS(linkStatus)) {
        IoDeleteDevice(deviceObject);
        return linkStatus;
    }
    return STATUS_SUCCESS;
}

NTSTATUS OvPciDrvDispatch(PDEVICE_OBJECT /*deviceObject*/, PIRP irp) {
    irp->IoStatus.Status = STATUS_SUCCESS;
    irp->IoStatus.Information = 0;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    switch (stack->MajorFunction) {
        case IRP_MJ_CREATE:
            DbgPrint("OVPCIINFO.SYS: IRP_MJ_CREATE\n");
            break;
        case IRP_MJ_CLOSE:
            DbgPrint("OVPCIINFO.SYS: IRP_MJ_CLOSE\n");
            break;
        case IRP_MJ_DEVICE_CONTROL: {
            DbgPrint("OVPCIINFO.SYS: IRP_MJ_DEVICE_CONTROL\n");
            const ULONG outputLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
            if (stack->Parameters.DeviceIoControl.IoControlCode !=
                ovtb::catalog::IOCTL_PCI_BOARD_INFO) {
                irp->IoStatus.Status = STATUS_INVALID_PARAMETER;
            } else if (outputLength < ovtb::catalog::PCI_INFO_REPLY_SIZE) {
                irp->IoStatus.Status = STATUS_BUFFER_TOO_SMALL;
            } else {
                // The input buffer is not read: boards are matched against our own vendor id.
                const ovtb::catalog::PciInfoReply reply =
                    ovtb::pciinfo::ScanPciBoards(ReadPciConfig);
                reply.Encode(std::span(static_cast<std::uint8_t*>(irp->AssociatedIrp.SystemBuffer),
                                       outputLength));
                irp->IoStatus.Information = ovtb::catalog::PCI_INFO_REPLY_SIZE;
            }
            break;
        }
        default:
            break;
    }
    const NTSTATUS status = irp->IoStatus.Status;
    IofCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

void OvPciDrvUnload(PDRIVER_OBJECT driverObject) {
    UNICODE_STRING linkName;
    RtlInitUnicodeString(&linkName, kLinkName);
    IoDeleteSymbolicLink(&linkName);
    IoDeleteDevice(driverObject->DeviceObject);
    DbgPrint("REDIRUDO.SYS: unloading\n");
}
