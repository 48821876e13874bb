// Finding the machine (the directory that stands for one Windows computer), mapping its drive C
// paths and reading its operating system family and version.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ovtb::machine {

// The machine of this process: the directory given to SetMachineDir (ovtb-machine --machine),
// else $OVTB_MACHINE, else ${XDG_DATA_HOME:-$HOME/.local/share}/ovtb/machine.
std::filesystem::path MachineDir();
void SetMachineDir(const std::filesystem::path& dir);

// DIR/registry.db, DIR/pci.dump, DIR/debug.log, DIR/drive_c.
std::filesystem::path RegistryPath();
std::filesystem::path PciDumpPath();
std::filesystem::path DebugLogPath();
std::filesystem::path DriveC();

// Maps "C:\WINNT\System32\ovpci.sys" to DIR/drive_c/<each component as it exists on disk>,
// matching every component without regard to letter case; components that do not exist are
// kept as written. Returns none for a path that is not on drive C: or not absolute.
std::optional<std::filesystem::path> MapWindowsPath(std::string_view windowsPath);

enum class OsFamily { WindowsNT, Windows9x };

struct OsVersion {
    OsFamily family = OsFamily::WindowsNT;
    unsigned major = 5;
    unsigned minor = 0;
    unsigned build = 2195;
    std::string systemRoot = "C:\\WINNT";                 // %SystemRoot% (C:\WINDOWS on 9x)
    std::string systemDirectory = "C:\\WINNT\\System32";  // (C:\WINDOWS\SYSTEM on 9x)
};

// Read from the machine's registry, where Windows keeps it: SOFTWARE\Microsoft\Windows
// NT\CurrentVersion (CurrentVersion "4.0" / "5.0", CurrentBuildNumber, SystemRoot) for the NT
// family, SOFTWARE\Microsoft\Windows\CurrentVersion (VersionNumber "4.10.2222", SystemRoot) for
// Windows 9x. A machine with neither reads as Windows 2000, and so does a value that cannot be
// read (each field keeps its Windows 2000 default). A Windows 9x key without a VersionNumber
// does not count. It reads the registry, so it lives in the library ovtb_machine_os.
OsVersion ReadOsVersion();

}  // namespace ovtb::machine
