// The cell geometry of the panel's dialogs: every control keeps its own cells, its caption fits,
// labels stay on the row of their fields, and nothing leaves its group box or the dialog.
#include "platform/ui/tty/layout.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui/tty/text.h"

using namespace ovtb::ui::tty;

namespace {

struct Dialog {
    const char* name;
    int cx, cy;
    std::vector<LayoutItem> items;
};

LayoutItem Item(ItemKind kind, const char* caption, int x, int y, int cx, int cy) {
    LayoutItem it;
    it.kind = kind;
    it.caption = ParseCaption(caption).text;
    it.x = x, it.y = y, it.cx = cx, it.cy = cy;
    return it;
}

using K = ItemKind;

// The panel's dialog templates as they stand in its resources (rectangles in dialog units).
const std::vector<Dialog>& PanelDialogs() {
    static const std::vector<Dialog> dialogs = {
        {"board list",
         317,
         149,
         {Item(K::GroupBox, "", 5, 10, 305, 105), Item(K::ListView, "", 15, 26, 285, 59),
          Item(K::Button, "&Add", 30, 95, 45, 15), Item(K::Button, "&Remove", 135, 95, 45, 15),
          Item(K::Button, "&Property", 235, 95, 45, 15), Item(K::Button, "&OK", 135, 125, 50, 14),
          Item(K::Button, "Cance&l", 235, 125, 50, 14)}},
        {"about",
         217,
         55,
         {Item(K::Icon, "", 11, 17, 18, 20),
          Item(K::Static, "Orvane Talvex/Brinor Configuration Panel", 40, 10, 119, 8),
          Item(K::Static, "Copyright (C) 2026 Orvane Tech.", 40, 25, 119, 8),
          Item(K::Button, "OK", 178, 7, 32, 14)}},
        {"board property",
         225,
         228,
         {Item(K::GroupBox, "", 5, 0, 211, 85), Item(K::Static, "&Board Type", 23, 10, 50, 10),
          Item(K::ComboBox, "", 88, 10, 125, 90), Item(K::CheckBox, "INT &Vector", 23, 31, 60, 10),
          Item(K::Edit, "", 110, 27, 55, 15), Item(K::Static, "&Interrupt No.", 24, 48, 75, 10),
          Item(K::ComboBox, "", 110, 47, 55, 85),
          Item(K::Static, "Base I/O Port &Address", 23, 65, 75, 10),
          Item(K::Edit, "", 110, 63, 55, 15), Item(K::GroupBox, "", 5, 85, 211, 115),
          Item(K::ListView, "", 8, 95, 205, 80), Item(K::Button, "&Port Setting", 158, 180, 50, 15),
          Item(K::Button, "&OK", 93, 205, 50, 14), Item(K::Button, "Cance&l", 158, 205, 50, 14)}},
        {"port settings",
         182,
         148,
         {Item(K::GroupBox, "", 10, 0, 160, 40), Item(K::Static, "&Port Number", 15, 12, 65, 10),
          Item(K::ComboBox, "", 90, 10, 67, 103),
          Item(K::CheckBox, "Auto Enumerating &COM Number", 45, 25, 117, 10),
          Item(K::GroupBox, "", 10, 40, 159, 41),
          Item(K::Static, "&Rx FIFO Trigger ", 14, 51, 65, 10),
          Item(K::ComboBox, "", 89, 51, 65, 70),
          Item(K::CheckBox, "Set the change to &all ports", 45, 65, 115, 10),
          Item(K::GroupBox, "", 10, 80, 160, 40), Item(K::Static, "&Tx FIFO Size", 15, 90, 65, 10),
          Item(K::ComboBox, "", 90, 90, 65, 85),
          Item(K::CheckBox, "&Set the change to all ports", 45, 105, 115, 10),
          Item(K::Button, "&OK", 55, 125, 50, 14), Item(K::Button, "Cance&l", 115, 125, 50, 14)}},
    };
    return dialogs;
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
    // Pairs (label, field) by index in PanelDialogs, where the template puts the label one or
    // two units off the field's line.
    struct Case {
        size_t dialog, label, field;
    };
    for (Case c : {Case{2, 1, 2}, Case{2, 3, 4}, Case{2, 5, 6}, Case{2, 7, 8}, Case{3, 1, 2},
                   Case{3, 5, 6}, Case{3, 9, 10}}) {
        const Dialog& d = PanelDialogs()[c.dialog];
        Layout l = LayOut(d.cx, d.cy, d.items);
        EXPECT_EQ(l.cells[c.label].row, l.cells[c.field].row)
            << d.name << " label " << c.label << " field " << c.field;
    }
}

TEST(TtyLayout, MainDialogFitsAnEightyByTwentyFourTerminal) {
    const Dialog& d = PanelDialogs()[0];
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
