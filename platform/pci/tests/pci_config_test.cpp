#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/machine/machine.h"
#include "platform/pci/pci_bus.h"
#include "platform/pci/pci_config.h"

namespace ovtb::pci {
namespace {

namespace fs = std::filesystem;

class PciConfigTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("pci_config_test." + std::to_string(::getpid()) + "." +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        machine::SetMachineDir(dir_);
        ReloadBus();
    }
    void TearDown() override {
        ReloadBus();
        fs::remove_all(dir_);
    }
    void UseFixture(const char* name) {
        fs::copy_file(fs::path("platform/pci/tests/fixtures") / name, dir_ / "pci.dump");
        ReloadBus();
    }
    fs::path dir_;
};

constexpr ULONG Slot(ULONG device, ULONG function = 0) {
    return function << 5 | device;
}

TEST_F(PciConfigTest, BusesExistAtZeroWithADeviceOrBehindABridge) {
    UseFixture("bridges.dump");
    struct Case {
        ULONG bus;
        bool exists;
    } cases[] = {{0, true},  {1, false}, {2, true}, {3, true},  {4, true},
                 {5, false}, {6, false}, {7, true}, {8, false}, {255, false}};
    for (const auto& c : cases) {
        std::array<std::uint8_t, 64> buf{};
        // Device 31 is empty on every bus of the fixture.
        EXPECT_EQ(ReadPciConfig(c.bus, Slot(31), buf.data(), 64),
                  c.exists ? kPciNoDevice : kPciNoSuchBus)
            << "bus " << c.bus;
    }
    EXPECT_EQ(ReadPciConfig(256, Slot(0), nullptr, 0), kPciNoSuchBus);
}

TEST_F(PciConfigTest, ReadsTheHeaderOfEachFunctionAndMarksEmptySlots) {
    UseFixture("bridges.dump");
    std::array<std::uint8_t, 256> buf;
    buf.fill(0xAB);
    ASSERT_EQ(ReadPciConfig(2, Slot(3), buf.data(), 64), 64u);
    EXPECT_EQ(buf[0] | buf[1] << 8, 0x4F56);
    EXPECT_EQ(buf[2] | buf[3] << 8, 0x6780);
    EXPECT_EQ(buf[0x3C], 0x0B);
    EXPECT_EQ(buf[64], 0xAB) << "nothing past the length asked for";

    ASSERT_EQ(ReadPciConfig(2, Slot(3, 1), buf.data(), 64), 64u);
    EXPECT_EQ(buf[2] | buf[3] << 8, 0x6781);

    buf.fill(0xAB);
    EXPECT_EQ(ReadPciConfig(2, Slot(4), buf.data(), 64), kPciNoDevice);
    EXPECT_EQ(buf[0], 0xFF);
    EXPECT_EQ(buf[1], 0xFF);
    EXPECT_EQ(buf[2], 0xAB);
    EXPECT_EQ(ReadPciConfig(2, Slot(3) | 0x100, buf.data(), 64), kPciNoDevice)
        << "slot numbers with bits 8-31 set name no function";

    // A function with 256 bytes gives them all; one with 64 gives no more than it has.
    EXPECT_EQ(ReadPciConfig(7, Slot(0), buf.data(), 256), 256u);
    EXPECT_EQ(buf[0x40], 0x01);
    EXPECT_EQ(buf[0x4F], 0x10);
    EXPECT_EQ(ReadPciConfig(2, Slot(3), buf.data(), 256), 64u);
    EXPECT_EQ(ReadPciConfig(2, Slot(3), buf.data(), 16), 16u);
}

TEST_F(PciConfigTest, AMalformedDumpLeavesAnEmptyBusAndSaysWhy) {
    UseFixture("malformed.dump");
    std::array<std::uint8_t, 64> buf{};
    EXPECT_EQ(ReadPciConfig(0, Slot(0), buf.data(), 64), kPciNoDevice);
    EXPECT_EQ(ReadPciConfig(0, Slot(5), buf.data(), 64), kPciNoDevice);
    EXPECT_EQ(ReadPciConfig(1, Slot(0), buf.data(), 64), kPciNoSuchBus);
    const std::string error = BusError();
    EXPECT_NE(error.find((dir_ / "pci.dump").string() + ": line 10: "), std::string::npos) << error;

    // Mended, the bus reads again once reloaded.
    fs::remove(dir_ / "pci.dump");
    UseFixture("bridges.dump");
    EXPECT_EQ(ReadPciConfig(0, Slot(0), buf.data(), 64), 64u);
    EXPECT_EQ(BusError(), "");
}

// libpci's own fatal errors come back to us instead of ending the process.
TEST_F(PciConfigTest, LibpciErrorsReturnInsteadOfEndingTheProcess) {
    PciBus bus;
    ReadDumpBus(dir_ / "absent.dump", bus);
    EXPECT_TRUE(bus.functions.empty());
    EXPECT_NE(bus.error.find("absent.dump"), std::string::npos) << bus.error;
    // And libpci still works after it.
    PciBus again;
    fs::copy_file("platform/pci/tests/fixtures/bridges.dump", dir_ / "b.dump");
    ReadDumpBus(dir_ / "b.dump", again);
    EXPECT_EQ(again.error, "");
    EXPECT_EQ(again.functions.size(), 5u);
}

TEST_F(PciConfigTest, WithoutADumpTheHostBusIsRead) {
    const fs::path sys = "/sys/bus/pci/devices/0000:00:00.0/config";
    std::ifstream in(sys, std::ios::binary);
    if (!in)
        GTEST_SKIP() << "no host device 0000:00:00.0 in sysfs";
    std::array<char, 64> want{};
    in.read(want.data(), 64);
    ASSERT_EQ(in.gcount(), 64);
    std::array<std::uint8_t, 64> got{};
    ASSERT_EQ(ReadPciConfig(0, Slot(0), got.data(), 64), 64u) << BusError();
    EXPECT_EQ(std::memcmp(got.data(), want.data(), 64), 0);
    EXPECT_EQ(BusSource(), "the host's PCI bus (sysfs)");
}

}  // namespace
}  // namespace ovtb::pci
