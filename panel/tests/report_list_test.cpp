#include "panel/report_list.h"

#include <gtest/gtest.h>

#include "panel/row_painters.h"
#include "platform/ui/device_context.h"
#include "platform/ui/headless.h"
#include "platform/ui/script.h"
#include "platform/ui/ui.h"

namespace {

using namespace ovtb::panel;
using ovtb::ui::DrawCall;
using ovtb::ui::RecordingDC;
using Op = DrawCall::Op;

constexpr int kList = 1000;
// Headless text: 6 pixels a character (ovtb::ui::kHeadlessCharWidth).
constexpr int kChar = ovtb::ui::kHeadlessCharWidth;

// A dialog holding one owner-drawn report list bound to a ReportListCtrl; the test body runs
// inside the modal run, then the script closes it.
class ListDialog : public CDialog {
  public:
    explicit ListDialog(const ovtb::ui::DialogTemplate* t) : CDialog(t) {}
    void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, kList, list); }
    ReportListCtrl list;
};

class ReportListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ovtb::ui::ResetForTests();
        tmpl.id = 102;
        tmpl.caption = "List";
        tmpl.cx = 317;
        tmpl.cy = 149;
        tmpl.controls = {{kList, ovtb::ui::ControlKind::ListView, "", 15, 26, 285, 59,
                          LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDRAWFIXED | WS_BORDER}};
    }
    // Runs `body` with the list inside an open dialog.
    void WithList(const std::function<void(ReportListCtrl&)>& body) {
        ListDialog dialog(&tmpl);
        auto script = std::make_shared<ovtb::ui::Script>();
        script->Dialog("List").Call([&](HWND) { body(dialog.list); }).Escape();
        ovtb::ui::UseScript(script);
        EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    }
    static DRAWITEMSTRUCT Draw(ReportListCtrl& list, int row, UINT state, HDC dc) {
        DRAWITEMSTRUCT d{};
        d.CtlType = ODT_LISTVIEW;
        d.CtlID = kList;
        d.itemID = static_cast<UINT>(row);
        d.itemAction = ODA_DRAWENTIRE;
        d.itemState = state;
        d.hwndItem = list.m_hWnd;
        d.hDC = dc;
        d.rcItem = {0, 20, 400, 35};
        return d;
    }
    static std::vector<DrawCall> Texts(const RecordingDC& dc) {
        std::vector<DrawCall> out;
        for (const auto& c : dc.calls) {
            if (c.op == Op::Text) {
                out.push_back(c);
            }
        }
        return out;
    }
    ovtb::ui::DialogTemplate tmpl;
};

void BoardColumns(ReportListCtrl& list) {
    const char* headers[] = {
        "Board Type             ", "I/O address", "INT vector", "IRQ", "Bus", "Dev", "COM Number"};
    for (int c = 0; c < 7; ++c) {
        list.InsertColumn(c, headers[c], LVCFMT_LEFT);
    }
    for (int c = 0; c < 7; ++c) {
        list.SetColumnWidth(c, LVSCW_AUTOSIZE_USEHEADER);
    }
}

TEST_F(ReportListTest, SelectedAndUnselectedRowsTakeTheirColoursAndRestoreTheSurface) {
    BoardConfig board;
    WithList([&](ReportListCtrl& list) {
        BoardColumns(list);
        list.SetRowPainter(PaintBoardRow);
        list.AddRow(&board);
        struct Case {
            const char* name;
            UINT state;
            COLORREF fill;
            COLORREF text;
            COLORREF back;
            bool focus;
        } cases[] = {
            {"unselected", 0, GetSysColor(COLOR_WINDOW), RGB(1, 2, 3), RGB(4, 5, 6), false},
            {"selected", ODS_SELECTED, GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_WINDOW),
             GetSysColor(COLOR_HIGHLIGHT), false},
            {"selected and focused", ODS_SELECTED | ODS_FOCUS, GetSysColor(COLOR_HIGHLIGHT),
             GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_HIGHLIGHT), true},
            {"focused", ODS_FOCUS, GetSysColor(COLOR_WINDOW), RGB(1, 2, 3), RGB(4, 5, 6), true},
        };
        for (const auto& c : cases) {
            RecordingDC dc;
            SetTextColor(dc.handle(), RGB(1, 2, 3));
            SetBkColor(dc.handle(), RGB(4, 5, 6));
            DRAWITEMSTRUCT d = Draw(list, 0, c.state, dc.handle());
            list.DrawItem(&d);
            ASSERT_GE(dc.calls.size(), 8u) << c.name;
            EXPECT_EQ(dc.calls[0].op, Op::Fill) << c.name;
            EXPECT_EQ(dc.calls[0].colour, c.fill) << c.name;
            EXPECT_EQ(dc.calls[0].rect.top, 20) << c.name;
            EXPECT_EQ(dc.calls[0].rect.right, 400) << c.name;
            bool focus = dc.calls[1].op == Op::FocusRect;
            EXPECT_EQ(focus, c.focus) << c.name;
            if (focus) {
                EXPECT_EQ(dc.calls[1].rect.left, 0);
                EXPECT_EQ(dc.calls[1].rect.bottom, 35);
            }
            auto texts = Texts(dc);
            ASSERT_EQ(texts.size(), 7u) << c.name;
            for (const auto& t : texts) {
                EXPECT_EQ(t.textColor, c.text) << c.name << " " << t.text;
                EXPECT_EQ(t.bkColor, c.back) << c.name << " " << t.text;
            }
            // The surface's colours are as they were before the row.
            EXPECT_EQ(GetTextColor(dc.handle()), RGB(1, 2, 3)) << c.name;
            EXPECT_EQ(GetBkColor(dc.handle()), RGB(4, 5, 6)) << c.name;
        }
    });
}

TEST_F(ReportListTest, RowMinusOneGetsBackgroundAndFocusOnly) {
    WithList([&](ReportListCtrl& list) {
        BoardColumns(list);
        list.SetRowPainter(PaintBoardRow);
        RecordingDC dc;
        DRAWITEMSTRUCT d = Draw(list, -1, ODS_FOCUS, dc.handle());
        list.DrawItem(&d);
        ASSERT_EQ(dc.calls.size(), 2u);
        EXPECT_EQ(dc.calls[0].op, Op::Fill);
        EXPECT_EQ(dc.calls[1].op, Op::FocusRect);
    });
}

TEST_F(ReportListTest, DrawCellFitsTheTextToItsColumn) {
    struct Case {
        const char* name;
        const char* text;
        int width;
        int alignment;
        const char* drawn;
        int right;  // right edge of the text rectangle, from the cell's left edge 10
        UINT align;
    } cases[] = {
        {"fits within width - 8", "V678 Series", 74, LVCFMT_LEFT, "V678 Series", 10 + 2 + 70,
         DT_LEFT},
        {"one pixel too wide", "V678 Series", 73, LVCFMT_LEFT, "V678 Seri...", 10 + 2 + 69,
         DT_LEFT},
        {"cut to fit, then one more", "V678 PCI Series", 80, LVCFMT_LEFT, "V678 PCI Se...",
         10 + 2 + 76, DT_LEFT},
        {"8 pixels: nothing but dots", "IRQ", 8, LVCFMT_LEFT, "...", 10 + 2 + 4, DT_LEFT},
        {"narrower than 8", "5", 3, LVCFMT_LEFT, "...", 10 + 2 + 4, DT_LEFT},
        {"zero width", "COM3", 0, LVCFMT_LEFT, "...", 10 + 2 + 4, DT_LEFT},
        {"empty text stays empty", "", 8, LVCFMT_LEFT, "", 10 + 2 + 4, DT_LEFT},
        {"right-aligned: 2 pixels inside the right edge", "180", 60, LVCFMT_RIGHT, "180",
         10 + 60 - 2, DT_RIGHT},
        {"centred", "10", 60, LVCFMT_CENTER, "10", 10 + 2 + 56, DT_CENTER},
        {"any other alignment is left", "10", 60, 3, "10", 10 + 2 + 56, DT_LEFT},
    };
    WithList([&](ReportListCtrl& list) {
        for (const auto& c : cases) {
            RecordingDC dc;
            CDC cdc(dc.handle());
            list.DrawCell(cdc, c.text, RECT{10, 20, 10 + c.width, 35}, c.width, c.alignment);
            ASSERT_EQ(dc.calls.size(), 1u) << c.name;
            const DrawCall& t = dc.calls[0];
            EXPECT_EQ(t.text, c.drawn) << c.name;
            EXPECT_EQ(t.rect.left, 12) << c.name;
            EXPECT_EQ(t.rect.right, c.right) << c.name;
            EXPECT_EQ(t.rect.top, 20) << c.name;
            EXPECT_EQ(t.rect.bottom, 35) << c.name;
            EXPECT_EQ(t.flags, DT_SINGLELINE | DT_VCENTER | c.align) << c.name;
        }
    });
}

BoardConfig IsaBoard(int ports, int firstCom) {
    BoardConfig b;
    b.portCount = ports;
    b.vectorAddress = 0;
    for (int i = 0; i < ports; ++i) {
        b.comNumber[i] = firstCom + i;
    }
    return b;
}

TEST_F(ReportListTest, BoardRowTexts) {
    BoardConfig pci;
    pci.busKind = ovtb::catalog::BUS_PCI;
    pci.typeCode = static_cast<std::int32_t>(ovtb::catalog::PciBoardTable[0].typeCode);
    pci.pciBus = 2;
    pci.pciDevice = 9;
    pci.irq = 11;
    pci.ioAddress[0] = 0xE800;
    pci.vectorAddress = 0xE8C0;
    pci.portCount = 4;
    pci.comNumber = {5, 6, 7, 12, 0, 0, 0, 0};
    BoardConfig zeroPorts = IsaBoard(0, 3);
    zeroPorts.comNumber[0] = 3;

    struct Case {
        const char* name;
        BoardConfig board;
        std::array<std::string, 7> texts;
    } cases[] = {
        {"default ISA board",
         BoardConfig(),
         {"V678 Series", "180", "1C0", "10", "---", "---", "COM3   - COM10 "}},
        {"ISA without vector, two ports",
         IsaBoard(2, 3),
         {"V678 Series", "180", "---", "10", "---", "---", "COM3   - COM4  "}},
        {"PCI board: bus and device, no bus position in the name",
         pci,
         {std::string(ovtb::catalog::boardTypeName(static_cast<std::uint32_t>(pci.typeCode),
                                                   ovtb::catalog::BUS_PCI)),
          "E800", "E8C0", "11", "2", "9", "COM5   - COM12 "}},
        {"no ports: first and last are port 0",
         zeroPorts,
         {"V678 Series", "180", "---", "10", "---", "---", "COM3   - COM3  "}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BoardRowTexts(c.board), c.texts) << c.name;
    }
    EXPECT_EQ(BoardRowTexts(pci)[0].find("Bus"), std::string::npos);
}

TEST_F(ReportListTest, PortRowTextsShowDashesForIndexesOutsideTheirLists) {
    BoardConfig b;
    b.rxTriggerIndex[1] = 2;
    b.txFifoIndex[1] = 3;
    b.rxTriggerIndex[2] = 4;  // one past RxTriggerChoices
    b.txFifoIndex[2] = -1;
    b.rxTriggerIndex[3] = -7;
    b.txFifoIndex[3] = 16;  // one past TxFifoChoices
    struct Case {
        int row;
        std::array<std::string, 4> texts;
    } cases[] = {
        {0, {"1", "COM3", "14", "16"}},   {1, {"2", "COM4", "8", "4"}},
        {2, {"3", "COM5", "---", "---"}}, {3, {"4", "COM6", "---", "---"}},
        {8, {"9", "---", "---", "---"}},  // beyond the board's slots
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PortRowTexts(b, c.row), c.texts) << "row " << c.row;
    }
}

TEST_F(ReportListTest, CellsFollowEachOtherByColumnWidth) {
    BoardConfig board = IsaBoard(2, 3);
    WithList([&](ReportListCtrl& list) {
        BoardColumns(list);
        list.SetRowPainter(PaintBoardRow);
        list.AddRow(&board);
        RecordingDC dc;
        DRAWITEMSTRUCT d = Draw(list, 0, 0, dc.handle());
        list.DrawItem(&d);
        auto texts = Texts(dc);
        ASSERT_EQ(texts.size(), 7u);
        int left = 0;
        for (int c = 0; c < 7; ++c) {
            EXPECT_EQ(texts[c].rect.left, left + 2) << "column " << c;
            left += list.GetColumnWidth(c);
        }
        // Sized to their headers: 13 trailing spaces widen the first column.
        EXPECT_EQ(list.GetColumnWidth(0), 23 * kChar + 12);
        EXPECT_EQ(list.GetColumnWidth(3), 3 * kChar + 12);
    });
}

TEST_F(ReportListTest, RowsCarryTheirBoardsAndOneSelection) {
    BoardConfig a, b, c;
    WithList([&](ReportListCtrl& list) {
        EXPECT_EQ(list.GetSelectedRow(), -1);
        EXPECT_EQ(list.AddRow(&a), 0);
        EXPECT_EQ(list.AddRow(&b), 1);
        EXPECT_EQ(list.InsertRow(1, &c), 1);
        EXPECT_EQ(list.GetItemCount(), 3);
        EXPECT_EQ(list.GetRowBoard(0), &a);
        EXPECT_EQ(list.GetRowBoard(1), &c);
        EXPECT_EQ(list.GetRowBoard(2), &b);

        list.SetItemState(2, LVIS_CUT | LVIS_DROPHILITED, LVIS_CUT | LVIS_DROPHILITED);
        EXPECT_TRUE(list.SelectRow(2));
        EXPECT_EQ(list.GetSelectedRow(), 2);
        EXPECT_EQ(list.SendMessage(LVM_GETITEMSTATE, 2, 0xF), LVIS_SELECTED | LVIS_FOCUSED);
        EXPECT_TRUE(list.SelectRow(0));
        EXPECT_EQ(list.GetSelectedRow(), 0);
        EXPECT_EQ(list.SendMessage(LVM_GETITEMSTATE, 2, 0xF), 0);
        EXPECT_FALSE(list.SelectRow(3));
        list.DeleteItem(0);
        EXPECT_EQ(list.GetSelectedRow(), -1);
    });
}

TEST_F(ReportListTest, HeadlessRendererPaintsEveryRowThroughTheHook) {
    BoardConfig board;
    board.rxTriggerIndex[7] = 9;  // damaged
    struct PortDialog : ListDialog {
        using ListDialog::ListDialog;
        BoardConfig* board = nullptr;
        BOOL OnInitDialog() override {
            CDialog::OnInitDialog();
            list.SetRowPainter(PaintPortRow);
            const char* headers[] = {"Port", "COM No.", "Rx FIFO Trig.", "Tx FIFO Size"};
            for (int c = 0; c < 4; ++c) {
                list.InsertColumn(c, headers[c]);
                list.SetColumnWidth(c, LVSCW_AUTOSIZE_USEHEADER);
            }
            for (int i = 0; i < board->portCount; ++i) {
                list.AddRow(board);
            }
            list.SelectRow(0);
            return TRUE;
        }
    } ports(&tmpl);
    ports.board = &board;
    std::string error;
    auto script = ovtb::ui::Script::Parse(R"(
        dialog "List"
          expect-rows 1000 8
          expect-row 1000 0 "1" "COM3" "14" "16"
          expect-row 1000 7 "8" "COM10" "---" "16"
          select 1000 7
          expect-selected 1000 7
    )",
                                          &error);
    ASSERT_TRUE(script) << error;
    script->Call([](HWND dlg) {
        // The renderer painted all eight rows after the selection; row 7 is highlighted.
        const auto* frame = ovtb::ui::HeadlessFrame(GetDlgItem(dlg, kList));
        ASSERT_NE(frame, nullptr);
        ASSERT_EQ(frame->size(), 8u);
        EXPECT_EQ((*frame)[7][0].colour, GetSysColor(COLOR_HIGHLIGHT));
        EXPECT_EQ((*frame)[0][0].colour, GetSysColor(COLOR_WINDOW));
    });
    script->Escape();
    ovtb::ui::UseScript(std::make_shared<ovtb::ui::Script>(std::move(*script)));
    EXPECT_EQ(ports.DoModal(), IDCANCEL);
}

}  // namespace
