// The board property dialog driven by a scripted user: add mode with and without offered PCI
// boards, switching models, edit mode, the vector check box, the address fields and the port
// list with its port settings dialog.
#include "panel/board_property_dialog.h"

#include <array>
#include <string>

#include "panel/resource.h"
#include "panel/tests/panel_dialog_fixture.h"

namespace ovtb::panel {
namespace {

using testing::Expect;
using testing::IsaBoard;
using testing::Op;
using testing::PciBoard;

constexpr std::int32_t kV678 = 0x0210;
constexpr std::int32_t kV674 = 0x0110;
constexpr std::uint16_t kV678Pci = 0x6780;
constexpr std::uint16_t kV674Pci = 0x6740;

TEST(ParseHexAddress, ReadsHexTextKeepingTheLow16Bits) {
    struct Case {
        const char* text;
        std::uint16_t value;
    };
    const Case cases[] = {
        {"0x2a8", 0x2A8},  {"0X2A8", 0x2A8},
        {"2a8", 0x2A8},    {"", 0},
        {"12345", 0x2345}, {"10000", 0},
        {"1C0Z", 0x1C0},   {"  \t1c0", 0x1C0},
        {"+20", 0x20},     {"-10", 0xFFF0},
        {"0x", 0},         {"zz", 0},
        {"0xg", 0},        {"FFFFFFFFFFFF", 0xFFFF},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseHexAddress(c.text), c.value) << '"' << c.text << '"';
    }
}

class BoardPropertyDialogTest : public testing::PanelDialogTest {
  protected:
    // Expects the texts drawn for each port row: "n", "COMc", rx text, tx text.
    void ExpectPortRows(const std::vector<std::array<std::string, 4>>& rows) {
        Expect(script(), Op::ExpectRows, IDC_PORT_LIST, static_cast<int>(rows.size()));
        for (std::size_t r = 0; r < rows.size(); ++r) {
            script().ExpectRow(IDC_PORT_LIST, static_cast<int>(r),
                               {rows[r][0], rows[r][1], rows[r][2], rows[r][3]});
        }
    }

    BoardList offered_;
};

TEST_F(BoardPropertyDialogTest, AddModeWithoutOfferedBoardsStartsOnTheDefaultIsaBoard) {
    script().Dialog("Property");
    Expect(script(), Op::ExpectRows, IDC_BOARD_TYPE, 7);
    script().ExpectText(IDC_BOARD_TYPE, "V678 Series");
    Expect(script(), Op::ExpectEnabled, IDC_BOARD_TYPE);
    script().ExpectText(IDC_INTERRUPT, "10");
    Expect(script(), Op::ExpectRows, IDC_INTERRUPT, 9);
    Expect(script(), Op::ExpectEnabled, IDC_INTERRUPT);
    Expect(script(), Op::ExpectChecked, IDC_VECTOR_CHECK);
    Expect(script(), Op::ExpectEnabled, IDC_VECTOR);
    script().ExpectText(IDC_VECTOR, "1C0").ExpectText(IDC_IO_ADDRESS, "180");
    Expect(script(), Op::ExpectSelected, IDC_PORT_LIST, 0);
    std::vector<std::array<std::string, 4>> rows;
    for (int p = 0; p < 8; ++p) {
        rows.push_back({std::to_string(p + 1), "COM" + std::to_string(p + 3), "14", "16"});
    }
    ExpectPortRows(rows);
    script().Press(IDOK);

    BoardConfig board;
    BoardPropertyDialog dialog(BoardPropertyDialog::Mode::Add, board, offered_);
    ASSERT_EQ(Run(dialog), IDOK);
    BoardConfig result;
    dialog.GetResult(result);
    EXPECT_EQ(result, BoardConfig());
}

TEST_F(BoardPropertyDialogTest, AddModeListsOfferedBoardsFirstAndShowsTheirResourcesDisabled) {
    offered_.push_back(std::make_unique<BoardConfig>(PciBoard(kV678Pci, 0, 9, 0xE000, 11, 3)));
    offered_.push_back(std::make_unique<BoardConfig>(PciBoard(kV674Pci, 1, 12, 0xD000, 5, 3)));
    script().Dialog("Property");
    Expect(script(), Op::ExpectRows, IDC_BOARD_TYPE, 9);
    script().ExpectText(IDC_BOARD_TYPE, "V678 PCI Series(Bus/Dev=0/9)");
    script().ExpectText(IDC_INTERRUPT, "11");
    Expect(script(), Op::ExpectRows, IDC_INTERRUPT, 1);
    for (int id : {IDC_INTERRUPT, IDC_VECTOR_CHECK, IDC_VECTOR, IDC_IO_ADDRESS}) {
        Expect(script(), Op::ExpectDisabled, id);
    }
    script().ExpectText(IDC_VECTOR, "E040").ExpectText(IDC_IO_ADDRESS, "E000");
    script().Select(IDC_BOARD_TYPE, 1);
    script().ExpectText(IDC_BOARD_TYPE, "V674 PCI Series(Bus/Dev=1/12)");
    script().ExpectText(IDC_INTERRUPT, "5").ExpectText(IDC_IO_ADDRESS, "D000");
    Expect(script(), Op::ExpectRows, IDC_PORT_LIST, 4);
    script().Press(IDOK);

    BoardConfig board;
    board.CopyFrom(*offered_[0]);
    BoardPropertyDialog dialog(BoardPropertyDialog::Mode::Add, board, offered_);
    ASSERT_EQ(Run(dialog), IDOK);
    BoardConfig result;
    dialog.GetResult(result);
    EXPECT_EQ(result, testing::Meaningful(*offered_[1]));
}

TEST_F(BoardPropertyDialogTest, SwitchingModelsSetsResourcesAndContinuesThePortNumbering) {
    // A four-port offered board whose last port is COM6 with trigger 1 and size 4.
    BoardConfig four = PciBoard(kV674Pci, 0, 9, 0xE000, 11, 3);
    four.rxTriggerIndex[3] = 0;
    four.txFifoIndex[3] = 3;
    offered_.push_back(std::make_unique<BoardConfig>(four));

    BoardConfig board;
    board.CopyFrom(four);
    BoardPropertyDialog dialog(BoardPropertyDialog::Mode::Add, board, offered_);
    const BoardConfig& working = dialog.WorkingBoard();

    // PCI (4 ports) to the eight-port ISA V678: ISA defaults, ports 5 to 8 continue from port 4.
    script().Dialog("Property").Select(IDC_BOARD_TYPE, 1);
    script().ExpectText(IDC_INTERRUPT, "10").ExpectText(IDC_VECTOR, "1C0");
    script().ExpectText(IDC_IO_ADDRESS, "180");
    for (int id : {IDC_INTERRUPT, IDC_VECTOR_CHECK, IDC_VECTOR, IDC_IO_ADDRESS}) {
        Expect(script(), Op::ExpectEnabled, id);
    }
    ExpectPortRows({{"1", "COM3", "14", "16"},
                    {"2", "COM4", "14", "16"},
                    {"3", "COM5", "14", "16"},
                    {"4", "COM6", "1", "4"},
                    {"5", "COM7", "1", "4"},
                    {"6", "COM8", "1", "4"},
                    {"7", "COM9", "1", "4"},
                    {"8", "COM10", "1", "4"}});
    script().Call([&](HWND) {
        EXPECT_EQ(working.busKind, catalog::BUS_ISA);
        EXPECT_EQ(working.typeCode, kV678);
        EXPECT_EQ(working.ioAddress[7], 0x180 + 7 * 8);
        EXPECT_EQ(working.vectorAddress, 0x1C0);
    });
    // Between ISA models the first port's address and the vector stay; the interrupt resets.
    script().Type(IDC_IO_ADDRESS, "2A0").Select(IDC_INTERRUPT, 3).Press(IDOK);

    ASSERT_EQ(Run(dialog), IDOK);
    BoardConfig result;
    dialog.GetResult(result);
    EXPECT_EQ(result.irq, 5);
    EXPECT_EQ(result.ioAddress[0], 0x2A0);

    ui::ResetForTests();
    script_ = std::make_shared<ui::Script>();
    result.vectorAddress = 0x2C0;
    BoardPropertyDialog again(BoardPropertyDialog::Mode::Add, result, offered_);
    script().Dialog("Property").Select(IDC_BOARD_TYPE, 2);  // V674 Series
    script().ExpectText(IDC_INTERRUPT, "10").ExpectText(IDC_VECTOR, "2C0");
    script().ExpectText(IDC_IO_ADDRESS, "2A0");
    Expect(script(), Op::ExpectRows, IDC_PORT_LIST, 4);
    script().Press(IDOK);
    ASSERT_EQ(Run(again), IDOK);
    BoardConfig switched;
    again.GetResult(switched);
    EXPECT_EQ(switched.typeCode, kV674);
    EXPECT_EQ(switched.portCount, 4);
    EXPECT_EQ(switched.irq, 10);
    EXPECT_EQ(switched.ioAddress[3], 0x2A0 + 3 * 8);
}

TEST_F(BoardPropertyDialogTest, EditModeOnAPciBoardChangesOnlyThePorts) {
    BoardConfig board = PciBoard(kV674Pci, 2, 5, 0xE800, 9, 20);
    script().Dialog("Property");
    Expect(script(), Op::ExpectRows, IDC_BOARD_TYPE, 1);
    script().ExpectText(IDC_BOARD_TYPE, "V674 PCI Series(Bus/Dev=2/5)");
    for (int id : {IDC_BOARD_TYPE, IDC_INTERRUPT, IDC_VECTOR_CHECK, IDC_VECTOR, IDC_IO_ADDRESS}) {
        Expect(script(), Op::ExpectDisabled, id);
    }
    script().ExpectText(IDC_INTERRUPT, "9").ExpectText(IDC_VECTOR, "E840");
    script().ExpectText(IDC_IO_ADDRESS, "E800");
    script().Click(IDC_PORT_LIST, 1).Press(IDC_PORT_SETTING);
    script().Dialog("Port 2").Select(IDC_COM_NUMBER, 29).Press(IDOK);  // COM30
    script().ExpectRow(IDC_PORT_LIST, 3, {"4", "COM32", "14", "16"});
    Expect(script(), Op::ExpectSelected, IDC_PORT_LIST, 1);
    script().Call([](HWND) { EXPECT_EQ(testing::FocusedControlId(), IDC_PORT_LIST); });
    script().Press(IDOK);

    BoardPropertyDialog dialog(BoardPropertyDialog::Mode::Edit, board, offered_);
    ASSERT_EQ(Run(dialog), IDOK);
    BoardConfig result;
    dialog.GetResult(result);
    BoardConfig expected = board;
    expected.comNumber = {20, 30, 31, 32, 24, 25, 26, 27};
    EXPECT_EQ(result, testing::Meaningful(expected));
}

TEST_F(BoardPropertyDialogTest, AcceptReadsTheIsaFields) {
    struct Case {
        const char* name;
        bool vector;
        const char* vectorText;
        const char* ioText;
        int irqRow;
        std::uint16_t expectedVector;
        std::uint16_t expectedIo;
        std::int32_t expectedIrq;
    };
    const Case cases[] = {
        {"hex with a prefix in lower case", true, "0x2c0", "0x2a8", 0, 0x2C0, 0x2A8, 2},
        {"an unchecked vector stores 0", false, "1C0", "180", 8, 0, 0x180, 15},
        {"an empty address is 0", true, "", "", 5, 0, 0, 10},
        {"five digits keep the low four", true, "1C0", "12345", 1, 0x1C0, 0x2345, 3},
        {"typing stops at six characters", true, "1234567", "1C0Z", 4, 0x3456, 0x1C0, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui::ResetForTests();
        script_ = std::make_shared<ui::Script>();
        BoardConfig board = IsaBoard(kV678, 0x180, 10, 0x1C0, 3);
        board.pciBus = 4;  // left over; an ISA board keeps no bus position
        script().Dialog("Property").Check(IDC_VECTOR_CHECK, c.vector);
        if (c.vector) {
            script().Type(IDC_VECTOR, c.vectorText);
        }
        script().Type(IDC_IO_ADDRESS, c.ioText).Select(IDC_INTERRUPT, c.irqRow).Press(IDOK);
        BoardPropertyDialog dialog(BoardPropertyDialog::Mode::Edit, board, offered_);
        ASSERT_EQ(Run(dialog), IDOK);
        BoardConfig result;
        dialog.GetResult(result);
        EXPECT_EQ(result.vectorAddress, c.expectedVector);
        for (std::size_t i = 0; i < 8; ++i) {
            EXPECT_EQ(result.ioAddress[i], static_cast<std::uint16_t>(c.expectedIo + 8 * i));
        }
        EXPECT_EQ(result.irq, c.expectedIrq);
        EXPECT_EQ(result.pciBus, 0);
    }
}

TEST_F(BoardPropertyDialogTest, AnUncheckedVectorReopensUncheckedWithItsFieldDisabled) {
    BoardConfig board = IsaBoard(kV678, 0x180, 10, 0x1C0, 3);
    script().Dialog("Property").Check(IDC_VECTOR_CHECK, false);
    Expect(script(), Op::ExpectDisabled, IDC_VECTOR);
    script().Check(IDC_VECTOR_CHECK, true);
    Expect(script(), Op::ExpectEnabled, IDC_VECTOR);
    script().Check(IDC_VECTOR_CHECK, false).Press(IDOK);
    BoardPropertyDialog first(BoardPropertyDialog::Mode::Edit, board, offered_);
    ASSERT_EQ(Run(first), IDOK);
    first.GetResult(board);
    EXPECT_EQ(board.vectorAddress, 0);

    ui::ResetForTests();
    script_ = std::make_shared<ui::Script>();
    script().Dialog("Property");
    Expect(script(), Op::ExpectUnchecked, IDC_VECTOR_CHECK);
    Expect(script(), Op::ExpectEnabled, IDC_VECTOR_CHECK);
    Expect(script(), Op::ExpectDisabled, IDC_VECTOR);
    script().Press(IDCANCEL);
    BoardPropertyDialog second(BoardPropertyDialog::Mode::Edit, board, offered_);
    EXPECT_EQ(Run(second), IDCANCEL);
}

// A stored ISA board on an interrupt the dialog does not offer (written by another program):
// no row is selected, and the board keeps its interrupt unless the user picks one.
TEST_F(BoardPropertyDialogTest, AnInterruptOutsideTheChoicesIsKeptUntilTheUserPicksOne) {
    BoardConfig board = IsaBoard(kV674, 0x280, 9, 0x2C0, 5);
    script().Dialog("Property");
    Expect(script(), Op::ExpectSelected, IDC_INTERRUPT, -1);
    script().Press(IDOK);
    BoardPropertyDialog kept(BoardPropertyDialog::Mode::Edit, board, offered_);
    ASSERT_EQ(Run(kept), IDOK);
    BoardConfig result;
    kept.GetResult(result);
    EXPECT_EQ(result.irq, 9);

    ui::ResetForTests();
    script_ = std::make_shared<ui::Script>();
    script().Dialog("Property").Select(IDC_INTERRUPT, 6).Press(IDOK);
    BoardPropertyDialog picked(BoardPropertyDialog::Mode::Edit, board, offered_);
    ASSERT_EQ(Run(picked), IDOK);
    picked.GetResult(result);
    EXPECT_EQ(result.irq, 11);
}

TEST_F(BoardPropertyDialogTest, PortSettingNeedsASelectedRowAndCancelChangesNothing) {
    BoardConfig board = IsaBoard(kV674, 0x280, 5, 0x2C0, 5);
    script().Dialog("Property");
    Expect(script(), Op::ExpectEnabled, IDC_PORT_SETTING);
    script().Click(IDC_PORT_LIST, -1);
    Expect(script(), Op::ExpectDisabled, IDC_PORT_SETTING);
    script().Click(IDC_PORT_LIST, 2);
    Expect(script(), Op::ExpectEnabled, IDC_PORT_SETTING);
    script().DoubleClick(IDC_PORT_LIST, 3);
    script().Dialog("Port 4").Select(IDC_COM_NUMBER, 0).Select(IDC_TX_FIFO, 0).Press(IDCANCEL);
    script().ExpectRow(IDC_PORT_LIST, 3, {"4", "COM8", "14", "16"});
    script().Press(IDCANCEL);
    BoardPropertyDialog dialog(BoardPropertyDialog::Mode::Edit, board, offered_);
    EXPECT_EQ(Run(dialog), IDCANCEL);
    EXPECT_EQ(testing::Meaningful(dialog.WorkingBoard()), testing::Meaningful(board));
}

}  // namespace
}  // namespace ovtb::panel
