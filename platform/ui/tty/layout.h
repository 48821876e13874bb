// Dialog geometry in terminal cells. A dialog unit is a quarter of a cell wide and an eighth of
// a cell high; this turns a dialog's template rectangles into cell rectangles so that every
// control keeps cells of its own and its caption stays readable. See docs/tty.md.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ovtb::ui::tty {

enum class ItemKind { Static, GroupBox, Button, CheckBox, ComboBox, Edit, ListView, Icon };

struct LayoutItem {
    ItemKind kind = ItemKind::Static;
    // Template rectangle in dialog units.
    int x = 0, y = 0, cx = 0, cy = 0;
    // The caption as shown (mnemonic marks removed); a static's text wraps when it is too long.
    std::wstring caption;
    bool hidden = false;
};

struct CellRect {
    int row = 0, col = 0, rows = 0, cols = 0;
    int bottom() const { return row + rows; }  // exclusive
    int right() const { return col + cols; }   // exclusive
};

struct Layout {
    int rows = 0, cols = 0;       // the client area inside the frame
    std::vector<CellRect> cells;  // one per item, in item order (hidden items: empty)
};

// The item of a control: its template rectangle and its caption as shown (mnemonic marks
// removed when `prefix`; combo boxes, edits and lists lay out without their text).
LayoutItem ControlItem(ItemKind kind, int x, int y, int cx, int cy, std::string_view caption,
                       bool prefix = true);

// Cells a control needs to show its caption whole (buttons: brackets and one space each side;
// check boxes: "[x] "; group boxes: the caption inside the top line).
int CaptionCells(const LayoutItem& item);
Layout LayOut(int dialogCx, int dialogCy, const std::vector<LayoutItem>& items);

// Terminal width under which the frame still fits with a margin column on the right.
constexpr int kNarrowTerminal = 80;

}  // namespace ovtb::ui::tty
