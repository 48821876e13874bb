// The cell geometry of the panel's dialogs: every control keeps its own cells, its caption fits,
// labels stay on the row of their fields, and nothing leaves its group box or the dialog.
#include "platform/ui/tty/layout.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "panel/dialog_templates.h"
#include "panel/resource.h"
#include "platform/ui/tty/text.h"
#include "platform/ui/winuser.h"

using namespace ovtb::ui::tty;

namespace {

using ovtb::ui::ControlKind;
using ovtb::ui::DialogTemplate;
using K = ItemKind;

struct Dialog {
    std::string name;
    int cx, cy;
    std::vector<LayoutItem> items;
    std::vector<int> ids;
};

ItemKind KindOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::GroupBox:
            return K::GroupBox;
        case ControlKind::PushButton:
        case ControlKind::DefPushButton:
            return K::Button;
        case ControlKind::CheckBox:
            return K::CheckBox;
        case ControlKind::ComboBox:
            return K::ComboBox;
        case ControlKind::Edit:
            return K::Edit;
        case ControlKind::ListView:
            return K::ListView;
        case ControlKind::Icon:
            return K::Icon;
        default:
            return K::Static;
    }
}

// The texts the panel puts into the About box at run time (its template leaves them empty).
const char* RuntimeText(int dialog, int id) {
    if (dialog == ovtb::panel::IDD_ABOUTBOX && id == ovtb::panel::IDC_ABOUT_TITLE) {
        return "Orvane Talvex/Brinor Configuration Panel";
    }
    if (dialog == ovtb::panel::IDD_ABOUTBOX && id == ovtb::panel::IDC_ABOUT_NOTICE) {
        return "Copyright (C) 2026 Orvane Tech.";
    }
    return nullptr;
}

Dialog FromTemplate(const DialogTemplate& t) {
    Dialog d{std::to_string(t.id) + " \"" + t.caption + "\"", t.cx, t.cy, {}, {}};
    for (const auto& c : t.controls) {
        const char* text = RuntimeText(t.id, c.id);
        bool prefix = !(c.kind == ControlKind::Static && (c.style & SS_NOPREFIX));
        d.items.push_back(
            ControlItem(KindOf(c.kind), c.x, c.y, c.cx, c.cy, text ? text : c.caption, prefix));
        d.ids.push_back(c.id);
    }
    return d;
}

// The panel's four dialogs, from its own resource tables.
const std::vector<Dialog>& PanelDialogs() {
    static const std::vector<Dialog> dialogs = [] {
        std::vector<Dialog> out;
        for (const auto& t : ovtb::panel::PanelDialogTemplates()) {
            out.push_back(FromTemplate(t));
        }
        return out;
    }();
    return dialogs;
}

const Dialog& PanelDialog(int id) {
    for (const Dialog& d : PanelDialogs()) {
        if (d.name.rfind(std::to_string(id) + " ", 0) == 0) {
            return d;
        }
    }
    ADD_FAILURE() << "no panel dialog " << id;
    return PanelDialogs().front();
}

size_t IndexOf(const Dialog& d, const std::wstring& caption, int id) {
    for (size_t i = 0; i < d.items.size(); ++i) {
        if ((caption.empty() || d.items[i].caption == caption) && (id == 0 || d.ids[i] == id)) {
            return i;
        }
    }
    ADD_FAILURE() << "no control " << id << " in " << d.name;
    return 0;
}

LayoutItem Item(ItemKind kind, const char* caption, int x, int y, int cx, int cy) {
    return ControlItem(kind, x, y, cx, cy, caption);
}

// The cells a control paints: a group box only its frame, anything else its whole rectangle.
std::set<std::pair<int, int>> Painted(const LayoutItem& it, const CellRect& c) {
    std::set<std::pair<int, int>> cells;
    for (int r = c.row; r < c.bottom(); ++r) {
        for (int col = c.col; col < c.right(); ++col) {
            bool edge = r == c.row || r == c.bottom() - 1 || col == c.col || col == c.right() - 1;
            if (it.kind != ItemKind::GroupBox || edge) {
                cells.insert({r, col});
            }
        }
    }
    return cells;
}

TEST(TtyLayout, PanelDialogControlsKeepTheirOwnCellsInsideTheDialog) {
    for (const Dialog& d : PanelDialogs()) {
        SCOPED_TRACE(d.name);
        Layout l = LayOut(d.cx, d.cy, d.items);
        ASSERT_EQ(l.cells.size(), d.items.size());
        std::vector<std::set<std::pair<int, int>>> painted;
        for (size_t i = 0; i < d.items.size(); ++i) {
            const CellRect& c = l.cells[i];
            EXPECT_GE(c.row, 0) << i;
            EXPECT_GE(c.col, 0) << i;
            EXPECT_LE(c.bottom(), l.rows) << i;
            EXPECT_LE(c.right(), l.cols) << i;
            EXPECT_GT(c.rows, 0) << i;
            painted.push_back(Painted(d.items[i], c));
        }
        for (size_t i = 0; i < painted.size(); ++i) {
            for (size_t j = i + 1; j < painted.size(); ++j) {
                for (const auto& cell : painted[i]) {
                    EXPECT_FALSE(painted[j].count(cell))
                        << "items " << i << " and " << j << " share row " << cell.first
                        << " column " << cell.second;
                }
            }
        }
    }
}

TEST(TtyLayout, PanelDialogCaptionsStayWhole) {
    for (const Dialog& d : PanelDialogs()) {
        SCOPED_TRACE(d.name);
        Layout l = LayOut(d.cx, d.cy, d.items);
        for (size_t i = 0; i < d.items.size(); ++i) {
            const LayoutItem& it = d.items[i];
            const CellRect& c = l.cells[i];
            if (it.kind == ItemKind::Static) {
                auto lines = Wrap(it.caption, c.cols);
                EXPECT_LE(static_cast<int>(lines.size()), c.rows) << i;
                for (const auto& line : lines) {
                    EXPECT_LE(Cells(line), c.cols) << i;
                }
            } else {
                EXPECT_GE(c.cols, CaptionCells(it)) << i;
            }
        }
    }
}

TEST(TtyLayout, ControlsInsideAGroupBoxStayWithinItsFrame) {
    for (const Dialog& d : PanelDialogs()) {
        SCOPED_TRACE(d.name);
        Layout l = LayOut(d.cx, d.cy, d.items);
        for (size_t b = 0; b < d.items.size(); ++b) {
            const LayoutItem& box = d.items[b];
            if (box.kind != ItemKind::GroupBox) {
                continue;
            }
            const CellRect& f = l.cells[b];
            for (size_t i = 0; i < d.items.size(); ++i) {
                const LayoutItem& it = d.items[i];
                bool inside = i != b && it.x >= box.x && it.y >= box.y &&
                              it.x + it.cx <= box.x + box.cx && it.y + it.cy <= box.y + box.cy;
                if (!inside) {
                    continue;
                }
                const CellRect& c = l.cells[i];
                EXPECT_GT(c.row, f.row) << i;
                EXPECT_LT(c.bottom(), f.bottom()) << i;
                EXPECT_GT(c.col, f.col) << i;
                EXPECT_LT(c.right(), f.right()) << i;
            }
        }
    }
}

TEST(TtyLayout, LabelsShareTheRowOfTheirFields) {
    // Where the templates put a label one or two units off its field's line.
    using namespace ovtb::panel;
    struct Case {
        int dialog;
        const wchar_t* label;
        int field;
    } cases[] = {
        {IDD_BOARD_PROPERTY, L"Board Type", IDC_BOARD_TYPE},
        {IDD_BOARD_PROPERTY, L"INT Vector", IDC_VECTOR},
        {IDD_BOARD_PROPERTY, L"Interrupt No.", IDC_INTERRUPT},
        {IDD_BOARD_PROPERTY, L"Base I/O Port Address", IDC_IO_ADDRESS},
        {IDD_PORT_SETTINGS, L"Port Number", IDC_COM_NUMBER},
        {IDD_PORT_SETTINGS, L"Rx FIFO Trigger ", IDC_RX_TRIGGER},
        {IDD_PORT_SETTINGS, L"Tx FIFO Size", IDC_TX_FIFO},
    };
    for (const Case& c : cases) {
        const Dialog& d = PanelDialog(c.dialog);
        Layout l = LayOut(d.cx, d.cy, d.items);
        size_t label = IndexOf(d, c.label, 0);
        size_t field = IndexOf(d, L"", c.field);
        EXPECT_EQ(l.cells[label].row, l.cells[field].row) << d.name << " field " << c.field;
    }
}

TEST(TtyLayout, MainDialogFitsAnEightyByTwentyFourTerminal) {
    const Dialog& d = PanelDialog(ovtb::panel::IDD_BOARD_LIST);
    Layout l = LayOut(d.cx, d.cy, d.items);
    EXPECT_LE(l.cols + 2, 80);
    EXPECT_LE(l.rows + 2, 24);
}

TEST(TtyLayout, QuarterCellColumnsAndEighthCellRows) {
    // Plain controls far apart keep the arithmetic: columns x / 4 rounded, rows from the text.
    std::vector<LayoutItem> items = {Item(K::Button, "&A", 40, 80, 40, 14),
                                     Item(K::Static, "x", 2, 160, 8, 8)};
    Layout l = LayOut(200, 200, items);
    EXPECT_EQ(l.cells[0].col, 10);
    EXPECT_EQ(l.cells[0].cols, 10);
    EXPECT_EQ(l.cells[0].row, 10);  // centre at 87 units
    EXPECT_EQ(l.cells[1].col, 1);   // 2 units: half a cell rounds up
    EXPECT_EQ(l.cells[1].row, 20);
    EXPECT_EQ(l.cols, 21);  // the frame hugs the rightmost control, plus a margin column
    EXPECT_EQ(l.rows, 22);  // the last control's row, and one row of margin
}

TEST(TtyLayout, StackedControlsMoveDownInsteadOfOverlapping) {
    // Two check boxes four units apart in the same columns: the second takes the next row, and
    // so does what follows it.
    std::vector<LayoutItem> items = {Item(K::CheckBox, "one", 8, 8, 60, 10),
                                     Item(K::CheckBox, "two", 8, 12, 60, 10),
                                     Item(K::CheckBox, "three", 8, 20, 60, 10)};
    Layout l = LayOut(100, 40, items);
    EXPECT_EQ(l.cells[0].row, 1);
    EXPECT_EQ(l.cells[1].row, 2);
    EXPECT_EQ(l.cells[2].row, 3);
}

}  // namespace
