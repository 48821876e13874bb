#include "panel/panel_app.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "catalog/config_messages.h"
#include "catalog/settings_record.h"
#include "panel/tests/startup_fixtures.h"
#include "platform/ui/script.h"
#include "platform/ui/ui.h"

namespace ovtb::panel {
namespace {

namespace cat = catalog;
using testing::MakeReply;
using testing::StoredValue;

// The driver's answer, or its failure, without a driver.
PanelApp::PciDiscovery Answering(const cat::PciInfoReply& reply) {
    return [reply](std::span<std::uint8_t, cat::PCI_INFO_REPLY_SIZE> bytes) {
        reply.Encode(bytes);
        return 1;
    };
}

PanelApp::PciDiscovery Failing() {
    return [](std::span<std::uint8_t, cat::PCI_INFO_REPLY_SIZE>) { return 0; };
}

// Stands in for the main dialog: records that it ran and what the lists held, and ends with
// the result given.
class RecordingApp : public PanelApp {
  public:
    RecordingApp(std::string commandLine, PciDiscovery discovery, bool ok = false)
        : PanelApp(std::move(commandLine), std::move(discovery)), ok_(ok) {}

    int dialogRuns = 0;

  protected:
    bool RunMainDialog() override {
        ++dialogRuns;
        return ok_;
    }

  private:
    bool ok_;
};

const cat::PciInfoReply kReply = MakeReply({
    {0x6780, 0, 9, 0xE000, 0xE400, 0xE04D, 11},
    {0x5920, 0, 10, 0xD000, 0xD400, 0xD04D, 11},
});

std::vector<BYTE> StoredIsaAndPci() {
    cat::SettingsRecord isa;
    isa.productNumber = 2;  // V674
    isa.ioBase = 0x280;
    isa.irq = 5;
    cat::SettingsRecord pci;
    pci.productNumber = 8;  // 678PCI, present at bus 0, device 9
    pci.pciDeviceId = 0x6780;
    pci.pciDevice = 9;
    cat::SettingsRecord gone = pci;
    gone.pciDevice = 12;
    return testing::SettingsBytes({isa, pci, gone});
}

class PanelStartup : public ::testing::Test {
  protected:
    void SetUp() override {
        ui::ResetForTests();
        script_ = std::make_shared<ui::Script>();
        ui::UseScript(script_);
        testing::FreshRegistryWithServiceKeys();
        testing::StoreSettingsBytes(StoredIsaAndPci());
    }
    void TearDown() override { ui::ResetForTests(); }

    std::shared_ptr<ui::Script> script_;
};

TEST_F(PanelStartup, AFailedDriverQueryShowsItsMessageAndEndsWithExitCode1) {
    script_->Message(cat::ConfigMessagesA[cat::MSG_PCI_INFO_FAILED]);
    RecordingApp app("{26496 }{{{0 9 0 }}}{3 }", Failing());
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.ExitInstance(), 1);
    EXPECT_EQ(app.dialogRuns, 0);
    ASSERT_EQ(ui::RecordedMessages().size(), 1u);
    EXPECT_EQ(ui::RecordedMessages()[0].text,
              "Load ovpci.sys service fail !\nCan not get PCI informantion.\n");
    EXPECT_EQ(ui::RecordedMessages()[0].caption, "Configuration Panel");
    EXPECT_EQ(ui::RecordedMessages()[0].type, MB_OK | MB_ICONHAND);
    EXPECT_EQ(StoredValue(cat::OVSERP_PARAMETERS_KEY_PATH, cat::SETTINGS_VALUE), StoredIsaAndPci());
}

TEST_F(PanelStartup, TheUnattendedLineStoresItsBoardWithoutAWindow) {
    RecordingApp app("{22816 }{{{0 10 0 }}}{5 }", Answering(kReply));  // the VP592
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.ExitInstance(), 1);
    EXPECT_EQ(app.dialogRuns, 0);
    EXPECT_TRUE(ui::RecordedMessages().empty());
    EXPECT_TRUE(ui::RecordedDialogs().empty());
    const auto records =
        cat::DecodeSettingsValue(StoredValue(cat::OVSERP_PARAMETERS_KEY_PATH, cat::SETTINGS_VALUE));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].productNumber, 12);
    EXPECT_EQ(records[0].comNumber[0], 5);
    EXPECT_EQ(records[0].comNumber[1], 6);
}

TEST_F(PanelStartup, AnUnconfirmedUnattendedBoardEndsWithoutWindowOrWrite) {
    RecordingApp app("{22816 }{{{0 11 0 }}}{5 }", Answering(kReply));
    app.InitInstance();
    EXPECT_EQ(app.ExitInstance(), 1);
    EXPECT_EQ(app.dialogRuns, 0);
    EXPECT_EQ(StoredValue(cat::OVSERP_PARAMETERS_KEY_PATH, cat::SETTINGS_VALUE), StoredIsaAndPci());
}

TEST_F(PanelStartup, OtherwiseTheListsAreFilledAndTheMainDialogDecidesTheExitCode) {
    for (const bool ok : {false, true}) {
        SCOPED_TRACE(ok);
        RecordingApp app("{26496 22816 }{{{0 9 0 }}{{0 10 0 }{0 11 0 }}}", Answering(kReply), ok);
        EXPECT_FALSE(app.InitInstance());
        EXPECT_EQ(app.dialogRuns, 1);
        EXPECT_EQ(app.ExitInstance(), ok ? 0 : 1);

        ASSERT_EQ(app.isaBoards.count, 1u);
        EXPECT_EQ(app.isaBoards.records[0].typeCode, 0x0110);
        ASSERT_EQ(app.presentPciBoards.count, 1u) << "the board at device 12 is gone";
        EXPECT_EQ(app.presentPciBoards.records[0].ioAddress[0], 0xE000);
        // The stored 678PCI is offered too; the main dialog leaves out configured boards.
        ASSERT_EQ(app.offeredBoards.count, 2u);
        EXPECT_EQ(app.offeredBoards.records[0].pciDevice, 9);
        EXPECT_EQ(app.offeredBoards.records[1].typeCode, 0x2020);
        EXPECT_EQ(StoredValue(cat::OVSERP_PARAMETERS_KEY_PATH, cat::SETTINGS_VALUE),
                  StoredIsaAndPci())
            << "start-up itself stores nothing";
    }
}

}  // namespace
}  // namespace ovtb::panel
