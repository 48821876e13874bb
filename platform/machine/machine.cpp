#include "platform/machine/machine.h"

#include <cctype>
#include <cstdlib>
#include <system_error>

namespace ovtb::machine {

namespace fs = std::filesystem;

namespace {

std::optional<fs::path>& ExplicitDir() {
    static std::optional<fs::path> dir;
    return dir;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace

void SetMachineDir(const fs::path& dir) {
    ExplicitDir() = dir;
}

fs::path MachineDir() {
    if (ExplicitDir())
        return *ExplicitDir();
    if (const char* env = std::getenv("OVTB_MACHINE"); env && *env)
        return env;
    fs::path data;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        data = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        data = fs::path(home) / ".local" / "share";
    } else {
        data = ".";
    }
    return data / "ovtb" / "machine";
}

fs::path RegistryPath() {
    return MachineDir() / "registry.db";
}
fs::path PciDumpPath() {
    return MachineDir() / "pci.dump";
}
fs::path DebugLogPath() {
    return MachineDir() / "debug.log";
}
fs::path DriveC() {
    return MachineDir() / "drive_c";
}

std::optional<fs::path> MapWindowsPath(std::string_view windowsPath) {
    if (windowsPath.size() < 3 || (windowsPath[0] != 'C' && windowsPath[0] != 'c') ||
        windowsPath[1] != ':' || (windowsPath[2] != '\\' && windowsPath[2] != '/'))
        return std::nullopt;
    fs::path result = DriveC();
    std::string_view rest = windowsPath.substr(3);
    while (!rest.empty()) {
        size_t cut = rest.find_first_of("\\/");
        std::string_view part = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            return std::nullopt;  // never leave the drive
        std::string found(part);
        std::error_code ec;
        for (fs::directory_iterator it(result, ec), end; !ec && it != end; it.increment(ec)) {
            std::string name = it->path().filename().string();
            if (EqualNoCase(name, part)) {
                found = name;
                break;
            }
        }
        result /= found;
    }
    return result;
}

}  // namespace ovtb::machine
