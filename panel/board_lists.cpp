#include "panel/board_lists.h"

#include <array>
#include <optional>

#include "catalog/board_catalog.h"
#include "catalog/settings_record.h"
#include "panel/settings_store.h"

namespace ovtb::panel {

namespace cat = ovtb::catalog;

namespace {

// The first element of the reply with this device id at this bus and device number.
std::optional<cat::PciBoardInfo> FindReplyBoard(const cat::PciInfoReply& reply,
                                                std::uint16_t deviceId, std::uint16_t busNumber,
                                                std::uint16_t deviceNumber) {
    for (std::size_t i = 0; i < reply.ValidCount(); ++i) {
        const cat::PciBoardInfo board = reply.Board(i);
        if (board.busNumber == busNumber && board.deviceNumber == deviceNumber &&
            board.deviceId == deviceId) {
            return board;
        }
    }
    return std::nullopt;
}

// The port I/O addresses: eight apart from the low 16 bits of the base.
void SetPortAddresses(cat::BoardSettingRecord& entry, std::uint32_t ioBase) {
    for (std::size_t i = 0; i < entry.PortSlots(); ++i) {
        entry.ioAddress[i] = static_cast<std::uint16_t>((ioBase & 0xFFFF) + 8 * i);
    }
}

// The ports of a stored board: COM numbers and FIFO settings from the record.
void SetStoredPorts(cat::BoardSettingRecord& entry, const cat::SettingsRecord& record,
                    std::uint32_t ioBase) {
    SetPortAddresses(entry, ioBase);
    for (std::size_t i = 0; i < entry.PortSlots(); ++i) {
        entry.comNumber[i] = record.comNumber[i];
        entry.rxTriggerIndex[i] = cat::RxTriggerIndexForByte(record.rxTriggerIndex[i]);
        entry.txFifoIndex[i] = cat::TxFifoIndexForSize(record.txFifoSize[i]);
    }
}

void StartBlock(cat::BoardSettingBlock& block) {
    block.productId = PANEL_PRODUCT_ID;
    block.count = 0;
}

}  // namespace

void LoadStoredBoards(cat::BoardSettingBlock& presentPciBoards, cat::BoardSettingBlock& isaBoards,
                      const cat::PciInfoReply& reply) {
    std::array<std::uint8_t, cat::SETTINGS_READ_BYTES> buffer{};
    const DWORD bytes = ReadSettings(buffer);
    LoadBoardsFromSettings(std::span(buffer).first(bytes), presentPciBoards, isaBoards, reply);
}

void LoadBoardsFromSettings(std::span<const std::uint8_t> settings,
                            cat::BoardSettingBlock& presentPciBoards,
                            cat::BoardSettingBlock& isaBoards, const cat::PciInfoReply& reply) {
    StartBlock(presentPciBoards);
    StartBlock(isaBoards);
    // At most four records, so the two blocks together never exceed MAX_BOARDS entries.
    for (const cat::SettingsRecord& record : cat::DecodeSettingsValue(settings)) {
        const auto product = cat::DecodeProductNumber(record.productNumber);
        if (!product) {
            continue;
        }
        if (product->busKind == cat::BUS_ISA) {
            const cat::BoardType* row = cat::findIsaBoardByTypeCode(product->typeCode);
            if (row == nullptr) {
                continue;
            }
            cat::BoardSettingRecord& entry = isaBoards.records[isaBoards.count++];
            entry.typeCode = static_cast<std::uint16_t>(row->typeCode);
            entry.busKind = cat::BUS_ISA;
            entry.portCount = row->portCount;
            entry.irq = record.irq;
            entry.vectorAddress = static_cast<std::uint16_t>(record.vectorAddress);
            entry.pciDeviceId = 0;
            entry.pciBus = 0;
            entry.pciDevice = 0;
            SetStoredPorts(entry, record, record.ioBase);
            continue;
        }
        const cat::BoardType* row = cat::findPciBoardByTypeCode(product->typeCode);
        if (row == nullptr) {
            continue;
        }
        const auto present =
            FindReplyBoard(reply, record.pciDeviceId, record.pciBus, record.pciDevice);
        if (!present) {
            continue;  // the board is gone, or another model sits in its slot
        }
        cat::BoardSettingRecord& entry = presentPciBoards.records[presentPciBoards.count++];
        entry.typeCode = static_cast<std::uint16_t>(row->typeCode);
        entry.busKind = cat::BUS_PCI;
        entry.portCount = row->portCount;
        entry.irq = static_cast<std::int32_t>(present->irq);
        entry.vectorAddress = static_cast<std::uint16_t>(present->vectorAddress);
        entry.pciDeviceId = record.pciDeviceId;
        entry.pciBus = record.pciBus;
        entry.pciDevice = record.pciDevice;
        SetStoredPorts(entry, record, present->ioBase);
    }
}

void BuildOfferedBoards(cat::BoardSettingBlock& offeredBoards, const cat::PciInfoReply& reply,
                        std::span<const PciBoardRequest> requests) {
    std::uint32_t count = 0;
    for (const PciBoardRequest& request : requests) {
        if (count == cat::MAX_BOARDS) {
            break;
        }
        const cat::BoardType* row = cat::findPciBoardByDeviceId(request.deviceId);
        if (row == nullptr) {
            continue;
        }
        const auto present =
            FindReplyBoard(reply, request.deviceId, request.busNumber, request.deviceNumber);
        if (!present) {
            continue;
        }
        cat::BoardSettingRecord& entry = offeredBoards.records[count++];
        entry.typeCode = static_cast<std::uint16_t>(row->typeCode);
        entry.portCount = row->portCount;
        entry.busKind = cat::BUS_PCI;
        entry.irq = static_cast<std::int32_t>(present->irq);
        entry.vectorAddress = static_cast<std::uint16_t>(present->vectorAddress);
        entry.pciDeviceId = present->deviceId;
        entry.pciBus = present->busNumber;
        entry.pciDevice = present->deviceNumber;
        SetPortAddresses(entry, present->ioBase);
        for (std::size_t i = 0; i < entry.PortSlots(); ++i) {
            entry.comNumber[i] = static_cast<std::int32_t>(3 + i);
            entry.rxTriggerIndex[i] = 3;
            entry.txFifoIndex[i] = 15;
        }
    }
    offeredBoards.count = count;
    offeredBoards.productId = PANEL_PRODUCT_ID;
}

}  // namespace ovtb::panel
