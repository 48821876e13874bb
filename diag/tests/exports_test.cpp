// The exported C interface on fixture machines, called as a diagnostic tool calls it.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "catalog/board_setting_record.h"
#include "catalog/pci_info_reply.h"
#include "diag/include/tbdiag.h"
#include "diag/tests/fixture_machine.h"
#include "platform/registry/registry.h"

namespace ovtb::diag {
namespace {

using testing::FixtureMachine;
using version::FileForm;
namespace rec = catalog::board_setting_record_offsets;

constexpr std::uint8_t kSentinel = 0xAB;

// What a tool holds: its block and its version text, both filled with a sentinel first.
struct Tool {
    std::vector<std::uint8_t> block = std::vector<std::uint8_t>(OVD_QuerySize(), kSentinel);
    std::array<char, 100> text{};
    std::int32_t result = -1;

    Tool() { text.fill(static_cast<char>(kSentinel)); }

    Tool& Get(std::int32_t typeCode, const catalog::PciInfoReply* reply = nullptr) {
        std::array<std::uint8_t, catalog::PCI_INFO_REPLY_SIZE> bytes{};
        if (reply)
            bytes = reply->ToBytes();
        result =
            OVD_GetSetting(typeCode, block.data(), reply ? bytes.data() : nullptr, text.data());
        return *this;
    }
    std::string Version() const { return text.data(); }
    std::int32_t Boards() const { return OVD_QueryNoBoards(block.data()); }
    std::string Type(int i) const {
        char t[OVD_TYPE_TEXT_SIZE];
        OVD_GetTypeStr(block.data(), i, t);
        return t;
    }
    std::vector<std::int32_t> Coms(int i) const {
        std::int32_t coms[OVD_MAX_PORTS];
        std::int32_t n = OVD_QueryComNum(coms, block.data(), i);
        return {coms, coms + std::max(n, 0)};
    }
    // A field the accessors do not give, read at its offset in the block's layout.
    std::int32_t Field32(int i, std::size_t offset) const {
        const std::uint8_t* p = block.data() + 8 + 764 * i + offset;
        return std::int32_t(p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24);
    }
    std::uint32_t ProductId() const {
        return block[0] | block[1] << 8 | block[2] << 16 | std::uint32_t(block[3]) << 24;
    }
    std::string HardwareKey(int i) const {
        return reinterpret_cast<const char*>(block.data() + 8 + 764 * i + rec::hardwareKey);
    }
};

std::vector<std::int32_t> Range(std::int32_t first, int n) {
    std::vector<std::int32_t> v;
    for (int k = 0; k < n; ++k)
        v.push_back(first + k);
    return v;
}

catalog::PciInfoReply Reply(std::initializer_list<catalog::PciBoardInfo> boards) {
    catalog::PciInfoReply reply;
    for (const auto& b : boards)
        reply.SetBoard(reply.count++, b);
    return reply;
}

// ---- Windows NT family ----

TEST(NtFamily, Version5IsaRequestGivesTheStoredBoardsOfThatType) {
    FixtureMachine m;
    m.Import("nt");
    m.Import("nt_ovserp5");
    Tool t;
    t.Get(0x0210);
    EXPECT_EQ(t.result, 1);
    EXPECT_EQ(t.Version(), "5.2");
    ASSERT_EQ(t.Boards(), 1);
    EXPECT_EQ(t.Type(0), "V678 Series");
    EXPECT_EQ(OVD_QueryBusType(t.block.data(), 0), OVD_BUS_ISA);
    EXPECT_EQ(OVD_QueryIrq(t.block.data(), 0), 10);
    EXPECT_EQ(OVD_QueryVector(t.block.data(), 0), 0x1C0);
    EXPECT_EQ(OVD_QueryIOaddr(t.block.data(), 0), 0x180);
    EXPECT_EQ(OVD_QueryPortNum(t.block.data(), 0), 8);
    EXPECT_EQ(t.Coms(0), Range(3, 8));
    EXPECT_EQ(OVD_QueryMemBank(t.block.data(), 0), 0);
    EXPECT_EQ(OVD_QueryDevId(t.block.data(), 0), 0);
    EXPECT_EQ(OVD_QueryBusNum(t.block.data(), 0), 0);
    EXPECT_EQ(OVD_QueryDevNum(t.block.data(), 0), 0);

    // The other ISA model of the same path, alone in entry 0; its FIFO size byte 0 reads as 15.
    t.Get(0x0110);
    ASSERT_EQ(t.Boards(), 1);
    EXPECT_EQ(t.Type(0), "V674 Series");
    EXPECT_EQ(OVD_QueryIOaddr(t.block.data(), 0), 0x280);
    EXPECT_EQ(t.Coms(0), Range(19, 4));
    EXPECT_EQ(t.Field32(0, rec::txFifoIndex), 15);
    EXPECT_EQ(t.Field32(0, rec::rxTriggerIndex), 0);
}

TEST(NtFamily, Version5PciRequestKeepsTheBoardsThatTheReplyShows) {
    FixtureMachine m;
    m.Import("nt");
    m.Import("nt_ovserp5");
    Tool t;
    // Without a reply the stored resources are reported unchecked.
    t.Get(0x2210);
    ASSERT_EQ(t.Boards(), 1);
    EXPECT_EQ(t.Type(0), "V678 PCI Series");
    EXPECT_EQ(OVD_QueryBusType(t.block.data(), 0), OVD_BUS_PCI);
    EXPECT_EQ(OVD_QueryDevId(t.block.data(), 0), 0x6780);
    EXPECT_EQ(OVD_QueryBusNum(t.block.data(), 0), 1);
    EXPECT_EQ(OVD_QueryDevNum(t.block.data(), 0), 9);
    EXPECT_EQ(OVD_QueryIOaddr(t.block.data(), 0), 0xE800);
    EXPECT_EQ(OVD_QueryIrq(t.block.data(), 0), 11);
    EXPECT_EQ(t.Field32(0, rec::rxTriggerIndex), 2);
    EXPECT_EQ(t.Field32(0, rec::txFifoIndex), 7);

    // With a reply the board's resources come from it.
    auto present = Reply({{0x5920, 0, 13, 0xC000, 0, 0, 7}, {0x6780, 1, 9, 0xA000, 0xB000, 0, 3}});
    t.Get(0x2210, &present);
    ASSERT_EQ(t.Boards(), 1);
    EXPECT_EQ(OVD_QueryIOaddr(t.block.data(), 0), 0xA000);
    EXPECT_EQ(OVD_QueryVector(t.block.data(), 0), 0xB000);
    EXPECT_EQ(OVD_QueryIrq(t.block.data(), 0), 3);

    // A board the reply does not show is not reported; another present board keeps the text.
    auto other = Reply({{0x5920, 0, 13, 0xC000, 0, 0, 7}, {0x6780, 1, 10, 0xA000, 0, 0, 3}});
    t.Get(0x2210, &other);
    EXPECT_EQ(t.result, 1);
    EXPECT_EQ(t.Boards(), 0);
    EXPECT_EQ(t.Version(), "5.2");
    t.Get(0x2020, &other);
    ASSERT_EQ(t.Boards(), 1);
    EXPECT_EQ(t.Coms(0), Range(23, 2));

    // No PCI board at all: the older ISA driver is probed, and it is not there.
    auto none = Reply({});
    t.Get(0x2210, &none);
    EXPECT_EQ(t.Boards(), 0);
    EXPECT_EQ(t.Version(), "");
}

TEST(NtFamily, Version1PciBoardsComeFromTwentyFourByteEntries) {
    FixtureMachine m;
    m.Import("nt");
    m.Import("nt_ovserp1");
    Tool t;
    t.Get(0x2210);
    EXPECT_EQ(t.Version(), "1.0");
    ASSERT_EQ(t.Boards(), 1);
    EXPECT_EQ(OVD_QueryIOaddr(t.block.data(), 0), 0);  // no reply, no address
    EXPECT_EQ(OVD_QueryBusNum(t.block.data(), 0), 1);
    EXPECT_EQ(OVD_QueryDevNum(t.block.data(), 0), 9);
    EXPECT_EQ(t.Coms(0), Range(5, 8));

    auto reply = Reply({{0x6780, 1, 9, 0xE800, 0xD000, 0, 10}});
    t.Get(0x2210, &reply);
    ASSERT_EQ(t.Boards(), 1);
    EXPECT_EQ(OVD_QueryIOaddr(t.block.data(), 0), 0xE800);
    EXPECT_EQ(OVD_QueryVector(t.block.data(), 0), 0xD000);
    EXPECT_EQ(OVD_QueryIrq(t.block.data(), 0), 10);

    auto empty = Reply({});
    t.Get(0x2210, &empty);
    EXPECT_EQ(t.Boards(), 0);
    EXPECT_EQ(t.Version(), "");
}

TEST(NtFamily, IsaRequestWithVersion1FallsBackToTheOlderDriver) {
    FixtureMachine m;
    m.Import("nt");
    m.Import("nt_ovserp1");
    Tool t;
    t.Get(0x0210);
    EXPECT_EQ(t.Version(), "");  // Ovser is not installed
    EXPECT_EQ(t.Boards(), 0);

    m.Import("nt_ovser3");
    t.Get(0x0210);
    EXPECT_EQ(t.Version(), "3.1");
    ASSERT_EQ(t.Boards(), 1);
    EXPECT_EQ(OVD_QueryIrq(t.block.data(), 0), 10);
    EXPECT_EQ(t.Coms(0), Range(3, 8));
    // Number 5 is the VI592 for this driver; all 8 slots are filled, the accessor gives 2.
    t.Get(0x0020);
    ASSERT_EQ(t.Boards(), 1);
    EXPECT_EQ(OVD_QueryPortNum(t.block.data(), 0), 2);
    EXPECT_EQ(t.Coms(0), Range(11, 2));
    EXPECT_EQ(t.Field32(0, rec::comNumber + 4 * 7), 18);
    // A PCI request whose step 1 finds nothing runs step 2 as well; its boards are ISA boards,
    // which the request then filters out.
    auto empty = Reply({});
    t.Get(0x2210, &empty);
    EXPECT_EQ(t.Version(), "3.1");
    EXPECT_EQ(t.Boards(), 0);
}

TEST(NtFamily, AVersionThatSelectsNoPathOrCannotBeReadGoesToTheOlderDriver) {
    FixtureMachine m;
    m.Import("nt");
    m.Import("nt_ovserp5");
    m.Import("nt_ovser3");
    Tool t;
    m.Import("nt_ovserp_no_minor");
    t.Get(0x0210);
    EXPECT_EQ(t.Version(), "3.1");
    ASSERT_EQ(t.Boards(), 1);
    EXPECT_EQ(OVD_QueryIOaddr(t.block.data(), 0), 0x180);

    HKEY key;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORVANE\\Ovserp\\CurrentVersion", &key), 0);
    const DWORD two = 2, zero = 0;
    RegSetValueExA(key, "MajorVersion", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&two), 4);
    RegSetValueExA(key, "MinorVersion", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), 4);
    RegCloseKey(key);
    t.Get(0x0210);
    EXPECT_EQ(t.Version(), "3.1");
    EXPECT_EQ(t.Boards(), 1);
}

TEST(NtFamily, MissingMinorVersionLeavesTheTextEmpty) {
    FixtureMachine m;
    m.Import("nt");
    m.Import("nt_ovserp5");
    m.Import("nt_ovserp_no_minor");
    Tool t;
    t.Get(0x0210);
    EXPECT_EQ(t.result, 1);
    EXPECT_EQ(t.Version(), "");
    EXPECT_EQ(t.Boards(), 0);
}

TEST(NtFamily, TypeCodesThatMatchNoRecordGiveAnEmptyBlock) {
    FixtureMachine m;
    m.Import("nt");
    m.Import("nt_ovserp5");
    for (std::int32_t code : {0x10210, -1, 0x0218, 0x0211, 0}) {
        Tool t;
        t.Get(code);
        EXPECT_EQ(t.result, 1) << code;
        EXPECT_EQ(t.Boards(), 0) << code;
        EXPECT_EQ(t.Version(), "5.2") << code;
    }
}

TEST(NtFamily, OnlyTheHeaderAndTheCopiedRecordsOfTheToolsBlockAreWritten) {
    FixtureMachine m;
    m.Import("nt");
    m.Import("nt_ovserp5");
    Tool t;
    t.Get(0x0210);
    ASSERT_EQ(t.Boards(), 1);
    EXPECT_EQ(OVD_QueryNoBoards(t.block.data()), 1);
    EXPECT_EQ(t.ProductId(), 0u);
    // Record 0 is whole: its reserved bytes are 0.
    EXPECT_EQ(t.Field32(0, 0x0AC), 0);
    EXPECT_EQ(t.block[8 + 2], 0);
    for (std::size_t i = 8 + 764; i < t.block.size(); ++i)
        ASSERT_EQ(t.block[i], kSentinel) << i;
    // The text is written with its terminator and nothing after it.
    EXPECT_EQ(t.text[3], '\0');
    EXPECT_EQ(static_cast<std::uint8_t>(t.text[4]), kSentinel);
}

TEST(NtFamily, ANullBlockOrTextGivesZeroAndWritesNothing) {
    FixtureMachine m;
    m.Import("nt");
    m.Import("nt_ovserp5");
    Tool t;
    EXPECT_EQ(OVD_GetSetting(0x0210, nullptr, nullptr, t.text.data()), 0);
    EXPECT_EQ(static_cast<std::uint8_t>(t.text[0]), kSentinel);
    EXPECT_EQ(OVD_GetSetting(0x0210, t.block.data(), nullptr, nullptr), 0);
    for (auto b : t.block)
        ASSERT_EQ(b, kSentinel);
}

TEST(NtFamily, NoDriverGivesOneWithAnEmptyBlockAndText) {
    FixtureMachine m;
    m.Import("nt");
    Tool t;
    t.Get(0x0210);
    EXPECT_EQ(t.result, 1);
    EXPECT_EQ(t.Boards(), 0);
    EXPECT_EQ(t.ProductId(), 0u);
    EXPECT_EQ(t.Version(), "");
}

// ---- Windows 9x ----

TEST(Windows9x, MultiFunctionBoardsComeFromTheirDeviceNodes) {
    FixtureMachine m;
    m.Import("win98");
    m.Import("win98_isa");
    m.InstallDriverFile("ovsdrv.vxd", "3.0");
    Tool t;
    t.Get(0x0210);
    EXPECT_EQ(t.Version(), "3.0");
    ASSERT_EQ(t.Boards(), 1);  // ov1005 and OV105 are no boards
    EXPECT_EQ(t.Type(0), "V678 Series");
    EXPECT_EQ(OVD_QueryIrq(t.block.data(), 0), 10);
    EXPECT_EQ(OVD_QueryVector(t.block.data(), 0), 0x1C0);
    EXPECT_EQ(OVD_QueryIOaddr(t.block.data(), 0), 0x180);
    EXPECT_EQ(t.Field32(0, rec::ioAddress + 14) & 0xFFFF, 0x1B8);  // port 7
    EXPECT_EQ(t.Coms(0), (std::vector<std::int32_t>{12, 0, 4, 0, 5, 6, 7, 8}));
    EXPECT_EQ(t.Field32(0, rec::rxTriggerIndex), 0);  // this path reads no FIFO settings
    EXPECT_EQ(t.Field32(0, rec::txFifoIndex), 0);
    EXPECT_EQ(t.HardwareKey(0), "");

    // The ISA driver must be a version 3 driver.
    m.InstallDriverFile("ovsdrv.vxd", "2.5", FileForm::Unicode);
    t.Get(0x0210);
    EXPECT_EQ(t.Version(), "2.5");
    EXPECT_EQ(t.Boards(), 0);
}

TEST(Windows9x, AsyncRootBoardsWhenTheMainDriverIsInstalledInAnyVersion) {
    FixtureMachine m;
    m.Import("win98");
    m.Import("win98_isa");
    m.InstallDriverFile("ovtbdrv.vxd", "2.0", FileForm::Ne);
    m.InstallDriverFile("ovsdrv.vxd", "3.0");
    Tool t;
    t.Get(0x0110);
    EXPECT_EQ(t.Version(), "2.0");
    ASSERT_EQ(t.Boards(), 1);
    EXPECT_EQ(t.Type(0), "V674 Series");
    EXPECT_EQ(OVD_QueryIrq(t.block.data(), 0), 5);
    EXPECT_EQ(OVD_QueryVector(t.block.data(), 0), 16);  // a one-address range at 0x8
    EXPECT_EQ(OVD_QueryIOaddr(t.block.data(), 0), 0x2A0);
    // Port 3 has no child key: COM 0 and the FIFO defaults.
    EXPECT_EQ(t.Coms(0), (std::vector<std::int32_t>{20, 21, 22, 0}));
    const std::int32_t rx[] = {3, 1, 2, 3}, tx[] = {15, 15, 7, 15};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(t.Field32(0, rec::rxTriggerIndex + 4 * k), rx[k]) << k;
        EXPECT_EQ(t.Field32(0, rec::txFifoIndex + 4 * k), tx[k]) << k;
    }
    // A board found in step 1 keeps its text; the MultiFunction board is then not looked for.
    t.Get(0x0210);
    EXPECT_EQ(t.Version(), "2.0");
    EXPECT_EQ(t.Boards(), 0);
}

TEST(Windows9x, ConfigManagerPciBoardsWithTheirHardwareKeysAndLocations) {
    FixtureMachine m;
    m.Import("win98");
    m.Import("win98_pci");
    m.UseBus("win98_bus.dump");
    m.InstallDriverFile("ovtbdrv.vxd", "4.1", FileForm::Pe);
    Tool t;
    t.Get(0x2310);
    EXPECT_EQ(t.Version(), "4.1");
    ASSERT_EQ(t.Boards(), 1);
    EXPECT_EQ(t.Type(0), "VT-583 Series");
    EXPECT_EQ(OVD_QueryBusType(t.block.data(), 0), OVD_BUS_PCI);
    EXPECT_EQ(OVD_QueryDevId(t.block.data(), 0), 0x5830);
    EXPECT_EQ(OVD_QueryBusNum(t.block.data(), 0), 0);
    EXPECT_EQ(OVD_QueryDevNum(t.block.data(), 0), 13);
    EXPECT_EQ(OVD_QueryIOaddr(t.block.data(), 0), 0x300);
    EXPECT_EQ(t.Field32(0, rec::ioAddress + 6) & 0xFFFF, 0x318);  // port 3
    EXPECT_EQ(OVD_QueryVector(t.block.data(), 0), 0x340);
    EXPECT_EQ(OVD_QueryIrq(t.block.data(), 0), 11);
    EXPECT_EQ(t.Coms(0), Range(5, 4));
    EXPECT_EQ(t.Field32(0, rec::rxTriggerIndex + 12), 3);
    EXPECT_EQ(t.HardwareKey(0), "PCI\\VEN_4F56&DEV_5830\\BUS_00&DEV_0D&FUNC_00");

    // A key without the bus position: the board is looked for on the bus by its I/O address.
    t.Get(0x2020);
    ASSERT_EQ(t.Boards(), 1);
    EXPECT_EQ(OVD_QueryBusNum(t.block.data(), 0), 1);
    EXPECT_EQ(OVD_QueryDevNum(t.block.data(), 0), 11);
    EXPECT_EQ(OVD_QueryIOaddr(t.block.data(), 0), 0xE800);
    EXPECT_EQ(t.Coms(0), Range(9, 2));
    EXPECT_EQ(t.HardwareKey(0), "PCI\\VEN_4F56&DEV_5920\\3&61AAA01&0&58");

    // A node without its ports' child keys is not a board, nor is one with a malformed
    // "Allocation".
    t.Get(0x2210);
    EXPECT_EQ(t.Boards(), 0);
    EXPECT_EQ(t.Version(), "4.1");
    t.Get(0x2150);
    EXPECT_EQ(t.Boards(), 0);
}

TEST(Windows9x, AFifthBoardIsNotReported) {
    FixtureMachine m;
    m.Import("win98");
    m.Import("win98_five_isa");
    m.InstallDriverFile("ovsdrv.vxd", "3.0");
    Tool t;
    t.Get(0x0010);
    ASSERT_EQ(t.Boards(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(t.Type(i), "V672 Series");
        EXPECT_EQ(t.Coms(i), (std::vector<std::int32_t>{0, 0}));  // no child keys
    }
}

TEST(Windows9x, StepTwoProbesThePciOrIsaDriverWhenStepOneFindsNothing) {
    FixtureMachine m;
    m.Import("win98");
    m.Import("win98_pci");
    Tool t;
    m.InstallDriverFile("ovspdrv.vxd", "1.5");
    t.Get(0x2310);
    EXPECT_EQ(t.Version(), "1.5");
    EXPECT_EQ(t.Boards(), 1);

    m.InstallDriverFile("ovspdrv.vxd", "2.0");
    t.Get(0x2310);
    EXPECT_EQ(t.Version(), "2.0");
    EXPECT_EQ(t.Boards(), 0);

    // The main driver is there but finds no ISA board: the ISA driver's probe replaces the text.
    m.InstallDriverFile("ovtbdrv.vxd", "4.1");
    t.Get(0x0210);
    EXPECT_EQ(t.Version(), "");
    EXPECT_EQ(t.Boards(), 0);
    // A version resource without the US English string table counts as no version.
    m.InstallDriverFile("ovtbdrv.vxd", "4.1", FileForm::Unicode, "040904B0");
    m.InstallDriverFile("ovspdrv.vxd", "1.6");
    t.Get(0x2310);
    EXPECT_EQ(t.Version(), "1.6");
    EXPECT_EQ(t.Boards(), 1);
}

TEST(Windows9x, AVersionTextLongerThan63CharactersIsCut) {
    FixtureMachine m;
    m.Import("win98");
    m.Import("win98_pci");
    const std::string longVersion = "4.1." + std::string(96, '7');
    m.InstallDriverFile("ovtbdrv.vxd", longVersion, FileForm::Unicode);
    Tool t;
    t.Get(0x2310);
    EXPECT_EQ(t.Version(), longVersion.substr(0, OVD_VERSION_TEXT_SIZE - 1));
    for (std::size_t i = OVD_VERSION_TEXT_SIZE; i < t.text.size(); ++i) {
        ASSERT_EQ(static_cast<std::uint8_t>(t.text[i]), kSentinel) << i;
    }
}

// ---- The accessors on a block the tool filled itself ----

std::vector<std::uint8_t> BlockWith(std::uint16_t typeCode, std::int32_t busKind,
                                    std::int32_t portCount) {
    catalog::BoardSettingBlock block;
    block.count = 1;
    auto& r = block.records[0];
    r.typeCode = typeCode;
    r.busKind = busKind;
    r.portCount = portCount;
    for (std::size_t k = 0; k < r.comNumber.size(); ++k)
        r.comNumber[k] = std::int32_t(k + 1);
    auto bytes = block.ToBytes();
    return {bytes.begin(), bytes.end()};
}

TEST(Accessors, TypeTextsOfModelsAndPortCountSuffixes) {
    EXPECT_EQ(OVD_QuerySize(), 3064);
    struct Case {
        std::uint16_t typeCode;
        std::int32_t busKind, portCount;
        const char* text;
    } const cases[] = {
        {0x0210, 0, 8, "V678 Series"},   {0x2210, 1, 8, "V678 PCI Series"},
        {0x2210, 0, 8, "Unknown Board"}, {0x0210, 1, 8, "Unknown Board"},
        {0x0210, 5, 8, "V678 Series"},   {0x4210, 0, 8, "Unknown Board(8 ports)"},
        {0x4210, 0, 3, "Unknown Board"}, {0x4000, 1, 32, "Unknown Board(32 ports)"},
    };
    for (const auto& c : cases) {
        auto block = BlockWith(c.typeCode, c.busKind, c.portCount);
        char text[OVD_TYPE_TEXT_SIZE + 4];
        std::memset(text, kSentinel, sizeof text);
        OVD_GetTypeStr(block.data(), 0, text);
        EXPECT_STREQ(text, c.text) << std::hex << c.typeCode;
        EXPECT_EQ(static_cast<std::uint8_t>(text[OVD_TYPE_TEXT_SIZE]), kSentinel);
    }
}

TEST(Accessors, ComNumbersAreCopiedForThePortCountAndAtMost32) {
    struct Case {
        std::int32_t portCount;
        std::size_t copied;
    } const cases[] = {{4, 4}, {2, 2}, {0, 0}, {-3, 0}, {32, 32}, {40, 32}};
    for (const auto& c : cases) {
        auto block = BlockWith(0x0110, 0, c.portCount);
        std::int32_t coms[40];
        std::memset(coms, kSentinel, sizeof coms);
        EXPECT_EQ(OVD_QueryComNum(coms, block.data(), 0), c.portCount);
        for (std::size_t k = 0; k < 40; ++k) {
            if (k < c.copied) {
                EXPECT_EQ(coms[k], std::int32_t(k + 1)) << c.portCount << " " << k;
            } else {
                std::int32_t untouched;
                std::memset(&untouched, kSentinel, sizeof untouched);
                EXPECT_EQ(coms[k], untouched) << c.portCount << " " << k;
            }
        }
    }
}

TEST(Accessors, IndexesOutsideTheBlockAndNullBlocksReadAsZero) {
    auto block = BlockWith(0x0210, 0, 8);
    EXPECT_EQ(OVD_QueryNoBoards(block.data()), 1);
    EXPECT_EQ(OVD_QueryPortNum(block.data(), 0), 8);
    std::int32_t coms[OVD_MAX_PORTS] = {};
    char text[OVD_TYPE_TEXT_SIZE] = "unchanged";
    for (std::int32_t index : {-1, 4, 1000000}) {
        EXPECT_EQ(OVD_QueryPortNum(block.data(), index), 0);
        EXPECT_EQ(OVD_QueryComNum(coms, block.data(), index), 0);
        OVD_GetTypeStr(block.data(), index, text);
        EXPECT_STREQ(text, "unchanged");
    }
    EXPECT_EQ(OVD_QueryNoBoards(nullptr), 0);
    EXPECT_EQ(OVD_QueryIrq(nullptr, 0), 0);
    EXPECT_EQ(coms[0], 0);
}

}  // namespace
}  // namespace ovtb::diag
