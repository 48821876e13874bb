#include "panel/pci_discovery.h"

#include "catalog/board_catalog.h"
#include "platform/services/fileapi.h"
#include "platform/services/winsvc.h"

namespace ovtb::panel {

namespace {

// Step 2: register the service; one that exists already counts as installed.
bool InstallService(SC_HANDLE scm) {
    SC_HANDLE service =
        CreateServiceA(scm, PCI_INFO_SERVICE_NAME, PCI_INFO_SERVICE_NAME, SERVICE_ALL_ACCESS,
                       SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                       PCI_INFO_DRIVER_FILE, nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!service)
        return GetLastError() == static_cast<DWORD>(ERROR_SERVICE_EXISTS);
    CloseServiceHandle(service);
    return true;
}

// Step 3.
bool StartDriver(SC_HANDLE scm) {
    SC_HANDLE service = OpenServiceA(scm, PCI_INFO_SERVICE_NAME, SERVICE_ALL_ACCESS);
    if (!service)
        return false;
    const BOOL started = StartServiceA(service, 0, nullptr);
    CloseServiceHandle(service);
    return started != 0;
}

// Step 4: one control request with the 4-byte vendor id into the caller's buffer; exactly 180
// bytes must come back.
bool QueryDriver(std::span<std::uint8_t, catalog::PCI_INFO_REPLY_SIZE> reply) {
    HANDLE device = CreateFileA(PCI_INFO_DEVICE_PATH, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (device == INVALID_HANDLE_VALUE)
        return false;
    const std::uint32_t vendor = catalog::BOARD_VENDOR_ID;
    BYTE request[4] = {static_cast<BYTE>(vendor), static_cast<BYTE>(vendor >> 8),
                       static_cast<BYTE>(vendor >> 16), static_cast<BYTE>(vendor >> 24)};
    DWORD returned = 0;
    const BOOL ok =
        DeviceIoControl(device, catalog::IOCTL_PCI_BOARD_INFO, request, sizeof request,
                        reply.data(), static_cast<DWORD>(reply.size()), &returned, nullptr);
    CloseHandle(device);
    return ok && returned == catalog::PCI_INFO_REPLY_SIZE;
}

// Step 5.
bool StopDriver(SC_HANDLE scm) {
    SC_HANDLE service = OpenServiceA(scm, PCI_INFO_SERVICE_NAME, SERVICE_ALL_ACCESS);
    if (!service)
        return false;
    SERVICE_STATUS status{};
    const BOOL stopped = ControlService(service, SERVICE_CONTROL_STOP, &status);
    CloseServiceHandle(service);
    return stopped != 0;
}

// Step 6: the delete's own result is not examined.
bool DeleteDriverService(SC_HANDLE scm) {
    SC_HANDLE service = OpenServiceA(scm, PCI_INFO_SERVICE_NAME, SERVICE_ALL_ACCESS);
    if (!service)
        return false;
    DeleteService(service);
    CloseServiceHandle(service);
    return true;
}

}  // namespace

int DiscoverPciBoards(std::span<std::uint8_t, catalog::PCI_INFO_REPLY_SIZE> reply) {
    SC_HANDLE scm = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!scm)
        return 0;
    const bool ok = InstallService(scm) && StartDriver(scm) && QueryDriver(reply) &&
                    StopDriver(scm) && DeleteDriverService(scm);
    CloseServiceHandle(scm);
    return ok ? 1 : 0;
}

}  // namespace ovtb::panel
