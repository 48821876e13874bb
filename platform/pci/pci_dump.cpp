#include "platform/pci/pci_dump.h"

#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>
#include <tuple>

namespace ovtb::pci {

namespace fs = std::filesystem;

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads exactly `width` hex digits at `pos`.
bool HexField(std::string_view s, size_t pos, size_t width, unsigned& value) {
    if (pos + width > s.size())
        return false;
    value = 0;
    for (size_t i = 0; i < width; ++i) {
        int d = HexDigit(s[pos + i]);
        if (d < 0)
            return false;
        value = value * 16 + static_cast<unsigned>(d);
    }
    return true;
}

// "BB:DD.F " with an optional "DDDD:" or "DDDDD:" domain in front, the forms libpci accepts.
// Returns the position of the description, or 0 when the line is not a device line.
size_t MatchDeviceLine(std::string_view s, DumpDevice& d) {
    for (size_t domainWidth : {size_t{0}, size_t{4}, size_t{5}}) {
        size_t p = 0;
        unsigned domain = 0, bus = 0, dev = 0;
        if (domainWidth) {
            if (!HexField(s, 0, domainWidth, domain) || s.size() <= domainWidth ||
                s[domainWidth] != ':')
                continue;
            p = domainWidth + 1;
        }
        if (!HexField(s, p, 2, bus) || s.size() < p + 8 || s[p + 2] != ':' ||
            !HexField(s, p + 3, 2, dev) || s[p + 5] != '.' || s[p + 6] < '0' || s[p + 6] > '9' ||
            s[p + 7] != ' ')
            continue;
        d.domain = domain;
        d.bus = bus;
        d.device = dev;
        d.function = static_cast<unsigned>(s[p + 6] - '0');
        return p + 8;
    }
    return 0;
}

struct Parser {
    DumpError* error;
    std::vector<DumpDevice> devices;
    bool inDevice = false;
    size_t deviceLine = 0;

    bool Fail(size_t line, std::string message) {
        if (error)
            *error = DumpError{line, std::move(message)};
        return false;
    }

    bool CloseDevice() {
        if (!inDevice)
            return true;
        inDevice = false;
        const DumpDevice& d = devices.back();
        if (d.config.size() < kHeaderBytes)
            return Fail(deviceLine, "device " + FormatAddress(d) + " has " +
                                        std::to_string(d.config.size()) +
                                        " bytes of configuration space; at least 64 are needed "
                                        "(the form that `lspci -x` writes)");
        return true;
    }

    bool DeviceLine(size_t line, std::string_view s, DumpDevice d, size_t descPos) {
        if (!CloseDevice())
            return false;
        if (d.device > 31 || d.function > 7)
            return Fail(line, "device position " + std::string(s.substr(0, descPos - 1)) +
                                  " is out of range (device 00 to 1f, function 0 to 7)");
        for (const auto& other : devices) {
            if (other.domain == d.domain && other.bus == d.bus && other.device == d.device &&
                other.function == d.function)
                return Fail(line, "device " + FormatAddress(d) + " is listed twice");
        }
        d.description = std::string(s.substr(descPos));
        devices.push_back(std::move(d));
        inDevice = true;
        deviceLine = line;
        return true;
    }

    bool DataLine(size_t line, std::string_view s) {
        size_t colon = s.find(':');
        unsigned offset = 0;
        if (colon == std::string_view::npos || colon < 2 || colon > 3 ||
            !HexField(s, 0, colon, offset) || s.size() < colon + 2 || s[colon + 1] != ' ')
            return Fail(line,
                        "not a device line (\"BB:DD.F description\"), a data line "
                        "(\"OO: hh hh ...\") or a blank line");
        if (!inDevice)
            return Fail(line, "data line outside a device (a blank line ends a device)");
        DumpDevice& d = devices.back();
        if (offset != d.config.size()) {
            char want[16];
            std::snprintf(want, sizeof want, "%02zx", d.config.size());
            return Fail(line, "data at offset " + std::string(s.substr(0, colon)) +
                                  " where offset " + want + " was expected (bytes go in order)");
        }
        size_t p = colon + 2;
        size_t count = 0;
        while (p < s.size() && s[p] != ' ' && s[p] != '\t') {
            unsigned byte = 0;
            if (!HexField(s, p, 2, byte) || (p + 2 < s.size() && s[p + 2] != ' '))
                return Fail(line, "bad byte '" + std::string(s.substr(p, 2)) +
                                      "' (two hex digits each, one space between)");
            if (d.config.size() >= kMaxDumpConfigBytes)
                return Fail(line, "more than 4096 bytes of configuration space");
            d.config.push_back(static_cast<std::uint8_t>(byte));
            ++count;
            p += 3;
        }
        // Only white space may follow the last byte.
        for (; p < s.size(); ++p) {
            if (s[p] != ' ' && s[p] != '\t')
                return Fail(line, "unexpected text after the bytes (one space between bytes)");
        }
        if (count == 0)
            return Fail(line, "data line without bytes");
        return true;
    }
};

}  // namespace

std::uint16_t DumpDevice::VendorId() const {
    return config.size() < 2 ? 0xFFFF : static_cast<std::uint16_t>(config[0] | config[1] << 8);
}

std::uint16_t DumpDevice::DeviceId() const {
    return config.size() < 4 ? 0xFFFF : static_cast<std::uint16_t>(config[2] | config[3] << 8);
}

DumpDevice MakeDevice(const DeviceSpec& spec) {
    DumpDevice d;
    d.bus = spec.bus;
    d.device = spec.device;
    d.function = spec.function;
    d.description = spec.description;
    d.config.assign(kHeaderBytes, 0);
    auto put16 = [&](size_t at, std::uint32_t v) {
        d.config[at] = static_cast<std::uint8_t>(v);
        d.config[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    auto put32 = [&](size_t at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    put16(0x00, spec.vendorId);
    put16(0x02, spec.deviceId);
    put16(0x04, 0x0001);
    d.config[0x09] = static_cast<std::uint8_t>(spec.classCode);
    d.config[0x0A] = static_cast<std::uint8_t>(spec.classCode >> 8);
    d.config[0x0B] = static_cast<std::uint8_t>(spec.classCode >> 16);
    d.config[0x0E] = spec.headerType;
    if ((spec.headerType & 0x7F) == 1) {
        d.config[0x19] = spec.secondaryBus;
        d.config[0x1A] = spec.subordinateBus;
    } else {
        put32(0x14, spec.bar1);
        put32(0x18, spec.bar2);
        put32(0x1C, spec.bar3);
        put16(0x2C, spec.vendorId);
        put16(0x2E, spec.deviceId);
    }
    d.config[0x3C] = spec.interruptLine;
    d.config[0x3D] = spec.interruptLine ? 1 : 0;
    return d;
}

std::optional<std::vector<DumpDevice>> ParseDump(std::string_view text, DumpError* error) {
    Parser parser{error, {}};
    size_t lineNo = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        ++lineNo;
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            parser.Fail(lineNo, "the last line has no newline");
            return std::nullopt;
        }
        std::string_view s = text.substr(pos, end - pos);
        pos = end + 1;
        if (s.size() > kMaxDumpLineBytes) {
            parser.Fail(lineNo, "line longer than 253 characters");
            return std::nullopt;
        }
        if (s.find('\0') != std::string_view::npos) {
            parser.Fail(lineNo, "a NUL byte (a dump is text)");
            return std::nullopt;
        }
        if (!s.empty() && s.back() == '\r')
            s.remove_suffix(1);
        bool ok = true;
        DumpDevice d;
        if (s.empty()) {
            ok = parser.CloseDevice();
        } else if (s[0] == ' ' || s[0] == '\t' || s[0] == '#') {
            // A detail line of `lspci -v`, or a comment.
        } else if (size_t desc = MatchDeviceLine(s, d)) {
            ok = parser.DeviceLine(lineNo, s, std::move(d), desc);
        } else {
            ok = parser.DataLine(lineNo, s);
        }
        if (!ok)
            return std::nullopt;
    }
    if (!parser.CloseDevice())
        return std::nullopt;
    return std::move(parser.devices);
}

std::string FormatAddress(const DumpDevice& d) {
    char buf[32];
    if (d.domain)
        std::snprintf(buf, sizeof buf, "%04x:%02x:%02x.%u", d.domain, d.bus, d.device, d.function);
    else
        std::snprintf(buf, sizeof buf, "%02x:%02x.%u", d.bus, d.device, d.function);
    return buf;
}

std::string FormatDevice(const DumpDevice& d) {
    std::string out = FormatAddress(d) + " " + d.description + "\n";
    char buf[8];
    for (size_t i = 0; i < d.config.size(); ++i) {
        if (i % 16 == 0) {
            std::snprintf(buf, sizeof buf, i < 256 ? "%02zx:" : "%03zx:", i);
            out += buf;
        }
        std::snprintf(buf, sizeof buf, " %02x", d.config[i]);
        out += buf;
        if (i % 16 == 15 || i + 1 == d.config.size())
            out += '\n';
    }
    return out;
}

std::string FormatDump(const std::vector<DumpDevice>& devices) {
    std::string out;
    for (const auto& d : devices)
        out += FormatDevice(d) + "\n";
    return out;
}

void SortDevices(std::vector<DumpDevice>& devices) {
    std::stable_sort(devices.begin(), devices.end(), [](const DumpDevice& a, const DumpDevice& b) {
        return std::tie(a.domain, a.bus, a.device, a.function) <
               std::tie(b.domain, b.bus, b.device, b.function);
    });
}

std::optional<std::vector<DumpDevice>> ReadDumpFile(const fs::path& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::error_code ec(errno, std::generic_category());
        error = path.string() + ": cannot read: " + ec.message();
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        error = path.string() + ": read error";
        return std::nullopt;
    }
    DumpError fault;
    auto devices = ParseDump(text.str(), &fault);
    if (!devices) {
        error = path.string() + (fault.line ? ": line " + std::to_string(fault.line) : "") + ": " +
                fault.message;
    }
    return devices;
}

bool WriteDumpFile(const fs::path& path, const std::vector<DumpDevice>& devices,
                   std::string& error) {
    fs::path temp = path;
    temp += ".tmp." + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            std::error_code ec(errno, std::generic_category());
            error = temp.string() + ": cannot write: " + ec.message();
            return false;
        }
        out << FormatDump(devices);
        out.flush();
        if (!out) {
            error = temp.string() + ": write error";
            out.close();
            std::error_code ignored;
            fs::remove(temp, ignored);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        error = path.string() + ": cannot replace: " + ec.message();
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

}  // namespace ovtb::pci
