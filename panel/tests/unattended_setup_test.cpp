#include "panel/unattended_setup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalog/settings_record.h"
#include "panel/tests/startup_fixtures.h"

namespace ovtb::panel {
namespace {

namespace cat = catalog;
using testing::MakeReply;
using testing::StoredValue;
using testing::ValueExists;

const char* const kParameters = cat::OVSERP_PARAMETERS_KEY_PATH;
const char* const kService = cat::OVSERP_SERVICE_KEY_PATH;

// A 674PCI (device id 0x6740 = 26432, four ports) at bus 1, device 3, and a 678PCI at bus 0,
// device 9.
const cat::PciInfoReply kReply = MakeReply({
    {0x6780, 0, 9, 0xE000, 0xE400, 0xE04D, 11},
    {0x6740, 1, 3, 0x1C000, 0x1C400, 0x1C04D, 10},
});

// What was stored before: an ISA board and the 678PCI.
std::vector<BYTE> EarlierConfiguration() {
    cat::SettingsRecord isa;
    isa.productNumber = 1;
    isa.ioBase = 0x180;
    isa.irq = 5;
    cat::SettingsRecord pci;
    pci.productNumber = 8;
    pci.pciDeviceId = 0x6780;
    pci.pciDevice = 9;
    return testing::SettingsBytes({isa, pci});
}

CommandLineSettings Parsed(const char* text) {
    CommandLineSettings settings;
    ParseCommandLine(text, settings);
    return settings;
}

class UnattendedSetupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testing::FreshRegistryWithServiceKeys();
        testing::StoreSettingsBytes(EarlierConfiguration());
    }
};

TEST_F(UnattendedSetupTest, StoresTheOneBoardAsTheWholeConfigurationWithComNumbersFromFirstCom) {
    ASSERT_TRUE(UnattendedSetup(Parsed("{26432 }{{{1 3 0 }}}{7 }{1 }{4 }"), kReply));

    cat::SettingsRecord expected;
    expected.pciDeviceId = 0x6740;
    expected.pciBus = 1;
    expected.pciDevice = 3;
    expected.ioBase = 0xC000;
    expected.vectorAddress = 0xC400;
    expected.irq = 10;
    expected.productNumber = 9;
    expected.portCount = 4;
    expected.comNumber = {7, 8, 9, 10};
    expected.rxTriggerIndex = {1, 1, 1, 1};
    expected.txFifoSize = {5, 5, 5, 5};
    const auto bytes = expected.ToBytes();
    EXPECT_EQ(StoredValue(kParameters, cat::SETTINGS_VALUE),
              std::vector<BYTE>(bytes.begin(), bytes.end()))
        << "the ISA board and the 678PCI stored before are gone";
    EXPECT_EQ(StoredValue(kService, cat::PRODUCT_ID_VALUE), (std::vector<BYTE>{0, 0, 0, 0}));
    EXPECT_TRUE(ValueExists("Software\\ORVANE\\Driver\\674PCI", "ovkey"));
    EXPECT_TRUE(ValueExists("Software\\ORVANE\\Driver\\V678", "DiagDLL"));
}

TEST_F(UnattendedSetupTest, DefaultFifoSettingsAndAllEightPortsOfAnEightPortModel) {
    ASSERT_TRUE(UnattendedSetup(Parsed("{26496 }{{{0 9 0 }}}{3 }"), kReply));
    const auto records = cat::DecodeSettingsValue(StoredValue(kParameters, cat::SETTINGS_VALUE));
    ASSERT_EQ(records.size(), 1u);
    for (std::size_t p = 0; p < 8; ++p) {
        SCOPED_TRACE(p);
        EXPECT_EQ(records[0].comNumber[p], 3 + p);
        EXPECT_EQ(records[0].rxTriggerIndex[p], 3);
        EXPECT_EQ(records[0].txFifoSize[p], 16);
    }
}

TEST_F(UnattendedSetupTest, ARequestNobodyConfirmsWritesNothing) {
    const char* const lines[] = {
        "{4660 }{{{0 9 0 }}}{3 }",    // 0x1234: no such model
        "{26496 }{{{0 10 0 }}}{3 }",  // nothing at bus 0, device 10
        "{26432 }{{{0 9 0 }}}{3 }",   // a 678PCI, not a 674PCI, at bus 0, device 9
    };
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        EXPECT_FALSE(UnattendedSetup(Parsed(line), kReply));
        EXPECT_EQ(StoredValue(kParameters, cat::SETTINGS_VALUE), EarlierConfiguration());
        EXPECT_FALSE(ValueExists(kService, cat::PRODUCT_ID_VALUE));
        EXPECT_FALSE(ValueExists("Software\\ORVANE\\Driver\\678PCI", "ovkey"));
    }
}

TEST_F(UnattendedSetupTest, AFirstComNumberAtTheTopOfTheRangeDoesNotOverflow) {
    ASSERT_TRUE(UnattendedSetup(Parsed("{26496 }{{{0 9 0 }}}{2147483647 }"), kReply));
    const auto records = cat::DecodeSettingsValue(StoredValue(kParameters, cat::SETTINGS_VALUE));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].comNumber[0], 0xFFFF);  // the record keeps the low 16 bits
    EXPECT_EQ(records[0].comNumber[1], 0x0000);
    EXPECT_EQ(records[0].comNumber[7], 0x0006);
}

}  // namespace
}  // namespace ovtb::panel
