#include "catalog/settings_record.h"

#include <algorithm>

namespace ovtb::catalog {

namespace off = settings_record_offsets;

bool SettingsRecord::Encode(std::span<std::uint8_t> out) const {
    if (out.size() < kSize) {
        return false;
    }
    auto bytes = out.first(kSize);
    std::fill(bytes.begin(), bytes.end(), 0);
    PutU16(bytes, off::pciDeviceId, pciDeviceId);
    PutU16(bytes, off::pciBus, pciBus);
    PutU16(bytes, off::pciDevice, pciDevice);
    PutU32(bytes, off::ioBase, ioBase);
    PutU32(bytes, off::vectorAddress, vectorAddress);
    PutU32(bytes, off::irq, static_cast<std::uint32_t>(irq));
    PutU8(bytes, off::productNumber, productNumber);
    PutU8(bytes, off::portCount, portCount);
    for (std::size_t i = 0; i < SETTINGS_PORT_SLOTS; ++i) {
        PutU16(bytes, off::comNumber + 2 * i, comNumber[i]);
        PutU8(bytes, off::rxTriggerIndex + i, rxTriggerIndex[i]);
        PutU8(bytes, off::txFifoSize + i, txFifoSize[i]);
    }
    return true;
}

std::array<std::uint8_t, SettingsRecord::kSize> SettingsRecord::ToBytes() const {
    std::array<std::uint8_t, kSize> bytes{};
    Encode(bytes);
    return bytes;
}

std::optional<SettingsRecord> SettingsRecord::Decode(std::span<const std::uint8_t> in) {
    if (in.size() < kSize) {
        return std::nullopt;
    }
    SettingsRecord r;
    r.pciDeviceId = GetU16(in, off::pciDeviceId);
    r.pciBus = GetU16(in, off::pciBus);
    r.pciDevice = GetU16(in, off::pciDevice);
    r.ioBase = GetU32(in, off::ioBase);
    r.vectorAddress = GetU32(in, off::vectorAddress);
    r.irq = GetI32(in, off::irq);
    r.productNumber = GetU8(in, off::productNumber);
    r.portCount = GetU8(in, off::portCount);
    for (std::size_t i = 0; i < SETTINGS_PORT_SLOTS; ++i) {
        r.comNumber[i] = GetU16(in, off::comNumber + 2 * i);
        r.rxTriggerIndex[i] = GetU8(in, off::rxTriggerIndex + i);
        r.txFifoSize[i] = GetU8(in, off::txFifoSize + i);
    }
    return r;
}

std::vector<SettingsRecord> DecodeSettingsValue(std::span<const std::uint8_t> value) {
    const std::size_t n = std::min(value.size() / SETTINGS_RECORD_SIZE, MAX_BOARDS);
    std::vector<SettingsRecord> records;
    records.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        records.push_back(
            *SettingsRecord::Decode(value.subspan(i * SETTINGS_RECORD_SIZE, SETTINGS_RECORD_SIZE)));
    }
    return records;
}

std::int32_t ProductNumberOf(std::uint32_t typeCode, std::int32_t busKind) {
    const std::int32_t part = busKind == BUS_ISA ? BUS_ISA : BUS_PCI;
    const std::uint32_t code = typeCode & 0xFFFF;
    for (const auto& row : ProductNumbers) {
        if (row.busKind == part && row.typeCode == code) {
            return static_cast<std::int32_t>(row.productNumber);
        }
    }
    return -1;
}

std::optional<DecodedProduct> DecodeProductNumber(std::uint8_t productNumber) {
    // The table lists the ISA part first, so table order is the search order.
    for (const auto& row : ProductNumbers) {
        if (row.productNumber == productNumber) {
            return DecodedProduct{row.busKind, row.typeCode};
        }
    }
    return std::nullopt;
}

std::uint8_t TxFifoSizeForIndex(std::int32_t txFifoIndex) {
    for (const auto& row : TxFifoChoices) {
        if (row.choiceIndex == txFifoIndex) {
            return static_cast<std::uint8_t>(row.fifoSize);
        }
    }
    return 16;
}

std::int32_t TxFifoIndexForSize(std::uint8_t txFifoSize) {
    return txFifoIndexBySize(txFifoSize).value_or(15);
}

std::int32_t RxTriggerIndexForByte(std::uint8_t rxTriggerIndex) {
    return static_cast<std::int8_t>(rxTriggerIndex);
}

std::uint16_t PortIoAddress(const SettingsRecord& record, std::size_t port) {
    return static_cast<std::uint16_t>(record.ioBase + 8 * port);
}

}  // namespace ovtb::catalog
