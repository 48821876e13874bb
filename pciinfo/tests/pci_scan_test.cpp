#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <tuple>
#include <vector>

#include "pciinfo/pci_scan.h"
#include "platform/machine/machine.h"
#include "platform/pci/pci_config.h"

namespace ovtb::pciinfo {
namespace {

namespace fs = std::filesystem;
using catalog::PciBoardInfo;
using catalog::PciInfoReply;

// Scans a fixture bus through the machine's PCI layer, as the driver does through the HAL.
PciInfoReply ScanFixture(const char* name) {
    const fs::path dir =
        fs::temp_directory_path() / ("pci_scan_test." + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy_file(fs::path("pciinfo/tests/fixtures") / name, dir / "pci.dump");
    machine::SetMachineDir(dir);
    pci::ReloadBus();
    EXPECT_EQ(pci::BusError(), "");
    PciInfoReply reply = ScanPciBoards(pci::ReadPciConfig);
    pci::ReloadBus();
    fs::remove_all(dir);
    return reply;
}

using Position = std::tuple<unsigned, unsigned, unsigned>;  // bus, device, device id

std::vector<Position> Positions(const PciInfoReply& reply) {
    std::vector<Position> out;
    for (size_t i = 0; i < reply.ValidCount(); ++i)
        out.emplace_back(reply.busNumber[i], reply.deviceNumber[i], reply.deviceId[i]);
    return out;
}

TEST(ScanPciBoards, NineBoardsAcrossBusesWithGapsGiveTheFirstEightInBusAndDeviceOrder) {
    const PciInfoReply reply = ScanFixture("nine_boards.dump");
    EXPECT_EQ(reply.count, 8u);
    EXPECT_EQ(Positions(reply), (std::vector<Position>{{0, 3, 0x6780},
                                                       {0, 31, 0x5920},
                                                       {5, 2, 0x5830},
                                                       {5, 31, 0x5831},
                                                       {32, 7, 0x6740},
                                                       {63, 16, 0x6780},
                                                       {80, 31, 0x5920},
                                                       {100, 1, 0x6780}}));
    EXPECT_EQ(reply.Board(7), (PciBoardInfo{0x6780, 100, 1, 0xB100, 0xB200, 0xB04D, 5}));
}

TEST(ScanPciBoards, OnlyFunctionZeroOfTheMakersBoardsOnBusesUpTo100AreFound) {
    const PciInfoReply reply = ScanFixture("edge_boards.dump");
    // Not found: the board at function 1 only, the board id under another vendor, bus 101.
    EXPECT_EQ(Positions(reply), (std::vector<Position>{{0, 9, 0x6780}, {100, 31, 0x5831}}));
    EXPECT_EQ(reply.count, 2u);
}

TEST(ScanPciBoards, AddressRegistersLoseTheirLowFourBitsAndBar1Gets0x4DAfterThat) {
    const PciInfoReply reply = ScanFixture("edge_boards.dump");
    // BAR1 0xE0CF, BAR2 0xE80D, BAR3 0xFFFFD0F9, interrupt line 0x0B.
    EXPECT_EQ(reply.ioBase[0], 0xE800u);
    EXPECT_EQ(reply.vectorAddress[0], 0xFFFFD0F0u);
    EXPECT_EQ(reply.bar1Port[0], 0xE10Du) << "0xE0C0 + 0x4D, not (0xE0CF + 0x4D) cleared";
    EXPECT_EQ(reply.irq[0], 0x0Bu);
}

TEST(ScanPciBoards, NoBusAtAllGivesCountZeroAndZeroElements) {
    std::vector<std::uint32_t> buses;
    const PciInfoReply reply =
        ScanPciBoards([&](std::uint32_t bus, std::uint32_t, void*, std::uint32_t) {
            buses.push_back(bus);
            return 0u;
        });
    EXPECT_EQ(reply, PciInfoReply{});
    // One read per bus: a missing bus is left at once, and the scan goes on to bus 100.
    ASSERT_EQ(buses.size(), 101u);
    EXPECT_EQ(buses.back(), 100u);
}

TEST(ScanPciBoards, EveryReadAsksForTheHeaderOfFunctionZero) {
    size_t reads = 0;
    ScanPciBoards([&](std::uint32_t, std::uint32_t slot, void* buffer, std::uint32_t length) {
        ++reads;
        EXPECT_LT(slot, 32u) << "function bits 5-7 stay 0";
        EXPECT_EQ(length, 64u);
        std::memset(buffer, 0xFF, length);
        return 2u;
    });
    EXPECT_EQ(reads, 101u * 32u);
}

}  // namespace
}  // namespace ovtb::pciinfo
