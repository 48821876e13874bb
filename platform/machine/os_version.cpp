// ReadOsVersion: the OS family and version of the machine, from its registry. Apart from
// machine.cpp because it needs the registry library, which itself needs machine.cpp to find
// DIR/registry.db.
#include <charconv>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine/machine.h"
#include "platform/registry/registry.h"

namespace ovtb::machine {

namespace {

constexpr const char* kNtKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const char* k9xKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

// A text value; stored data need not end with a terminator, and may hold one early.
bool ReadText(HKEY key, const char* name, std::string& text) {
    BYTE buf[260];
    DWORD size = sizeof buf, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, buf, &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return false;
    std::string_view s(reinterpret_cast<const char*>(buf), size);
    text.assign(s.substr(0, s.find('\0')));
    return !text.empty();
}

// "4.10.2222" into up to three numbers; false unless every part is a number that fits.
bool ParseDotted(std::string_view text, std::vector<unsigned>& parts) {
    parts.clear();
    while (true) {
        unsigned v = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
        if (ec != std::errc() || end == text.data())
            return false;
        parts.push_back(v);
        text.remove_prefix(static_cast<size_t>(end - text.data()));
        if (text.empty())
            return parts.size() <= 3;
        if (text.front() != '.')
            return false;
        text.remove_prefix(1);
    }
}

}  // namespace

OsVersion ReadOsVersion() {
    OsVersion v;
    HKEY key = nullptr;
    std::string text;
    std::vector<unsigned> parts;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kNtKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        v.family = OsFamily::WindowsNT;
        if (ReadText(key, "CurrentVersion", text) && ParseDotted(text, parts) &&
            parts.size() == 2) {
            v.major = parts[0];
            v.minor = parts[1];
            v.build = v.major == 4 ? 1381 : v.build;
        }
        if (ReadText(key, "CurrentBuildNumber", text) && ParseDotted(text, parts) &&
            parts.size() == 1)
            v.build = parts[0];
        if (ReadText(key, "SystemRoot", text))
            v.systemRoot = text;
        v.systemDirectory = v.systemRoot + "\\System32";
        RegCloseKey(key);
        return v;
    }
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, k9xKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        if (ReadText(key, "VersionNumber", text) && ParseDotted(text, parts) && parts.size() >= 2) {
            v.family = OsFamily::Windows9x;
            v.major = parts[0];
            v.minor = parts[1];
            v.build = parts.size() == 3 ? parts[2] : 0;
            v.systemRoot = "C:\\WINDOWS";
            if (ReadText(key, "SystemRoot", text))
                v.systemRoot = text;
            v.systemDirectory = v.systemRoot + "\\SYSTEM";
        }
        RegCloseKey(key);
    }
    return v;
}

}  // namespace ovtb::machine
