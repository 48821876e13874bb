// Control messages: buttons, check boxes, statics, edits, combo boxes and report-view list views.
#include <strings.h>
#include <algorithm>
#include <cstring>

#include "platform/ui/src/state.h"

using namespace ovtb::ui;
using namespace ovtb::ui::detail;

namespace {

std::string TextArg(LPARAM lParam) {
    auto* p = reinterpret_cast<const char*>(lParam);
    return p ? std::string(p) : std::string();
}

LRESULT CopyOut(const std::string& text, WPARAM size, LPARAM buffer) {
    auto* buf = reinterpret_cast<char*>(buffer);
    if (!buf || size == 0) {
        return 0;
    }
    size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
    return static_cast<LRESULT>(n);
}

bool ValidRow(const Window& w, WPARAM index) {
    return static_cast<LONG_PTR>(index) >= 0 && static_cast<size_t>(index) < w.rows.size();
}

// Single selection and a single focused row: setting either on one row clears it elsewhere.
void SetRowState(Window& list, int index, UINT state, UINT mask) {
    struct Changed {
        int row;
        UINT oldState;
    };
    std::vector<Changed> changed;
    auto apply = [&](int i, UINT s, UINT m) {
        UINT old = list.rows[i].state;
        UINT now = (old & ~m) | (s & m);
        if (now != old) {
            list.rows[i].state = now;
            changed.push_back({i, old});
        }
    };
    if (index < 0) {
        for (int i = 0; i < static_cast<int>(list.rows.size()); ++i) {
            apply(i, state, mask);
        }
    } else {
        UINT exclusive = LVIS_FOCUSED;
        if (list.style & LVS_SINGLESEL) {
            exclusive |= LVIS_SELECTED;
        }
        UINT clear = exclusive & mask & state;
        if (clear) {
            for (int i = 0; i < static_cast<int>(list.rows.size()); ++i) {
                if (i != index) {
                    apply(i, 0, clear);
                }
            }
        }
        apply(index, state, mask);
    }
    if (changed.empty()) {
        return;
    }
    Notify(list, Change::Rows);
    HWND h = list.handle;
    for (const auto& c : changed) {
        Window* w = Mut(h);
        if (!w || c.row >= static_cast<int>(w->rows.size())) {
            return;
        }
        NMLISTVIEW nm{};
        nm.iItem = c.row;
        nm.uOldState = c.oldState;
        nm.uNewState = w->rows[c.row].state;
        nm.uChanged = LVIF_STATE;
        nm.lParam = w->rows[c.row].param;
        SendNotify(*w, LVN_ITEMCHANGED, &nm.hdr);
    }
}

int ColumnAutoWidth(Window& list, int column, bool useHeader) {
    const int padding = ActiveRenderer().ListViewMetrics(list.font).columnPadding;
    int width = 0;
    if (useHeader) {
        width = MeasureIn(list, list.columns[column].text).cx + padding;
    }
    for (const auto& r : list.rows) {
        if (column < static_cast<int>(r.texts.size())) {
            width = std::max<int>(width, MeasureIn(list, r.texts[column]).cx + padding);
        }
    }
    if (useHeader && column + 1 == static_cast<int>(list.columns.size())) {
        // The last column sized to its header also takes the room left in the list.
        RECT client;
        GetClientRect(list.handle, &client);
        int others = 0;
        for (int i = 0; i < column; ++i) {
            others += list.columns[i].width;
        }
        width = std::max<int>(width, client.right - others);
    }
    return width;
}

bool ListMessage(Window& w, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    auto* item = reinterpret_cast<LVITEMA*>(lParam);
    auto* col = reinterpret_cast<LVCOLUMNA*>(lParam);
    int ncols = static_cast<int>(w.columns.size());
    switch (message) {
        case LVM_INSERTCOLUMNA: {
            if (!col) {
                *result = -1;
                return true;
            }
            int index = std::clamp(static_cast<int>(static_cast<LONG_PTR>(wParam)), 0, ncols);
            ListColumn c;
            if (col->mask & LVCF_FMT) {
                c.fmt = col->fmt;
            }
            if (col->mask & LVCF_WIDTH) {
                c.width = std::max(0, col->cx);
            }
            if ((col->mask & LVCF_TEXT) && col->pszText) {
                c.text = col->pszText;
            }
            w.columns.insert(w.columns.begin() + index, std::move(c));
            for (auto& r : w.rows) {
                if (index < static_cast<int>(r.texts.size())) {
                    r.texts.insert(r.texts.begin() + index, std::string());
                }
            }
            Notify(w, Change::Columns);
            *result = index;
            return true;
        }
        case LVM_DELETECOLUMN: {
            int index = static_cast<int>(wParam);
            if (index < 0 || index >= ncols) {
                *result = FALSE;
                return true;
            }
            w.columns.erase(w.columns.begin() + index);
            Notify(w, Change::Columns);
            *result = TRUE;
            return true;
        }
        case LVM_GETCOLUMNA:
        case LVM_SETCOLUMNA: {
            int index = static_cast<int>(wParam);
            if (!col || index < 0 || index >= ncols) {
                *result = FALSE;
                return true;
            }
            ListColumn& c = w.columns[index];
            if (message == LVM_GETCOLUMNA) {
                if (col->mask & LVCF_FMT) {
                    col->fmt = c.fmt;
                }
                if (col->mask & LVCF_WIDTH) {
                    col->cx = c.width;
                }
                if (col->mask & LVCF_TEXT) {
                    CopyOut(c.text, static_cast<WPARAM>(std::max(col->cchTextMax, 0)),
                            reinterpret_cast<LPARAM>(col->pszText));
                }
                if (col->mask & LVCF_SUBITEM) {
                    col->iSubItem = index;
                }
            } else {
                if (col->mask & LVCF_FMT) {
                    c.fmt = col->fmt;
                }
                if (col->mask & LVCF_WIDTH) {
                    c.width = std::max(0, col->cx);
                }
                if ((col->mask & LVCF_TEXT) && col->pszText) {
                    c.text = col->pszText;
                }
                Notify(w, Change::Columns);
            }
            *result = TRUE;
            return true;
        }
        case LVM_GETCOLUMNWIDTH: {
            int index = static_cast<int>(wParam);
            *result = index >= 0 && index < ncols ? w.columns[index].width : 0;
            return true;
        }
        case LVM_SETCOLUMNWIDTH: {
            int index = static_cast<int>(wParam);
            if (index < 0 || index >= ncols) {
                *result = FALSE;
                return true;
            }
            int width =
                static_cast<int>(static_cast<short>(LOWORD(static_cast<ULONG_PTR>(lParam))));
            if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER) {
                width = ColumnAutoWidth(w, index, width == LVSCW_AUTOSIZE_USEHEADER);
            }
            w.columns[index].width = std::max(0, width);
            Notify(w, Change::Columns);
            *result = TRUE;
            return true;
        }
        case LVM_GETITEMCOUNT:
            *result = static_cast<LRESULT>(w.rows.size());
            return true;
        case LVM_INSERTITEMA: {
            if (!item || item->iSubItem != 0) {
                *result = -1;
                return true;
            }
            int index = std::clamp(item->iItem, 0, static_cast<int>(w.rows.size()));
            ListRow r;
            if (item->mask & LVIF_PARAM) {
                r.param = item->lParam;
            }
            if ((item->mask & LVIF_TEXT) && item->pszText) {
                r.texts.push_back(item->pszText);
            }
            UINT state = (item->mask & LVIF_STATE) ? item->state & item->stateMask : 0;
            w.rows.insert(w.rows.begin() + index, std::move(r));
            Notify(w, Change::Rows);
            if (state) {
                SetRowState(w, index, state, state);
            }
            *result = index;
            return true;
        }
        case LVM_SETITEMA:
        case LVM_GETITEMA: {
            if (!item || item->iItem < 0 || item->iItem >= static_cast<int>(w.rows.size())) {
                *result = FALSE;
                return true;
            }
            ListRow& r = w.rows[item->iItem];
            size_t sub = static_cast<size_t>(std::max(item->iSubItem, 0));
            if (message == LVM_GETITEMA) {
                if (item->mask & LVIF_PARAM) {
                    item->lParam = r.param;
                }
                if (item->mask & LVIF_STATE) {
                    item->state = r.state & item->stateMask;
                }
                if (item->mask & LVIF_TEXT) {
                    CopyOut(sub < r.texts.size() ? r.texts[sub] : std::string(),
                            static_cast<WPARAM>(std::max(item->cchTextMax, 0)),
                            reinterpret_cast<LPARAM>(item->pszText));
                }
                *result = TRUE;
                return true;
            }
            if (item->mask & LVIF_PARAM) {
                r.param = item->lParam;
            }
            if ((item->mask & LVIF_TEXT) && item->pszText) {
                if (r.texts.size() <= sub) {
                    r.texts.resize(sub + 1);
                }
                r.texts[sub] = item->pszText;
            }
            Notify(w, Change::Rows);
            if (item->mask & LVIF_STATE) {
                SetRowState(w, item->iItem, item->state, item->stateMask);
            }
            *result = TRUE;
            return true;
        }
        case LVM_SETITEMTEXTA:
        case LVM_GETITEMTEXTA: {
            if (!item || !ValidRow(w, wParam)) {
                *result = message == LVM_GETITEMTEXTA ? 0 : FALSE;
                return true;
            }
            ListRow& r = w.rows[wParam];
            size_t sub = static_cast<size_t>(std::max(item->iSubItem, 0));
            if (message == LVM_GETITEMTEXTA) {
                *result = CopyOut(sub < r.texts.size() ? r.texts[sub] : std::string(),
                                  static_cast<WPARAM>(std::max(item->cchTextMax, 0)),
                                  reinterpret_cast<LPARAM>(item->pszText));
                return true;
            }
            if (r.texts.size() <= sub) {
                r.texts.resize(sub + 1);
            }
            r.texts[sub] = item->pszText ? item->pszText : "";
            Notify(w, Change::Rows);
            *result = TRUE;
            return true;
        }
        case LVM_DELETEITEM:
            if (!ValidRow(w, wParam)) {
                *result = FALSE;
                return true;
            }
            w.rows.erase(w.rows.begin() + static_cast<LONG_PTR>(wParam));
            Notify(w, Change::Rows);
            *result = TRUE;
            return true;
        case LVM_DELETEALLITEMS:
            w.rows.clear();
            Notify(w, Change::Rows);
            *result = TRUE;
            return true;
        case LVM_GETNEXTITEM: {
            int start = static_cast<int>(static_cast<LONG_PTR>(wParam));
            UINT flags = static_cast<UINT>(LOWORD(static_cast<ULONG_PTR>(lParam)));
            UINT want = ((flags & LVNI_SELECTED) ? LVIS_SELECTED : 0) |
                        ((flags & LVNI_FOCUSED) ? LVIS_FOCUSED : 0);
            *result = -1;
            for (int i = std::max(start + 1, 0); i < static_cast<int>(w.rows.size()); ++i) {
                if ((w.rows[i].state & want) == want) {
                    *result = i;
                    break;
                }
            }
            return true;
        }
        case LVM_GETSELECTEDCOUNT:
            *result = std::count_if(w.rows.begin(), w.rows.end(),
                                    [](const ListRow& r) { return r.state & LVIS_SELECTED; });
            return true;
        case LVM_SETITEMSTATE: {
            int index = static_cast<int>(static_cast<LONG_PTR>(wParam));
            if (!item || (index >= 0 && index >= static_cast<int>(w.rows.size()))) {
                *result = FALSE;
                return true;
            }
            SetRowState(w, index, item->state, item->stateMask);
            *result = TRUE;
            return true;
        }
        case LVM_GETITEMSTATE:
            *result = ValidRow(w, wParam)
                          ? static_cast<LRESULT>(w.rows[wParam].state & static_cast<UINT>(lParam))
                          : 0;
            return true;
        case LVM_GETITEMRECT: {
            auto* rc = reinterpret_cast<RECT*>(lParam);
            if (!rc || !ValidRow(w, wParam)) {
                *result = FALSE;
                return true;
            }
            *rc = ListRowRect(w, static_cast<int>(wParam));
            *result = TRUE;
            return true;
        }
        case LVM_GETSUBITEMRECT: {
            auto* rc = reinterpret_cast<RECT*>(lParam);
            if (!rc || !ValidRow(w, wParam) || rc->top < 0 || rc->top >= ncols) {
                *result = FALSE;
                return true;
            }
            int sub = rc->top;
            RECT row = ListRowRect(w, static_cast<int>(wParam));
            int left = 0;
            for (int i = 0; i < sub; ++i) {
                left += w.columns[i].width;
            }
            *rc = {left, row.top, left + w.columns[sub].width, row.bottom};
            *result = TRUE;
            return true;
        }
        case LVM_GETSTRINGWIDTHA: {
            auto* text = reinterpret_cast<const char*>(lParam);
            *result = text ? MeasureIn(w, text).cx : 0;
            return true;
        }
        case LVM_REDRAWITEMS:
            Notify(w, Change::Rows);
            *result = TRUE;
            return true;
        case LVM_ENSUREVISIBLE:
            *result = ValidRow(w, wParam) ? TRUE : FALSE;
            return true;
        default:
            return false;
    }
}

bool ComboMessage(Window& w, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    int count = static_cast<int>(w.items.size());
    int index = static_cast<int>(static_cast<LONG_PTR>(wParam));
    switch (message) {
        case CB_ADDSTRING:
        case CB_INSERTSTRING: {
            std::string text = TextArg(lParam);
            int at = count;
            if (message == CB_INSERTSTRING) {
                if (index > count) {
                    *result = CB_ERR;
                    return true;
                }
                at = index < 0 ? count : index;
            } else if (w.style & CBS_SORT) {
                at = 0;
                while (at < count && strcasecmp(w.items[at].text.c_str(), text.c_str()) <= 0) {
                    ++at;
                }
            }
            w.items.insert(w.items.begin() + at, {std::move(text), 0});
            if (w.curSel >= at) {
                ++w.curSel;
            }
            Notify(w, Change::Items);
            *result = at;
            return true;
        }
        case CB_DELETESTRING:
            if (index < 0 || index >= count) {
                *result = CB_ERR;
                return true;
            }
            w.items.erase(w.items.begin() + index);
            if (w.curSel == index) {
                w.curSel = -1;
            } else if (w.curSel > index) {
                --w.curSel;
            }
            Notify(w, Change::Items);
            *result = count - 1;
            return true;
        case CB_GETCOUNT:
            *result = count;
            return true;
        case CB_GETCURSEL:
            *result = w.curSel;
            return true;
        case CB_SETCURSEL:
            if (index < 0 || index >= count) {
                w.curSel = -1;
                *result = CB_ERR;
            } else {
                w.curSel = index;
                *result = index;
            }
            Notify(w, Change::Items);
            return true;
        case CB_GETLBTEXT:
            // Like Windows, the caller's buffer must hold CB_GETLBTEXTLEN + 1 characters.
            if (index < 0 || index >= count || !lParam) {
                *result = CB_ERR;
                return true;
            }
            std::memcpy(reinterpret_cast<char*>(lParam), w.items[index].text.c_str(),
                        w.items[index].text.size() + 1);
            *result = static_cast<LRESULT>(w.items[index].text.size());
            return true;
        case CB_GETLBTEXTLEN:
            *result = index < 0 || index >= count
                          ? CB_ERR
                          : static_cast<LRESULT>(w.items[index].text.size());
            return true;
        case CB_RESETCONTENT:
            w.items.clear();
            w.curSel = -1;
            Notify(w, Change::Items);
            *result = CB_OKAY;
            return true;
        case CB_FINDSTRINGEXACT: {
            std::string text = TextArg(lParam);
            *result = CB_ERR;
            for (int k = 0; k < count; ++k) {
                int i = (std::max(index, -1) + 1 + k) % count;
                if (strcasecmp(w.items[i].text.c_str(), text.c_str()) == 0) {
                    *result = i;
                    break;
                }
            }
            return true;
        }
        case CB_GETITEMDATA:
            *result = index < 0 || index >= count ? CB_ERR : w.items[index].data;
            return true;
        case CB_SETITEMDATA:
            if (index < 0 || index >= count) {
                *result = CB_ERR;
                return true;
            }
            w.items[index].data = lParam;
            *result = CB_OKAY;
            return true;
        default:
            return false;
    }
}

}  // namespace

namespace ovtb::ui {

int ListHeaderHeight(const Window& list) {
    if (list.style & LVS_NOCOLUMNHEADER) {
        return 0;
    }
    return ActiveRenderer().ListViewMetrics(list.font).headerHeight;
}

int ListRowHeight(const Window& list) {
    return ActiveRenderer().ListViewMetrics(list.font).rowHeight;
}

int ListBorder(const Window& list) {
    if (!(list.style & WS_BORDER) && !(list.exStyle & WS_EX_CLIENTEDGE)) {
        return 0;
    }
    return ActiveRenderer().ListViewMetrics(list.font).border;
}

RECT ListRowRect(const Window& list, int row) {
    int width = 0;
    for (const auto& c : list.columns) {
        width += c.width;
    }
    int top = ListHeaderHeight(list) + row * ListRowHeight(list);
    return {0, top, width, top + ListRowHeight(list)};
}

}  // namespace ovtb::ui

namespace ovtb::ui::detail {

SIZE MeasureIn(const Window& w, std::string_view text) {
    return ActiveRenderer().TextExtent(w.font, text);
}

bool ControlMessage(Window& w, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    *result = 0;
    switch (message) {
        case WM_SETTEXT:
            if (w.kind == WindowKind::ComboBox) {
                *result = CB_ERR;  // a drop-down list has no text of its own
                return true;
            }
            w.text = TextArg(lParam);
            Notify(w, Change::Text);
            *result = TRUE;
            return true;
        case WM_GETTEXT:
            *result =
                CopyOut(w.kind == WindowKind::ComboBox ? ComboText(w) : w.text, wParam, lParam);
            return true;
        case WM_GETTEXTLENGTH:
            *result = static_cast<LRESULT>(
                (w.kind == WindowKind::ComboBox ? ComboText(w) : w.text).size());
            return true;
        case WM_GETFONT:
            *result = reinterpret_cast<LRESULT>(FontHandle(w.font));
            return true;
        case WM_SETFONT:
            if (const FontSpec* f = FontOf(reinterpret_cast<HFONT>(wParam))) {
                w.font = *f;
                Notify(w, Change::Text);
            }
            return true;
        default:
            break;
    }
    switch (w.kind) {
        case WindowKind::Button:
        case WindowKind::CheckBox:
            if (message == BM_GETCHECK) {
                *result = w.kind == WindowKind::CheckBox ? w.check : BST_UNCHECKED;
                return true;
            }
            if (message == BM_SETCHECK) {
                if (w.kind == WindowKind::CheckBox && w.check != static_cast<UINT>(wParam)) {
                    w.check = static_cast<UINT>(wParam) <= BST_INDETERMINATE
                                  ? static_cast<UINT>(wParam)
                                  : BST_CHECKED;
                    Notify(w, Change::State);
                }
                return true;
            }
            if (message == BM_CLICK) {
                if (w.enabled) {
                    if (w.kind == WindowKind::CheckBox) {
                        w.check = w.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
                        Notify(w, Change::State);
                    }
                    SendCommand(w, BN_CLICKED);
                }
                return true;
            }
            return false;
        case WindowKind::Edit:
            if (message == EM_LIMITTEXT) {
                w.limit = wParam == 0 ? 0x7FFFFFFE : static_cast<size_t>(wParam);
                return true;
            }
            if (message == EM_GETLIMITTEXT) {
                *result = static_cast<LRESULT>(w.limit);
                return true;
            }
            return false;
        case WindowKind::ComboBox:
            return ComboMessage(w, message, wParam, lParam, result);
        case WindowKind::ListView:
            return ListMessage(w, message, wParam, lParam, result);
        default:
            return false;
    }
}

}  // namespace ovtb::ui::detail
