// The I/O manager's side of the kernel: loading a driver's entry point, opening its devices by
// name, sending requests and unloading it. Used by platform/services (the service control
// manager and CreateFileA/DeviceIoControl); drivers never use it.
#pragma once

#include <string_view>

#include "platform/kernel/ntddk.h"

namespace ovtb::kernel {

// Creates a driver object named "\Driver\NAME" and calls `entry` with it and `registryPath`
// (the service key). The PCI bus is read again first. On success `*driver` is the loaded driver.
// When the entry point fails, the driver object and any device it left behind are deleted and its
// status is returned.
NTSTATUS LoadDriver(PDRIVER_INITIALIZE entry, std::u16string_view name,
                    std::u16string_view registryPath, PDRIVER_OBJECT* driver);

// True when the driver set an unload routine (a driver without one cannot be stopped).
bool CanUnloadDriver(PDRIVER_OBJECT driver);

// Calls the driver's unload routine, then deletes the devices it left (their open handles
// fail from then on) and the driver object. The driver's code may go away afterwards.
void UnloadDriver(PDRIVER_OBJECT driver);

struct FileObject;

// Opens the device named `path` ("\Device\X", or a link "\DosDevices\X" or "\??\X", any case):
// follows symbolic links, refuses a second handle to an exclusive device
// (STATUS_ACCESS_DENIED), sends IRP_MJ_CREATE and keeps the handle when the driver succeeds.
// STATUS_OBJECT_NAME_NOT_FOUND when no device has the name.
NTSTATUS OpenDevice(std::u16string_view path, ACCESS_MASK desiredAccess, FileObject** file);

// Sends IRP_MJ_DEVICE_CONTROL with buffered I/O: a system buffer of the larger of the two
// lengths holds the input; on return min(Information, outputLength) bytes of it are copied to
// `output` and reported in `*information`. The driver's completion status is returned.
NTSTATUS DeviceControl(FileObject* file, ULONG controlCode, const void* input, ULONG inputLength,
                       void* output, ULONG outputLength, ULONG_PTR* information);

// Sends IRP_MJ_CLEANUP and IRP_MJ_CLOSE (when the device still exists) and frees the handle.
void CloseFile(FileObject* file);

// Number of handles open on the device named `path` (after links), -1 when there is none.
int OpenHandleCount(std::u16string_view path);

}  // namespace ovtb::kernel
