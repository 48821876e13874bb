// The service control manager (advapi32's service functions) over the machine: services are
// the keys under HKLM\SYSTEM\CurrentControlSet\Services, as on Windows; a kernel-driver service
// is started by loading its image (an ELF module exporting DriverEntry) into this process and
// calling its entry point through platform/kernel.
//
// Which services run is machine state (service_state.h): it outlives the process that started
// a driver, so a process that ends with a driver started leaves the next start failing with
// ERROR_SERVICE_ALREADY_RUNNING until `ovtb-machine sc stop NAME` or `ovtb-machine reboot`.
//
// Functions return a handle or nonzero on success; null or 0 on failure with the reason in
// GetLastError (last_error.h).
#pragma once

#include "platform/common/windef.h"
#include "platform/services/last_error.h"

struct SC_HANDLE__;
using SC_HANDLE = SC_HANDLE__*;

// Access rights.
constexpr DWORD SC_MANAGER_CONNECT = 0x0001;
constexpr DWORD SC_MANAGER_CREATE_SERVICE = 0x0002;
constexpr DWORD SC_MANAGER_ENUMERATE_SERVICE = 0x0004;
constexpr DWORD SC_MANAGER_ALL_ACCESS = 0xF003F;
constexpr DWORD SERVICE_QUERY_CONFIG = 0x0001;
constexpr DWORD SERVICE_CHANGE_CONFIG = 0x0002;
constexpr DWORD SERVICE_QUERY_STATUS = 0x0004;
constexpr DWORD SERVICE_START = 0x0010;
constexpr DWORD SERVICE_STOP = 0x0020;
constexpr DWORD SERVICE_INTERROGATE = 0x0080;
constexpr DWORD DELETE = 0x00010000;
constexpr DWORD SERVICE_ALL_ACCESS = 0xF01FF;

// Service types.
constexpr DWORD SERVICE_KERNEL_DRIVER = 0x01;
constexpr DWORD SERVICE_FILE_SYSTEM_DRIVER = 0x02;
constexpr DWORD SERVICE_WIN32_OWN_PROCESS = 0x10;
constexpr DWORD SERVICE_WIN32_SHARE_PROCESS = 0x20;

// Start types.
constexpr DWORD SERVICE_BOOT_START = 0;
constexpr DWORD SERVICE_SYSTEM_START = 1;
constexpr DWORD SERVICE_AUTO_START = 2;
constexpr DWORD SERVICE_DEMAND_START = 3;
constexpr DWORD SERVICE_DISABLED = 4;

// Error control.
constexpr DWORD SERVICE_ERROR_IGNORE = 0;
constexpr DWORD SERVICE_ERROR_NORMAL = 1;
constexpr DWORD SERVICE_ERROR_SEVERE = 2;
constexpr DWORD SERVICE_ERROR_CRITICAL = 3;

// Controls, states and accepted controls.
constexpr DWORD SERVICE_CONTROL_STOP = 1;
constexpr DWORD SERVICE_CONTROL_PAUSE = 2;
constexpr DWORD SERVICE_CONTROL_CONTINUE = 3;
constexpr DWORD SERVICE_CONTROL_INTERROGATE = 4;
constexpr DWORD SERVICE_STOPPED = 1;
constexpr DWORD SERVICE_START_PENDING = 2;
constexpr DWORD SERVICE_STOP_PENDING = 3;
constexpr DWORD SERVICE_RUNNING = 4;
constexpr DWORD SERVICE_ACCEPT_STOP = 1;

struct SERVICE_STATUS {
    DWORD dwServiceType;
    DWORD dwCurrentState;
    DWORD dwControlsAccepted;
    DWORD dwWin32ExitCode;
    DWORD dwServiceSpecificExitCode;
    DWORD dwCheckPoint;
    DWORD dwWaitHint;
};
using LPSERVICE_STATUS = SERVICE_STATUS*;

// Win32 error codes of this interface (winerror.h values), besides those of windef.h.
constexpr LONG ERROR_INVALID_FUNCTION = 1;
constexpr LONG ERROR_CALL_NOT_IMPLEMENTED = 120;
constexpr LONG ERROR_INVALID_NAME = 123;
constexpr LONG ERROR_PROC_NOT_FOUND = 127;
constexpr LONG ERROR_ALREADY_EXISTS = 183;
constexpr LONG ERROR_BAD_EXE_FORMAT = 193;
constexpr LONG ERROR_INVALID_SERVICE_CONTROL = 1052;
constexpr LONG ERROR_SERVICE_REQUEST_TIMEOUT = 1053;
constexpr LONG ERROR_SERVICE_ALREADY_RUNNING = 1056;
constexpr LONG ERROR_SERVICE_DISABLED = 1058;
constexpr LONG ERROR_SERVICE_DOES_NOT_EXIST = 1060;
constexpr LONG ERROR_SERVICE_CANNOT_ACCEPT_CTRL = 1061;
constexpr LONG ERROR_SERVICE_NOT_ACTIVE = 1062;
constexpr LONG ERROR_DATABASE_DOES_NOT_EXIST = 1065;
constexpr LONG ERROR_SERVICE_MARKED_FOR_DELETE = 1072;
constexpr LONG ERROR_SERVICE_EXISTS = 1073;
constexpr LONG RPC_S_SERVER_UNAVAILABLE = 1722;

// The local machine only (a null or empty name, or "\\" followed by nothing); the database is
// null or "ServicesActive" (ERROR_DATABASE_DOES_NOT_EXIST otherwise).
SC_HANDLE OpenSCManagerA(LPCSTR machineName, LPCSTR databaseName, DWORD desiredAccess);

// Writes the key SYSTEM\CurrentControlSet\Services\NAME: Type, Start, ErrorControl (REG_DWORD),
// ImagePath (REG_EXPAND_SZ, as given), DisplayName (REG_SZ, the name when null), and when
// given Group, DependOnService/DependOnGroup (REG_MULTI_SZ; "+" marks a group) and ObjectName
// (LocalSystem for a Win32 service without an account). ERROR_SERVICE_EXISTS when the key
// exists, ERROR_SERVICE_MARKED_FOR_DELETE when it waits for deletion, ERROR_INVALID_NAME for
// an empty name or one with a slash or backslash, ERROR_INVALID_PARAMETER for an unknown type,
// start type or error control or a missing image path, ERROR_ACCESS_DENIED without
// SC_MANAGER_CREATE_SERVICE. The tag, when asked for, is 0; the password is not kept.
SC_HANDLE CreateServiceA(SC_HANDLE scManager, LPCSTR serviceName, LPCSTR displayName,
                         DWORD desiredAccess, DWORD serviceType, DWORD startType,
                         DWORD errorControl, LPCSTR binaryPathName, LPCSTR loadOrderGroup,
                         LPDWORD tagId, LPCSTR dependencies, LPCSTR serviceStartName,
                         LPCSTR password);

// ERROR_SERVICE_DOES_NOT_EXIST when there is no such key (names compare without regard to
// case).
SC_HANDLE OpenServiceA(SC_HANDLE scManager, LPCSTR serviceName, DWORD desiredAccess);

// Driver services only. Expands %SystemRoot% (and %windir%) in ImagePath, takes "\SystemRoot\"
// and a relative path from the system root, "\??\" as a plain path, maps the path into the
// machine's drive C, loads the image and calls DriverEntry with the service's registry path.
// ERROR_SERVICE_ALREADY_RUNNING when running (in any process since the last stop or reboot),
// ERROR_SERVICE_DISABLED, ERROR_SERVICE_MARKED_FOR_DELETE, ERROR_FILE_NOT_FOUND when the image
// is missing, ERROR_BAD_EXE_FORMAT when it cannot be loaded, ERROR_PROC_NOT_FOUND when it has
// no DriverEntry, the entry point's status translated (RtlNtStatusToDosError) when it fails,
// ERROR_CALL_NOT_IMPLEMENTED for a Win32 service (there is no process to run it in). The
// arguments are not used, as for any driver.
BOOL StartServiceA(SC_HANDLE service, DWORD numServiceArgs, LPCSTR* serviceArgVectors);

// SERVICE_CONTROL_STOP runs the driver's unload routine and unloads the image; a driver
// started by another process (possibly ended) is only marked stopped. ERROR_SERVICE_NOT_ACTIVE
// when not running, ERROR_INVALID_SERVICE_CONTROL for a driver without an unload routine or a
// pause/continue, ERROR_INVALID_PARAMETER for other controls. SERVICE_CONTROL_INTERROGATE
// reports the status. `status` (optional) receives the status after the control.
BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status);

BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status);

// A stopped service's key goes at once (with its subkeys); a running one is marked
// (DeleteFlag = 1) and goes when it stops or at the next reboot.
// ERROR_SERVICE_MARKED_FOR_DELETE when already marked.
BOOL DeleteService(SC_HANDLE service);

BOOL CloseServiceHandle(SC_HANDLE handle);
