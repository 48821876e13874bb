// The subset of the Windows NT kernel and HAL that a driver calls: device objects and symbolic
// links, I/O request packets with their stack location, request completion, counted Unicode
// strings, NT status codes, DbgPrint and HalGetBusData. Declared by us with the kernel's names,
// argument orders and result codes; a driver built against this header builds against the
// real kernel's with no change to its code.
//
// The I/O manager that creates driver objects and sends requests lives here too, in
// io_manager.h (used by platform/services, never by drivers). Debug output goes to the
// machine's DIR/debug.log; HalGetBusData reads platform/pci.
#pragma once

#include "platform/common/windef.h"

using NTSTATUS = LONG;
using CCHAR = char;
using PWSTR = WCHAR*;
using PCWSTR = const WCHAR*;
using PCSTR = const char*;
using DEVICE_TYPE = ULONG;
using ACCESS_MASK = ULONG;

constexpr bool NT_SUCCESS(NTSTATUS status) {
    return status >= 0;
}

// NT status codes (ntstatus.h values).
constexpr NTSTATUS STATUS_SUCCESS = 0;
constexpr NTSTATUS STATUS_PENDING = 0x00000103;
constexpr NTSTATUS STATUS_BUFFER_OVERFLOW = static_cast<NTSTATUS>(0x80000005u);
constexpr NTSTATUS STATUS_UNSUCCESSFUL = static_cast<NTSTATUS>(0xC0000001u);
constexpr NTSTATUS STATUS_NOT_IMPLEMENTED = static_cast<NTSTATUS>(0xC0000002u);
constexpr NTSTATUS STATUS_INVALID_HANDLE = static_cast<NTSTATUS>(0xC0000008u);
constexpr NTSTATUS STATUS_INVALID_PARAMETER = static_cast<NTSTATUS>(0xC000000Du);
constexpr NTSTATUS STATUS_NO_SUCH_DEVICE = static_cast<NTSTATUS>(0xC000000Eu);
constexpr NTSTATUS STATUS_INVALID_DEVICE_REQUEST = static_cast<NTSTATUS>(0xC0000010u);
constexpr NTSTATUS STATUS_ACCESS_DENIED = static_cast<NTSTATUS>(0xC0000022u);
constexpr NTSTATUS STATUS_BUFFER_TOO_SMALL = static_cast<NTSTATUS>(0xC0000023u);
constexpr NTSTATUS STATUS_OBJECT_NAME_INVALID = static_cast<NTSTATUS>(0xC0000033u);
constexpr NTSTATUS STATUS_OBJECT_NAME_NOT_FOUND = static_cast<NTSTATUS>(0xC0000034u);
constexpr NTSTATUS STATUS_OBJECT_NAME_COLLISION = static_cast<NTSTATUS>(0xC0000035u);
constexpr NTSTATUS STATUS_SHARING_VIOLATION = static_cast<NTSTATUS>(0xC0000043u);
constexpr NTSTATUS STATUS_DELETE_PENDING = static_cast<NTSTATUS>(0xC0000056u);
constexpr NTSTATUS STATUS_INSUFFICIENT_RESOURCES = static_cast<NTSTATUS>(0xC000009Au);

// Counted Unicode string; Length and MaximumLength are in bytes, Buffer need not end in a zero.
struct UNICODE_STRING {
    USHORT Length;
    USHORT MaximumLength;
    PWSTR Buffer;
};
using PUNICODE_STRING = UNICODE_STRING*;
using PCUNICODE_STRING = const UNICODE_STRING*;

// Points `destination` at `source` (not copied): Length is its length in bytes without the
// terminating zero, MaximumLength that plus 2. A null source gives an empty string.
void RtlInitUnicodeString(PUNICODE_STRING destination, PCWSTR source);

// The Win32 error code that user mode sees for an NT status (ERROR_MR_MID_NOT_FOUND, 317, for
// a status without one).
ULONG RtlNtStatusToDosError(NTSTATUS status);

struct IO_STATUS_BLOCK {
    NTSTATUS Status;
    ULONG_PTR Information;  // for a control request: the bytes returned
};
using PIO_STATUS_BLOCK = IO_STATUS_BLOCK*;

// Major function codes.
constexpr UCHAR IRP_MJ_CREATE = 0x00;
constexpr UCHAR IRP_MJ_CLOSE = 0x02;
constexpr UCHAR IRP_MJ_READ = 0x03;
constexpr UCHAR IRP_MJ_WRITE = 0x04;
constexpr UCHAR IRP_MJ_DEVICE_CONTROL = 0x0E;
constexpr UCHAR IRP_MJ_CLEANUP = 0x12;
constexpr UCHAR IRP_MJ_MAXIMUM_FUNCTION = 0x1B;

// Control codes: CTL_CODE(type, function, method, access).
constexpr ULONG METHOD_BUFFERED = 0;
constexpr ULONG METHOD_IN_DIRECT = 1;
constexpr ULONG METHOD_OUT_DIRECT = 2;
constexpr ULONG METHOD_NEITHER = 3;
constexpr ULONG FILE_ANY_ACCESS = 0;
constexpr ULONG FILE_READ_ACCESS = 1;
constexpr ULONG FILE_WRITE_ACCESS = 2;
constexpr ULONG CTL_CODE(ULONG deviceType, ULONG function, ULONG method, ULONG access) {
    return deviceType << 16 | access << 14 | function << 2 | method;
}

// Priority boost of IofCompleteRequest.
constexpr CCHAR IO_NO_INCREMENT = 0;

// Device object flags (Flags).
constexpr ULONG DO_BUFFERED_IO = 0x00000004;
constexpr ULONG DO_EXCLUSIVE = 0x00000008;
constexpr ULONG DO_DEVICE_INITIALIZING = 0x00000080;

struct DRIVER_OBJECT;
struct DEVICE_OBJECT;
struct IRP;
using PDRIVER_OBJECT = DRIVER_OBJECT*;
using PDEVICE_OBJECT = DEVICE_OBJECT*;
using PIRP = IRP*;

using PDRIVER_INITIALIZE = NTSTATUS (*)(PDRIVER_OBJECT driverObject, PUNICODE_STRING registryPath);
using PDRIVER_DISPATCH = NTSTATUS (*)(PDEVICE_OBJECT deviceObject, PIRP irp);
using PDRIVER_UNLOAD = void (*)(PDRIVER_OBJECT driverObject);

struct DEVICE_OBJECT {
    PDRIVER_OBJECT DriverObject;
    PDEVICE_OBJECT NextDevice;  // the driver's next device
    DEVICE_TYPE DeviceType;
    ULONG Characteristics;
    ULONG Flags;
    PVOID DeviceExtension;  // zero-filled, of the size given to IoCreateDevice
};

struct DRIVER_OBJECT {
    PDEVICE_OBJECT DeviceObject;  // the driver's devices, newest first
    UNICODE_STRING DriverName;    // "\Driver\NAME"
    PDRIVER_UNLOAD DriverUnload;  // null: the driver cannot be stopped
    // Every entry starts as the kernel's routine that refuses a request with
    // STATUS_INVALID_DEVICE_REQUEST.
    PDRIVER_DISPATCH MajorFunction[IRP_MJ_MAXIMUM_FUNCTION + 1];
};

struct IO_STACK_LOCATION {
    UCHAR MajorFunction;
    UCHAR MinorFunction;
    UCHAR Flags;
    UCHAR Control;
    union {
        struct {
            ACCESS_MASK DesiredAccess;
            ULONG Options;
            USHORT ShareAccess;
        } Create;
        struct {
            ULONG OutputBufferLength;
            ULONG InputBufferLength;
            ULONG IoControlCode;
            PVOID Type3InputBuffer;
        } DeviceIoControl;
    } Parameters;
    PDEVICE_OBJECT DeviceObject;
    PVOID FileObject;
};
using PIO_STACK_LOCATION = IO_STACK_LOCATION*;

struct IRP {
    IO_STATUS_BLOCK IoStatus;
    union {
        // Buffered I/O: one kernel buffer that holds the input on the way down and receives the
        // output (IoStatus.Information bytes of it are returned) on the way up.
        PVOID SystemBuffer;
    } AssociatedIrp;
    PVOID UserBuffer;
    IO_STACK_LOCATION Tail;  // the request's only stack location
};

inline PIO_STACK_LOCATION IoGetCurrentIrpStackLocation(PIRP irp) {
    return &irp->Tail;
}

// Creates a device object for `driverObject` with a zero-filled extension of `extensionSize`
// bytes, named `deviceName` (null: unnamed). An exclusive device admits one open handle at a
// time. STATUS_OBJECT_NAME_COLLISION when the name is taken; STATUS_OBJECT_NAME_INVALID when
// it does not begin with a backslash.
NTSTATUS IoCreateDevice(PDRIVER_OBJECT driverObject, ULONG extensionSize,
                        PUNICODE_STRING deviceName, DEVICE_TYPE deviceType,
                        ULONG deviceCharacteristics, BOOLEAN exclusive,
                        PDEVICE_OBJECT* deviceObject);
// Removes the device from the namespace and from its driver. Handles still open on it fail
// their requests with STATUS_NO_SUCH_DEVICE; the object goes with the last of them.
void IoDeleteDevice(PDEVICE_OBJECT deviceObject);

// Names: compared without regard to case; "\??\" stands for "\DosDevices\".
// STATUS_OBJECT_NAME_COLLISION when the link name is taken (by a link or a device).
NTSTATUS IoCreateSymbolicLink(PUNICODE_STRING symbolicLinkName, PUNICODE_STRING deviceName);
// STATUS_OBJECT_NAME_NOT_FOUND when there is no such link.
NTSTATUS IoDeleteSymbolicLink(PUNICODE_STRING symbolicLinkName);

// Completes the request: its IoStatus goes back to the caller. Every request that a driver
// receives must be completed once.
void IofCompleteRequest(PIRP irp, CCHAR priorityBoost);
inline void IoCompleteRequest(PIRP irp, CCHAR priorityBoost) {
    IofCompleteRequest(irp, priorityBoost);
}

// Appends the formatted text (printf conventions) to the machine's DIR/debug.log.
ULONG DbgPrint(PCSTR format, ...) __attribute__((format(printf, 1, 2)));

enum BUS_DATA_TYPE {
    ConfigurationSpaceUndefined = -1,
    Cmos = 0,
    EisaConfiguration = 1,
    Pos = 2,
    CbusConfiguration = 3,
    PCIConfiguration = 4,
    VMEConfiguration = 5,
    NuBusConfiguration = 6,
    PCMCIAConfiguration = 7,
    MPIConfiguration = 8,
    MPSAConfiguration = 9,
    PNPISAConfiguration = 10,
    MaximumBusDataType
};

// PCI (PCIConfiguration): reads the first `length` bytes of the configuration space of the
// function at `slotNumber` (bits 0-4 device, 5-7 function) on bus `busNumber`. Returns 0 when
// the bus does not exist, 2 when no device answers at the slot, else the bytes read. Other
// bus data types have no bus here: 0.
ULONG HalGetBusData(BUS_DATA_TYPE busDataType, ULONG busNumber, ULONG slotNumber, PVOID buffer,
                    ULONG length);
