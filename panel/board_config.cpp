#include "panel/board_config.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace ovtb::panel {

namespace {

std::size_t Slots(std::int32_t portCount) {
    return static_cast<std::size_t>(std::clamp<std::int32_t>(portCount, 0, BOARD_PORT_SLOTS));
}

std::size_t CopyText(const std::string& text, std::span<char> buffer) {
    if (buffer.empty()) {
        return 0;
    }
    const std::size_t n = std::min(text.size(), buffer.size() - 1);
    std::memcpy(buffer.data(), text.data(), n);
    buffer[n] = '\0';
    return n;
}

}  // namespace

BoardConfig::BoardConfig()
    : busKind(catalog::BUS_ISA),
      pciDeviceId(0),
      pciDevice(0),
      pciBus(0),
      typeCode(0x0210),
      irq(10),
      vectorAddress(0x01C0),
      portCount(8) {
    for (std::size_t i = 0; i < BOARD_PORT_SLOTS; ++i) {
        ioAddress[i] = static_cast<std::uint16_t>(0x180 + 8 * i);
        comNumber[i] = static_cast<std::int32_t>(3 + i);
        rxTriggerIndex[i] = 3;
        txFifoIndex[i] = 15;
    }
}

std::size_t BoardConfig::PortSlots() const {
    return Slots(portCount);
}

void BoardConfig::LoadFromBlock(const catalog::BoardSettingBlock& block, std::size_t index) {
    if (index >= block.records.size()) {
        return;
    }
    const catalog::BoardSettingRecord& r = block.records[index];
    typeCode = r.typeCode;
    busKind = r.busKind;
    irq = r.irq;
    pciBus = r.pciBus;
    pciDevice = r.pciDevice;
    pciDeviceId = r.pciDeviceId;
    portCount = r.portCount;
    vectorAddress = r.vectorAddress;
    for (std::size_t i = 0; i < Slots(r.portCount); ++i) {
        comNumber[i] = r.comNumber[i];
        ioAddress[i] = r.ioAddress[i];
        rxTriggerIndex[i] = r.rxTriggerIndex[i];
        txFifoIndex[i] = r.txFifoIndex[i];
    }
}

void BoardConfig::CopyFrom(const BoardConfig& other) {
    busKind = other.busKind;
    pciDeviceId = other.pciDeviceId;
    pciDevice = other.pciDevice;
    pciBus = other.pciBus;
    typeCode = other.typeCode;
    irq = other.irq;
    vectorAddress = other.vectorAddress;
    portCount = other.portCount;
    for (std::size_t i = 0; i < other.PortSlots(); ++i) {
        ioAddress[i] = other.ioAddress[i];
        comNumber[i] = other.comNumber[i];
        rxTriggerIndex[i] = other.rxTriggerIndex[i];
        txFifoIndex[i] = other.txFifoIndex[i];
    }
}

std::string BoardConfig::GetTypeName() const {
    return std::string(catalog::boardTypeName(static_cast<std::uint32_t>(typeCode), busKind));
}

std::size_t BoardConfig::GetTypeName(std::span<char> buffer) const {
    return CopyText(GetTypeName(), buffer);
}

std::string BoardConfig::GetDisplayName() const {
    std::string name = GetTypeName();
    if (busKind == catalog::BUS_PCI) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, "(Bus/Dev=%d/%d)", pciBus, pciDevice);
        name += suffix;
    }
    return name;
}

std::size_t BoardConfig::GetDisplayName(std::span<char> buffer) const {
    return CopyText(GetDisplayName(), buffer);
}

catalog::SettingsRecord BoardConfig::ToSettingsRecord() const {
    catalog::SettingsRecord record;
    record.productNumber = static_cast<std::uint8_t>(
        catalog::ProductNumberOf(static_cast<std::uint32_t>(typeCode), busKind));
    record.irq = irq;
    record.vectorAddress = vectorAddress;
    record.portCount = static_cast<std::uint8_t>(portCount);
    record.ioBase = ioAddress[0];
    if (busKind == catalog::BUS_PCI) {
        record.pciDeviceId = pciDeviceId;
        record.pciBus = pciBus;
        record.pciDevice = pciDevice;
    }
    for (std::size_t i = 0; i < PortSlots(); ++i) {
        record.comNumber[i] = static_cast<std::uint16_t>(comNumber[i]);
        record.rxTriggerIndex[i] = static_cast<std::uint8_t>(rxTriggerIndex[i]);
        record.txFifoSize[i] = catalog::TxFifoSizeForIndex(txFifoIndex[i]);
    }
    return record;
}

}  // namespace ovtb::panel
