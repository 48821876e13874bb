// The object namespace (devices and symbolic links), driver objects, handles and requests.
//
// One instance per process: this library is shared, so the host program and every driver
// module it loads see the same namespace. The lock guards the tables only; it is never held
// while a driver's code runs, since that code calls back into the kernel.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/kernel/io_manager.h"
#include "platform/pci/pci_config.h"

namespace ovtb::kernel {

struct DeviceRecord {
    DEVICE_OBJECT object{};
    std::u16string name;  // namespace key, empty for an unnamed device
    std::vector<std::uint8_t> extension;
    bool exclusive = false;
    bool deleted = false;  // out of the namespace, waiting for its last handle
    int openCount = 0;
};

struct DriverRecord {
    DRIVER_OBJECT object{};
    std::u16string name;
};

struct FileObject {
    DeviceRecord* device = nullptr;
};

namespace {

struct NamespaceEntry {
    DeviceRecord* device = nullptr;  // a device, or
    std::u16string linkTarget;       // a symbolic link to this (normalised) name
};

struct Kernel {
    std::mutex lock;
    std::map<std::u16string, NamespaceEntry> names;
    std::unordered_map<PDEVICE_OBJECT, std::unique_ptr<DeviceRecord>> devices;
    std::unordered_map<PDRIVER_OBJECT, std::unique_ptr<DriverRecord>> drivers;
    std::unordered_map<FileObject*, std::unique_ptr<FileObject>> files;
};

Kernel& K() {
    static Kernel kernel;
    return kernel;
}

char16_t Upper(char16_t c) {
    return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
}

// Upper case, and "\??\" as "\DosDevices\" (on NT 4.0 one is a link to the other).
std::u16string Normalise(std::u16string_view name) {
    std::u16string out;
    out.reserve(name.size());
    for (char16_t c : name)
        out.push_back(Upper(c));
    if (out.rfind(u"\\??\\", 0) == 0)
        out = u"\\DOSDEVICES\\" + out.substr(4);
    return out;
}

std::u16string_view View(PCUNICODE_STRING s) {
    if (!s || !s->Buffer)
        return {};
    return std::u16string_view(s->Buffer, s->Length / sizeof(WCHAR));
}

// Follows links from `name`; null when no device is at the end. Caller holds the lock.
DeviceRecord* Resolve(Kernel& k, std::u16string name) {
    for (int depth = 0; depth < 16; ++depth) {
        auto it = k.names.find(name);
        if (it == k.names.end())
            return nullptr;
        if (it->second.device)
            return it->second.device;
        name = it->second.linkTarget;
    }
    return nullptr;
}

NTSTATUS InvalidDeviceRequest(PDEVICE_OBJECT, PIRP irp) {
    irp->IoStatus.Status = STATUS_INVALID_DEVICE_REQUEST;
    irp->IoStatus.Information = 0;
    IofCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_INVALID_DEVICE_REQUEST;
}

// Per-request bookkeeping, found again by IofCompleteRequest.
struct PendingIrp {
    IRP irp{};
    bool completed = false;
};

thread_local std::vector<PendingIrp*> tInFlight;

// Sends one request to the device's driver and returns its final status.
NTSTATUS Send(DeviceRecord* device, PendingIrp& request) {
    PDRIVER_DISPATCH dispatch;
    {
        std::lock_guard guard(K().lock);
        if (device->deleted)
            return STATUS_NO_SUCH_DEVICE;
        dispatch = device->object.DriverObject->MajorFunction[request.irp.Tail.MajorFunction];
    }
    request.irp.IoStatus.Status = STATUS_SUCCESS;
    request.irp.IoStatus.Information = 0;
    request.irp.Tail.DeviceObject = &device->object;
    tInFlight.push_back(&request);
    const NTSTATUS returned = dispatch(&device->object, &request.irp);
    tInFlight.erase(std::find(tInFlight.begin(), tInFlight.end(), &request));
    return request.completed ? request.irp.IoStatus.Status : returned;
}

void RemoveFromDriver(DeviceRecord* device) {
    PDRIVER_OBJECT driver = device->object.DriverObject;
    for (PDEVICE_OBJECT* p = &driver->DeviceObject; *p; p = &(*p)->NextDevice) {
        if (*p == &device->object) {
            *p = device->object.NextDevice;
            break;
        }
    }
}

// Caller holds the lock.
void DeleteDeviceLocked(Kernel& k, PDEVICE_OBJECT object) {
    auto it = k.devices.find(object);
    if (it == k.devices.end() || it->second->deleted)
        return;
    DeviceRecord* device = it->second.get();
    if (!device->name.empty())
        k.names.erase(device->name);
    RemoveFromDriver(device);
    device->deleted = true;
    if (device->openCount == 0)
        k.devices.erase(it);
}

}  // namespace

NTSTATUS LoadDriver(PDRIVER_INITIALIZE entry, std::u16string_view name,
                    std::u16string_view registryPath, PDRIVER_OBJECT* driver) {
    // The HAL sees the bus as it is when a driver loads (a dump edited since is read again).
    ovtb::pci::ReloadBus();
    auto record = std::make_unique<DriverRecord>();
    record->name = u"\\Driver\\" + std::u16string(name);
    DRIVER_OBJECT& object = record->object;
    object.DriverName.Buffer = record->name.data();
    object.DriverName.Length = static_cast<USHORT>(record->name.size() * sizeof(WCHAR));
    object.DriverName.MaximumLength = object.DriverName.Length;
    for (auto& f : object.MajorFunction)
        f = InvalidDeviceRequest;
    PDRIVER_OBJECT self = &record->object;
    {
        std::lock_guard guard(K().lock);
        K().drivers[self] = std::move(record);
    }
    std::u16string path(registryPath);
    UNICODE_STRING registry{static_cast<USHORT>(path.size() * sizeof(WCHAR)),
                            static_cast<USHORT>(path.size() * sizeof(WCHAR)), path.data()};
    const NTSTATUS status = entry(self, &registry);
    if (!NT_SUCCESS(status)) {
        std::lock_guard guard(K().lock);
        while (self->DeviceObject)
            DeleteDeviceLocked(K(), self->DeviceObject);
        K().drivers.erase(self);
        return status;
    }
    *driver = self;
    return STATUS_SUCCESS;
}

bool CanUnloadDriver(PDRIVER_OBJECT driver) {
    return driver && driver->DriverUnload;
}

void UnloadDriver(PDRIVER_OBJECT driver) {
    if (driver->DriverUnload)
        driver->DriverUnload(driver);
    std::lock_guard guard(K().lock);
    while (driver->DeviceObject)
        DeleteDeviceLocked(K(), driver->DeviceObject);
    K().drivers.erase(driver);
}

NTSTATUS OpenDevice(std::u16string_view path, ACCESS_MASK desiredAccess, FileObject** file) {
    DeviceRecord* device;
    {
        std::lock_guard guard(K().lock);
        device = Resolve(K(), Normalise(path));
        if (!device)
            return STATUS_OBJECT_NAME_NOT_FOUND;
        if (device->exclusive && device->openCount > 0)
            return STATUS_ACCESS_DENIED;
        ++device->openCount;  // held while the create request runs
    }
    auto handle = std::make_unique<FileObject>();
    handle->device = device;
    PendingIrp request;
    request.irp.Tail.MajorFunction = IRP_MJ_CREATE;
    request.irp.Tail.Parameters.Create.DesiredAccess = desiredAccess;
    request.irp.Tail.FileObject = handle.get();
    const NTSTATUS status = Send(device, request);
    std::lock_guard guard(K().lock);
    if (!NT_SUCCESS(status)) {
        if (--device->openCount == 0 && device->deleted)
            K().devices.erase(&device->object);
        return status;
    }
    *file = handle.get();
    K().files[handle.get()] = std::move(handle);
    return STATUS_SUCCESS;
}

NTSTATUS DeviceControl(FileObject* file, ULONG controlCode, const void* input, ULONG inputLength,
                       void* output, ULONG outputLength, ULONG_PTR* information) {
    if (information)
        *information = 0;
    {
        std::lock_guard guard(K().lock);
        if (!file || !K().files.count(file))
            return STATUS_INVALID_HANDLE;
    }
    std::vector<std::uint8_t> system(std::max(inputLength, outputLength));
    if (input && inputLength)
        std::memcpy(system.data(), input, inputLength);
    PendingIrp request;
    request.irp.Tail.MajorFunction = IRP_MJ_DEVICE_CONTROL;
    request.irp.Tail.Parameters.DeviceIoControl.IoControlCode = controlCode;
    request.irp.Tail.Parameters.DeviceIoControl.InputBufferLength = input ? inputLength : 0;
    request.irp.Tail.Parameters.DeviceIoControl.OutputBufferLength = output ? outputLength : 0;
    request.irp.Tail.FileObject = file;
    request.irp.AssociatedIrp.SystemBuffer = system.empty() ? nullptr : system.data();
    request.irp.UserBuffer = output;
    const NTSTATUS status = Send(file->device, request);
    // Never more than the caller's buffer holds, whatever the driver claims.
    const ULONG_PTR returned =
        std::min<ULONG_PTR>(request.irp.IoStatus.Information, output ? outputLength : 0);
    if (NT_SUCCESS(status) && returned)
        std::memcpy(output, system.data(), returned);
    if (information)
        *information = NT_SUCCESS(status) ? returned : 0;
    return status;
}

void CloseFile(FileObject* file) {
    std::unique_ptr<FileObject> handle;
    {
        std::lock_guard guard(K().lock);
        auto it = K().files.find(file);
        if (it == K().files.end())
            return;
        handle = std::move(it->second);
        K().files.erase(it);
    }
    DeviceRecord* device = handle->device;
    for (UCHAR major : {IRP_MJ_CLEANUP, IRP_MJ_CLOSE}) {
        PendingIrp request;
        request.irp.Tail.MajorFunction = major;
        request.irp.Tail.FileObject = handle.get();
        Send(device, request);  // a deleted device gets no request
    }
    std::lock_guard guard(K().lock);
    if (--device->openCount == 0 && device->deleted)
        K().devices.erase(&device->object);
}

int OpenHandleCount(std::u16string_view path) {
    std::lock_guard guard(K().lock);
    DeviceRecord* device = Resolve(K(), Normalise(path));
    return device ? device->openCount : -1;
}

}  // namespace ovtb::kernel

using ovtb::kernel::DeviceRecord;
using ovtb::kernel::K;

NTSTATUS IoCreateDevice(PDRIVER_OBJECT driverObject, ULONG extensionSize,
                        PUNICODE_STRING deviceName, DEVICE_TYPE deviceType,
                        ULONG deviceCharacteristics, BOOLEAN exclusive,
                        PDEVICE_OBJECT* deviceObject) {
    if (!driverObject || !deviceObject)
        return STATUS_INVALID_PARAMETER;
    std::u16string name;
    if (deviceName && deviceName->Length) {
        name = ovtb::kernel::Normalise(ovtb::kernel::View(deviceName));
        if (name[0] != u'\\')
            return STATUS_OBJECT_NAME_INVALID;
    }
    std::lock_guard guard(K().lock);
    if (!name.empty() && K().names.count(name))
        return STATUS_OBJECT_NAME_COLLISION;
    auto record = std::make_unique<DeviceRecord>();
    record->name = name;
    record->exclusive = exclusive != 0;
    record->extension.assign(extensionSize, 0);
    DEVICE_OBJECT& object = record->object;
    object.DriverObject = driverObject;
    object.DeviceType = deviceType;
    object.Characteristics = deviceCharacteristics;
    object.Flags = DO_DEVICE_INITIALIZING | (exclusive ? DO_EXCLUSIVE : 0);
    object.DeviceExtension = extensionSize ? record->extension.data() : nullptr;
    object.NextDevice = driverObject->DeviceObject;
    driverObject->DeviceObject = &object;
    if (!name.empty())
        K().names[name].device = record.get();
    *deviceObject = &object;
    K().devices[&object] = std::move(record);
    return STATUS_SUCCESS;
}

void IoDeleteDevice(PDEVICE_OBJECT deviceObject) {
    std::lock_guard guard(K().lock);
    ovtb::kernel::DeleteDeviceLocked(K(), deviceObject);
}

NTSTATUS IoCreateSymbolicLink(PUNICODE_STRING symbolicLinkName, PUNICODE_STRING deviceName) {
    const std::u16string link = ovtb::kernel::Normalise(ovtb::kernel::View(symbolicLinkName));
    const std::u16string target = ovtb::kernel::Normalise(ovtb::kernel::View(deviceName));
    if (link.empty() || link[0] != u'\\' || target.empty())
        return STATUS_OBJECT_NAME_INVALID;
    std::lock_guard guard(K().lock);
    if (K().names.count(link))
        return STATUS_OBJECT_NAME_COLLISION;
    K().names[link].linkTarget = target;
    return STATUS_SUCCESS;
}

NTSTATUS IoDeleteSymbolicLink(PUNICODE_STRING symbolicLinkName) {
    const std::u16string link = ovtb::kernel::Normalise(ovtb::kernel::View(symbolicLinkName));
    std::lock_guard guard(K().lock);
    auto it = K().names.find(link);
    if (it == K().names.end() || it->second.device)
        return STATUS_OBJECT_NAME_NOT_FOUND;
    K().names.erase(it);
    return STATUS_SUCCESS;
}

void IofCompleteRequest(PIRP irp, CCHAR) {
    for (auto* request : ovtb::kernel::tInFlight) {
        if (&request->irp == irp)
            request->completed = true;
    }
}
