#include "platform/ioports/ioports.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/machine/machine.h"
#include "platform/pci/pci_config.h"

namespace {

namespace fs = std::filesystem;

class IoPorts : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("ovtb-ioports-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        fs::copy_file("platform/ioports/tests/fixtures/two_buses.dump", dir_ / "pci.dump");
        ovtb::machine::SetMachineDir(dir_);
        ovtb::pci::ReloadBus();
    }
    void TearDown() override {
        fs::remove_all(dir_);
        ovtb::pci::ReloadBus();
    }
    fs::path dir_;
};

ULONG Read(ULONG address) {
    _outpd(PCI_CONFIG_ADDRESS_PORT, address);
    return _inpd(PCI_CONFIG_DATA_PORT);
}

ULONG Address(ULONG bus, ULONG device, ULONG function, ULONG reg) {
    return 0x80000000u | bus << 16 | device << 11 | function << 8 | reg;
}

TEST_F(IoPorts, ConfigurationMechanismOneReadsTheMachinesBus) {
    struct Case {
        const char* name;
        ULONG address;
        ULONG expected;
    } const cases[] = {
        {"vendor and device id", Address(0, 13, 0, 0x00), 0x67804F56u},
        {"base address register 2", Address(0, 13, 0, 0x18), 0x0000E801u},
        {"interrupt line and pin", Address(0, 13, 0, 0x3C), 0x0000010Bu},
        {"beyond the header", Address(0, 13, 0, 0x40), 0x44332211u},
        {"low two register bits ignored", Address(0, 13, 0, 0x1B), 0x0000E801u},
        {"second function", Address(0, 13, 1, 0x00), 0x67814F56u},
        {"board on bus 1", Address(1, 2, 0, 0x18), 0x00000341u},
        {"empty slot", Address(0, 12, 0, 0x00), 0xFFFFFFFFu},
        {"missing bus", Address(9, 0, 0, 0x00), 0xFFFFFFFFu},
        {"beyond the space the bus shows", Address(1, 2, 0, 0x40), 0xFFFFFFFFu},
        {"enable bit clear", Address(0, 13, 0, 0x00) & 0x7FFFFFFFu, 0xFFFFFFFFu},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Read(c.address), c.expected) << c.name;
}

TEST_F(IoPorts, TheAddressLatchReadsBackAndOtherPortsFloat) {
    EXPECT_EQ(_outpd(PCI_CONFIG_ADDRESS_PORT, 0x80006818u), 0x80006818u);
    EXPECT_EQ(_inpd(PCI_CONFIG_ADDRESS_PORT), 0x80006818u);
    _outpd(PCI_CONFIG_DATA_PORT, 0);  // ignored: the bus is read only
    EXPECT_EQ(_inpd(PCI_CONFIG_DATA_PORT), 0x0000E801u);
    EXPECT_EQ(_inpd(0x80), 0xFFFFFFFFu);
}

TEST_F(IoPorts, TheInterruptFlagIsKeptPerThread) {
    EXPECT_FALSE(ovtb::ioports::InterruptsDisabled());
    _disable();
    EXPECT_TRUE(ovtb::ioports::InterruptsDisabled());
    _enable();
    EXPECT_FALSE(ovtb::ioports::InterruptsDisabled());
}

}  // namespace
