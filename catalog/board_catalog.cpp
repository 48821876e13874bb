#include "catalog/board_catalog.h"

#include <algorithm>
#include <cstring>

namespace ovtb::catalog {

namespace {

template <typename Table, typename Pred>
const typename Table::value_type* FindRow(const Table& table, Pred pred) {
    auto it = std::find_if(table.begin(), table.end(), pred);
    return it == table.end() ? nullptr : &*it;
}

template <typename Table>
const typename Table::value_type* RowAt(const Table& table, std::int32_t position) {
    if (position < 0 || static_cast<std::size_t>(position) >= table.size()) {
        return nullptr;
    }
    return &table[static_cast<std::size_t>(position)];
}

template <typename Table, typename Pred>
std::optional<std::int32_t> PositionOf(const Table& table, Pred pred) {
    auto it = std::find_if(table.begin(), table.end(), pred);
    if (it == table.end()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(it - table.begin());
}

}  // namespace

std::string_view boardTypeName(std::uint32_t typeCode, std::int32_t busKind) {
    const BoardType* row =
        busKind == BUS_PCI ? findPciBoardByTypeCode(typeCode) : findIsaBoardByTypeCode(typeCode);
    return row != nullptr ? row->longName : UNKNOWN_BOARD_TEXT;
}

std::size_t boardTypeName(std::uint32_t typeCode, std::int32_t busKind, std::span<char> buffer) {
    if (buffer.empty()) {
        return 0;
    }
    std::string_view name = boardTypeName(typeCode, busKind);
    std::size_t n = std::min(name.size(), buffer.size() - 1);
    std::memcpy(buffer.data(), name.data(), n);
    buffer[n] = '\0';
    return n;
}

const BoardType* findIsaBoardByPnpNumber(std::int32_t pnpNumber) {
    return FindRow(IsaBoardTable, [&](const BoardType& r) { return r.pnpNumber == pnpNumber; });
}

const BoardType* findIsaBoardByTypeCode(std::uint32_t typeCode) {
    const std::uint32_t code = typeCode & 0xFFFF;
    return FindRow(IsaBoardTable, [&](const BoardType& r) { return r.typeCode == code; });
}

const BoardType* findPciBoardByDeviceId(std::uint16_t deviceId) {
    return FindRow(PciBoardTable,
                   [&](const BoardType& r) { return r.filled() && r.deviceId == deviceId; });
}

const BoardType* findPciBoardByTypeCode(std::uint32_t typeCode) {
    return FindRow(PciBoardTable,
                   [&](const BoardType& r) { return r.filled() && r.typeCode == typeCode; });
}

const BoardType* isaBoardAt(std::int32_t position) {
    return RowAt(IsaBoardTable, position);
}

std::optional<std::int32_t> isaBoardPosition(std::uint32_t typeCode) {
    const std::uint32_t code = typeCode & 0xFFFF;
    return PositionOf(IsaBoardTable, [&](const BoardType& r) { return r.typeCode == code; });
}

const IrqChoice* irqChoiceAt(std::int32_t position) {
    return RowAt(IrqChoices, position);
}

std::optional<std::int32_t> irqChoiceIndex(std::int32_t irq) {
    return PositionOf(IrqChoices, [&](const IrqChoice& c) { return c.irq == irq; });
}

const RxTriggerChoice* rxTriggerChoiceAt(std::int32_t position) {
    return RowAt(RxTriggerChoices, position);
}

std::optional<std::int32_t> rxTriggerIndexByLevel(std::int32_t rxLevel) {
    return PositionOf(RxTriggerChoices,
                      [&](const RxTriggerChoice& c) { return c.rxLevel == rxLevel; });
}

std::optional<std::int32_t> rxTriggerIndexByFcrBits(std::uint32_t fcrBits) {
    return PositionOf(RxTriggerChoices,
                      [&](const RxTriggerChoice& c) { return c.fcrBits == fcrBits; });
}

const TxFifoChoice* txFifoChoiceAt(std::int32_t position) {
    return RowAt(TxFifoChoices, position);
}

std::optional<std::int32_t> txFifoIndexBySize(std::int32_t fifoSize) {
    return PositionOf(TxFifoChoices, [&](const TxFifoChoice& c) { return c.fifoSize == fifoSize; });
}

const PortCountChoice* portCountChoiceAt(std::int32_t position) {
    return RowAt(PortCountChoices, position);
}

std::optional<std::int32_t> portCountChoiceIndex(std::int32_t portCount) {
    return PositionOf(PortCountChoices,
                      [&](const PortCountChoice& c) { return c.portCount == portCount; });
}

const PollingChoice* pollingChoiceAt(std::int32_t position) {
    return RowAt(PollingChoices, position);
}

std::optional<std::int32_t> pollingChoiceIndexByPeriod(std::int32_t period) {
    return PositionOf(PollingChoices, [&](const PollingChoice& c) { return c.period == period; });
}

}  // namespace ovtb::catalog
