// The main dialog driven by a scripted user: the first run, the button states and the focus
// as boards come and go, the offered PCI boards, the About box, and what OK and Cancel leave
// in the registry.
#include "panel/Admdlg.h"

#include <array>
#include <string>
#include <vector>

#include "catalog/settings_record.h"
#include "panel/resource.h"
#include "panel/row_painters.h"
#include "panel/tests/panel_dialog_fixture.h"
#include "platform/ui/device_context.h"
#include "platform/ui/input.h"
#include "platform/ui/model.h"

namespace ovtb::panel {
namespace {

using catalog::BoardSettingBlock;
using testing::BlockOf;
using testing::Expect;
using testing::FocusedControlId;
using testing::IsaBoard;
using testing::Op;
using testing::PciBoard;
using testing::StoredValue;
using testing::ValueExists;

constexpr const char* kCaption = "Orvane Talvex/Brinor Configuration Panel";
constexpr std::uint16_t kV678Pci = 0x6780;
constexpr std::uint16_t kV674Pci = 0x6740;

class BoardListDialogTest : public testing::PanelDialogTest {
  protected:
    INT_PTR RunMain() {
        BoardListDialog dialog(isa_, pci_, offered_);
        return Run(dialog);
    }

    // Expects the cell texts of a board row, before they are fitted to the columns (the drawn
    // COM range is shortened in the narrow last column).
    void ExpectBoardRow(int row, std::array<std::string, 7> texts) {
        script().Call([row, texts](HWND dialog) {
            LVITEMA item{};
            item.mask = LVIF_PARAM;
            item.iItem = row;
            ASSERT_TRUE(SendDlgItemMessageA(dialog, IDC_BOARD_LIST, LVM_GETITEMA, 0,
                                            reinterpret_cast<LPARAM>(&item)));
            const auto* board = reinterpret_cast<const BoardConfig*>(item.lParam);
            ASSERT_NE(board, nullptr);
            EXPECT_EQ(BoardRowTexts(*board), texts) << "row " << row;
        });
    }

    // Adds the property dialog's start board unchanged.
    void AddDefaultBoard() { script().Press(IDC_ADD).Dialog("Property").Press(IDOK); }

    BoardSettingBlock isa_;
    BoardSettingBlock pci_;
    BoardSettingBlock offered_;
};

TEST_F(BoardListDialogTest, FirstRunShowsAnEmptyListAndAddStartsFromTheDefaultBoard) {
    script().Dialog(kCaption);
    Expect(script(), Op::ExpectRows, IDC_BOARD_LIST, 0);
    Expect(script(), Op::ExpectDisabled, IDC_REMOVE);
    Expect(script(), Op::ExpectEnabled, IDC_PROPERTY);
    Expect(script(), Op::ExpectEnabled, IDC_ADD);
    script().Press(IDC_PROPERTY);  // nothing selected: no dialog opens
    script().Press(IDC_ADD).Dialog("Property");
    script().ExpectText(IDC_BOARD_TYPE, "V678 Series").ExpectText(IDC_INTERRUPT, "10");
    Expect(script(), Op::ExpectChecked, IDC_VECTOR_CHECK);
    script().ExpectText(IDC_VECTOR, "1C0").ExpectText(IDC_IO_ADDRESS, "180");
    script().ExpectRow(IDC_PORT_LIST, 0, {"1", "COM3", "14", "16"});
    script().ExpectRow(IDC_PORT_LIST, 7, {"8", "COM10", "14", "16"});
    script().Press(IDCANCEL);
    Expect(script(), Op::ExpectRows, IDC_BOARD_LIST, 0);
    Expect(script(), Op::ExpectDisabled, IDC_REMOVE);
    script().Escape();
    EXPECT_EQ(RunMain(), IDCANCEL);
    EXPECT_FALSE(ValueExists(catalog::OVSERP_PARAMETERS_KEY_PATH, "Settings"));
}

TEST_F(BoardListDialogTest, TheSystemMenuOpensTheAboutBoxAndTheMinimisedWindowShowsTheIcon) {
    script().Dialog(kCaption);
    script().Call([](HWND dialog) {
        const ui::Window* w = ui::Lookup(dialog);
        ASSERT_NE(w, nullptr);
        ASSERT_EQ(w->systemMenu.size(), 2u);
        EXPECT_EQ(w->systemMenu[0].flags & MF_SEPARATOR, MF_SEPARATOR);
        EXPECT_EQ(w->systemMenu[1].text, "&About Configuration Panel");
        EXPECT_EQ(w->systemMenu[1].id, ABOUT_COMMAND_ID);
        EXPECT_NE(w->bigIcon, nullptr);
        EXPECT_EQ(w->bigIcon, w->smallIcon);
        EXPECT_EQ(SendMessageA(dialog, WM_QUERYDRAGICON, 0, 0),
                  reinterpret_cast<LRESULT>(w->bigIcon));
    });
    // The system's own low four bits of the command do not matter.
    for (UINT command : {ABOUT_COMMAND_ID, ABOUT_COMMAND_ID | 0x3}) {
        script().SysCommand(command).Dialog("About Configuration Panel");
        script().ExpectText(IDC_ABOUT_TITLE, kCaption);
        script().ExpectText(IDC_ABOUT_NOTICE, "Copyright (C) 2000 Orvane Tech.");
        script().Press(IDOK);
    }
    script().Call([](HWND dialog) {
        ASSERT_TRUE(ui::input::Minimize(dialog, true));
        ui::RecordingDC dc;
        ui::input::PaintDialog(dialog, dc.handle());
        RECT client{};
        GetClientRect(dialog, &client);
        std::vector<ui::DrawCall> icons;
        for (const auto& call : dc.calls) {
            if (call.op == ui::DrawCall::Op::Icon) {
                icons.push_back(call);
            }
        }
        ASSERT_EQ(icons.size(), 1u);
        EXPECT_EQ(icons[0].x, (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2);
        EXPECT_EQ(icons[0].y, (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2);
        ui::input::Minimize(dialog, false);
    });
    script().Close();
    EXPECT_EQ(RunMain(), IDCANCEL);
}

// A build for a product id without brand names says so and goes on with empty names.
TEST_F(BoardListDialogTest, AnUnknownProductIdIsReportedAndLeavesTheBrandEmpty) {
    // The constructors show the message, before the dialog runs.
    ui::UseScript(script_);
    script().Message("Must define m_idstr").Answer(IDOK);
    script().Dialog(" Talvex/Brinor Configuration Panel").Escape();
    BoardListDialog dialog(isa_, pci_, offered_, nullptr, 4);
    EXPECT_EQ(Run(dialog), IDCANCEL);

    script_ = std::make_shared<ui::Script>();
    ui::UseScript(script_);
    script().Message("Must define company name in Admdlg").Answer(IDOK);
    script().Dialog("About Configuration Panel");
    script().ExpectText(IDC_ABOUT_TITLE, " Talvex/Brinor Configuration Panel");
    script().ExpectText(IDC_ABOUT_NOTICE, "Copyright (C) 2000 ").Press(IDOK);
    AboutDialog about(nullptr, 4);
    EXPECT_EQ(Run(about), IDOK);
    ASSERT_EQ(ui::RecordedMessages().size(), 2u);
    for (const auto& message : ui::RecordedMessages()) {
        EXPECT_EQ(message.type, MB_OK | MB_ICONEXCLAMATION) << message.text;
    }
}

TEST_F(BoardListDialogTest, AFourthBoardDisablesAddAndRemovingBoardsMovesTheFocus) {
    script().Dialog(kCaption);
    for (int i = 0; i < 3; ++i) {
        AddDefaultBoard();
        Expect(script(), Op::ExpectEnabled, IDC_ADD);
        Expect(script(), Op::ExpectSelected, IDC_BOARD_LIST, i);
    }
    AddDefaultBoard();
    Expect(script(), Op::ExpectRows, IDC_BOARD_LIST, 4);
    Expect(script(), Op::ExpectDisabled, IDC_ADD);
    Expect(script(), Op::ExpectEnabled, IDC_REMOVE);
    Expect(script(), Op::ExpectEnabled, IDC_PROPERTY);
    script().Call([](HWND) { EXPECT_EQ(FocusedControlId(), IDC_REMOVE); });

    // No keeps the board.
    script().Press(IDC_REMOVE).Message("Do you really want to remove this board ?").Answer(IDNO);
    Expect(script(), Op::ExpectRows, IDC_BOARD_LIST, 4);
    script().Press(IDC_REMOVE).Message("Do you really want to remove this board ?").Answer(IDYES);
    Expect(script(), Op::ExpectRows, IDC_BOARD_LIST, 3);
    Expect(script(), Op::ExpectEnabled, IDC_ADD);
    Expect(script(), Op::ExpectSelected, IDC_BOARD_LIST, 2);
    for (int left = 2; left >= 0; --left) {
        script().Press(IDC_REMOVE).Message("Do you really want to remove this board ?");
        script().Answer(IDYES);
        Expect(script(), Op::ExpectRows, IDC_BOARD_LIST, left);
        Expect(script(), Op::ExpectSelected, IDC_BOARD_LIST, left - 1);
    }
    Expect(script(), Op::ExpectDisabled, IDC_REMOVE);
    Expect(script(), Op::ExpectDisabled, IDC_PROPERTY);
    Expect(script(), Op::ExpectEnabled, IDC_ADD);
    script().Call([](HWND) { EXPECT_EQ(FocusedControlId(), IDC_ADD); });
    script().Escape();
    EXPECT_EQ(RunMain(), IDCANCEL);
    const auto& messages = ui::RecordedMessages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0].caption, "Configuration Panel");
    EXPECT_EQ(messages[0].type, MB_YESNO | MB_ICONQUESTION);
}

TEST_F(BoardListDialogTest, StoredBoardsAreListedIsaFirstAndMatchingOfferedBoardsAreNotOffered) {
    isa_ = BlockOf({IsaBoard(0x0110, 0x280, 5, 0, 11)});
    pci_ = BlockOf({PciBoard(kV678Pci, 0, 9, 0xE000, 11, 3)});
    offered_ = BlockOf(
        {PciBoard(kV678Pci, 0, 9, 0xE000, 11, 3), PciBoard(kV674Pci, 0, 10, 0xD000, 11, 3)});
    script().Dialog(kCaption);
    Expect(script(), Op::ExpectRows, IDC_BOARD_LIST, 2);
    Expect(script(), Op::ExpectSelected, IDC_BOARD_LIST, 0);
    Expect(script(), Op::ExpectEnabled, IDC_REMOVE);
    ExpectBoardRow(0, {"V674 Series", "280", "---", "5", "---", "---", "COM11  - COM14 "});
    ExpectBoardRow(1, {"V678 PCI Series", "E000", "E040", "11", "0", "9", "COM3   - COM10 "});
    // As drawn: the COM range is fitted to its column.
    script().ExpectRow(IDC_BOARD_LIST, 0,
                       {"V674 Series", "280", "---", "5", "---", "---", "COM11  - ..."});
    script().Press(IDC_ADD).Dialog("Property");
    Expect(script(), Op::ExpectRows, IDC_BOARD_TYPE, 8);
    script().ExpectText(IDC_BOARD_TYPE, "V674 PCI Series(Bus/Dev=0/10)");
    script().Press(IDCANCEL);
    // A double click opens the selected board's properties.
    script().DoubleClick(IDC_BOARD_LIST, 1).Dialog("Property");
    script().ExpectText(IDC_BOARD_TYPE, "V678 PCI Series(Bus/Dev=0/9)");
    script().Press(IDCANCEL).Escape();
    EXPECT_EQ(RunMain(), IDCANCEL);
}

TEST_F(BoardListDialogTest, ARemovedPciBoardIsOfferedAsEditedUntilTheNextAddRebuildsTheOffer) {
    // Board A was named on the command line (offered with the start-up defaults), board B not.
    pci_ = BlockOf(
        {PciBoard(kV678Pci, 0, 9, 0xE000, 11, 20), PciBoard(kV674Pci, 0, 10, 0xD000, 11, 30)});
    offered_ = BlockOf({PciBoard(kV678Pci, 0, 9, 0xE000, 11, 3)});
    script().Dialog(kCaption);
    // Edit A: its first port goes to COM40 and the following ports follow.
    script().Click(IDC_BOARD_LIST, 0).Press(IDC_PROPERTY).Dialog("Property");
    script().Press(IDC_PORT_SETTING).Dialog("Port 1").Select(IDC_COM_NUMBER, 39).Press(IDOK);
    script().Press(IDOK);
    ExpectBoardRow(0, {"V678 PCI Series", "E000", "E040", "11", "0", "9", "COM40  - COM47 "});
    for (int i = 0; i < 2; ++i) {
        script().Click(IDC_BOARD_LIST, 0).Press(IDC_REMOVE);
        script().Message("Do you really want to remove this board ?").Answer(IDYES);
    }
    // Both are offered now, A with its edited ports, in the order they were removed.
    script().Press(IDC_ADD).Dialog("Property");
    Expect(script(), Op::ExpectRows, IDC_BOARD_TYPE, 9);
    script().ExpectText(IDC_BOARD_TYPE, "V678 PCI Series(Bus/Dev=0/9)");
    script().ExpectRow(IDC_PORT_LIST, 0, {"1", "COM40", "14", "16"});
    script().Select(IDC_BOARD_TYPE, 1);
    script().ExpectText(IDC_BOARD_TYPE, "V674 PCI Series(Bus/Dev=0/10)");
    script().ExpectRow(IDC_PORT_LIST, 0, {"1", "COM30", "14", "16"});
    script().Select(IDC_BOARD_TYPE, 2).Press(IDOK);  // an ISA V678
    // The offer is rebuilt from start-up: A with its defaults again, B no more.
    script().Press(IDC_ADD).Dialog("Property");
    Expect(script(), Op::ExpectRows, IDC_BOARD_TYPE, 8);
    script().ExpectText(IDC_BOARD_TYPE, "V678 PCI Series(Bus/Dev=0/9)");
    script().ExpectRow(IDC_PORT_LIST, 0, {"1", "COM3", "14", "16"});
    script().Press(IDCANCEL).Escape();
    EXPECT_EQ(RunMain(), IDCANCEL);
}

TEST_F(BoardListDialogTest, OkStoresEveryBoardInListOrderAndRegistersTheModels) {
    script().Dialog(kCaption);
    script().Press(IDC_ADD).Dialog("Property").Type(IDC_IO_ADDRESS, "2A0");
    script().Select(IDC_INTERRUPT, 3).Check(IDC_VECTOR_CHECK, false);
    script().Click(IDC_PORT_LIST, 2).Press(IDC_PORT_SETTING).Dialog("Port 3");
    script().Select(IDC_COM_NUMBER, 19).Check(IDC_AUTO_ENUMERATE, false).Press(IDOK);
    script().Press(IDOK).Enter();
    EXPECT_EQ(RunMain(), IDOK);

    // A V678 at 0x2A0 on IRQ 5 without a vector, ports on COM3, COM4, COM20, COM6 to COM10.
    const std::vector<BYTE> expected = {
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xA0, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x08, 0x03, 0x00, 0x04, 0x00,
        0x14, 0x00, 0x06, 0x00, 0x07, 0x00, 0x08, 0x00, 0x09, 0x00, 0x0A, 0x00, 0x03, 0x03, 0x03,
        0x03, 0x03, 0x03, 0x03, 0x03, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x00, 0x00,
    };
    EXPECT_EQ(StoredValue(catalog::OVSERP_PARAMETERS_KEY_PATH, "Settings"), expected);
    EXPECT_EQ(StoredValue(catalog::OVSERP_SERVICE_KEY_PATH, "ProductID"),
              (std::vector<BYTE>{0, 0, 0, 0}));
    EXPECT_EQ(StoredValue("Software\\ORVANE\\Driver\\VI572K", "ovkey"),
              (std::vector<BYTE>{0x20, 0x01, 0, 0}));
}

TEST_F(BoardListDialogTest, AConflictShowsItsMessageAndKeepsTheDialogOpenUntilMended) {
    script().Dialog(kCaption);
    AddDefaultBoard();
    AddDefaultBoard();
    script().Press(IDOK).Message("I/O address conflict between board 1 and board 2 !");
    script().Answer(IDOK);
    Expect(script(), Op::ExpectRows, IDC_BOARD_LIST, 2);
    // Board 2 moves to 0x280 on IRQ 11; its COM numbers still clash with board 1's.
    script().Click(IDC_BOARD_LIST, 1).Press(IDC_PROPERTY).Dialog("Property");
    script().Type(IDC_IO_ADDRESS, "280").Type(IDC_VECTOR, "2C0").Select(IDC_INTERRUPT, 6);
    script().Press(IDOK);
    script().Press(IDOK).Message("COM number conflict between board 1 and board 2 !");
    script().Answer(IDOK);
    script().Click(IDC_BOARD_LIST, 1).Press(IDC_PROPERTY).Dialog("Property");
    script().Press(IDC_PORT_SETTING).Dialog("Port 1").Select(IDC_COM_NUMBER, 10).Press(IDOK);
    script().Press(IDOK);
    script().Press(IDOK);
    EXPECT_EQ(RunMain(), IDOK);
    const auto& messages = ui::RecordedMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].caption, "Configuration Panel");
    EXPECT_EQ(messages[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
    EXPECT_EQ(StoredValue(catalog::OVSERP_PARAMETERS_KEY_PATH, "Settings").size(), 120u);
}

TEST_F(BoardListDialogTest, CancelAfterChangesLeavesTheRegistryAsItWas) {
    BoardConfig stored = IsaBoard(0x0110, 0x280, 5, 0x2C0, 11);
    const auto record = stored.ToSettingsRecord().ToBytes();
    const std::vector<BYTE> before(record.begin(), record.end());
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, catalog::OVSERP_PARAMETERS_KEY_PATH, 0, KEY_ALL_ACCESS, &key);
    RegSetValueExA(key, "Settings", 0, REG_BINARY, before.data(),
                   static_cast<DWORD>(before.size()));
    RegCloseKey(key);
    isa_ = BlockOf({stored});

    script().Dialog(kCaption);
    AddDefaultBoard();
    script().Click(IDC_BOARD_LIST, 0).Press(IDC_PROPERTY).Dialog("Property");
    script().Type(IDC_IO_ADDRESS, "300").Press(IDOK);
    script().Click(IDC_BOARD_LIST, 1).Press(IDC_REMOVE);
    script().Message("Do you really want to remove this board ?").Answer(IDYES);
    script().Press(IDCANCEL);
    EXPECT_EQ(RunMain(), IDCANCEL);
    EXPECT_EQ(StoredValue(catalog::OVSERP_PARAMETERS_KEY_PATH, "Settings"), before);
    EXPECT_FALSE(ValueExists(catalog::OVSERP_SERVICE_KEY_PATH, "ProductID"));
    HKEY driver = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\ORVANE\\Driver", 0, KEY_READ, &driver),
              ERROR_SUCCESS);
}

}  // namespace
}  // namespace ovtb::panel
