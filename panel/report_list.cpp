#include "panel/report_list.h"

namespace ovtb::panel {

int ReportListCtrl::AddRow(BoardConfig* board) {
    return InsertRow(GetItemCount(), board);
}

int ReportListCtrl::InsertRow(int index, BoardConfig* board) {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = reinterpret_cast<LPARAM>(board);
    return InsertItem(&item);
}

BOOL ReportListCtrl::SelectRow(int index) {
    return SetItemState(index, LVIS_SELECTED | LVIS_FOCUSED, 0xF);
}

int ReportListCtrl::GetSelectedRow() const {
    return GetNextItem(-1, LVNI_SELECTED);
}

BoardConfig* ReportListCtrl::GetRowBoard(int index) const {
    return reinterpret_cast<BoardConfig*>(GetItemData(index));
}

void ReportListCtrl::DrawCell(CDC& dc, std::string text, const RECT& cell, int columnWidth,
                              int alignment) {
    int usable = columnWidth - 4;
    if (usable < 4) {
        usable = 4;
    }
    const int limit = usable - 4;
    bool shortened = false;
    while (!text.empty() && GetStringWidth(text.c_str()) > limit) {
        text.pop_back();
        shortened = true;
    }
    if (shortened) {
        if (!text.empty()) {
            text.pop_back();
        }
        text += "...";
    }
    RECT r{cell.left + 2, cell.top, cell.left + 2 + usable, cell.bottom};
    UINT format = DT_SINGLELINE | DT_VCENTER;
    switch (alignment) {
        case LVCFMT_RIGHT:
            format |= DT_RIGHT;
            break;
        case LVCFMT_CENTER:
            format |= DT_CENTER;
            break;
        default:
            format |= DT_LEFT;
            break;
    }
    dc.DrawText(text, &r, format);
}

void ReportListCtrl::DrawItem(LPDRAWITEMSTRUCT draw) {
    if (!draw) {
        return;
    }
    CDC dc(draw->hDC);
    RECT rect = draw->rcItem;
    const int row = static_cast<int>(draw->itemID);
    const bool selected = (draw->itemState & ODS_SELECTED) != 0;

    CBrush background(GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    dc.FillRect(&rect, background);
    if (draw->itemState & ODS_FOCUS) {
        dc.DrawFocusRect(&rect);
    }
    if (row == -1) {
        return;
    }
    COLORREF oldText = 0;
    COLORREF oldBack = 0;
    if (selected) {
        oldText = dc.SetTextColor(GetSysColor(COLOR_WINDOW));
        oldBack = dc.SetBkColor(GetSysColor(COLOR_HIGHLIGHT));
    }
    if (painter_) {
        painter_(*this, row, GetRowBoard(row), dc, rect);
    }
    if (selected) {
        dc.SetTextColor(oldText);
        dc.SetBkColor(oldBack);
    }
}

}  // namespace ovtb::panel
