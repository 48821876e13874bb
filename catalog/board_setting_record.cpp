#include "catalog/board_setting_record.h"

#include <algorithm>
#include <cstring>

namespace ovtb::catalog {

namespace {

namespace r = board_setting_record_offsets;
namespace c = co_installer_record_offsets;

// Where the two variants put the fields that follow txFifoIndex.
struct TailOffsets {
    std::size_t pciDeviceId;
    std::size_t pciBus;
    std::size_t pciDevice;
    std::size_t hardwareKey;
};

constexpr TailOffsets kRecordTail{r::pciDeviceId, r::pciBus, r::pciDevice, r::hardwareKey};
constexpr TailOffsets kCoInstallerTail{c::pciDeviceId, c::pciBus, c::pciDevice, c::hardwareKey};

void EncodeFields(const BoardRecordFields& f, const TailOffsets& tail,
                  std::span<std::uint8_t> out) {
    PutU16(out, r::typeCode, f.typeCode);
    PutU32(out, r::irq, static_cast<std::uint32_t>(f.irq));
    PutU32(out, r::busKind, static_cast<std::uint32_t>(f.busKind));
    PutU32(out, r::memoryBank, f.memoryBank);
    for (std::size_t i = 0; i < RECORD_PORT_SLOTS; ++i) {
        PutU16(out, r::ioAddress + 2 * i, f.ioAddress[i]);
        PutU32(out, r::rxTriggerIndex + 4 * i, static_cast<std::uint32_t>(f.rxTriggerIndex[i]));
        PutU32(out, r::txFifoIndex + 4 * i, static_cast<std::uint32_t>(f.txFifoIndex[i]));
    }
    PutU16(out, r::vectorAddress, f.vectorAddress);
    for (std::size_t i = 0; i < RECORD_COM_SLOTS; ++i) {
        PutU32(out, r::comNumber + 4 * i, static_cast<std::uint32_t>(f.comNumber[i]));
    }
    PutU32(out, r::portCount, static_cast<std::uint32_t>(f.portCount));
    PutU16(out, tail.pciDeviceId, f.pciDeviceId);
    PutU16(out, tail.pciBus, f.pciBus);
    PutU16(out, tail.pciDevice, f.pciDevice);
    const std::size_t keyLength =
        std::min(f.hardwareKey.find('\0'), std::min(f.hardwareKey.size(), HARDWARE_KEY_BYTES - 1));
    std::memcpy(out.data() + tail.hardwareKey, f.hardwareKey.data(), keyLength);
}

void DecodeFields(std::span<const std::uint8_t> in, const TailOffsets& tail, BoardRecordFields& f) {
    f.typeCode = GetU16(in, r::typeCode);
    f.irq = GetI32(in, r::irq);
    f.busKind = GetI32(in, r::busKind);
    f.memoryBank = GetU32(in, r::memoryBank);
    for (std::size_t i = 0; i < RECORD_PORT_SLOTS; ++i) {
        f.ioAddress[i] = GetU16(in, r::ioAddress + 2 * i);
        f.rxTriggerIndex[i] = GetI32(in, r::rxTriggerIndex + 4 * i);
        f.txFifoIndex[i] = GetI32(in, r::txFifoIndex + 4 * i);
    }
    f.vectorAddress = GetU16(in, r::vectorAddress);
    for (std::size_t i = 0; i < RECORD_COM_SLOTS; ++i) {
        f.comNumber[i] = GetI32(in, r::comNumber + 4 * i);
    }
    f.portCount = GetI32(in, r::portCount);
    f.pciDeviceId = GetU16(in, tail.pciDeviceId);
    f.pciBus = GetU16(in, tail.pciBus);
    f.pciDevice = GetU16(in, tail.pciDevice);
    // The text ends at its terminator; an unterminated field is cut so that one fits.
    const auto key = in.subspan(tail.hardwareKey, HARDWARE_KEY_BYTES - 1);
    f.hardwareKey.assign(key.begin(), std::find(key.begin(), key.end(), std::uint8_t{0}));
}

}  // namespace

std::size_t BoardRecordFields::PortSlots() const {
    return static_cast<std::size_t>(std::clamp<std::int32_t>(portCount, 0, RECORD_PORT_SLOTS));
}

bool BoardSettingRecord::Encode(std::span<std::uint8_t> out) const {
    if (out.size() < kSize) {
        return false;
    }
    auto bytes = out.first(kSize);
    std::fill(bytes.begin(), bytes.end(), 0);
    EncodeFields(*this, kRecordTail, bytes);
    return true;
}

std::array<std::uint8_t, BoardSettingRecord::kSize> BoardSettingRecord::ToBytes() const {
    std::array<std::uint8_t, kSize> bytes{};
    Encode(bytes);
    return bytes;
}

std::optional<BoardSettingRecord> BoardSettingRecord::Decode(std::span<const std::uint8_t> in) {
    if (in.size() < kSize) {
        return std::nullopt;
    }
    BoardSettingRecord record;
    DecodeFields(in.first(kSize), kRecordTail, record);
    return record;
}

bool CoInstallerBoardRecord::Encode(std::span<std::uint8_t> out) const {
    if (out.size() < kSize) {
        return false;
    }
    auto bytes = out.first(kSize);
    std::fill(bytes.begin(), bytes.end(), 0);
    EncodeFields(*this, kCoInstallerTail, bytes);
    for (std::size_t i = 0; i < RECORD_COM_SLOTS; ++i) {
        PutU32(bytes, c::pollingPeriod + 4 * i, static_cast<std::uint32_t>(pollingPeriod[i]));
    }
    return true;
}

std::array<std::uint8_t, CoInstallerBoardRecord::kSize> CoInstallerBoardRecord::ToBytes() const {
    std::array<std::uint8_t, kSize> bytes{};
    Encode(bytes);
    return bytes;
}

std::optional<CoInstallerBoardRecord> CoInstallerBoardRecord::Decode(
    std::span<const std::uint8_t> in) {
    if (in.size() < kSize) {
        return std::nullopt;
    }
    CoInstallerBoardRecord record;
    DecodeFields(in.first(kSize), kCoInstallerTail, record);
    for (std::size_t i = 0; i < RECORD_COM_SLOTS; ++i) {
        record.pollingPeriod[i] = GetI32(in, c::pollingPeriod + 4 * i);
    }
    return record;
}

std::size_t BoardSettingBlock::ValidCount() const {
    return std::min<std::size_t>(count, MAX_BOARDS);
}

bool BoardSettingBlock::Encode(std::span<std::uint8_t> out) const {
    if (out.size() < kSize) {
        return false;
    }
    PutU32(out, board_setting_block_offsets::productId, productId);
    PutU32(out, board_setting_block_offsets::count, count);
    for (std::size_t i = 0; i < MAX_BOARDS; ++i) {
        records[i].Encode(out.subspan(RecordOffset(i), BoardSettingRecord::kSize));
    }
    return true;
}

std::array<std::uint8_t, BoardSettingBlock::kSize> BoardSettingBlock::ToBytes() const {
    std::array<std::uint8_t, kSize> bytes{};
    Encode(bytes);
    return bytes;
}

std::optional<BoardSettingBlock> BoardSettingBlock::Decode(std::span<const std::uint8_t> in) {
    if (in.size() < kSize) {
        return std::nullopt;
    }
    BoardSettingBlock block;
    block.productId = GetU32(in, board_setting_block_offsets::productId);
    block.count = GetU32(in, board_setting_block_offsets::count);
    for (std::size_t i = 0; i < MAX_BOARDS; ++i) {
        block.records[i] =
            *BoardSettingRecord::Decode(in.subspan(RecordOffset(i), BoardSettingRecord::kSize));
    }
    return block;
}

}  // namespace ovtb::catalog
