#include "diag/nt_records.h"

#include <algorithm>

#include "catalog/board_catalog.h"
#include "catalog/byte_codec.h"
#include "catalog/settings_record.h"

namespace ovtb::diag {

namespace {

using catalog::GetU16;
using catalog::GetU8;

void StartBlock(BoardSettingBlock& block) {
    block.productId = 0;
    block.count = 0;
}

std::size_t PortSlots(std::int32_t portCount) {
    return static_cast<std::size_t>(std::clamp<std::int32_t>(portCount, 0, 8));
}

}  // namespace

std::optional<std::uint16_t> DecodeOvserProductNumber(std::uint8_t productNumber) {
    for (const auto& row : OvserProductNumbers) {
        if (row.productNumber == productNumber)
            return row.typeCode;
    }
    return std::nullopt;
}

std::optional<std::size_t> FindReplyBoard(const PciInfoReply& reply, std::uint16_t bus,
                                          std::uint16_t device, std::uint16_t deviceId) {
    for (std::size_t i = 0; i < reply.ValidCount(); ++i) {
        if (reply.busNumber[i] == bus && reply.deviceNumber[i] == device &&
            reply.deviceId[i] == deviceId) {
            return i;
        }
    }
    return std::nullopt;
}

bool FillOvConfigBoards(std::span<const std::uint8_t> value, BoardSettingBlock& block) {
    namespace off = ov_config_offsets;
    StartBlock(block);
    if (value.size() > OV_CONFIG_READ_BYTES)
        return false;
    if (value.size() % OV_CONFIG_ENTRY_SIZE != 0)
        return false;
    for (std::size_t at = 0; at < value.size() && block.count < catalog::MAX_BOARDS;
         at += OV_CONFIG_ENTRY_SIZE) {
        auto entry = value.subspan(at, OV_CONFIG_ENTRY_SIZE);
        auto typeCode = DecodeOvserProductNumber(GetU8(entry, off::productNumber));
        if (!typeCode)
            continue;
        const auto* row = catalog::findIsaBoardByTypeCode(*typeCode);
        if (!row)
            continue;
        BoardSettingRecord rec;
        rec.typeCode = static_cast<std::uint16_t>(row->typeCode);
        rec.busKind = catalog::BUS_ISA;
        rec.portCount = row->portCount;
        rec.irq = GetU8(entry, off::irq);
        for (std::size_t k = 0; k < 8; ++k) {
            rec.ioAddress[k] = GetU16(entry, off::ioAddress + 2 * k);
            rec.comNumber[k] = GetU16(entry, off::comNumber + 2 * k);
        }
        block.records[block.count++] = rec;
    }
    return true;
}

bool FillSettings24Boards(std::span<const std::uint8_t> value, const PciInfoReply* reply,
                          BoardSettingBlock& block) {
    namespace off = settings24_offsets;
    StartBlock(block);
    if (value.size() > SETTINGS24_READ_BYTES)
        value = {};  // the read fails: no entries
    const std::size_t entries = value.size() / SETTINGS24_ENTRY_SIZE;
    for (std::size_t i = 0; i < entries && block.count < catalog::MAX_BOARDS; ++i) {
        auto entry = value.subspan(i * SETTINGS24_ENTRY_SIZE, SETTINGS24_ENTRY_SIZE);
        const std::uint16_t deviceId = GetU16(entry, off::pciDeviceId);
        const std::uint16_t bus = GetU16(entry, off::pciBus);
        const std::uint16_t device = GetU16(entry, off::pciDevice);
        const auto* row = catalog::findPciBoardByDeviceId(deviceId);
        if (!row)
            continue;
        BoardSettingRecord rec;
        rec.typeCode = static_cast<std::uint16_t>(row->typeCode);
        rec.portCount = row->portCount;
        rec.busKind = catalog::BUS_PCI;
        if (reply) {
            auto found = FindReplyBoard(*reply, bus, device, deviceId);
            if (!found)
                continue;  // the board is not present
            rec.ioAddress[0] = static_cast<std::uint16_t>(reply->ioBase[*found]);
            rec.vectorAddress = static_cast<std::uint16_t>(reply->vectorAddress[*found]);
            rec.irq = static_cast<std::int32_t>(reply->irq[*found]);
        }
        rec.pciBus = bus;
        rec.pciDevice = device;
        rec.pciDeviceId = deviceId;
        const std::int32_t firstCom = GetU16(entry, off::firstComNumber);
        for (std::size_t k = 0; k < PortSlots(rec.portCount); ++k) {
            rec.ioAddress[k] = static_cast<std::uint16_t>(rec.ioAddress[0] + 8 * k);
            rec.comNumber[k] = firstCom + static_cast<std::int32_t>(k);
        }
        block.records[block.count++] = rec;
    }
    return true;
}

bool FillSettings60Boards(std::span<const std::uint8_t> value, const PciInfoReply* reply,
                          bool pciWanted, BoardSettingBlock& block) {
    StartBlock(block);
    if (value.size() > catalog::SETTINGS_READ_BYTES)
        value = {};  // the read fails
    for (const auto& stored : catalog::DecodeSettingsValue(value)) {
        if (block.count >= catalog::MAX_BOARDS)
            break;
        auto product = catalog::DecodeProductNumber(stored.productNumber);
        if (!product)
            continue;
        const bool pci = product->busKind == catalog::BUS_PCI;
        if (pci != pciWanted)
            continue;
        BoardSettingRecord rec;
        rec.typeCode = product->typeCode;
        std::uint32_t ioBase = stored.ioBase;
        std::uint32_t vector = stored.vectorAddress;
        std::int32_t irq = stored.irq;
        if (!pci) {
            rec.busKind = catalog::BUS_ISA;
            const auto* row = catalog::findIsaBoardByTypeCode(product->typeCode);
            if (!row)
                continue;
            rec.portCount = row->portCount;
        } else {
            rec.busKind = catalog::BUS_PCI;
            const auto* row = catalog::findPciBoardByTypeCode(product->typeCode);
            if (!row)
                continue;
            rec.portCount = row->portCount;
            if (reply) {
                auto found =
                    FindReplyBoard(*reply, stored.pciBus, stored.pciDevice, stored.pciDeviceId);
                if (!found)
                    continue;
                ioBase = reply->ioBase[*found];
                vector = reply->vectorAddress[*found];
                irq = static_cast<std::int32_t>(reply->irq[*found]);
            }
            rec.pciBus = stored.pciBus;
            rec.pciDevice = stored.pciDevice;
            rec.pciDeviceId = stored.pciDeviceId;
        }
        rec.irq = irq;
        rec.vectorAddress = static_cast<std::uint16_t>(vector);
        for (std::size_t k = 0; k < PortSlots(rec.portCount); ++k) {
            rec.ioAddress[k] = static_cast<std::uint16_t>((ioBase & 0xFFFF) + 8 * k);
            rec.comNumber[k] = stored.comNumber[k];
            rec.rxTriggerIndex[k] = catalog::RxTriggerIndexForByte(stored.rxTriggerIndex[k]);
            rec.txFifoIndex[k] = catalog::TxFifoIndexForSize(stored.txFifoSize[k]);
        }
        block.records[block.count++] = rec;
    }
    return true;
}

}  // namespace ovtb::diag
