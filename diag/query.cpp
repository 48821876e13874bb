// The accessors of the tool's block: each reads one field of one record at its byte offset.
#include <cstdio>
#include <cstring>
#include <span>
#include <string>

#include "catalog/board_catalog.h"
#include "catalog/board_setting_record.h"
#include "diag/query.h"

namespace ovtb::diag {

namespace {

namespace off = catalog::board_setting_record_offsets;
using catalog::BoardSettingBlock;
using catalog::BoardSettingRecord;

// Record `index` of the block, or empty for a null block or an index beyond the block.
std::span<const std::uint8_t> Record(const std::uint8_t* block, std::int32_t index) {
    if (block == nullptr || index < 0 || index >= static_cast<std::int32_t>(catalog::MAX_BOARDS)) {
        return {};
    }
    return {block + BoardSettingBlock::RecordOffset(static_cast<std::size_t>(index)),
            BoardSettingRecord::kSize};
}

std::uint16_t U16(const std::uint8_t* block, std::int32_t index, std::size_t offset) {
    auto r = Record(block, index);
    return r.empty() ? 0 : catalog::GetU16(r, offset);
}

std::int32_t I32(const std::uint8_t* block, std::int32_t index, std::size_t offset) {
    auto r = Record(block, index);
    return r.empty() ? 0 : static_cast<std::int32_t>(catalog::GetU32(r, offset));
}

constexpr std::uint16_t kPortCountSuffixBit = 0x4000;
constexpr std::size_t kTypeTextBytes = 24;

}  // namespace

void GetTypeStr(const std::uint8_t* block, std::int32_t index, char* text) {
    auto r = Record(block, index);
    if (r.empty() || text == nullptr)
        return;
    const std::uint16_t typeCode = catalog::GetU16(r, off::typeCode);
    const auto busKind = static_cast<std::int32_t>(catalog::GetU32(r, off::busKind));
    const auto portCount = static_cast<std::int32_t>(catalog::GetU32(r, off::portCount));
    std::string name(catalog::boardTypeName(typeCode, busKind));
    if (typeCode & kPortCountSuffixBit) {
        if (auto position = catalog::portCountChoiceIndex(portCount)) {
            name += '(';
            name += catalog::portCountChoiceAt(*position)->text;
            name += ')';
        }
    }
    const std::size_t n = std::min(name.size(), kTypeTextBytes - 1);
    std::memcpy(text, name.data(), n);
    text[n] = '\0';
}

std::uint16_t QueryBusNum(const std::uint8_t* block, std::int32_t index) {
    return U16(block, index, off::pciBus);
}
std::int32_t QueryBusType(const std::uint8_t* block, std::int32_t index) {
    return I32(block, index, off::busKind);
}

std::int32_t QueryComNum(std::int32_t* comNumbers, const std::uint8_t* block, std::int32_t index) {
    auto r = Record(block, index);
    if (r.empty())
        return 0;
    const auto portCount = static_cast<std::int32_t>(catalog::GetU32(r, off::portCount));
    if (comNumbers == nullptr)
        return portCount;
    const std::int32_t n = std::min<std::int32_t>(portCount, catalog::RECORD_COM_SLOTS);
    for (std::int32_t k = 0; k < n; ++k) {
        comNumbers[k] = static_cast<std::int32_t>(
            catalog::GetU32(r, off::comNumber + 4 * static_cast<std::size_t>(k)));
    }
    return portCount;
}

std::uint16_t QueryDevId(const std::uint8_t* block, std::int32_t index) {
    return U16(block, index, off::pciDeviceId);
}
std::uint16_t QueryDevNum(const std::uint8_t* block, std::int32_t index) {
    return U16(block, index, off::pciDevice);
}
std::uint16_t QueryIOaddr(const std::uint8_t* block, std::int32_t index) {
    return U16(block, index, off::ioAddress);
}
std::int32_t QueryIrq(const std::uint8_t* block, std::int32_t index) {
    return I32(block, index, off::irq);
}
std::int32_t QueryMemBank(const std::uint8_t* block, std::int32_t index) {
    return I32(block, index, off::memoryBank);
}
std::int32_t QueryNoBoards(const std::uint8_t* block) {
    if (block == nullptr)
        return 0;
    return static_cast<std::int32_t>(catalog::GetU32(std::span<const std::uint8_t>(block, 8),
                                                     catalog::board_setting_block_offsets::count));
}
std::int32_t QueryPortNum(const std::uint8_t* block, std::int32_t index) {
    return I32(block, index, off::portCount);
}
std::int32_t QuerySize() {
    return static_cast<std::int32_t>(BoardSettingBlock::kSize);
}
std::uint16_t QueryVector(const std::uint8_t* block, std::int32_t index) {
    return U16(block, index, off::vectorAddress);
}

}  // namespace ovtb::diag
