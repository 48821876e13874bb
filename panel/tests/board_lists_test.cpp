#include "panel/board_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalog/board_catalog.h"
#include "panel/tests/startup_fixtures.h"

namespace ovtb::panel {
namespace {

namespace cat = catalog;
using testing::MakeReply;
using testing::SettingsBytes;

// Entries start with values no list operation writes, so a field written that must not be,
// or an entry left alone that must be filled, shows.
cat::BoardSettingBlock SentinelBlock() {
    cat::BoardSettingBlock block;
    block.productId = 0xABABABAB;
    block.count = 0xABABABAB;
    for (auto& entry : block.records) {
        entry.memoryBank = 0xABABABAB;
        entry.hardwareKey = "sentinel";
        entry.ioAddress.fill(0xABAB);
        entry.comNumber.fill(0x7B7B7B7B);
        entry.rxTriggerIndex.fill(0x7B7B7B7B);
        entry.txFifoIndex.fill(0x7B7B7B7B);
    }
    return block;
}

// A stored 678PCI (eight ports) on bus 0, device 9, with the resources it had when stored.
cat::SettingsRecord StoredPci678() {
    cat::SettingsRecord record;
    record.pciDeviceId = 0x6780;
    record.pciBus = 0;
    record.pciDevice = 9;
    record.ioBase = 0xD000;
    record.vectorAddress = 0xD400;
    record.irq = 5;
    record.productNumber = 8;
    record.portCount = 8;
    for (std::size_t i = 0; i < 8; ++i) {
        record.comNumber[i] = static_cast<std::uint16_t>(20 + i);
        record.rxTriggerIndex[i] = static_cast<std::uint8_t>(i % 4);
        record.txFifoSize[i] = static_cast<std::uint8_t>(i + 1);
    }
    return record;
}

// A stored V672 (two ports) at 0x2A0.
cat::SettingsRecord StoredIsa672() {
    cat::SettingsRecord record;
    record.ioBase = 0x2A0;
    record.vectorAddress = 0x2B0;
    record.irq = 7;
    record.productNumber = 3;
    record.portCount = 2;
    record.comNumber = {5, 6};
    record.rxTriggerIndex = {1, 2};
    record.txFifoSize = {4, 8};
    return record;
}

// The reply's 678PCI at bus 0, device 9, moved by the BIOS to new resources; the upper bits of
// the reply's 32-bit values do not reach the 16-bit fields.
const cat::PciBoardInfo kMoved678{0x6780, 0, 9, 0x1E000, 0x1E400, 0x1E04D, 11};

TEST(LoadStoredBoards, StoredPciBoardTakesResourcesFromReplyAndKeepsItsPorts) {
    auto present = SentinelBlock();
    auto isa = SentinelBlock();
    const auto reply = MakeReply({{0x5920, 0, 8, 0xC000, 0, 0, 3}, kMoved678});
    LoadBoardsFromSettings(SettingsBytes({StoredPci678()}), present, isa, reply);

    EXPECT_EQ(isa.count, 0u);
    EXPECT_EQ(isa.productId, 0u);
    EXPECT_EQ(present.productId, 0u);
    ASSERT_EQ(present.count, 1u);
    const auto& entry = present.records[0];
    EXPECT_EQ(entry.typeCode, 0x2210);
    EXPECT_EQ(entry.busKind, cat::BUS_PCI);
    EXPECT_EQ(entry.portCount, 8);
    EXPECT_EQ(entry.irq, 11);
    EXPECT_EQ(entry.vectorAddress, 0xE400);
    EXPECT_EQ(entry.pciDeviceId, 0x6780);
    EXPECT_EQ(entry.pciBus, 0);
    EXPECT_EQ(entry.pciDevice, 9);
    for (std::size_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entry.ioAddress[i], 0xE000 + 8 * i);
        EXPECT_EQ(entry.comNumber[i], static_cast<std::int32_t>(20 + i));
        EXPECT_EQ(entry.rxTriggerIndex[i], static_cast<std::int32_t>(i % 4));
        EXPECT_EQ(entry.txFifoIndex[i], static_cast<std::int32_t>(i));
    }
    EXPECT_EQ(entry.memoryBank, 0xABABABABu);
    EXPECT_EQ(entry.hardwareKey, "sentinel");
}

TEST(LoadStoredBoards, IsaBoardTakesItsPortCountFromTheCatalogAndOddFifoBytesBecomeIndex15) {
    auto record = StoredIsa672();
    record.pciDeviceId = 0x6780;  // an ISA board carries no PCI position
    record.portCount = 8;         // not read: a V672 has two ports
    record.comNumber = {5, 6, 7, 8, 9, 10, 11, 12};
    record.rxTriggerIndex = {0xFF, 2};  // a signed byte, used unchanged
    record.txFifoSize = {0, 17};
    auto present = SentinelBlock();
    auto isa = SentinelBlock();
    LoadBoardsFromSettings(SettingsBytes({record}), present, isa, MakeReply({}));

    EXPECT_EQ(present.count, 0u);
    ASSERT_EQ(isa.count, 1u);
    const auto& entry = isa.records[0];
    EXPECT_EQ(entry.typeCode, 0x0010);
    EXPECT_EQ(entry.busKind, cat::BUS_ISA);
    EXPECT_EQ(entry.portCount, 2);
    EXPECT_EQ(entry.irq, 7);
    EXPECT_EQ(entry.vectorAddress, 0x2B0);
    EXPECT_EQ(entry.pciDeviceId, 0);
    EXPECT_EQ(entry.pciBus, 0);
    EXPECT_EQ(entry.pciDevice, 0);
    EXPECT_EQ(entry.ioAddress[0], 0x2A0);
    EXPECT_EQ(entry.ioAddress[1], 0x2A8);
    EXPECT_EQ(entry.comNumber[0], 5);
    EXPECT_EQ(entry.comNumber[1], 6);
    EXPECT_EQ(entry.rxTriggerIndex[0], -1);
    EXPECT_EQ(entry.rxTriggerIndex[1], 2);
    EXPECT_EQ(entry.txFifoIndex[0], 15);
    EXPECT_EQ(entry.txFifoIndex[1], 15);
    // Port slots past the model's two ports are not written.
    EXPECT_EQ(entry.ioAddress[2], 0xABAB);
    EXPECT_EQ(entry.comNumber[2], 0x7B7B7B7B);
}

TEST(LoadStoredBoards, SkipsRecordsThatTheCatalogOrTheReplyDoesNotConfirm) {
    struct Case {
        const char* name;
        cat::SettingsRecord record;
        cat::PciInfoReply reply;
        bool kept;
    };
    auto withProduct = [](cat::SettingsRecord r, std::uint8_t product) {
        r.productNumber = product;
        return r;
    };
    auto withBus = [](cat::SettingsRecord r, std::uint16_t bus) {
        r.pciBus = bus;
        return r;
    };
    const Case cases[] = {
        {"PCI board the reply lists", StoredPci678(), MakeReply({kMoved678}), true},
        {"PCI board the reply lacks", StoredPci678(), MakeReply({}), false},
        {"another device id at its slot", StoredPci678(),
         MakeReply({{0x6740, 0, 9, 0xE000, 0xE400, 0, 11}}), false},
        {"its device id at another bus", withBus(StoredPci678(), 1), MakeReply({kMoved678}), false},
        {"the board past the reply's count", StoredPci678(),
         [] {
             auto reply = MakeReply({{0x5920, 0, 8, 0, 0, 0, 3}, kMoved678});
             reply.count = 1;
             return reply;
         }(),
         false},
        {"no product number", withProduct(StoredIsa672(), 0xFF), MakeReply({}), false},
        {"product number 13", withProduct(StoredIsa672(), 13), MakeReply({}), false},
        {"product number 0", withProduct(StoredIsa672(), 0), MakeReply({}), false},
        {"ISA board", StoredIsa672(), MakeReply({}), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto present = SentinelBlock();
        auto isa = SentinelBlock();
        LoadBoardsFromSettings(SettingsBytes({c.record}), present, isa, c.reply);
        EXPECT_EQ(present.count + isa.count, c.kept ? 1u : 0u);
    }
}

TEST(LoadStoredBoards, SplitsRecordsIntoIsaAndPresentPciInStoredOrder) {
    auto second = StoredPci678();
    second.pciDevice = 10;
    auto isaSecond = StoredIsa672();
    isaSecond.ioBase = 0x300;
    const auto reply = MakeReply({{0x6780, 0, 10, 0xB000, 0, 0, 9}, kMoved678});
    auto present = SentinelBlock();
    auto isa = SentinelBlock();
    LoadBoardsFromSettings(SettingsBytes({StoredIsa672(), StoredPci678(), isaSecond, second}),
                           present, isa, reply);
    ASSERT_EQ(isa.count, 2u);
    EXPECT_EQ(isa.records[0].ioAddress[0], 0x2A0);
    EXPECT_EQ(isa.records[1].ioAddress[0], 0x300);
    ASSERT_EQ(present.count, 2u);
    EXPECT_EQ(present.records[0].pciDevice, 9);
    EXPECT_EQ(present.records[1].pciDevice, 10);
    EXPECT_EQ(present.records[1].ioAddress[0], 0xB000);
}

TEST(LoadStoredBoards, ReadsTheStoredValueAndTreatsAnUnreadableOneAsEmpty) {
    testing::FreshRegistryWithServiceKeys();
    auto present = SentinelBlock();
    auto isa = SentinelBlock();
    LoadStoredBoards(present, isa, MakeReply({kMoved678}));
    EXPECT_EQ(present.count + isa.count, 0u) << "no value stored";
    EXPECT_EQ(present.productId, 0u);

    testing::StoreSettingsBytes(SettingsBytes({StoredIsa672(), StoredPci678()}));
    LoadStoredBoards(present, isa, MakeReply({kMoved678}));
    EXPECT_EQ(isa.count, 1u);
    EXPECT_EQ(present.count, 1u);

    // A value longer than 240 bytes is not read at all.
    auto tooLong = SettingsBytes({StoredIsa672(), StoredIsa672(), StoredIsa672(), StoredIsa672()});
    tooLong.push_back(0);
    testing::StoreSettingsBytes(tooLong);
    LoadStoredBoards(present, isa, MakeReply({kMoved678}));
    EXPECT_EQ(present.count + isa.count, 0u);
}

TEST(BuildOfferedBoards, OffersConfirmedRequestsWithTheReplysResourcesAndDefaultPorts) {
    const auto reply = MakeReply({
        {0x6740, 2, 4, 0x1C000, 0x1C400, 0x1C04D, 10},  // a 674PCI, four ports
        {0x5920, 0, 9, 0xE000, 0xE400, 0xE04D, 11},
        {0x6780, 1, 3, 0xA000, 0, 0, 5},
    });
    const std::vector<PciBoardRequest> requests = {
        {0x6740, 2, 4},  // offered
        {0x1234, 0, 9},  // no such model
        {0x6780, 0, 9},  // the driver shows a VP592 there
        {0x6780, 1, 4},  // nothing at device 4
        {0x6780, 1, 3},  // offered
    };
    auto offered = SentinelBlock();
    BuildOfferedBoards(offered, reply, requests);

    EXPECT_EQ(offered.productId, 0u);
    ASSERT_EQ(offered.count, 2u);
    const auto& first = offered.records[0];
    EXPECT_EQ(first.typeCode, 0x2110);
    EXPECT_EQ(first.portCount, 4);
    EXPECT_EQ(first.busKind, cat::BUS_PCI);
    EXPECT_EQ(first.irq, 10);
    EXPECT_EQ(first.vectorAddress, 0xC400);
    EXPECT_EQ(first.pciDeviceId, 0x6740);
    EXPECT_EQ(first.pciBus, 2);
    EXPECT_EQ(first.pciDevice, 4);
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(first.ioAddress[i], 0xC000 + 8 * i);
        EXPECT_EQ(first.comNumber[i], static_cast<std::int32_t>(3 + i));
        EXPECT_EQ(first.rxTriggerIndex[i], 3);
        EXPECT_EQ(first.txFifoIndex[i], 15);
    }
    EXPECT_EQ(first.ioAddress[4], 0xABAB) << "only the model's four ports are written";
    EXPECT_EQ(first.memoryBank, 0xABABABABu);
    EXPECT_EQ(offered.records[1].typeCode, 0x2210);
    EXPECT_EQ(offered.records[1].portCount, 8);
    EXPECT_EQ(offered.records[1].comNumber[7], 10);
}

TEST(BuildOfferedBoards, NoRequestsGiveAnEmptyBlockAndNeverMoreThanFourAreOffered) {
    const auto reply = MakeReply({{0x5920, 0, 1, 0, 0, 0, 3},
                                  {0x5920, 0, 2, 0, 0, 0, 3},
                                  {0x5920, 0, 3, 0, 0, 0, 3},
                                  {0x5920, 0, 4, 0, 0, 0, 3},
                                  {0x5920, 0, 5, 0, 0, 0, 3}});
    auto offered = SentinelBlock();
    BuildOfferedBoards(offered, reply, {});
    EXPECT_EQ(offered.count, 0u);
    EXPECT_EQ(offered.productId, 0u);

    const std::vector<PciBoardRequest> five = {
        {0x5920, 0, 1}, {0x5920, 0, 2}, {0x5920, 0, 3}, {0x5920, 0, 4}, {0x5920, 0, 5}};
    BuildOfferedBoards(offered, reply, five);
    ASSERT_EQ(offered.count, 4u);
    EXPECT_EQ(offered.records[3].pciDevice, 4);
}

}  // namespace
}  // namespace ovtb::panel
