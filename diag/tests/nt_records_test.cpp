#include "diag/nt_records.h"

#include <gtest/gtest.h>

#include <vector>

#include "catalog/settings_record.h"

namespace ovtb::diag {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}

// One OvConfigEntry: product number, interrupt, COM n + k and I/O base + 8 k on all 8 ports.
Bytes OvConfigEntry(std::uint8_t product, std::uint8_t irq, std::uint16_t com, std::uint16_t io) {
    Bytes e(36, 0);
    e[0] = product;
    e[1] = irq;
    for (int k = 0; k < 8; ++k) {
        Put16(e, 4 + 2 * k, std::uint16_t(com + k));
        Put16(e, 20 + 2 * k, std::uint16_t(io + 8 * k));
    }
    return e;
}

Bytes Settings24Entry(std::uint16_t deviceId, std::uint16_t bus, std::uint16_t device,
                      std::uint16_t firstCom) {
    Bytes e(24, 0xEE);  // the unread bytes carry anything
    Put16(e, 0, deviceId);
    Put16(e, 2, bus);
    Put16(e, 4, device);
    Put16(e, 6, firstCom);
    return e;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

catalog::PciInfoReply Reply(std::initializer_list<catalog::PciBoardInfo> boards) {
    catalog::PciInfoReply reply;
    for (const auto& b : boards)
        reply.SetBoard(reply.count++, b);
    return reply;
}

TEST(OvConfig, EntriesOfThirtySixBytesBecomeIsaBoards) {
    BoardSettingBlock block;
    block.productId = 7;
    ASSERT_TRUE(FillOvConfigBoards(
        Join({OvConfigEntry(1, 10, 3, 0x180), OvConfigEntry(5, 5, 11, 0x280)}), block));
    EXPECT_EQ(block.productId, 0u);
    ASSERT_EQ(block.count, 2u);
    const auto& v678 = block.records[0];
    EXPECT_EQ(v678.typeCode, 0x0210);
    EXPECT_EQ(v678.busKind, catalog::BUS_ISA);
    EXPECT_EQ(v678.portCount, 8);
    EXPECT_EQ(v678.irq, 10);
    EXPECT_EQ(v678.ioAddress[7], 0x180 + 56);
    EXPECT_EQ(v678.comNumber[7], 10);
    EXPECT_EQ(v678.comNumber[8], 0);
    // Number 5 is the two-port VI592 here; all eight slots are filled all the same.
    const auto& vi592 = block.records[1];
    EXPECT_EQ(vi592.typeCode, 0x0020);
    EXPECT_EQ(vi592.portCount, 2);
    EXPECT_EQ(vi592.ioAddress[7], 0x280 + 56);
    EXPECT_EQ(vi592.comNumber[7], 18);
    EXPECT_EQ(vi592.rxTriggerIndex[0], 0);
}

TEST(OvConfig, LengthsAndProductNumbers) {
    struct Case {
        const char* name;
        Bytes value;
        bool ok;
        std::uint32_t count;
    } const cases[] = {
        {"72 bytes", Join({OvConfigEntry(2, 5, 3, 0x100), OvConfigEntry(3, 7, 7, 0x200)}), true, 2},
        {"70 bytes", Bytes(70, 1), false, 0},
        {"number 7 is skipped",
         Join({OvConfigEntry(7, 5, 3, 0x100), OvConfigEntry(6, 7, 7, 0x200)}), true, 1},
        {"number 0 is skipped", OvConfigEntry(0, 5, 3, 0x100), true, 0},
        {"empty", {}, true, 0},
        {"longer than 144 bytes", Bytes(180, 1), false, 0},
    };
    for (const auto& c : cases) {
        BoardSettingBlock block;
        EXPECT_EQ(FillOvConfigBoards(c.value, block), c.ok) << c.name;
        EXPECT_EQ(block.count, c.count) << c.name;
    }
}

TEST(Settings24, EntriesBecomePciBoardsWithConsecutiveComNumbers) {
    const Bytes value = Join({Settings24Entry(0x6780, 1, 9, 5), Settings24Entry(0x5920, 0, 13, 20),
                              Bytes(12, 0)});  // 60 bytes: two entries
    BoardSettingBlock block;
    ASSERT_TRUE(FillSettings24Boards(value, nullptr, block));
    ASSERT_EQ(block.count, 2u);
    const auto& r = block.records[0];
    EXPECT_EQ(r.typeCode, 0x2210);
    EXPECT_EQ(r.busKind, catalog::BUS_PCI);
    EXPECT_EQ(r.portCount, 8);
    EXPECT_EQ(r.pciDeviceId, 0x6780);
    EXPECT_EQ(r.pciBus, 1);
    EXPECT_EQ(r.pciDevice, 9);
    EXPECT_EQ(r.comNumber[0], 5);
    EXPECT_EQ(r.comNumber[7], 12);
    EXPECT_EQ(r.comNumber[8], 0);
    // Without a reply the first address is 0, the others 8 apart.
    EXPECT_EQ(r.ioAddress[0], 0);
    EXPECT_EQ(r.ioAddress[7], 56);
    EXPECT_EQ(r.irq, 0);
    EXPECT_EQ(block.records[1].typeCode, 0x2020);
    EXPECT_EQ(block.records[1].comNumber[2], 0);
}

TEST(Settings24, AReplyKeepsOnlyPresentBoardsAndGivesTheirResources) {
    const Bytes value = Join({Settings24Entry(0x6780, 1, 9, 5), Settings24Entry(0x5920, 0, 13, 20),
                              Settings24Entry(0x1234, 0, 2, 3)});
    // A board at 1/9 with another device id does not count.
    auto reply =
        Reply({{0x5920, 0, 13, 0xE801 & 0xFFF0, 0xD000, 0, 11}, {0x6740, 1, 9, 0xB000, 0, 0, 5}});
    BoardSettingBlock block;
    ASSERT_TRUE(FillSettings24Boards(value, &reply, block));
    ASSERT_EQ(block.count, 1u);
    const auto& r = block.records[0];
    EXPECT_EQ(r.typeCode, 0x2020);
    EXPECT_EQ(r.ioAddress[0], 0xE800);
    EXPECT_EQ(r.ioAddress[1], 0xE808);
    EXPECT_EQ(r.ioAddress[2], 0);
    EXPECT_EQ(r.vectorAddress, 0xD000);
    EXPECT_EQ(r.irq, 11);

    // A reply that lists nothing leaves no board; elements past its count are not looked at.
    auto empty = Reply({{0x5920, 0, 13, 0xE800, 0, 0, 11}});
    empty.count = 0;
    ASSERT_TRUE(FillSettings24Boards(value, &empty, block));
    EXPECT_EQ(block.count, 0u);
    // A count beyond 8 reads as 8.
    auto large = Reply({{0x5920, 0, 13, 0xE800, 0, 0, 11}});
    large.count = 0xFFFFFFFF;
    ASSERT_TRUE(FillSettings24Boards(value, &large, block));
    EXPECT_EQ(block.count, 1u);

    EXPECT_TRUE(FillSettings24Boards(Bytes(120, 0), nullptr, block));  // longer than 96
    EXPECT_EQ(block.count, 0u);
}

catalog::SettingsRecord Stored(std::uint8_t product, std::uint16_t deviceId, std::uint16_t bus,
                               std::uint16_t device, std::uint32_t ioBase) {
    catalog::SettingsRecord s;
    s.productNumber = product;
    s.pciDeviceId = deviceId;
    s.pciBus = bus;
    s.pciDevice = device;
    s.ioBase = ioBase;
    s.vectorAddress = 0x1C0;
    s.irq = 10;
    for (int k = 0; k < 8; ++k) {
        s.comNumber[k] = std::uint16_t(3 + k);
        s.rxTriggerIndex[k] = 2;
        s.txFifoSize[k] = 8;
    }
    return s;
}

Bytes Value60(std::initializer_list<catalog::SettingsRecord> records) {
    Bytes v;
    for (const auto& r : records) {
        auto b = r.ToBytes();
        v.insert(v.end(), b.begin(), b.end());
    }
    return v;
}

TEST(Settings60, IsaOrPciRecordsAsAsked) {
    auto odd = Stored(4, 0, 0, 0, 0x300);  // VI592
    odd.txFifoSize[0] = 0;
    odd.txFifoSize[1] = 17;
    odd.rxTriggerIndex[1] = 0xFF;
    const Bytes value = Value60({Stored(1, 0, 0, 0, 0x180), Stored(8, 0x6780, 1, 9, 0x2000), odd,
                                 Stored(0xFF, 0, 0, 0, 0)});
    BoardSettingBlock isa;
    ASSERT_TRUE(FillSettings60Boards(value, nullptr, false, isa));
    ASSERT_EQ(isa.count, 2u);
    EXPECT_EQ(isa.records[0].typeCode, 0x0210);
    EXPECT_EQ(isa.records[0].portCount, 8);
    EXPECT_EQ(isa.records[0].ioAddress[7], 0x180 + 56);
    EXPECT_EQ(isa.records[0].vectorAddress, 0x1C0);
    EXPECT_EQ(isa.records[0].rxTriggerIndex[7], 2);
    EXPECT_EQ(isa.records[0].txFifoIndex[7], 7);
    const auto& vi592 = isa.records[1];
    EXPECT_EQ(vi592.typeCode, 0x0020);
    EXPECT_EQ(vi592.portCount, 2);
    EXPECT_EQ(vi592.txFifoIndex[0], 15);  // stored size 0
    EXPECT_EQ(vi592.txFifoIndex[1], 15);  // stored size 17
    EXPECT_EQ(vi592.rxTriggerIndex[1], -1);
    EXPECT_EQ(vi592.comNumber[2], 0);
    EXPECT_EQ(vi592.ioAddress[2], 0);

    BoardSettingBlock pci;
    ASSERT_TRUE(FillSettings60Boards(value, nullptr, true, pci));
    ASSERT_EQ(pci.count, 1u);
    EXPECT_EQ(pci.records[0].typeCode, 0x2210);
    EXPECT_EQ(pci.records[0].busKind, catalog::BUS_PCI);
    EXPECT_EQ(pci.records[0].pciDeviceId, 0x6780);
    EXPECT_EQ(pci.records[0].ioAddress[0], 0x2000);
    EXPECT_EQ(pci.records[0].irq, 10);
}

TEST(Settings60, AReplyReplacesResourcesAndDropsAbsentBoards) {
    const Bytes value =
        Value60({Stored(8, 0x6780, 1, 9, 0x2000), Stored(12, 0x5920, 0, 13, 0x3000)});
    auto reply = Reply({{0x6780, 1, 9, 0xE800, 0xD000, 0, 5}});
    BoardSettingBlock block;
    ASSERT_TRUE(FillSettings60Boards(value, &reply, true, block));
    ASSERT_EQ(block.count, 1u);
    EXPECT_EQ(block.records[0].ioAddress[0], 0xE800);
    EXPECT_EQ(block.records[0].ioAddress[7], 0xE800 + 56);
    EXPECT_EQ(block.records[0].vectorAddress, 0xD000);
    EXPECT_EQ(block.records[0].irq, 5);

    // More than 240 bytes is no list; a partial record at the end is ignored.
    Bytes big = Value60({Stored(1, 0, 0, 0, 0x180), Stored(1, 0, 0, 0, 0x180),
                         Stored(1, 0, 0, 0, 0x180), Stored(1, 0, 0, 0, 0x180)});
    ASSERT_TRUE(FillSettings60Boards(big, nullptr, false, block));
    EXPECT_EQ(block.count, 4u);
    big.resize(239);
    ASSERT_TRUE(FillSettings60Boards(big, nullptr, false, block));
    EXPECT_EQ(block.count, 3u);
    big.resize(241, 0);
    ASSERT_TRUE(FillSettings60Boards(big, nullptr, false, block));
    EXPECT_EQ(block.count, 0u);
}

}  // namespace
}  // namespace ovtb::diag
