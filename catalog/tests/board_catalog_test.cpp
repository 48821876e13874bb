#include "catalog/board_catalog.h"
#include "catalog/config_messages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace ovtb::catalog {
namespace {

struct NameCase {
    const char* what;
    std::uint32_t typeCode;
    std::int32_t busKind;
    const char* expected;
};

TEST(BoardTypeName, SearchesTheTableOfTheBusKindOnly) {
    const NameCase cases[] = {
        {"PCI code on the PCI table", 0x2210, BUS_PCI, "V678 PCI Series"},
        {"PCI code with the ISA bus kind", 0x2210, BUS_ISA, "Unknown Board"},
        {"ISA code with the PCI bus kind", 0x0210, BUS_PCI, "Unknown Board"},
        {"ISA code on the ISA table", 0x0210, BUS_ISA, "V678 Series"},
        {"any bus kind other than 1 is ISA", 0x0210, 5, "V678 Series"},
        {"negative bus kind is ISA", 0x0120, -1, "VI-572K Series"},
        {"empty PCI slots never match", 0, BUS_PCI, "Unknown Board"},
        {"code 0 is no ISA model either", 0, BUS_ISA, "Unknown Board"},
        {"bits beyond the model's code", 0x4210, BUS_ISA, "Unknown Board"},
        {"ISA compares the low 16 bits", 0x10210, BUS_ISA, "V678 Series"},
        {"PCI compares the whole code", 0x12210, BUS_PCI, "Unknown Board"},
        {"last PCI row", 0x2020, BUS_PCI, "VP-592 Series"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(boardTypeName(c.typeCode, c.busKind), c.expected) << c.what;
    }
}

TEST(BoardTypeName, BufferFormIsCutToFitAndAlwaysTerminated) {
    char buffer[8];
    std::memset(buffer, 0xAB, sizeof buffer);
    EXPECT_EQ(boardTypeName(0x2210, BUS_PCI, buffer), 7u);
    EXPECT_STREQ(buffer, "V678 PC");

    char exact[BOARD_TYPE_NAME_MAX + 1];
    EXPECT_EQ(boardTypeName(0x2210, BUS_PCI, exact), 15u);
    EXPECT_STREQ(exact, "V678 PCI Series");

    char untouched = 'x';
    EXPECT_EQ(boardTypeName(0x2210, BUS_PCI, std::span<char>(&untouched, 0)), 0u);
    EXPECT_EQ(untouched, 'x');
}

TEST(BoardTypeName, NoNameIsLongerThanTheDeclaredMaximum) {
    std::size_t longest = std::strlen(UNKNOWN_BOARD_TEXT);
    for (const auto* table : {&IsaBoardTable, &PciBoardTable}) {
        for (const auto& row : *table) {
            longest = std::max(longest, std::strlen(row.longName));
        }
    }
    EXPECT_EQ(longest, BOARD_TYPE_NAME_MAX);
}

TEST(BoardTables, KeepTheFamilyInvariants) {
    std::set<std::uint32_t> codes;
    std::set<std::string> shortNames;
    for (const auto& row : IsaBoardTable) {
        EXPECT_EQ(row.typeCode & PCI_TYPE_BIT, 0u) << row.shortName;
        EXPECT_EQ(row.typeCode % 16, 0u) << row.shortName;
        EXPECT_TRUE(codes.insert(row.typeCode).second) << row.shortName;
        EXPECT_TRUE(shortNames.insert(row.shortName).second) << row.shortName;
    }
    std::set<std::uint16_t> deviceIds;
    for (std::size_t i = 0; i < PciBoardTable.size(); ++i) {
        const auto& row = PciBoardTable[i];
        EXPECT_EQ(row.filled(), i < PCI_BOARD_ROWS) << i;
        if (!row.filled()) {
            EXPECT_EQ(row.deviceId, 0) << i;
            EXPECT_STREQ(row.shortName, "") << i;
            continue;
        }
        EXPECT_NE(row.typeCode & PCI_TYPE_BIT, 0u) << row.shortName;
        EXPECT_EQ(row.typeCode % 16, 0u) << row.shortName;
        EXPECT_TRUE(codes.insert(row.typeCode).second) << row.shortName;
        EXPECT_TRUE(deviceIds.insert(row.deviceId).second) << row.shortName;
        EXPECT_TRUE(shortNames.insert(row.shortName).second) << row.shortName;
    }
    for (const auto& name : shortNames) {
        EXPECT_EQ(name.find('\\'), std::string::npos) << name;
    }
}

// Expected row: a pointer into the table, or null for none.
struct RowCase {
    const char* what;
    const BoardType* found;
    const BoardType* expected;
};

TEST(BoardLookups, FindTheRowOrNone) {
    const RowCase cases[] = {
        {"pnp 4 is below the range", findIsaBoardByPnpNumber(4), nullptr},
        {"pnp 5 is row 0", findIsaBoardByPnpNumber(5), &IsaBoardTable[0]},
        {"pnp 8 is row 3 (VI594)", findIsaBoardByPnpNumber(8), &IsaBoardTable[3]},
        {"pnp 11 is row 6", findIsaBoardByPnpNumber(11), &IsaBoardTable[6]},
        {"pnp 12 is above the range", findIsaBoardByPnpNumber(12), nullptr},
        {"pnp 0 matches no ISA row", findIsaBoardByPnpNumber(0), nullptr},
        {"ISA code 0x0020 is VI592", findIsaBoardByTypeCode(0x0020), &IsaBoardTable[4]},
        {"ISA code in the low 16 bits", findIsaBoardByTypeCode(0xFFFF0020), &IsaBoardTable[4]},
        {"PCI code in the ISA table", findIsaBoardByTypeCode(0x2210), nullptr},
        {"device 0x5920 is VP592", findPciBoardByDeviceId(0x5920), &PciBoardTable[4]},
        {"device 0x5831 is VP583", findPciBoardByDeviceId(0x5831), &PciBoardTable[3]},
        {"device id 0 is an empty slot", findPciBoardByDeviceId(0), nullptr},
        {"unknown device id", findPciBoardByDeviceId(0x1234), nullptr},
        {"PCI code 0x2310 is VT583", findPciBoardByTypeCode(0x2310), &PciBoardTable[2]},
        {"code 0 is an empty slot", findPciBoardByTypeCode(0), nullptr},
        {"ISA code in the PCI table", findPciBoardByTypeCode(0x0210), nullptr},
        {"ISA position 0", isaBoardAt(0), &IsaBoardTable[0]},
        {"ISA position 6", isaBoardAt(6), &IsaBoardTable[6]},
        {"ISA position 7", isaBoardAt(7), nullptr},
        {"ISA position -1", isaBoardAt(-1), nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.found, c.expected) << c.what;
    }
    EXPECT_EQ(isaBoardPosition(0x0140), 5);
    EXPECT_EQ(isaBoardPosition(0x2210), std::nullopt);
}

struct IndexCase {
    const char* what;
    std::optional<std::int32_t> found;
    std::optional<std::int32_t> expected;
};

TEST(ChoiceLookups, MapValuesToPositionsOrNone) {
    const IndexCase cases[] = {
        {"irq 2", irqChoiceIndex(2), 0},
        {"irq 15", irqChoiceIndex(15), 8},
        {"irq 9 is offered only as 2", irqChoiceIndex(9), std::nullopt},
        {"irq 1", irqChoiceIndex(1), std::nullopt},
        {"fcr bits 0xC0", rxTriggerIndexByFcrBits(0xC0), 3},
        {"fcr bits 0x00", rxTriggerIndexByFcrBits(0x00), 0},
        {"fcr bits with other bits set", rxTriggerIndexByFcrBits(0xC1), std::nullopt},
        {"rx level 14", rxTriggerIndexByLevel(14), 3},
        {"rx level 4", rxTriggerIndexByLevel(4), 1},
        {"rx level 2", rxTriggerIndexByLevel(2), std::nullopt},
        {"tx size 1", txFifoIndexBySize(1), 0},
        {"tx size 16", txFifoIndexBySize(16), 15},
        {"tx size 0", txFifoIndexBySize(0), std::nullopt},
        {"tx size 17", txFifoIndexBySize(17), std::nullopt},
        {"port count 4", portCountChoiceIndex(4), 0},
        {"port count 32", portCountChoiceIndex(32), 4},
        {"port count 2", portCountChoiceIndex(2), std::nullopt},
        {"polling period 600", pollingChoiceIndexByPeriod(600), 5},
        {"polling period 0", pollingChoiceIndexByPeriod(0), 0},
        {"polling period 20", pollingChoiceIndexByPeriod(20), std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.found, c.expected) << c.what;
    }
}

TEST(ChoiceLookups, PositionsGiveValueAndTextAndNoneOutsideTheList) {
    ASSERT_NE(irqChoiceAt(0), nullptr);
    EXPECT_STREQ(irqChoiceAt(0)->text, "2 (9)");
    ASSERT_NE(rxTriggerChoiceAt(3), nullptr);
    EXPECT_EQ(rxTriggerChoiceAt(3)->rxLevel, 14);
    EXPECT_EQ(rxTriggerChoiceAt(3)->fcrBits, 0xC0);
    ASSERT_NE(txFifoChoiceAt(15), nullptr);
    EXPECT_STREQ(txFifoChoiceAt(15)->text, "16");
    ASSERT_NE(portCountChoiceAt(2), nullptr);
    EXPECT_STREQ(portCountChoiceAt(2)->text, "16 ports");
    ASSERT_NE(pollingChoiceAt(1), nullptr);
    EXPECT_STREQ(pollingChoiceAt(1)->text, "Every second");

    EXPECT_EQ(irqChoiceAt(9), nullptr);
    EXPECT_EQ(irqChoiceAt(-1), nullptr);
    EXPECT_EQ(rxTriggerChoiceAt(4), nullptr);
    EXPECT_EQ(txFifoChoiceAt(16), nullptr);
    EXPECT_EQ(txFifoChoiceAt(-1), nullptr);
    EXPECT_EQ(portCountChoiceAt(5), nullptr);
    EXPECT_EQ(pollingChoiceAt(6), nullptr);
}

TEST(ChoiceLists, PositionsAreTheRowsChoiceIndexes) {
    for (std::size_t i = 0; i < TxFifoChoices.size(); ++i) {
        EXPECT_EQ(TxFifoChoices[i].choiceIndex, static_cast<std::int32_t>(i));
        EXPECT_EQ(TxFifoChoices[i].fifoSize, static_cast<std::int32_t>(i) + 1);
        EXPECT_EQ(std::to_string(i + 1), TxFifoChoices[i].text);
    }
    for (std::size_t i = 0; i < RxTriggerChoices.size(); ++i) {
        EXPECT_EQ(RxTriggerChoices[i].choiceIndex, static_cast<std::int32_t>(i));
        EXPECT_EQ(std::to_string(RxTriggerChoices[i].rxLevel), RxTriggerChoices[i].text);
    }
}

TEST(ConfigMessages, VariantsDifferInEntries12And13Only) {
    for (std::size_t i = 0; i < CONFIG_MESSAGE_COUNT; ++i) {
        ASSERT_NE(ConfigMessagesA[i], nullptr) << i;
        ASSERT_NE(ConfigMessagesB[i], nullptr) << i;
        EXPECT_EQ(std::strcmp(ConfigMessagesA[i], ConfigMessagesB[i]) == 0, i < 12) << i;
    }
    EXPECT_STREQ(ConfigMessagesA[MSG_PCI_INFO_FAILED],
                 "Load ovpci.sys service fail !\nCan not get PCI informantion.\n");
    EXPECT_STREQ(ConfigMessagesB[MSG_BIOS_IRQ_CONFLICT],
                 "Interrupt number conflicts with another Talvex/Brinor board, please "
                 "re-configure your BIOS.");
    EXPECT_STREQ(ConfigMessagesA[MSG_BOARD_TYPE_MISMATCH],
                 "%s (CAP=0x%X, Port1=COM%d): \nBoard type mismtach !\nCAP=0x%X should be %s "
                 "board !");
}

}  // namespace
}  // namespace ovtb::catalog
