#include "catalog/board_setting_record.h"

#include <gtest/gtest.h>

#include <vector>

#include "catalog/tests/layout_check.h"

namespace ovtb::catalog {
namespace {

using testing::Pattern;
using testing::PatternText;

template <typename T>
T P(std::size_t offset) {
    return static_cast<T>(Pattern(offset, sizeof(T)));
}

// Fills every field shared by both variants with the pattern of its documented offset, `base`
// being where the record starts in the bytes that are checked. `tail` is where the variant puts
// pciDeviceId (the three numbers and the hardware key follow it).
void FillShared(BoardRecordFields& r, std::size_t base, std::size_t tail) {
    r.typeCode = P<std::uint16_t>(base + 0x000);
    r.irq = P<std::int32_t>(base + 0x004);
    r.busKind = P<std::int32_t>(base + 0x008);
    r.memoryBank = P<std::uint32_t>(base + 0x010);
    for (std::size_t i = 0; i < 8; ++i) {
        r.ioAddress[i] = P<std::uint16_t>(base + 0x014 + 2 * i);
        r.rxTriggerIndex[i] = P<std::int32_t>(base + 0x1AC + 4 * i);
        r.txFifoIndex[i] = P<std::int32_t>(base + 0x1CC + 4 * i);
    }
    r.vectorAddress = P<std::uint16_t>(base + 0x024);
    for (std::size_t i = 0; i < 32; ++i) {
        r.comNumber[i] = P<std::int32_t>(base + 0x028 + 4 * i);
    }
    r.portCount = P<std::int32_t>(base + 0x0A8);
    r.pciDeviceId = P<std::uint16_t>(base + tail);
    r.pciBus = P<std::uint16_t>(base + tail + 2);
    r.pciDevice = P<std::uint16_t>(base + tail + 4);
    r.hardwareKey = PatternText(base + tail + 6, 260);
}

BoardSettingRecord PatternRecord(std::size_t base) {
    BoardSettingRecord r;
    FillShared(r, base, 0x1F0);
    return r;
}

TEST(BoardSettingRecord, EveryFieldSitsAtItsOffsetAndReservedBytesAreZero) {
    const BoardSettingRecord record = PatternRecord(0);
    const auto bytes = record.ToBytes();
    testing::CheckPatternLayout(BoardSettingRecordLayout, bytes, 764, {"hardwareKey"});
    auto decoded = BoardSettingRecord::Decode(bytes);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, record);
}

TEST(CoInstallerBoardRecord, EveryFieldSitsAtItsOffsetAndReservedBytesAreZero) {
    CoInstallerBoardRecord record;
    FillShared(record, 0, 0x270);
    for (std::size_t i = 0; i < 32; ++i) {
        record.pollingPeriod[i] = P<std::int32_t>(0x1EC + 4 * i);
    }
    const auto bytes = record.ToBytes();
    testing::CheckPatternLayout(CoInstallerRecordLayout, bytes, 892, {"hardwareKey"});
    auto decoded = CoInstallerBoardRecord::Decode(bytes);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, record);
}

TEST(BoardSettingBlock, RecordsFollowTheHeaderAt764ByteSteps) {
    BoardSettingBlock block;
    block.productId = Pattern(0, 4);
    block.count = Pattern(4, 4);
    std::vector<FieldLayout> layout(BoardSettingBlockLayout.begin(),
                                    BoardSettingBlockLayout.end() - 1);
    for (std::size_t i = 0; i < MAX_BOARDS; ++i) {
        const std::size_t base = 8 + 764 * i;
        block.records[i] = PatternRecord(base);
        for (FieldLayout field : BoardSettingRecordLayout) {
            field.offset += base;
            layout.push_back(field);
        }
    }
    EXPECT_EQ(BoardSettingBlock::RecordOffset(3), 2300u);
    EXPECT_EQ(BoardSettingBlock::RecordOffset(3) + 764, 3064u);

    const auto bytes = block.ToBytes();
    testing::CheckPatternLayout(layout, bytes, 3064, {"hardwareKey"});
    auto decoded = BoardSettingBlock::Decode(bytes);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, block);
}

TEST(BoardSettingBlock, EmptyBlockCarriesOnlyItsHeader) {
    BoardSettingBlock block;
    block.productId = 2;
    const auto bytes = block.ToBytes();
    EXPECT_EQ(bytes[0], 2);
    for (std::size_t p = 1; p < bytes.size(); ++p) {
        ASSERT_EQ(bytes[p], 0) << p;
    }
}

TEST(BoardSettingRecord, CodecsAreBoundedByTheBufferGiven) {
    std::vector<std::uint8_t> shortBuffer(763, 0xAB);
    EXPECT_FALSE(PatternRecord(0).Encode(shortBuffer));
    EXPECT_EQ(shortBuffer, std::vector<std::uint8_t>(763, 0xAB));
    EXPECT_FALSE(BoardSettingRecord::Decode(shortBuffer).has_value());
    EXPECT_FALSE(CoInstallerBoardRecord::Decode(std::vector<std::uint8_t>(891)).has_value());
    EXPECT_FALSE(BoardSettingBlock::Decode(std::vector<std::uint8_t>(3063)).has_value());

    std::vector<std::uint8_t> block(3064, 0xAB);
    EXPECT_FALSE(BoardSettingBlock{}.Encode(std::span(block).first(3063)));
    EXPECT_EQ(block[0], 0xAB);

    // Encoding clears the record's own bytes and nothing beyond them.
    std::vector<std::uint8_t> large(800, 0xAB);
    EXPECT_TRUE(BoardSettingRecord{}.Encode(large));
    EXPECT_EQ(large[0x0AC], 0);
    EXPECT_EQ(large[763], 0);
    EXPECT_EQ(large[764], 0xAB);
}

TEST(BoardSettingRecord, HardwareKeyKeepsItsTerminatorInside260Bytes) {
    struct Case {
        const char* what;
        std::string stored;
        std::string readBack;
    };
    const Case cases[] = {
        {"empty", "", ""},
        {"short", "PCI\\VEN_4F56&DEV_5920", "PCI\\VEN_4F56&DEV_5920"},
        {"259 characters fit", std::string(259, 'k'), std::string(259, 'k')},
        {"longer text is cut to 259", std::string(300, 'k'), std::string(259, 'k')},
        {"text after a zero is not stored", std::string("ab\0cd", 5), "ab"},
    };
    for (const auto& c : cases) {
        BoardSettingRecord r;
        r.hardwareKey = c.stored;
        const auto bytes = r.ToBytes();
        EXPECT_EQ(bytes[0x1F6 + 259], 0) << c.what;
        EXPECT_EQ(BoardSettingRecord::Decode(bytes)->hardwareKey, c.readBack) << c.what;
    }

    // Stored bytes without a terminator read as the first 259 characters.
    std::vector<std::uint8_t> raw(764, 0);
    std::fill(raw.begin() + 0x1F6, raw.begin() + 0x1F6 + 260, 'x');
    EXPECT_EQ(BoardSettingRecord::Decode(raw)->hardwareKey, std::string(259, 'x'));
}

TEST(BoardSettingRecord, CountsReadFromStoredDataStayWithinTheArrays) {
    BoardSettingRecord r;
    for (auto [stored, slots] : {std::pair{-1, 0}, {0, 0}, {2, 2}, {8, 8}, {32, 8}, {1000, 8}}) {
        r.portCount = stored;
        EXPECT_EQ(r.PortSlots(), static_cast<std::size_t>(slots)) << stored;
    }
    BoardSettingBlock block;
    for (auto [stored, valid] : {std::pair{0u, 0u}, {4u, 4u}, {5u, 4u}, {0xFFFFFFFFu, 4u}}) {
        block.count = stored;
        EXPECT_EQ(block.ValidCount(), valid) << stored;
    }
}

}  // namespace
}  // namespace ovtb::catalog
