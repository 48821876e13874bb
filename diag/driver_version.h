// Which serial driver is installed, and in which version.
//
// Windows NT family: REG_DWORD "MajorVersion" and "MinorVersion" of the driver's key under
// HKEY_LOCAL_MACHINE, formatted "%ld.%ld" (5.2). Windows 9x: the "ProductVersion" text of the
// driver file's version resource in the system directory, for US English and code page 1252.
// The text is at most VERSION_TEXT_MAX - 1 characters: a longer version string is cut there.
#pragma once

#include <cstddef>
#include <string>

namespace ovtb::diag {

inline constexpr std::size_t VERSION_TEXT_MAX = 64;  // with the terminator

enum class OsFamily { WindowsNT, Windows9x };

// The family running, from GetVersionExA (GetVersion when that fails).
OsFamily RunningFamily();

inline constexpr const char* OVSERP_VERSION_KEY = "SOFTWARE\\ORVANE\\Ovserp\\CurrentVersion";
inline constexpr const char* OVSER_VERSION_KEY = "SOFTWARE\\ORVANE\\Ovser\\CurrentVersion";
inline constexpr const char* MAIN_DRIVER_FILE_9X = "ovtbdrv.vxd";
inline constexpr const char* PCI_DRIVER_FILE_9X = "ovspdrv.vxd";
inline constexpr const char* ISA_DRIVER_FILE_9X = "ovsdrv.vxd";
inline constexpr const char* PRODUCT_VERSION_QUERY = "\\StringFileInfo\\040904E4\\ProductVersion";

// Empties `text`, then reads the version of the driver named by a key path (NT family) or a
// file name (Windows 9x) into it. False, with `text` empty, when the key, either value, the
// file, its version resource or the string is missing, or the string is empty.
bool ReadDriverVersion(OsFamily family, const char* keyOrFile, std::string& text);

bool ProbeMainDriver(OsFamily family, std::string& text);  // Ovserp / ovtbdrv.vxd
bool ProbePciDriver9x(std::string& text);                  // ovspdrv.vxd
bool ProbeIsaDriver(OsFamily family, std::string& text);   // Ovser / ovsdrv.vxd

}  // namespace ovtb::diag
