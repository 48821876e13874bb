// ovtb-machine diag --type CODE [--pci] [--json]: does what an outside diagnostic tool does
// with the diagnostic library. It finds the library named by the "DiagDLL" registration of the
// model whose "ovkey" is CODE (HKLM\Software\ORVANE\Driver\<model>), loads it from the
// machine's system directory, and calls OVD_QuerySize, OVD_GetSetting, OVD_QueryNoBoards and
// then, for each board, the accessors and OVD_GetTypeStr. With --pci it first obtains the PCI
// information driver's reply as the panel does and passes it in.
#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "catalog/board_catalog.h"
#include "catalog/pci_info_reply.h"
#include "diag/include/tbdiag.h"
#include "panel/pci_discovery.h"
#include "platform/machine/machine.h"
#include "platform/registry/registry.h"
#include "platform/version/version.h"
#include "tools/ovtb-machine/commands.h"

namespace ovtb::tool {

namespace {

void PrintHelp(std::FILE* out) {
    std::fprintf(out,
                 "usage: ovtb-machine diag --type CODE [--pci] [--json]\n"
                 "\n"
                 "Asks the diagnostic library for the installed boards of type CODE (C notation,\n"
                 "for example 0x2210), as an outside diagnostic tool does: the library is the\n"
                 "\"DiagDLL\" of the model whose \"ovkey\" is CODE under\n"
                 "HKEY_LOCAL_MACHINE\\Software\\ORVANE\\Driver, loaded from the system directory.\n"
                 "\n"
                 "  --pci   first ask the PCI information driver (install, start, query, stop and\n"
                 "          delete the ovpciinfo service, as the panel does) and pass its reply\n"
                 "  --json  print the result as one JSON object\n");
}

struct Exports {
    decltype(&OVD_GetSetting) GetSetting;
    decltype(&OVD_GetTypeStr) GetTypeStr;
    decltype(&OVD_QueryBusNum) QueryBusNum;
    decltype(&OVD_QueryBusType) QueryBusType;
    decltype(&OVD_QueryComNum) QueryComNum;
    decltype(&OVD_QueryDevId) QueryDevId;
    decltype(&OVD_QueryDevNum) QueryDevNum;
    decltype(&OVD_QueryIOaddr) QueryIOaddr;
    decltype(&OVD_QueryIrq) QueryIrq;
    decltype(&OVD_QueryMemBank) QueryMemBank;
    decltype(&OVD_QueryNoBoards) QueryNoBoards;
    decltype(&OVD_QueryPortNum) QueryPortNum;
    decltype(&OVD_QuerySize) QuerySize;
    decltype(&OVD_QueryVector) QueryVector;
};

template <typename F>
bool Find(void* lib, const char* name, F& fn, const std::string& path) {
    fn = reinterpret_cast<F>(dlsym(lib, name));
    if (!fn) {
        std::fprintf(stderr, "ovtb-machine diag: %s does not export %s\n", path.c_str(), name);
        return false;
    }
    return true;
}

bool ParseCode(const std::string& text, std::int32_t& code) {
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || v < INT32_MIN || v > static_cast<long long>(UINT32_MAX)) {
        return false;
    }
    code = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    return true;
}

// The "DiagDLL" of the model key whose "ovkey" is `code`; empty with a message when none.
bool FindRegistration(std::int32_t code, std::string& library, std::string& model) {
    HKEY driver = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, catalog::DRIVER_KEY_PATH, 0, KEY_READ, &driver) !=
        ERROR_SUCCESS) {
        std::fprintf(stderr,
                     "ovtb-machine diag: no diagnostic registration: HKLM\\%s does not exist\n",
                     catalog::DRIVER_KEY_PATH);
        return false;
    }
    char name[261];
    bool found = false;
    for (DWORD i = 0; !found && RegEnumKeyA(driver, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(driver, name, 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        DWORD ovkey = 0, size = sizeof ovkey, type = 0;
        if (RegQueryValueExA(key, catalog::BOARD_TYPE_VALUE, nullptr, &type,
                             reinterpret_cast<LPBYTE>(&ovkey), &size) == ERROR_SUCCESS &&
            size == sizeof ovkey && ovkey == static_cast<std::uint32_t>(code)) {
            char dll[261] = {};
            DWORD dllSize = sizeof dll - 1;
            if (RegQueryValueExA(key, catalog::DIAG_DLL_VALUE, nullptr, &type,
                                 reinterpret_cast<LPBYTE>(dll), &dllSize) == ERROR_SUCCESS) {
                library.assign(dll, strnlen(dll, dllSize));
                model = name;
                found = true;
            }
        }
        RegCloseKey(key);
    }
    RegCloseKey(driver);
    if (!found) {
        std::fprintf(stderr,
                     "ovtb-machine diag: no model under HKLM\\%s has \"%s\" 0x%X and a \"%s\"\n",
                     catalog::DRIVER_KEY_PATH, catalog::BOARD_TYPE_VALUE,
                     static_cast<unsigned>(code), catalog::DIAG_DLL_VALUE);
    } else if (library.empty()) {
        std::fprintf(stderr, "ovtb-machine diag: the \"%s\" of model %s is empty\n",
                     catalog::DIAG_DLL_VALUE, model.c_str());
        return false;
    }
    return found;
}

std::string JsonText(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

struct Board {
    std::string type;
    std::int32_t busType, irq, memoryBank, portCount;
    unsigned busNumber, deviceNumber, deviceId, ioAddress, vector;
    std::vector<std::int32_t> coms;
};

}  // namespace

int RunDiag(const Args& args) {
    if (WantsHelp(args)) {
        PrintHelp(stdout);
        return 0;
    }
    bool pci = false, json = false, haveType = false;
    std::int32_t code = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--type") {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "ovtb-machine diag: --type needs a type code\n");
                return 2;
            }
            if (!ParseCode(args[++i], code)) {
                std::fprintf(stderr,
                             "ovtb-machine diag: '%s' is not a type code (a 32-bit number in C "
                             "notation)\n",
                             args[i].c_str());
                return 2;
            }
            haveType = true;
        } else if (args[i] == "--pci") {
            pci = true;
        } else if (args[i] == "--json") {
            json = true;
        } else {
            std::fprintf(stderr, "ovtb-machine diag: unknown argument '%s'\n", args[i].c_str());
            PrintHelp(stderr);
            return 2;
        }
    }
    if (!haveType) {
        std::fprintf(stderr, "ovtb-machine diag: --type CODE is needed\n");
        PrintHelp(stderr);
        return 2;
    }

    std::string library, model;
    if (!FindRegistration(code, library, model))
        return 1;
    char systemDir[MAX_PATH];
    GetSystemDirectoryA(systemDir, sizeof systemDir);
    const std::string windowsPath = std::string(systemDir) + "\\" + library;
    auto hostPath = machine::MapWindowsPath(windowsPath);
    std::error_code ec;
    if (!hostPath || !std::filesystem::is_regular_file(*hostPath, ec)) {
        std::fprintf(stderr,
                     "ovtb-machine diag: the diagnostic library %s of model %s is missing\n",
                     windowsPath.c_str(), model.c_str());
        return 1;
    }

    std::array<std::uint8_t, catalog::PCI_INFO_REPLY_SIZE> reply{};
    if (pci && !panel::DiscoverPciBoards(reply)) {
        std::fprintf(stderr,
                     "ovtb-machine diag: the PCI information driver could not be asked (service "
                     "%s, driver %s); see 'ovtb-machine sc query %s'\n",
                     panel::PCI_INFO_SERVICE_NAME, panel::PCI_INFO_DRIVER_FILE,
                     panel::PCI_INFO_SERVICE_NAME);
        return 1;
    }

    void* lib = dlopen(hostPath->c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        std::fprintf(stderr, "ovtb-machine diag: cannot load %s: %s\n", windowsPath.c_str(),
                     dlerror());
        return 1;
    }
    Exports x{};
    const bool complete = Find(lib, "OVD_GetSetting", x.GetSetting, windowsPath) &&
                          Find(lib, "OVD_GetTypeStr", x.GetTypeStr, windowsPath) &&
                          Find(lib, "OVD_QueryBusNum", x.QueryBusNum, windowsPath) &&
                          Find(lib, "OVD_QueryBusType", x.QueryBusType, windowsPath) &&
                          Find(lib, "OVD_QueryComNum", x.QueryComNum, windowsPath) &&
                          Find(lib, "OVD_QueryDevId", x.QueryDevId, windowsPath) &&
                          Find(lib, "OVD_QueryDevNum", x.QueryDevNum, windowsPath) &&
                          Find(lib, "OVD_QueryIOaddr", x.QueryIOaddr, windowsPath) &&
                          Find(lib, "OVD_QueryIrq", x.QueryIrq, windowsPath) &&
                          Find(lib, "OVD_QueryMemBank", x.QueryMemBank, windowsPath) &&
                          Find(lib, "OVD_QueryNoBoards", x.QueryNoBoards, windowsPath) &&
                          Find(lib, "OVD_QueryPortNum", x.QueryPortNum, windowsPath) &&
                          Find(lib, "OVD_QuerySize", x.QuerySize, windowsPath) &&
                          Find(lib, "OVD_QueryVector", x.QueryVector, windowsPath);
    if (!complete) {
        dlclose(lib);
        return 1;
    }

    // The calling order of a diagnostic tool.
    const std::int32_t size = x.QuerySize();
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::max(size, 0)));
    char version[OVD_VERSION_TEXT_SIZE] = {};
    const std::int32_t result =
        x.GetSetting(code, block.data(), pci ? reply.data() : nullptr, version);
    const std::int32_t count = x.QueryNoBoards(block.data());
    std::vector<Board> boards;
    for (std::int32_t i = 0; i < count && i < OVD_MAX_BOARDS; ++i) {
        Board b;
        char type[OVD_TYPE_TEXT_SIZE] = {};
        x.GetTypeStr(block.data(), i, type);
        b.type = type;
        b.busType = x.QueryBusType(block.data(), i);
        b.busNumber = x.QueryBusNum(block.data(), i);
        b.deviceNumber = x.QueryDevNum(block.data(), i);
        b.deviceId = x.QueryDevId(block.data(), i);
        b.ioAddress = x.QueryIOaddr(block.data(), i);
        b.vector = x.QueryVector(block.data(), i);
        b.irq = x.QueryIrq(block.data(), i);
        b.memoryBank = x.QueryMemBank(block.data(), i);
        b.portCount = x.QueryPortNum(block.data(), i);
        std::int32_t coms[OVD_MAX_PORTS] = {};
        const std::int32_t n = std::clamp(x.QueryComNum(coms, block.data(), i), 0, OVD_MAX_PORTS);
        b.coms.assign(coms, coms + n);
        boards.push_back(b);
    }
    dlclose(lib);

    if (json) {
        std::printf(
            "{\"library\":%s,\"model\":%s,\"typeCode\":%d,\"pciReply\":%s,\"result\":%d,"
            "\"version\":%s,\"boards\":[",
            JsonText(windowsPath).c_str(), JsonText(model).c_str(), code, pci ? "true" : "false",
            result, JsonText(version).c_str());
        for (std::size_t i = 0; i < boards.size(); ++i) {
            const Board& b = boards[i];
            std::printf(
                "%s{\"index\":%zu,\"type\":%s,\"busType\":%d,\"busNumber\":%u,"
                "\"deviceNumber\":%u,\"deviceId\":%u,\"ioAddress\":%u,\"vector\":%u,"
                "\"irq\":%d,\"memoryBank\":%d,\"portCount\":%d,\"comNumbers\":[",
                i ? "," : "", i, JsonText(b.type).c_str(), b.busType, b.busNumber, b.deviceNumber,
                b.deviceId, b.ioAddress, b.vector, b.irq, b.memoryBank, b.portCount);
            for (std::size_t k = 0; k < b.coms.size(); ++k) {
                std::printf("%s%d", k ? "," : "", b.coms[k]);
            }
            std::printf("]}");
        }
        std::printf("]}\n");
        return 0;
    }

    std::printf("Library:        %s (model %s)\n", windowsPath.c_str(), model.c_str());
    std::printf("Type code:      0x%X%s\n", static_cast<unsigned>(code),
                pci ? ", with the PCI information driver's reply" : "");
    std::printf("Result:         %d\n", result);
    std::printf("Driver version: %s\n", version[0] ? version : "---");
    std::printf("Boards:         %d\n", count);
    for (std::size_t i = 0; i < boards.size(); ++i) {
        const Board& b = boards[i];
        std::printf("Board %zu: %s\n", i + 1, b.type.c_str());
        if (b.busType == OVD_BUS_PCI) {
            std::printf("  Bus:          PCI, bus %u, device %u, device id %X\n", b.busNumber,
                        b.deviceNumber, b.deviceId);
        } else {
            std::printf("  Bus:          ISA\n");
        }
        std::printf("  I/O address:  %X\n", b.ioAddress);
        if (b.vector) {
            std::printf("  Vector:       %X\n", b.vector);
        } else {
            std::printf("  Vector:       ---\n");
        }
        std::printf("  IRQ:          %d\n", b.irq);
        std::printf("  Memory bank:  %X\n", static_cast<unsigned>(b.memoryBank));
        std::printf("  Ports:        %d\n", b.portCount);
        std::printf("  COM numbers: ");
        for (std::int32_t c : b.coms) {
            if (c) {
                std::printf(" COM%d", c);
            } else {
                std::printf(" ---");
            }
        }
        std::printf("\n");
    }
    return 0;
}

}  // namespace ovtb::tool
