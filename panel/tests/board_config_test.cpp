#include "panel/board_config.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <type_traits>

namespace ovtb::panel {
namespace {

namespace cat = catalog;

std::string Hex(std::span<const std::uint8_t> bytes) {
    std::string text;
    char digits[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        text += (i == 0 ? "" : " ");
        text += digits;
    }
    return text;
}

TEST(BoardConfig, DefaultBoardEncodesToTheKnownSixtyBytes) {
    EXPECT_EQ(Hex(BoardConfig().ToSettingsRecord().ToBytes()),
              "00 00 00 00 00 00 00 00 80 01 00 00 c0 01 00 00 "
              "0a 00 00 00 00 00 00 00 01 08 03 00 04 00 05 00 "
              "06 00 07 00 08 00 09 00 0a 00 03 03 03 03 03 03 "
              "03 03 10 10 10 10 10 10 10 10 00 00");
}

BoardConfig TwoPortVp592() {
    BoardConfig b;
    b.busKind = cat::BUS_PCI;
    b.typeCode = 0x2020;
    b.pciDeviceId = 0x5920;
    b.pciBus = 0;
    b.pciDevice = 9;
    b.portCount = 2;
    return b;
}

TEST(BoardConfig, PciBoardStoresItsPositionProductNumberAndOnlyItsPorts) {
    const auto bytes = TwoPortVp592().ToSettingsRecord().ToBytes();
    EXPECT_EQ(Hex(std::span(bytes).first(6)), "20 59 00 00 09 00");
    EXPECT_EQ(bytes[0x18], 12);
    EXPECT_EQ(bytes[0x19], 2);
    EXPECT_EQ(Hex(std::span(bytes).subspan(0x1A, 4)), "03 00 04 00");  // COM3, COM4
    for (std::size_t port = 2; port < 8; ++port) {
        EXPECT_EQ(bytes[0x1A + 2 * port], 0) << port;
        EXPECT_EQ(bytes[0x1A + 2 * port + 1], 0) << port;
        EXPECT_EQ(bytes[0x2A + port], 0) << port;
        EXPECT_EQ(bytes[0x32 + port], 0) << port;
    }
}

TEST(BoardConfig, EncodingFollowsTheBoardsFields) {
    struct Case {
        const char* what;
        void (*change)(BoardConfig&);
        void (*check)(const cat::SettingsRecord&);
    };
    const Case cases[] = {
        {"an ISA board stores no PCI numbers",
         [](BoardConfig& b) {
             b.pciDeviceId = 0x5920;
             b.pciBus = 3;
             b.pciDevice = 9;
         },
         [](const cat::SettingsRecord& r) {
             EXPECT_EQ(r.pciDeviceId, 0);
             EXPECT_EQ(r.pciBus, 0);
             EXPECT_EQ(r.pciDevice, 0);
         }},
        {"a PCI code with the ISA bus kind has no product number",
         [](BoardConfig& b) { b.typeCode = 0x2210; },
         [](const cat::SettingsRecord& r) { EXPECT_EQ(r.productNumber, 0xFF); }},
        {"a Tx index without a row is stored as 16 and reads back as 15",
         [](BoardConfig& b) { b.txFifoIndex[0] = 20; },
         [](const cat::SettingsRecord& r) {
             EXPECT_EQ(r.txFifoSize[0], 16);
             EXPECT_EQ(cat::TxFifoIndexForSize(r.txFifoSize[0]), 15);
         }},
        {"Tx index 0 is stored as size 1", [](BoardConfig& b) { b.txFifoIndex[1] = 0; },
         [](const cat::SettingsRecord& r) { EXPECT_EQ(r.txFifoSize[1], 1); }},
        {"COM numbers and Rx indexes keep their low bits",
         [](BoardConfig& b) {
             b.comNumber[0] = 0x10005;
             b.rxTriggerIndex[0] = -1;
         },
         [](const cat::SettingsRecord& r) {
             EXPECT_EQ(r.comNumber[0], 5);
             EXPECT_EQ(r.rxTriggerIndex[0], 0xFF);
         }},
        {"the I/O base is port 0's address",
         [](BoardConfig& b) {
             b.ioAddress[0] = 0x2A8;
             b.ioAddress[1] = 0x100;
         },
         [](const cat::SettingsRecord& r) { EXPECT_EQ(r.ioBase, 0x2A8u); }},
        {"a board of more than 8 ports stores its first 8",
         [](BoardConfig& b) { b.portCount = 12; },
         [](const cat::SettingsRecord& r) {
             EXPECT_EQ(r.portCount, 12);
             EXPECT_EQ(r.comNumber[7], 10);
         }},
        {"a negative port count stores no ports", [](BoardConfig& b) { b.portCount = -3; },
         [](const cat::SettingsRecord& r) {
             EXPECT_EQ(r.comNumber, (std::array<std::uint16_t, 8>{}));
             EXPECT_EQ(r.txFifoSize, (std::array<std::uint8_t, 8>{}));
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BoardConfig b;
        c.change(b);
        c.check(b.ToSettingsRecord());
    }
}

TEST(BoardConfig, NamesComeFromTheCatalogAndPciBoardsAddTheirPosition) {
    BoardConfig isa;
    EXPECT_EQ(isa.GetTypeName(), "V678 Series");
    EXPECT_EQ(isa.GetDisplayName(), "V678 Series");

    BoardConfig pci = TwoPortVp592();
    pci.typeCode = 0x2210;
    pci.pciBus = 1;
    pci.pciDevice = 12;
    EXPECT_EQ(pci.GetDisplayName(), "V678 PCI Series(Bus/Dev=1/12)");

    BoardConfig unknown;
    unknown.typeCode = 0x4210;
    EXPECT_EQ(unknown.GetDisplayName(), "Unknown Board");

    char buffer[20];
    EXPECT_EQ(pci.GetDisplayName(buffer), 19u);
    EXPECT_STREQ(buffer, "V678 PCI Series(Bus");
    char name[16];
    EXPECT_EQ(pci.GetTypeName(name), 15u);
    EXPECT_STREQ(name, "V678 PCI Series");
}

cat::BoardSettingBlock BlockWith(std::size_t index, const cat::BoardSettingRecord& record) {
    cat::BoardSettingBlock block;
    block.count = static_cast<std::uint32_t>(index + 1);
    block.records[index] = record;
    return block;
}

cat::BoardSettingRecord PciRecord(std::int32_t portCount) {
    cat::BoardSettingRecord r;
    r.typeCode = 0x2150;
    r.busKind = cat::BUS_PCI;
    r.irq = 11;
    r.pciBus = 2;
    r.pciDevice = 5;
    r.pciDeviceId = 0x5831;
    r.vectorAddress = 0xE400;
    r.portCount = portCount;
    for (std::size_t i = 0; i < 32; ++i) {
        r.comNumber[i] = static_cast<std::int32_t>(20 + i);
    }
    for (std::size_t i = 0; i < 8; ++i) {
        r.ioAddress[i] = static_cast<std::uint16_t>(0xE000 + 8 * i);
        r.rxTriggerIndex[i] = 1;
        r.txFifoIndex[i] = 7;
    }
    return r;
}

TEST(BoardConfig, LoadFromBlockChangesOnlyThePortsTheEntryHas) {
    BoardConfig board;  // 8 ports
    board.LoadFromBlock(BlockWith(2, PciRecord(2)), 2);

    BoardConfig expected;
    expected.typeCode = 0x2150;
    expected.busKind = cat::BUS_PCI;
    expected.irq = 11;
    expected.pciBus = 2;
    expected.pciDevice = 5;
    expected.pciDeviceId = 0x5831;
    expected.vectorAddress = 0xE400;
    expected.portCount = 2;
    for (std::size_t i = 0; i < 2; ++i) {
        expected.comNumber[i] = static_cast<std::int32_t>(20 + i);
        expected.ioAddress[i] = static_cast<std::uint16_t>(0xE000 + 8 * i);
        expected.rxTriggerIndex[i] = 1;
        expected.txFifoIndex[i] = 7;
    }
    EXPECT_EQ(board, expected);  // ports 2 to 7 keep the defaults
}

TEST(BoardConfig, PortCountsAboveEightTouchOnlyTheEightSlots) {
    // The record layout allows 32 COM numbers; the board has room for 8.
    BoardConfig loaded;
    loaded.LoadFromBlock(BlockWith(0, PciRecord(32)), 0);
    EXPECT_EQ(loaded.portCount, 32);
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(loaded.comNumber[i], static_cast<std::int32_t>(20 + i)) << i;
        EXPECT_EQ(loaded.txFifoIndex[i], 7) << i;
    }

    BoardConfig copy;
    copy.CopyFrom(loaded);
    EXPECT_EQ(copy, loaded);

    BoardConfig huge = loaded;
    huge.portCount = 0x7FFFFFFF;
    BoardConfig target;
    target.CopyFrom(huge);
    EXPECT_EQ(target, huge);
}

TEST(BoardConfig, LoadFromBlockIgnoresAnEntryOutsideTheBlock) {
    BoardConfig board;
    board.LoadFromBlock(BlockWith(0, PciRecord(2)), cat::MAX_BOARDS);
    EXPECT_EQ(board, BoardConfig());
}

TEST(BoardConfig, CopyFromCopiesScalarsAndTheOtherBoardsPortsOnly) {
    BoardConfig source = TwoPortVp592();
    source.irq = 5;
    source.comNumber = {30, 31, 32, 33, 34, 35, 36, 37};

    BoardConfig target;
    target.comNumber = {40, 41, 42, 43, 44, 45, 46, 47};
    target.CopyFrom(source);

    BoardConfig expected = source;
    expected.comNumber = {30, 31, 42, 43, 44, 45, 46, 47};
    EXPECT_EQ(target, expected);
}

// The board lists delete boards through BoardConfig pointers.
static_assert(std::has_virtual_destructor_v<BoardConfig>);

}  // namespace
}  // namespace ovtb::panel
