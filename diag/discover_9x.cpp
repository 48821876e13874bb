// The Windows 9x paths: boards as device nodes of the configuration manager, their log
// configurations and the child keys of their ports.
#include <algorithm>
#include <vector>

#include "catalog/board_catalog.h"
#include "diag/discovery.h"
#include "diag/text_parse.h"
#include "platform/ioports/ioports.h"
#include "platform/registry/registry.h"

namespace ovtb::diag {

namespace {

// Key names that RegEnumKeyA gives, with the terminator.
constexpr DWORD kKeyNameBytes = 261;
constexpr std::size_t kTextValueBytes = 260;
constexpr std::size_t kLogConfigBytes = 384;

// A key opened for one operation and closed on every way out of it.
class Key {
  public:
    Key(HKEY root, const std::string& path) {
        if (RegOpenKeyA(root, path.c_str(), &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~Key() {
        if (key_)
            RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    explicit operator bool() const { return key_ != nullptr; }
    HKEY get() const { return key_; }

    // At most `maxBytes` of a value, its type not looked at; empty on any failure.
    std::optional<std::vector<std::uint8_t>> Read(const char* name, std::size_t maxBytes) const {
        std::vector<std::uint8_t> data(maxBytes);
        DWORD type = 0;
        DWORD size = static_cast<DWORD>(maxBytes);
        if (RegQueryValueExA(key_, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        data.resize(std::min<std::size_t>(size, maxBytes));
        return data;
    }

  private:
    HKEY key_ = nullptr;
};

std::size_t PortSlots(std::int32_t portCount, std::size_t slots) {
    return static_cast<std::size_t>(
        std::clamp<std::int32_t>(portCount, 0, static_cast<std::int32_t>(slots)));
}

void ApplyResources(const BoardResources& r, BoardSettingRecord& rec) {
    rec.irq = r.irq;
    rec.vectorAddress = r.vectorAddress;
    rec.ioAddress = r.ioAddress;
}

BoardResources ResourcesOf(const BoardSettingRecord& rec) {
    BoardResources r;
    r.irq = rec.irq;
    r.vectorAddress = rec.vectorAddress;
    r.ioAddress = rec.ioAddress;
    return r;
}

bool DiscoverRootBoards(BoardSettingBlock& block, const char* rootKey, std::string_view enumerator,
                        ForcedConfigVariant variant) {
    block.productId = 0;
    block.count = 0;
    Key root(HKEY_LOCAL_MACHINE, rootKey);
    if (!root)
        return false;
    char name[kKeyNameBytes];
    for (DWORD index = 0; block.count < catalog::MAX_BOARDS; ++index) {
        if (RegEnumKeyA(root.get(), index, name, sizeof name) != ERROR_SUCCESS)
            break;
        BoardSettingRecord rec;
        if (ReadIsaInstance(std::string(rootKey) + "\\" + name, enumerator, variant, rec)) {
            block.records[block.count++] = rec;
        }
    }
    return true;
}

}  // namespace

bool ReadIsaInstance(const std::string& instanceKeyPath, std::string_view enumerator,
                     ForcedConfigVariant variant, BoardSettingRecord& rec) {
    rec = BoardSettingRecord{};
    Key instance(HKEY_LOCAL_MACHINE, instanceKeyPath);
    if (!instance)
        return false;
    auto id = instance.Read("HardwareID", 10);
    if (!id)
        return false;
    auto pnp = ParseIsaHardwareId(*id);
    if (!pnp)
        return false;
    const auto* row = catalog::findIsaBoardByPnpNumber(*pnp);
    if (!row)
        return false;
    rec.busKind = catalog::BUS_ISA;
    rec.typeCode = static_cast<std::uint16_t>(row->typeCode);
    rec.portCount = row->portCount;

    if (auto forced = instance.Read("ForcedConfig", kLogConfigBytes);
        forced && forced->size() > 8) {
        BoardResources r = ResourcesOf(rec);
        ParseForcedConfig(*forced, variant, rec.portCount, r);  // its outcome does not matter
        ApplyResources(r, rec);
    }
    const std::string node = RootDeviceNodeName(enumerator, InstanceName(instanceKeyPath));
    ReadChildComNumbers(node, rec);
    if (variant == ForcedConfigVariant::OrvaneAsync)
        ReadChildFifoSettings(node, rec);
    return true;
}

bool ReadChildComNumbers(const std::string& deviceNodeName, BoardSettingRecord& rec) {
    for (std::size_t i = 0; i < PortSlots(rec.portCount, rec.comNumber.size()); ++i) {
        Key child(HKEY_LOCAL_MACHINE, ChildKeyPath(deviceNodeName, static_cast<unsigned>(i)));
        if (!child)
            return false;
        auto name = child.Read("PORTNAME", kTextValueBytes);
        rec.comNumber[i] = name ? ParsePortName(*name) : 0;
    }
    return true;
}

bool ReadChildFifoSettings(const std::string& deviceNodeName, BoardSettingRecord& rec) {
    const std::size_t ports = PortSlots(rec.portCount, rec.rxTriggerIndex.size());
    for (std::size_t i = 0; i < ports; ++i) {
        rec.rxTriggerIndex[i] = 3;
        rec.txFifoIndex[i] = 15;
    }
    for (std::size_t i = 0; i < ports; ++i) {
        Key child(HKEY_LOCAL_MACHINE, ChildKeyPath(deviceNodeName, static_cast<unsigned>(i)));
        if (!child)
            return false;
        auto settings = child.Read("Settings", 4);
        if (!settings || settings->size() != 4) {
            rec.rxTriggerIndex[i] = 3;
            rec.txFifoIndex[i] = 15;
            continue;
        }
        rec.rxTriggerIndex[i] = catalog::rxTriggerIndexByFcrBits((*settings)[3] & 0xC0).value_or(3);
        rec.txFifoIndex[i] = catalog::txFifoIndexBySize((*settings)[1]).value_or(15);
    }
    return true;
}

bool DiscoverMultiFunctionBoards(BoardSettingBlock& block) {
    return DiscoverRootBoards(block, MULTIFUNCTION_ROOT_KEY, "MultiFunction",
                              ForcedConfigVariant::MultiFunction);
}

bool DiscoverAsyncRootBoards(BoardSettingBlock& block) {
    return DiscoverRootBoards(block, ASYNC_ROOT_KEY, "OrvaneAsync",
                              ForcedConfigVariant::OrvaneAsync);
}

bool DiscoverConfigManagerBoards(BoardSettingBlock& block) {
    block.productId = 0;
    block.count = 0;
    Key root(HKEY_DYN_DATA, CONFIG_MANAGER_ENUM_KEY);
    if (!root)
        return false;
    char name[kKeyNameBytes];
    for (DWORD index = 0; block.count < catalog::MAX_BOARDS; ++index) {
        if (RegEnumKeyA(root.get(), index, name, sizeof name) != ERROR_SUCCESS)
            break;
        Key node(root.get(), name);
        if (!node)
            continue;
        auto value = node.Read("HardWareKey", kTextValueBytes);
        if (!value)
            continue;
        // The record keeps the key's terminator within its 260 bytes.
        const std::string text(RegistryText(*value, catalog::HARDWARE_KEY_BYTES - 1));
        const PciHardwareKey id = ParsePciHardwareKey(text);
        if (id.vendorId != catalog::BOARD_VENDOR_ID)
            continue;
        const auto* row = catalog::findPciBoardByDeviceId(id.deviceId);
        if (!row)
            continue;
        BoardSettingRecord rec;
        rec.busKind = catalog::BUS_PCI;
        rec.pciDeviceId = id.deviceId;
        rec.typeCode = static_cast<std::uint16_t>(row->typeCode);
        rec.portCount = row->portCount;
        const PciLocation loc = ParsePciLocation(text);
        rec.pciBus = loc.bus;
        rec.pciDevice = loc.device;
        rec.hardwareKey = text;
        const std::string deviceNode = PciDeviceNodeName(text);
        if (!ReadChildComNumbers(deviceNode, rec) || !ReadChildFifoSettings(deviceNode, rec)) {
            continue;
        }
        auto allocation = node.Read("Allocation", kLogConfigBytes);
        if (!allocation)
            continue;
        BoardResources r = ResourcesOf(rec);
        if (!ParseAllocation(*allocation, rec.portCount, r))
            continue;
        ApplyResources(r, rec);
        if (rec.pciBus == 0 && rec.pciDevice == 0)
            FindPciLocation(rec);
        block.records[block.count++] = rec;
    }
    return true;
}

ULONG ReadPciConfigDword(ULONG bus, ULONG device, ULONG reg) {
    const ULONG address = 0x80000000u | bus << 16 | device << 11 | (reg & 0xFC);
    _disable();
    _outpd(PCI_CONFIG_ADDRESS_PORT, address);
    const ULONG value = _inpd(PCI_CONFIG_DATA_PORT);
    _enable();
    return value;
}

void FindPciLocation(BoardSettingRecord& rec) {
    for (ULONG bus = 0; bus <= 1; ++bus) {
        for (ULONG device = 0; device <= 29; ++device) {
            const ULONG id = ReadPciConfigDword(bus, device, 0);
            if ((id & 0xFFFF) != catalog::BOARD_VENDOR_ID || (id >> 16) != rec.pciDeviceId) {
                continue;
            }
            const ULONG bar2 = ReadPciConfigDword(bus, device, 0x18);
            if (bar2 != 0xFFFFFFFFu && (bar2 & 0xFFFC) == rec.ioAddress[0]) {
                rec.pciBus = static_cast<std::uint16_t>(bus);
                rec.pciDevice = static_cast<std::uint16_t>(device);
                return;
            }
        }
    }
}

}  // namespace ovtb::diag
