// The text form of a PCI bus that `lspci -x` writes (and libpci's dump access method reads):
// for each device a header line "BB:DD.F description" (or "DDDD:BB:DD.F description"), then
// its configuration space as lines of hex bytes "OO: hh hh ...", a blank line between devices.
//
// This is the machine's DIR/pci.dump. The reader here is strict where libpci would silently
// skip or misread a line, so that a hand-edited file that is wrong is reported with the line at
// fault instead of turning into a device that reads as all ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ovtb::pci {

// Configuration space that a dump can hold (PCI Express extended space included).
constexpr size_t kMaxDumpConfigBytes = 4096;
// Every device of a dump carries at least the standard header.
constexpr size_t kHeaderBytes = 64;
// libpci reads a line into a buffer that holds 253 characters besides the newline; a longer
// line is an error there.
constexpr size_t kMaxDumpLineBytes = 253;

struct DumpDevice {
    unsigned domain = 0;
    unsigned bus = 0;       // 0..255
    unsigned device = 0;    // 0..31
    unsigned function = 0;  // 0..7
    std::string description;
    std::vector<std::uint8_t> config;  // kHeaderBytes..kMaxDumpConfigBytes bytes

    std::uint16_t VendorId() const;
    std::uint16_t DeviceId() const;
};

struct DumpError {
    size_t line = 0;  // 1-based; 0 when the fault is not on one line
    std::string message;
};

// The 64-byte header of a device as `pci add` and the demo bus write it: vendor and device id,
// command 0x0001 (I/O space on), the class code, header type, BAR1 to BAR3 (offsets 0x14,
// 0x18, 0x1C), subsystem ids equal to the device's own, the interrupt line and, with a line,
// interrupt pin A.
struct DeviceSpec {
    unsigned bus = 0, device = 0, function = 0;
    std::uint16_t vendorId = 0, deviceId = 0;
    std::uint32_t classCode = 0x070000;  // base class, subclass, programming interface
    std::uint8_t headerType = 0;
    std::uint32_t bar1 = 0, bar2 = 0, bar3 = 0;
    std::uint8_t interruptLine = 0;
    std::uint8_t secondaryBus = 0, subordinateBus = 0;  // bridges (header type 1) only
    std::string description;
};
DumpDevice MakeDevice(const DeviceSpec& spec);

// Parses a whole dump. Lines that begin with white space (the detail lines of `lspci -v`) are
// skipped. Faults: a line that is neither a device line, a data line of the current device, a
// detail line nor blank; a device position out of range or given twice; bytes not in order
// from offset 0; fewer than kHeaderBytes or more than kMaxDumpConfigBytes bytes; a line longer
// than kMaxDumpLineBytes; a last line without its newline; a NUL byte anywhere (libpci reads
// lines as C strings).
std::optional<std::vector<DumpDevice>> ParseDump(std::string_view text, DumpError* error);

// "BB:DD.F" (with "DDDD:" in front for a domain other than 0), lower-case hex as lspci writes.
std::string FormatAddress(const DumpDevice& device);

// One device as `lspci -x` writes it: the header line, then 16 bytes a line; no blank line.
std::string FormatDevice(const DumpDevice& device);

// Every device, a blank line after each, in the order given.
std::string FormatDump(const std::vector<DumpDevice>& devices);

// Sorts by domain, bus, device and function (the order lspci lists them in).
void SortDevices(std::vector<DumpDevice>& devices);

// Reads and parses `path`. On failure returns none with `error` naming the file (and line).
std::optional<std::vector<DumpDevice>> ReadDumpFile(const std::filesystem::path& path,
                                                    std::string& error);

// Writes the devices to `path` through a temporary file renamed over it, so that a reader
// never sees half a file. Returns false with `error` set on failure.
bool WriteDumpFile(const std::filesystem::path& path, const std::vector<DumpDevice>& devices,
                   std::string& error);

}  // namespace ovtb::pci
