#include "diag/driver_version.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/version/version.h"

namespace ovtb::diag {

OsFamily RunningFamily() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (GetVersionExA(&info)) {
        return info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? OsFamily::Windows9x
                                                               : OsFamily::WindowsNT;
    }
    return (GetVersion() & 0x80000000u) ? OsFamily::Windows9x : OsFamily::WindowsNT;
}

namespace {

bool ReadVersionFromKey(const char* keyPath, std::string& text) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    // A value shorter than 4 bytes reads as its bytes, zero-extended.
    DWORD major = 0, minor = 0, type = 0;
    DWORD size = sizeof major;
    bool ok = RegQueryValueExA(key, "MajorVersion", nullptr, &type,
                               reinterpret_cast<LPBYTE>(&major), &size) == ERROR_SUCCESS;
    size = sizeof minor;
    ok = ok && RegQueryValueExA(key, "MinorVersion", nullptr, &type,
                                reinterpret_cast<LPBYTE>(&minor), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    if (!ok)
        return false;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%ld.%ld", static_cast<long>(static_cast<LONG>(major)),
                  static_cast<long>(static_cast<LONG>(minor)));
    text = buffer;
    return true;
}

bool ReadVersionFromFile(const char* fileName, std::string& text) {
    char directory[MAX_PATH];
    UINT n = GetSystemDirectoryA(directory, sizeof directory);
    if (n == 0 || n >= sizeof directory)
        return false;
    const std::string path = std::string(directory) + "\\" + fileName;
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0)
        return false;
    std::vector<std::uint8_t> info(size);
    if (!GetFileVersionInfoA(path.c_str(), handle, size, info.data()))
        return false;
    LPVOID value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(info.data(), PRODUCT_VERSION_QUERY, &value, &length) || value == nullptr ||
        length == 0) {
        return false;
    }
    // The text ends at its terminator, within the length given, and at the documented maximum.
    const char* s = static_cast<const char*>(value);
    std::size_t chars = strnlen(s, std::min<std::size_t>(length, VERSION_TEXT_MAX - 1));
    if (chars == 0)
        return false;
    text.assign(s, chars);
    return true;
}

}  // namespace

bool ReadDriverVersion(OsFamily family, const char* keyOrFile, std::string& text) {
    text.clear();
    const bool ok = family == OsFamily::WindowsNT ? ReadVersionFromKey(keyOrFile, text)
                                                  : ReadVersionFromFile(keyOrFile, text);
    if (!ok)
        text.clear();
    if (text.size() > VERSION_TEXT_MAX - 1)
        text.resize(VERSION_TEXT_MAX - 1);
    return ok;
}

bool ProbeMainDriver(OsFamily family, std::string& text) {
    return ReadDriverVersion(
        family, family == OsFamily::WindowsNT ? OVSERP_VERSION_KEY : MAIN_DRIVER_FILE_9X, text);
}

bool ProbePciDriver9x(std::string& text) {
    return ReadDriverVersion(OsFamily::Windows9x, PCI_DRIVER_FILE_9X, text);
}

bool ProbeIsaDriver(OsFamily family, std::string& text) {
    return ReadDriverVersion(
        family, family == OsFamily::WindowsNT ? OVSER_VERSION_KEY : ISA_DRIVER_FILE_9X, text);
}

}  // namespace ovtb::diag
