#include "catalog/settings_record.h"

#include <gtest/gtest.h>

#include <vector>

#include "catalog/tests/layout_check.h"

namespace ovtb::catalog {
namespace {

using testing::Pattern;

TEST(SettingsRecord, EveryFieldSitsAtItsOffsetAndReservedBytesAreZero) {
    SettingsRecord r;
    r.pciDeviceId = static_cast<std::uint16_t>(Pattern(0x00, 2));
    r.pciBus = static_cast<std::uint16_t>(Pattern(0x02, 2));
    r.pciDevice = static_cast<std::uint16_t>(Pattern(0x04, 2));
    r.ioBase = Pattern(0x08, 4);
    r.vectorAddress = Pattern(0x0C, 4);
    r.irq = static_cast<std::int32_t>(Pattern(0x10, 4));
    r.productNumber = static_cast<std::uint8_t>(Pattern(0x18, 1));
    r.portCount = static_cast<std::uint8_t>(Pattern(0x19, 1));
    for (std::size_t i = 0; i < 8; ++i) {
        r.comNumber[i] = static_cast<std::uint16_t>(Pattern(0x1A + 2 * i, 2));
        r.rxTriggerIndex[i] = static_cast<std::uint8_t>(Pattern(0x2A + i, 1));
        r.txFifoSize[i] = static_cast<std::uint8_t>(Pattern(0x32 + i, 1));
    }
    const auto bytes = r.ToBytes();
    testing::CheckPatternLayout(SettingsRecordLayout, bytes, 60);
    auto decoded = SettingsRecord::Decode(bytes);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, r);
}

TEST(SettingsRecord, CodecIsBoundedByTheBufferGiven) {
    std::vector<std::uint8_t> shortBuffer(59, 0xAB);
    EXPECT_FALSE(SettingsRecord{}.Encode(shortBuffer));
    EXPECT_EQ(shortBuffer, std::vector<std::uint8_t>(59, 0xAB));
    EXPECT_FALSE(SettingsRecord::Decode(shortBuffer).has_value());

    std::vector<std::uint8_t> large(61, 0xAB);
    EXPECT_TRUE(SettingsRecord{}.Encode(large));
    EXPECT_EQ(large[59], 0);
    EXPECT_EQ(large[60], 0xAB);
}

TEST(SettingsValue, HoldsItsLengthDividedBy60RecordsAtMostFour) {
    for (auto [length, records] : {std::pair{0u, 0u},
                                   {59u, 0u},
                                   {60u, 1u},
                                   {119u, 1u},
                                   {180u, 3u},
                                   {240u, 4u},
                                   {300u, 4u}}) {
        std::vector<std::uint8_t> value(length);
        for (std::size_t i = 0; i < length; ++i) {
            value[i] = static_cast<std::uint8_t>(i / 60 + 1);  // record k is filled with k+1
        }
        const auto decoded = DecodeSettingsValue(value);
        ASSERT_EQ(decoded.size(), records) << length;
        for (std::size_t k = 0; k < decoded.size(); ++k) {
            EXPECT_EQ(decoded[k].productNumber, k + 1) << length;
        }
    }
}

TEST(ProductNumbers, LookUpWithinTheBusKindsPartOfTheTable) {
    struct Case {
        const char* what;
        std::uint32_t typeCode;
        std::int32_t busKind;
        std::int32_t number;
    };
    const Case cases[] = {
        {"V678", 0x0210, BUS_ISA, 1},
        {"VI592 is 4, out of catalog order", 0x0020, BUS_ISA, 4},
        {"VI594 is 5", 0x0130, BUS_ISA, 5},
        {"VI572K", 0x0120, BUS_ISA, 7},
        {"678PCI", 0x2210, BUS_PCI, 8},
        {"VP592", 0x2020, BUS_PCI, 12},
        {"a PCI code with the ISA bus kind", 0x2210, BUS_ISA, -1},
        {"an ISA code with the PCI bus kind", 0x0210, BUS_PCI, -1},
        {"any bus kind other than 0 is PCI", 0x2150, 7, 11},
        {"low 16 bits compared", 0x10210, BUS_ISA, 1},
        {"unknown code", 0x4210, BUS_ISA, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProductNumberOf(c.typeCode, c.busKind), c.number) << c.what;
    }

    EXPECT_EQ(DecodeProductNumber(4), (DecodedProduct{BUS_ISA, 0x0020}));
    EXPECT_EQ(DecodeProductNumber(12), (DecodedProduct{BUS_PCI, 0x2020}));
    for (std::uint8_t none : {0, 13, 0xFF}) {
        EXPECT_EQ(DecodeProductNumber(none), std::nullopt) << int{none};
    }
    // Every row decodes back to itself, and every model of the catalog has a number.
    for (const auto& row : ProductNumbers) {
        EXPECT_EQ(ProductNumberOf(row.typeCode, row.busKind),
                  static_cast<std::int32_t>(row.productNumber));
        const BoardType* model = row.busKind == BUS_PCI ? findPciBoardByTypeCode(row.typeCode)
                                                        : findIsaBoardByTypeCode(row.typeCode);
        EXPECT_NE(model, nullptr) << row.productNumber;
    }
}

TEST(SettingsFieldConversions, OutOfRangeValuesBecomeTheLargestFifo) {
    struct Case {
        const char* what;
        std::int32_t got;
        std::int32_t expected;
    };
    const Case cases[] = {
        {"index 0 is size 1", TxFifoSizeForIndex(0), 1},
        {"index 15 is size 16", TxFifoSizeForIndex(15), 16},
        {"index 20 is stored as 16", TxFifoSizeForIndex(20), 16},
        {"index -1 is stored as 16", TxFifoSizeForIndex(-1), 16},
        {"size 1 reads as index 0", TxFifoIndexForSize(1), 0},
        {"size 16 reads as index 15", TxFifoIndexForSize(16), 15},
        {"size 0 reads as index 15", TxFifoIndexForSize(0), 15},
        {"size 17 reads as index 15", TxFifoIndexForSize(17), 15},
        {"rx byte 3", RxTriggerIndexForByte(3), 3},
        {"rx byte 0xFF is signed", RxTriggerIndexForByte(0xFF), -1},
        {"rx byte 0x80 is signed", RxTriggerIndexForByte(0x80), -128},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.got, c.expected) << c.what;
    }

    SettingsRecord r;
    r.ioBase = 0xFFF8;
    EXPECT_EQ(PortIoAddress(r, 0), 0xFFF8);
    EXPECT_EQ(PortIoAddress(r, 1), 0x0000);  // low 16 bits
    r.ioBase = 0x180;
    EXPECT_EQ(PortIoAddress(r, 7), 0x1B8);
}

}  // namespace
}  // namespace ovtb::catalog
