// The rounding, in three passes:
//  1. columns: each edge goes to the nearest cell edge (x / 4, halves up); a control whose
//     caption needs more cells grows to the right, then to the left, into cells that no control
//     beside it uses and that stay inside its group box; a static that still cannot show its
//     text wraps it onto more rows;
//  2. lines: one-line controls (statics, buttons, check boxes, combo boxes, edits) whose text
//     centres lie within half a cell of each other and that do not share columns form one
//     line, so a label and its field stay on the same row even when the template puts them a
//     unit or two apart;
//  3. rows: lines, blocks (lists, icons, wrapped statics) and the top and bottom edges of group
//     boxes are placed top-down in the order of their positions, each on the row its position
//     falls in unless something that shares columns with it already took that row, in which
//     case it moves down. Rows therefore never collide, group box edges always enclose what
//     lies inside them, and nothing moves up.
#include "platform/ui/tty/layout.h"

#include <algorithm>
#include <cmath>

#include "platform/ui/tty/text.h"

namespace ovtb::ui::tty {

namespace {

int CellCol(int x) {
    return x >= 0 ? (x + 2) / 4 : -((-x + 1) / 4);
}
int RowOf(int y) {
    return y >= 0 ? y / 8 : -((-y + 7) / 8);
}

bool IsLine(const LayoutItem& it) {
    switch (it.kind) {
        case ItemKind::Button:
        case ItemKind::CheckBox:
        case ItemKind::ComboBox:
            return true;
        case ItemKind::Static:
        case ItemKind::Edit:
            return it.cy < 16;
        default:
            return false;
    }
}

// Where the text of a one-line control sits, in dialog units from the top.
double LineCentre(const LayoutItem& it) {
    switch (it.kind) {
        case ItemKind::Static:
            return it.y + std::min(it.cy, 8) / 2.0;
        case ItemKind::ComboBox:
            return it.y + std::min(it.cy, 12) / 2.0;  // the closed field, not the dropped list
        default:
            return it.y + it.cy / 2.0;
    }
}

bool Contains(const LayoutItem& box, const LayoutItem& it) {
    return it.x >= box.x && it.y >= box.y && it.x + it.cx <= box.x + box.cx &&
           it.y + it.cy <= box.y + box.cy && &box != &it;
}

bool ColsOverlap(const CellRect& a, const CellRect& b) {
    return a.col < b.right() && b.col < a.right();
}

// The vertical extent in dialog units that a control's text uses (for the column pass).
void UnitRows(const LayoutItem& it, double* top, double* bottom) {
    if (IsLine(it)) {
        double c = LineCentre(it);
        *top = c - 4;
        *bottom = c + 4;
    } else if (it.kind == ItemKind::GroupBox) {
        *top = it.y;
        *bottom = it.y + 8;  // only its top edge and caption compete with neighbours
    } else {
        *top = it.y;
        *bottom = it.y + it.cy;
    }
}

}  // namespace

LayoutItem ControlItem(ItemKind kind, int x, int y, int cx, int cy, std::string_view caption,
                       bool prefix) {
    LayoutItem it;
    it.kind = kind;
    it.x = x, it.y = y, it.cx = cx, it.cy = cy;
    if (kind != ItemKind::ListView && kind != ItemKind::ComboBox && kind != ItemKind::Edit) {
        it.caption = ParseCaption(caption, prefix).text;
    }
    return it;
}

int CaptionCells(const LayoutItem& item) {
    int text = Cells(item.caption);
    switch (item.kind) {
        case ItemKind::Button:
            return text + 4;
        case ItemKind::CheckBox:
            return text + 4;
        case ItemKind::GroupBox:
            return text > 0 ? text + 4 : 2;
        case ItemKind::Static: {
            // Trailing spaces of a label need no room.
            std::wstring t = item.caption;
            while (!t.empty() && t.back() == L' ') {
                t.pop_back();
            }
            return Cells(t);
        }
        default:
            return 1;
    }
}

Layout LayOut(int dialogCx, int dialogCy, const std::vector<LayoutItem>& items) {
    Layout out;
    const size_t n = items.size();
    out.cells.assign(n, {});
    const int templateCols = (std::max(dialogCx, 0) + 3) / 4;
    const int templateRows = (std::max(dialogCy, 0) + 7) / 8;

    // The innermost group box around each control.
    std::vector<int> box(n, -1);
    for (size_t i = 0; i < n; ++i) {
        for (size_t b = 0; b < n; ++b) {
            if (b != i && !items[b].hidden && items[b].kind == ItemKind::GroupBox &&
                Contains(items[b], items[i]) && (box[i] < 0 || Contains(items[box[i]], items[b]))) {
                box[i] = static_cast<int>(b);
            }
        }
    }

    // 1. Columns.
    for (size_t i = 0; i < n; ++i) {
        const LayoutItem& it = items[i];
        CellRect& c = out.cells[i];
        c.col = CellCol(it.x);
        c.cols = std::max(1, CellCol(it.x + it.cx) - c.col);
    }
    std::vector<int> wrappedRows(n, 0);
    for (size_t i = 0; i < n; ++i) {
        const LayoutItem& it = items[i];
        if (it.hidden) {
            continue;
        }
        CellRect& c = out.cells[i];
        int need = CaptionCells(it);
        if (need <= c.cols) {
            continue;
        }
        // Room to the left and right: up to the nearest control whose text rows meet ours,
        // the inside of the group box, and the dialog's edges.
        int minCol = 0;
        int maxCol = std::max(templateCols, c.right());
        if (box[i] >= 0) {
            minCol = std::max(minCol, out.cells[box[i]].col + 1);
            maxCol = std::min(maxCol, out.cells[box[i]].right() - 1);
        }
        double top, bottom;
        UnitRows(it, &top, &bottom);
        for (size_t j = 0; j < n; ++j) {
            if (j == i || items[j].hidden) {
                continue;
            }
            if (items[j].kind == ItemKind::GroupBox && static_cast<int>(j) == box[i]) {
                continue;
            }
            if (items[j].kind == ItemKind::GroupBox && Contains(items[i], items[j])) {
                continue;
            }
            double t2, b2;
            UnitRows(items[j], &t2, &b2);
            if (items[j].kind == ItemKind::GroupBox) {
                // A group box beside us blocks with its side edges over its whole height.
                t2 = items[j].y;
                b2 = items[j].y + items[j].cy;
            }
            if (!(t2 < bottom && top < b2)) {
                continue;
            }
            const CellRect& o = out.cells[j];
            if (o.col >= c.right()) {
                maxCol = std::min(maxCol, o.col);
            } else if (o.right() <= c.col) {
                minCol = std::max(minCol, o.right());
            }
        }
        int grow = need - c.cols;
        int right = std::min(grow, std::max(0, maxCol - c.right()));
        c.cols += right;
        grow -= right;
        int left = std::min(grow, std::max(0, c.col - minCol));
        c.col -= left;
        c.cols += left;
        if (it.kind == ItemKind::Static && c.cols < need) {
            wrappedRows[i] = static_cast<int>(Wrap(it.caption, c.cols).size());
        }
    }

    // 2. Lines.
    struct Element {
        double key;
        int order;  // ties: box tops first, box bottoms last
        int ideal;
        int height;
        std::vector<size_t> members;
        bool boxBottom = false;
    };
    std::vector<Element> elements;
    std::vector<size_t> lineItems;
    for (size_t i = 0; i < n; ++i) {
        if (!items[i].hidden && IsLine(items[i]) && wrappedRows[i] <= 1) {
            lineItems.push_back(i);
        }
    }
    std::stable_sort(lineItems.begin(), lineItems.end(), [&](size_t a, size_t b) {
        return LineCentre(items[a]) < LineCentre(items[b]);
    });
    struct Cluster {
        double first;
        std::vector<size_t> members;
    };
    std::vector<Cluster> clusters;
    for (size_t i : lineItems) {
        double c = LineCentre(items[i]);
        Cluster* home = nullptr;
        for (auto& cl : clusters) {
            if (c - cl.first > 4) {
                continue;
            }
            bool clash = false;
            for (size_t m : cl.members) {
                clash = clash || ColsOverlap(out.cells[m], out.cells[i]);
            }
            if (!clash) {
                home = &cl;
                break;
            }
        }
        if (!home) {
            clusters.push_back({c, {}});
            home = &clusters.back();
        }
        home->members.push_back(i);
    }
    for (auto& cl : clusters) {
        double sum = 0;
        for (size_t m : cl.members) {
            sum += LineCentre(items[m]);
        }
        double key = sum / static_cast<double>(cl.members.size());
        elements.push_back({key, 1, RowOf(static_cast<int>(std::floor(key))), 1, cl.members});
    }
    for (size_t i = 0; i < n; ++i) {
        const LayoutItem& it = items[i];
        if (it.hidden || (IsLine(it) && wrappedRows[i] <= 1)) {
            continue;
        }
        if (it.kind == ItemKind::GroupBox) {
            elements.push_back({it.y + 4.0, 0, RowOf(it.y + 4), 1, {i}});
            Element bottom{it.y + it.cy - 1.0, 2, RowOf(it.y + it.cy - 1), 1, {i}};
            bottom.boxBottom = true;
            elements.push_back(bottom);
            continue;
        }
        int height = std::max(1, RowOf(it.cy + 4));
        if (it.kind == ItemKind::ListView) {
            height = std::max(height, 4);  // frame, header and one row at least
        }
        height = std::max(height, wrappedRows[i]);
        elements.push_back({it.y + 4.0, 1, RowOf(it.y + 4), height, {i}});
    }
    std::stable_sort(elements.begin(), elements.end(), [](const Element& a, const Element& b) {
        if (a.key != b.key) {
            return a.key < b.key;
        }
        return a.order < b.order;
    });

    // 3. Rows.
    struct Placed {
        CellRect span;  // columns of one member and the rows it took
    };
    std::vector<Placed> placed;
    std::vector<int> topRow(n, 0);
    for (const Element& e : elements) {
        int row = std::max(0, e.ideal);
        for (size_t m : e.members) {
            const CellRect& c = out.cells[m];
            for (const Placed& p : placed) {
                if (ColsOverlap(p.span, c)) {
                    row = std::max(row, p.span.bottom());
                }
            }
        }
        for (size_t m : e.members) {
            CellRect span = out.cells[m];
            span.row = row;
            span.rows = e.height;
            placed.push_back({span});
            if (items[m].kind == ItemKind::GroupBox) {
                if (e.boxBottom) {
                    out.cells[m].rows = row - topRow[m] + 1;
                } else {
                    topRow[m] = row;
                    out.cells[m].row = row;
                }
            } else {
                out.cells[m].row = row;
                out.cells[m].rows = e.height;
            }
        }
    }

    // The client area: the template's, grown to what the controls take; the right margin
    // column is kept only while the framed dialog still fits a narrow terminal.
    int maxRight = 0, maxBottom = 0;
    for (size_t i = 0; i < n; ++i) {
        if (!items[i].hidden) {
            maxRight = std::max(maxRight, out.cells[i].right());
            maxBottom = std::max(maxBottom, out.cells[i].bottom());
        }
    }
    out.cols = std::max(maxRight, std::min(templateCols, maxRight + 1));
    if (out.cols + 2 > kNarrowTerminal && maxRight + 2 <= kNarrowTerminal) {
        out.cols = std::max(maxRight, 1);
    }
    out.rows = std::max(maxBottom, std::min(templateRows, maxBottom + 1));
    out.cols = std::max(out.cols, 1);
    out.rows = std::max(out.rows, 1);
    for (size_t i = 0; i < n; ++i) {
        if (items[i].hidden) {
            out.cells[i] = {};
        }
    }
    return out;
}

}  // namespace ovtb::ui::tty
