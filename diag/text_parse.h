// The texts that discovery reads from the Windows 9x device registry: decimal numbers, ISA
// hardware ids, port names, PCI hardware keys and device-node names. Pure functions; a text is
// the bytes a registry read returned, ending at its first zero byte or at its end.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ovtb::diag {

using Bytes = std::span<const std::uint8_t>;

// The text of a registry value: its bytes up to the first zero byte, at most `maxChars`.
std::string_view RegistryText(Bytes value, std::size_t maxChars = SIZE_MAX);

// A decimal number of at most 4 digits; 0 for an empty text, a longer one, or any character
// that is not a digit 0-9.
std::int32_t ParseDecimal(std::string_view text);

// Hexadecimal digits read without validation: from 'a' up c - 87, from 'A' up c - 55, anything
// else c - 48. `digits` characters from `at` on, low 16 bits kept; a digit past the end of the
// text makes the number 0.
std::uint16_t ParseHexDigits(std::string_view text, std::size_t at, std::size_t digits);

// The part of a key path after its last backslash, at most 11 characters.
std::string_view InstanceName(std::string_view keyPath);

// "HardwareID" of a root-enumerated ISA board: exactly 7 bytes read ("OV10" + two characters
// and the terminator), starting with "OV10" (case as written). Gives the Plug and Play number
// of the characters after "OV10"; none when it is not such an id.
std::optional<std::int32_t> ParseIsaHardwareId(Bytes value);

// "PORTNAME" of a port's child key: "COM" in any letter case and a decimal number up to 128;
// 0 for anything else.
std::int32_t ParsePortName(Bytes value);

struct PciHardwareKey {
    std::uint16_t vendorId = 0;
    std::uint16_t deviceId = 0;
};

// "PCI\VEN_vvvv&DEV_dddd...": the vendor id after the first "VEN_", the device id after the
// "DEV_" that follows the vendor digits and one separator (0 without it). Vendor 0 for a text
// that does not begin with "PCI\" or has no "VEN_".
PciHardwareKey ParsePciHardwareKey(std::string_view text);

struct PciLocation {
    std::uint16_t bus = 0;
    std::uint16_t device = 0;
};

// "...BUS_bb&DEV_dd...": two hexadecimal digits after the first "BUS_", and two after the
// first "DEV_" behind them (0 without it). Both 0 without "BUS_".
PciLocation ParsePciLocation(std::string_view text);

// The device-node name of a root-enumerated ISA board: "Root&" enumerator "&" instance.
std::string RootDeviceNodeName(std::string_view enumerator, std::string_view instance);

// The device-node name of a Windows 9x PCI board: its hardware key with each backslash "&".
std::string PciDeviceNodeName(std::string_view hardwareKey);

// The child key of port `port` (0-based): "Enum\MF\CHILD00" + two upper-case hexadecimal
// digits + "\" + device-node name.
std::string ChildKeyPath(std::string_view deviceNodeName, unsigned port);

}  // namespace ovtb::diag
