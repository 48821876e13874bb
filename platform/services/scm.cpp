// The service control manager: services are registry keys; driver services are loaded into
// this process with dlopen and started through the kernel's I/O manager.
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "platform/kernel/io_manager.h"
#include "platform/machine/machine.h"
#include "platform/registry/registry.h"
#include "platform/services/service_state.h"
#include "platform/services/winsvc.h"

namespace {

namespace fs = std::filesystem;

constexpr char kServicesKey[] = "SYSTEM\\CurrentControlSet\\Services";

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && Lower(s.substr(0, prefix.size())) == Lower(prefix);
}

struct ScObject {
    bool manager = false;
    DWORD access = 0;
    std::string name;  // service name as the caller gave it
};

struct LoadedDriver {
    void* module = nullptr;
    PDRIVER_OBJECT driver = nullptr;
};

std::recursive_mutex gLock;
std::map<ULONG_PTR, ScObject> gHandles;
ULONG_PTR gNextHandle = 0x1000;
std::map<std::string, LoadedDriver> gLoaded;  // by lower-case service name

BOOL Fail(DWORD error) {
    SetLastError(error);
    return FALSE;
}

SC_HANDLE FailHandle(DWORD error) {
    SetLastError(error);
    return nullptr;
}

SC_HANDLE NewHandle(ScObject object) {
    const ULONG_PTR handle = gNextHandle;
    gNextHandle += 4;
    gHandles[handle] = std::move(object);
    return reinterpret_cast<SC_HANDLE>(handle);
}

// The object behind `handle` when it is of the wanted kind, else null with
// ERROR_INVALID_HANDLE set.
ScObject* Lookup(SC_HANDLE handle, bool manager) {
    auto it = gHandles.find(reinterpret_cast<ULONG_PTR>(handle));
    if (it == gHandles.end() || it->second.manager != manager) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    return &it->second;
}

std::string KeyPath(const std::string& name) {
    return std::string(kServicesKey) + "\\" + name;
}

// An open registry key, closed on every way out.
struct Key {
    HKEY h = nullptr;
    ~Key() {
        if (h)
            RegCloseKey(h);
    }
    bool Open(const std::string& path, REGSAM access) {
        return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, access, &h) == ERROR_SUCCESS;
    }
    std::optional<DWORD> Dword(const char* name) const {
        DWORD type = 0, value = 0, size = sizeof value;
        if (RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<LPBYTE>(&value), &size) !=
                ERROR_SUCCESS ||
            type != REG_DWORD || size != sizeof value)
            return std::nullopt;
        return value;
    }
    std::optional<std::string> String(const char* name) const {
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(h, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            (type != REG_SZ && type != REG_EXPAND_SZ))
            return std::nullopt;
        std::string value(size, '\0');
        if (RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<LPBYTE>(value.data()),
                             &size) != ERROR_SUCCESS)
            return std::nullopt;
        value.resize(std::min<size_t>(size, value.size()));
        while (!value.empty() && value.back() == '\0')
            value.pop_back();
        return value;
    }
    void SetDword(const char* name, DWORD value) {
        RegSetValueExA(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    }
    // Text values with their terminating zero, as the service control manager writes them.
    void SetString(const char* name, DWORD type, const std::string& value) {
        RegSetValueExA(h, name, 0, type, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    }
};

// Deletes `path` under HKLM with every subkey (the registry deletes only childless keys).
void DeleteTree(const std::string& path) {
    {
        Key key;
        if (!key.Open(path, KEY_ALL_ACCESS))
            return;
        char child[260];
        std::vector<std::string> children;
        for (DWORD i = 0; RegEnumKeyA(key.h, i, child, sizeof child) == ERROR_SUCCESS; ++i)
            children.emplace_back(child);
        for (const auto& c : children)
            DeleteTree(path + "\\" + c);
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
}

bool MarkedForDelete(const Key& key) {
    return key.Dword("DeleteFlag").value_or(0) != 0;
}

bool IsDriverType(DWORD type) {
    return type == SERVICE_KERNEL_DRIVER || type == SERVICE_FILE_SYSTEM_DRIVER;
}

// The Windows path of a driver's image from its ImagePath value.
std::string ResolveImagePath(std::string path) {
    const auto os = ovtb::machine::ReadOsVersion();
    // %SystemRoot% and %windir% are the system root; %SystemDrive% is C:.
    std::string expanded;
    for (size_t i = 0; i < path.size();) {
        size_t end = path[i] == '%' ? path.find('%', i + 1) : std::string::npos;
        if (end == std::string::npos) {
            expanded += path[i++];
            continue;
        }
        const std::string var = Lower(path.substr(i + 1, end - i - 1));
        if (var == "systemroot" || var == "windir") {
            expanded += os.systemRoot;
        } else if (var == "systemdrive") {
            expanded += "C:";
        } else {
            expanded += path.substr(i, end - i);  // unknown: kept, and the % after it read on
            i = end;
            continue;
        }
        i = end + 1;
    }
    path = expanded;
    if (StartsWithNoCase(path, "\\SystemRoot\\"))
        return os.systemRoot + path.substr(11);
    if (path.rfind("\\??\\", 0) == 0)
        return path.substr(4);
    const bool absolute = path.size() >= 2 && path[1] == ':';
    if (!absolute)
        return os.systemRoot + "\\" + path;  // drivers' paths are relative to it
    return path;
}

// Creates the running marker exclusively. Returns 0, or the Win32 error.
DWORD MarkRunning(const std::string& name) {
    const fs::path marker = ovtb::services::RunningMarker(name);
    std::error_code ec;
    fs::create_directories(marker.parent_path(), ec);
    const int fd = ::open(marker.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0)
        return errno == EEXIST ? ERROR_SERVICE_ALREADY_RUNNING : ERROR_ACCESS_DENIED;
    const std::string pid = std::to_string(::getpid()) + "\n";
    [[maybe_unused]] ssize_t ignored = ::write(fd, pid.data(), pid.size());
    ::close(fd);
    return 0;
}

void MarkStopped(const std::string& name) {
    std::error_code ec;
    fs::remove(ovtb::services::RunningMarker(name), ec);
}

// Unloads a driver loaded in this process. Caller holds the lock.
void UnloadHere(std::map<std::string, LoadedDriver>::iterator it) {
    ovtb::kernel::UnloadDriver(it->second.driver);
    dlclose(it->second.module);
    gLoaded.erase(it);
}

void FillStatus(LPSERVICE_STATUS status, DWORD type, bool running) {
    if (!status)
        return;
    *status = SERVICE_STATUS{};
    status->dwServiceType = type;
    status->dwCurrentState = running ? SERVICE_RUNNING : SERVICE_STOPPED;
    status->dwControlsAccepted = running ? SERVICE_ACCEPT_STOP : 0;
}

DWORD ServiceType(const std::string& name) {
    Key key;
    if (!key.Open(KeyPath(name), KEY_QUERY_VALUE))
        return SERVICE_KERNEL_DRIVER;
    return key.Dword("Type").value_or(SERVICE_KERNEL_DRIVER);
}

bool Running(const std::string& name) {
    return gLoaded.count(Lower(name)) || ovtb::services::IsServiceRunning(name);
}

}  // namespace

SC_HANDLE OpenSCManagerA(LPCSTR machineName, LPCSTR databaseName, DWORD desiredAccess) {
    std::lock_guard guard(gLock);
    const std::string machine = machineName ? machineName : "";
    if (!machine.empty() && machine != "\\\\")
        return FailHandle(RPC_S_SERVER_UNAVAILABLE);
    if (databaseName && Lower(databaseName) != "servicesactive")
        return FailHandle(ERROR_DATABASE_DOES_NOT_EXIST);
    return NewHandle(ScObject{true, desiredAccess, {}});
}

SC_HANDLE CreateServiceA(SC_HANDLE scManager, LPCSTR serviceName, LPCSTR displayName,
                         DWORD desiredAccess, DWORD serviceType, DWORD startType,
                         DWORD errorControl, LPCSTR binaryPathName, LPCSTR loadOrderGroup,
                         LPDWORD tagId, LPCSTR dependencies, LPCSTR serviceStartName,
                         LPCSTR /*password*/) {
    std::lock_guard guard(gLock);
    ScObject* manager = Lookup(scManager, true);
    if (!manager)
        return nullptr;
    if (!(manager->access & SC_MANAGER_CREATE_SERVICE))
        return FailHandle(ERROR_ACCESS_DENIED);
    const std::string name = serviceName ? serviceName : "";
    if (name.empty() || name.size() > 256 || name.find_first_of("\\/") != std::string::npos)
        return FailHandle(ERROR_INVALID_NAME);
    const DWORD baseType = serviceType & ~0x100u;  // SERVICE_INTERACTIVE_PROCESS
    if (!(IsDriverType(serviceType) || baseType == SERVICE_WIN32_OWN_PROCESS ||
          baseType == SERVICE_WIN32_SHARE_PROCESS) ||
        startType > SERVICE_DISABLED || errorControl > SERVICE_ERROR_CRITICAL ||
        (!IsDriverType(serviceType) && startType < SERVICE_AUTO_START) || !binaryPathName ||
        !*binaryPathName)
        return FailHandle(ERROR_INVALID_PARAMETER);
    {
        Key existing;
        if (existing.Open(KeyPath(name), KEY_QUERY_VALUE))
            return FailHandle(MarkedForDelete(existing) ? ERROR_SERVICE_MARKED_FOR_DELETE
                                                        : ERROR_SERVICE_EXISTS);
    }
    Key key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyPath(name).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key.h,
                        nullptr) != ERROR_SUCCESS)
        return FailHandle(ERROR_ACCESS_DENIED);
    key.SetDword("Type", serviceType);
    key.SetDword("Start", startType);
    key.SetDword("ErrorControl", errorControl);
    key.SetString("ImagePath", REG_EXPAND_SZ, binaryPathName);
    key.SetString("DisplayName", REG_SZ, displayName ? displayName : name);
    if (loadOrderGroup && *loadOrderGroup)
        key.SetString("Group", REG_SZ, loadOrderGroup);
    if (dependencies && *dependencies) {
        // A double-zero-terminated list; "+" marks a load order group.
        std::string services, groups;
        for (const char* p = dependencies; *p; p += std::char_traits<char>::length(p) + 1) {
            if (*p == '+')
                groups.append(p + 1).push_back('\0');
            else
                services.append(p).push_back('\0');
        }
        if (!services.empty())
            RegSetValueExA(key.h, "DependOnService", 0, REG_MULTI_SZ,
                           reinterpret_cast<const BYTE*>(services.c_str()),
                           static_cast<DWORD>(services.size() + 1));
        if (!groups.empty())
            RegSetValueExA(key.h, "DependOnGroup", 0, REG_MULTI_SZ,
                           reinterpret_cast<const BYTE*>(groups.c_str()),
                           static_cast<DWORD>(groups.size() + 1));
    }
    if (serviceStartName && *serviceStartName)
        key.SetString("ObjectName", REG_SZ, serviceStartName);
    else if (!IsDriverType(serviceType))
        key.SetString("ObjectName", REG_SZ, "LocalSystem");
    if (tagId)
        *tagId = 0;
    return NewHandle(ScObject{false, desiredAccess, name});
}

SC_HANDLE OpenServiceA(SC_HANDLE scManager, LPCSTR serviceName, DWORD desiredAccess) {
    std::lock_guard guard(gLock);
    if (!Lookup(scManager, true))
        return nullptr;
    const std::string name = serviceName ? serviceName : "";
    if (name.empty() || name.find_first_of("\\/") != std::string::npos)
        return FailHandle(ERROR_INVALID_NAME);
    Key key;
    if (!key.Open(KeyPath(name), KEY_QUERY_VALUE))
        return FailHandle(ERROR_SERVICE_DOES_NOT_EXIST);
    return NewHandle(ScObject{false, desiredAccess, name});
}

BOOL StartServiceA(SC_HANDLE service, DWORD, LPCSTR*) {
    std::lock_guard guard(gLock);
    ScObject* object = Lookup(service, false);
    if (!object)
        return FALSE;
    if (!(object->access & SERVICE_START))
        return Fail(ERROR_ACCESS_DENIED);
    const std::string name = object->name;
    Key key;
    if (!key.Open(KeyPath(name), KEY_QUERY_VALUE))
        return Fail(ERROR_SERVICE_DOES_NOT_EXIST);
    if (MarkedForDelete(key))
        return Fail(ERROR_SERVICE_MARKED_FOR_DELETE);
    if (key.Dword("Start").value_or(SERVICE_DEMAND_START) == SERVICE_DISABLED)
        return Fail(ERROR_SERVICE_DISABLED);
    if (!IsDriverType(key.Dword("Type").value_or(0)))
        return Fail(ERROR_CALL_NOT_IMPLEMENTED);
    if (Running(name))
        return Fail(ERROR_SERVICE_ALREADY_RUNNING);
    const auto imagePath = key.String("ImagePath");
    if (!imagePath)
        return Fail(ERROR_FILE_NOT_FOUND);

    if (DWORD error = MarkRunning(name))
        return Fail(error);
    auto failStart = [&](DWORD error) {
        MarkStopped(name);
        return Fail(error);
    };
    const auto image = ovtb::machine::MapWindowsPath(ResolveImagePath(*imagePath));
    std::error_code ec;
    if (!image || !fs::is_regular_file(*image, ec))
        return failStart(ERROR_FILE_NOT_FOUND);
    void* module = dlopen(image->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module)
        return failStart(ERROR_BAD_EXE_FORMAT);
    auto entry = reinterpret_cast<PDRIVER_INITIALIZE>(dlsym(module, "DriverEntry"));
    if (!entry) {
        dlclose(module);
        return failStart(ERROR_PROC_NOT_FOUND);
    }
    std::u16string driverName,
        registryPath = u"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\";
    for (unsigned char c : name)
        driverName.push_back(static_cast<char16_t>(c));
    registryPath += driverName;
    PDRIVER_OBJECT driver = nullptr;
    const NTSTATUS status = ovtb::kernel::LoadDriver(entry, driverName, registryPath, &driver);
    if (!NT_SUCCESS(status)) {
        dlclose(module);
        return failStart(RtlNtStatusToDosError(status));
    }
    gLoaded[Lower(name)] = LoadedDriver{module, driver};
    return TRUE;
}

BOOL ControlService(SC_HANDLE service, DWORD control, LPSERVICE_STATUS status) {
    std::lock_guard guard(gLock);
    ScObject* object = Lookup(service, false);
    if (!object)
        return FALSE;
    const std::string name = object->name;
    const DWORD type = ServiceType(name);
    switch (control) {
        case SERVICE_CONTROL_STOP: {
            if (!(object->access & SERVICE_STOP))
                return Fail(ERROR_ACCESS_DENIED);
            auto loaded = gLoaded.find(Lower(name));
            if (loaded != gLoaded.end()) {
                if (!ovtb::kernel::CanUnloadDriver(loaded->second.driver)) {
                    FillStatus(status, type, true);
                    return Fail(ERROR_INVALID_SERVICE_CONTROL);
                }
                UnloadHere(loaded);
            } else if (!ovtb::services::IsServiceRunning(name)) {
                FillStatus(status, type, false);
                return Fail(ERROR_SERVICE_NOT_ACTIVE);
            }
            // Loaded here and now unloaded, or started by a process that is gone or elsewhere:
            // either way the machine no longer counts it as running.
            MarkStopped(name);
            Key key;
            if (key.Open(KeyPath(name), KEY_QUERY_VALUE) && MarkedForDelete(key)) {
                RegCloseKey(key.h);
                key.h = nullptr;
                DeleteTree(KeyPath(name));
            }
            FillStatus(status, type, false);
            return TRUE;
        }
        case SERVICE_CONTROL_INTERROGATE:
            if (!(object->access & SERVICE_INTERROGATE))
                return Fail(ERROR_ACCESS_DENIED);
            FillStatus(status, type, Running(name));
            if (!Running(name))
                return Fail(ERROR_SERVICE_NOT_ACTIVE);
            return TRUE;
        case SERVICE_CONTROL_PAUSE:
        case SERVICE_CONTROL_CONTINUE:
            FillStatus(status, type, Running(name));
            return Fail(Running(name) ? ERROR_INVALID_SERVICE_CONTROL : ERROR_SERVICE_NOT_ACTIVE);
        default:
            return Fail(ERROR_INVALID_PARAMETER);
    }
}

BOOL QueryServiceStatus(SC_HANDLE service, LPSERVICE_STATUS status) {
    std::lock_guard guard(gLock);
    ScObject* object = Lookup(service, false);
    if (!object)
        return FALSE;
    if (!(object->access & SERVICE_QUERY_STATUS))
        return Fail(ERROR_ACCESS_DENIED);
    if (!status)
        return Fail(ERROR_INVALID_PARAMETER);
    FillStatus(status, ServiceType(object->name), Running(object->name));
    return TRUE;
}

BOOL DeleteService(SC_HANDLE service) {
    std::lock_guard guard(gLock);
    ScObject* object = Lookup(service, false);
    if (!object)
        return FALSE;
    if (!(object->access & DELETE))
        return Fail(ERROR_ACCESS_DENIED);
    const std::string name = object->name;
    {
        Key key;
        if (!key.Open(KeyPath(name), KEY_ALL_ACCESS))
            return Fail(ERROR_SERVICE_DOES_NOT_EXIST);
        if (MarkedForDelete(key))
            return Fail(ERROR_SERVICE_MARKED_FOR_DELETE);
        if (Running(name)) {
            key.SetDword("DeleteFlag", 1);
            return TRUE;
        }
    }
    DeleteTree(KeyPath(name));
    return TRUE;
}

BOOL CloseServiceHandle(SC_HANDLE handle) {
    std::lock_guard guard(gLock);
    if (!gHandles.erase(reinterpret_cast<ULONG_PTR>(handle)))
        return Fail(ERROR_INVALID_HANDLE);
    return TRUE;
}

namespace ovtb::services {

int Reboot() {
    std::lock_guard guard(gLock);
    while (!gLoaded.empty())
        UnloadHere(gLoaded.begin());
    int running = 0;
    std::error_code ec;
    const fs::path dir = machine::MachineDir() / "services";
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().extension() == ".running" && fs::remove(it->path(), ec))
            ++running;
    }
    // Services marked for deletion go at boot.
    std::vector<std::string> doomed;
    {
        Key services;
        if (services.Open(kServicesKey, KEY_READ)) {
            char child[260];
            for (DWORD i = 0; RegEnumKeyA(services.h, i, child, sizeof child) == ERROR_SUCCESS;
                 ++i) {
                Key key;
                if (key.Open(KeyPath(child), KEY_QUERY_VALUE) && MarkedForDelete(key))
                    doomed.emplace_back(child);
            }
        }
    }
    for (const auto& name : doomed)
        DeleteTree(KeyPath(name));
    return running;
}

}  // namespace ovtb::services
