// The port settings dialog driven by a scripted user: what its controls start with, how the
// check boxes spread a change to other ports, and the COM range check that keeps it open.
#include "panel/port_settings_dialog.h"

#include <array>
#include <string>
#include <vector>

#include "panel/resource.h"
#include "panel/tests/panel_dialog_fixture.h"

namespace ovtb::panel {
namespace {

using testing::Expect;
using testing::IsaBoard;
using testing::Op;

constexpr std::int32_t kEightPortModel = 0x0210;  // V678
constexpr std::int32_t kFourPortModel = 0x0110;   // V674

class PortSettingsDialogTest : public testing::PanelDialogTest {};

TEST_F(PortSettingsDialogTest, OpensOnThePortsValuesWithEveryBoxSetEachTime) {
    BoardConfig board = IsaBoard(kEightPortModel, 0x180, 10, 0x1C0, 3);
    board.comNumber[1] = 17;
    board.rxTriggerIndex[1] = 1;
    board.txFifoIndex[1] = 7;
    for (int opening = 0; opening < 2; ++opening) {
        ui::ResetForTests();
        script_ = std::make_shared<ui::Script>();
        script().Dialog("Port 2");
        script().ExpectText(IDC_COM_NUMBER, "COM17").ExpectText(IDC_RX_TRIGGER, "4");
        script().ExpectText(IDC_TX_FIFO, "8");
        Expect(script(), Op::ExpectRows, IDC_COM_NUMBER, 256);
        Expect(script(), Op::ExpectRows, IDC_RX_TRIGGER, 4);
        Expect(script(), Op::ExpectRows, IDC_TX_FIFO, 16);
        for (int box : {IDC_AUTO_ENUMERATE, IDC_RX_TRIGGER_ALL, IDC_TX_FIFO_ALL}) {
            Expect(script(), Op::ExpectChecked, box);
            script().Check(box, false);
        }
        script().Press(IDCANCEL);
        PortSettingsDialog dialog;
        dialog.Prepare(board, 1);
        EXPECT_EQ(Run(dialog), IDCANCEL);
    }
}

TEST_F(PortSettingsDialogTest, OkSpreadsTheChangeAsTheBoxesSay) {
    struct Case {
        const char* name;
        std::int32_t model;
        int port;  // 0-based
        int comRow;
        bool autoEnumerate;
        int rxRow;
        bool rxToAll;
        int txRow;
        bool txToAll;
        std::vector<std::int32_t> com;
        std::vector<std::int32_t> rx;
        std::vector<std::int32_t> tx;
    };
    const Case cases[] = {
        {"port 3 of 8 on COM250 numbers ports 3 to 8 up to COM255",
         kEightPortModel,
         2,
         249,
         true,
         3,
         true,
         15,
         true,
         {3, 4, 250, 251, 252, 253, 254, 255},
         {3, 3, 3, 3, 3, 3, 3, 3},
         {15, 15, 15, 15, 15, 15, 15, 15}},
        {"port 1 of 4 on COM5 numbers COM5 to COM8",
         kFourPortModel,
         0,
         4,
         true,
         3,
         true,
         15,
         true,
         {5, 6, 7, 8},
         {3, 3, 3, 3},
         {15, 15, 15, 15}},
        {"port 3 of 4 on COM5 leaves ports 1 and 2",
         kFourPortModel,
         2,
         4,
         true,
         3,
         true,
         15,
         true,
         {3, 4, 5, 6},
         {3, 3, 3, 3},
         {15, 15, 15, 15}},
        {"without auto-enumeration only the port changes",
         kFourPortModel,
         1,
         19,
         false,
         3,
         true,
         15,
         true,
         {3, 20, 5, 6},
         {3, 3, 3, 3},
         {15, 15, 15, 15}},
        {"trigger 8 and size 4 reach every port",
         kFourPortModel,
         3,
         5,
         true,
         2,
         true,
         3,
         true,
         {3, 4, 5, 6},
         {2, 2, 2, 2},
         {3, 3, 3, 3}},
        {"trigger for one port, size for all",
         kFourPortModel,
         1,
         3,
         true,
         0,
         false,
         9,
         true,
         {3, 4, 5, 6},
         {3, 0, 3, 3},
         {9, 9, 9, 9}},
        {"both FIFO settings for one port",
         kFourPortModel,
         2,
         4,
         true,
         1,
         false,
         0,
         false,
         {3, 4, 5, 6},
         {3, 3, 1, 3},
         {15, 15, 0, 15}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui::ResetForTests();
        script_ = std::make_shared<ui::Script>();
        BoardConfig board = IsaBoard(c.model, 0x180, 10, 0x1C0, 3);
        script().Dialog("Port " + std::to_string(c.port + 1));
        script().Select(IDC_COM_NUMBER, c.comRow).Check(IDC_AUTO_ENUMERATE, c.autoEnumerate);
        script().Select(IDC_RX_TRIGGER, c.rxRow).Check(IDC_RX_TRIGGER_ALL, c.rxToAll);
        script().Select(IDC_TX_FIFO, c.txRow).Check(IDC_TX_FIFO_ALL, c.txToAll);
        script().Press(IDOK);
        PortSettingsDialog dialog;
        dialog.Prepare(board, c.port);
        ASSERT_EQ(Run(dialog), IDOK);
        dialog.Apply(board, c.port);
        for (std::size_t i = 0; i < c.com.size(); ++i) {
            SCOPED_TRACE("port " + std::to_string(i + 1));
            EXPECT_EQ(board.comNumber[i], c.com[i]);
            EXPECT_EQ(board.rxTriggerIndex[i], c.rx[i]);
            EXPECT_EQ(board.txFifoIndex[i], c.tx[i]);
        }
    }
}

TEST_F(PortSettingsDialogTest, NumberingPastCom256IsRefusedAndTheDialogStaysOpen) {
    BoardConfig board = IsaBoard(kEightPortModel, 0x180, 10, 0x1C0, 3);
    script().Dialog("Port 3").Select(IDC_COM_NUMBER, 251).Press(IDOK);
    script().Message("COM ports have exceeded max port number !").Answer(IDOK);
    // Still open, with the refused choice: COM250 fits.
    script().ExpectText(IDC_COM_NUMBER, "COM252").Select(IDC_COM_NUMBER, 249).Press(IDOK);
    PortSettingsDialog dialog;
    dialog.Prepare(board, 2);
    ASSERT_EQ(Run(dialog), IDOK);
    ASSERT_EQ(ui::RecordedMessages().size(), 1u);
    EXPECT_EQ(ui::RecordedMessages()[0].caption, "Configuration Panel");
    EXPECT_EQ(ui::RecordedMessages()[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
    dialog.Apply(board, 2);
    EXPECT_EQ(board.comNumber[7], 255);
}

// A stored value outside a combo box's rows (a record written elsewhere, or damaged) leaves the
// combo box without a selection; such a value is kept, never replaced by COM0 or spread.
TEST_F(PortSettingsDialogTest, AValueOutsideTheListsIsKeptRatherThanReplacedOrSpread) {
    BoardConfig board = IsaBoard(kFourPortModel, 0x180, 10, 0x1C0, 3);
    board.comNumber[1] = 300;
    board.rxTriggerIndex[1] = 7;
    board.txFifoIndex[1] = -1;

    // With auto-enumeration the range check refuses the missing number.
    script().Dialog("Port 2");
    Expect(script(), Op::ExpectSelected, IDC_COM_NUMBER, -1);
    Expect(script(), Op::ExpectSelected, IDC_RX_TRIGGER, -1);
    Expect(script(), Op::ExpectSelected, IDC_TX_FIFO, -1);
    script().Press(IDOK).Message("COM ports have exceeded max port number !").Answer(IDOK);
    script().Check(IDC_AUTO_ENUMERATE, false).Press(IDOK);
    PortSettingsDialog dialog;
    dialog.Prepare(board, 1);
    ASSERT_EQ(Run(dialog), IDOK);
    dialog.Apply(board, 1);
    EXPECT_EQ(board.comNumber, (std::array<std::int32_t, 8>{3, 300, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(board.rxTriggerIndex[0], 3);
    EXPECT_EQ(board.rxTriggerIndex[1], 7);
    EXPECT_EQ(board.txFifoIndex[0], 15);
    EXPECT_EQ(board.txFifoIndex[1], -1);
}

}  // namespace
}  // namespace ovtb::panel
