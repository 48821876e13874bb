// Opening a driver's device from user mode and sending it requests (kernel32's CreateFileA,
// DeviceIoControl and CloseHandle), delivered through platform/kernel to the driver loaded in
// this process. Failures return FALSE or INVALID_HANDLE_VALUE with GetLastError set.
#pragma once

#include "platform/common/windef.h"
#include "platform/services/last_error.h"

inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_SHARE_READ = 0x00000001;
constexpr DWORD FILE_SHARE_WRITE = 0x00000002;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;
struct OVERLAPPED;
using LPOVERLAPPED = OVERLAPPED*;

// Device paths "\\.\NAME" only: NAME is looked up as "\DosDevices\NAME" among the symbolic
// links, without regard to case. ERROR_FILE_NOT_FOUND when no device has the name (or its
// driver runs in another process), ERROR_ACCESS_DENIED when an exclusive device is already
// open, the driver's create status translated when it refuses; ERROR_CALL_NOT_IMPLEMENTED
// for any other kind of path. The sharing mode, disposition and attributes are not used.
HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                   LPSECURITY_ATTRIBUTES securityAttributes, DWORD creationDisposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);

// Buffered I/O: `*bytesReturned` receives the bytes the driver returned (never more than
// `outBufferSize`), 0 on failure; the driver's failure status comes back translated
// (STATUS_BUFFER_TOO_SMALL as ERROR_INSUFFICIENT_BUFFER, STATUS_INVALID_PARAMETER as
// ERROR_INVALID_PARAMETER, ...). Requests always complete before the call returns, so an
// OVERLAPPED is not used. ERROR_INVALID_HANDLE for a handle that is not an open device.
BOOL DeviceIoControl(HANDLE device, DWORD ioControlCode, LPVOID inBuffer, DWORD inBufferSize,
                     LPVOID outBuffer, DWORD outBufferSize, LPDWORD bytesReturned,
                     LPOVERLAPPED overlapped);

BOOL CloseHandle(HANDLE object);
