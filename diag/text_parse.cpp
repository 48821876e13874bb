#include "diag/text_parse.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace ovtb::diag {

std::string_view RegistryText(Bytes value, std::size_t maxChars) {
    const char* p = reinterpret_cast<const char*>(value.data());
    std::size_t n = std::min(value.size(), maxChars);
    const void* nul = n ? std::memchr(p, 0, n) : nullptr;
    if (nul)
        n = static_cast<std::size_t>(static_cast<const char*>(nul) - p);
    return {p, n};
}

std::int32_t ParseDecimal(std::string_view text) {
    if (text.size() > 4)
        return 0;
    std::int32_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + (c - '0');
    }
    return n;
}

std::uint16_t ParseHexDigits(std::string_view text, std::size_t at, std::size_t digits) {
    if (at > text.size() || text.size() - at < digits)
        return 0;
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int c = static_cast<unsigned char>(text[at + i]);
        const int d = c >= 'a' ? c - 87 : c >= 'A' ? c - 55 : c - 48;
        v = v * 16 + static_cast<std::uint32_t>(d);
    }
    return static_cast<std::uint16_t>(v);
}

std::string_view InstanceName(std::string_view keyPath) {
    std::size_t cut = keyPath.rfind('\\');
    std::string_view name = cut == std::string_view::npos ? keyPath : keyPath.substr(cut + 1);
    return name.substr(0, 11);
}

std::optional<std::int32_t> ParseIsaHardwareId(Bytes value) {
    if (value.size() != 7)
        return std::nullopt;
    std::string_view text = RegistryText(value);
    if (text.substr(0, 4) != "OV10")
        return std::nullopt;
    return ParseDecimal(text.substr(4));
}

std::int32_t ParsePortName(Bytes value) {
    std::string_view text = RegistryText(value);
    if (text.size() < 3)
        return 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != "COM"[i])
            return 0;
    }
    std::int32_t n = ParseDecimal(text.substr(3));
    return n < 0 || n > 128 ? 0 : n;
}

PciHardwareKey ParsePciHardwareKey(std::string_view text) {
    PciHardwareKey key;
    if (text.substr(0, 4) != "PCI\\")
        return key;
    std::size_t ven = text.find("VEN_", 4);
    if (ven == std::string_view::npos)
        return key;
    const std::size_t digits = ven + 4;
    key.vendorId = ParseHexDigits(text, digits, 4);
    if (digits + 5 <= text.size() && text.substr(digits + 5, 4) == "DEV_") {
        key.deviceId = ParseHexDigits(text, digits + 9, 4);
    }
    return key;
}

PciLocation ParsePciLocation(std::string_view text) {
    PciLocation loc;
    std::size_t bus = text.find("BUS_");
    if (bus == std::string_view::npos)
        return loc;
    loc.bus = ParseHexDigits(text, bus + 4, 2);
    std::size_t dev = text.find("DEV_", std::min(bus + 6, text.size()));
    if (dev != std::string_view::npos)
        loc.device = ParseHexDigits(text, dev + 4, 2);
    return loc;
}

std::string RootDeviceNodeName(std::string_view enumerator, std::string_view instance) {
    std::string name = "Root&";
    name += enumerator;
    name += '&';
    name += instance;
    return name;
}

std::string PciDeviceNodeName(std::string_view hardwareKey) {
    std::string name(hardwareKey);
    for (char& c : name) {
        if (c == '\\')
            c = '&';
    }
    return name;
}

std::string ChildKeyPath(std::string_view deviceNodeName, unsigned port) {
    char index[8];
    std::snprintf(index, sizeof index, "%02X", port & 0xFF);
    std::string path = "Enum\\MF\\CHILD00";
    path += index;
    path += '\\';
    path += deviceNodeName;
    return path;
}

}  // namespace ovtb::diag
