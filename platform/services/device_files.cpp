// CreateFileA, DeviceIoControl and CloseHandle on drivers' devices.
#include <map>
#include <mutex>
#include <string>

#include "platform/kernel/io_manager.h"
#include "platform/services/fileapi.h"
#include "platform/services/service_state.h"
#include "platform/services/winsvc.h"

namespace {

std::mutex gLock;
std::map<ULONG_PTR, ovtb::kernel::FileObject*> gFiles;
ULONG_PTR gNextHandle = 0x10000;

ovtb::kernel::FileObject* Find(HANDLE handle) {
    std::lock_guard guard(gLock);
    auto it = gFiles.find(reinterpret_cast<ULONG_PTR>(handle));
    return it == gFiles.end() ? nullptr : it->second;
}

}  // namespace

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD /*shareMode*/,
                   LPSECURITY_ATTRIBUTES /*securityAttributes*/, DWORD /*creationDisposition*/,
                   DWORD /*flagsAndAttributes*/, HANDLE /*templateFile*/) {
    const std::string_view path = fileName ? fileName : "";
    if (path.rfind("\\\\.\\", 0) != 0) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return INVALID_HANDLE_VALUE;
    }
    const std::string name = ovtb::services::DeviceNameFromPath(path);
    if (name.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::u16string nt = u"\\??\\";
    for (unsigned char c : name)
        nt.push_back(static_cast<char16_t>(c));
    ovtb::kernel::FileObject* file = nullptr;
    const NTSTATUS status = ovtb::kernel::OpenDevice(nt, desiredAccess, &file);
    if (!NT_SUCCESS(status)) {
        SetLastError(RtlNtStatusToDosError(status));
        return INVALID_HANDLE_VALUE;
    }
    std::lock_guard guard(gLock);
    const ULONG_PTR handle = gNextHandle;
    gNextHandle += 4;
    gFiles[handle] = file;
    SetLastError(ERROR_SUCCESS);
    return reinterpret_cast<HANDLE>(handle);
}

BOOL DeviceIoControl(HANDLE device, DWORD ioControlCode, LPVOID inBuffer, DWORD inBufferSize,
                     LPVOID outBuffer, DWORD outBufferSize, LPDWORD bytesReturned,
                     LPOVERLAPPED /*overlapped*/) {
    if (bytesReturned)
        *bytesReturned = 0;
    ovtb::kernel::FileObject* file = Find(device);
    if (!file) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    ULONG_PTR information = 0;
    const NTSTATUS status =
        ovtb::kernel::DeviceControl(file, ioControlCode, inBuffer, inBuffer ? inBufferSize : 0,
                                    outBuffer, outBuffer ? outBufferSize : 0, &information);
    if (bytesReturned)
        *bytesReturned = static_cast<DWORD>(information);
    if (!NT_SUCCESS(status)) {
        SetLastError(RtlNtStatusToDosError(status));
        return FALSE;
    }
    return TRUE;
}

BOOL CloseHandle(HANDLE object) {
    ovtb::kernel::FileObject* file = nullptr;
    {
        std::lock_guard guard(gLock);
        auto it = gFiles.find(reinterpret_cast<ULONG_PTR>(object));
        if (it == gFiles.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        file = it->second;
        gFiles.erase(it);
    }
    ovtb::kernel::CloseFile(file);
    return TRUE;
}
