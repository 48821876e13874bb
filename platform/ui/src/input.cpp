// The user's input fed to the model, by renderers and the scripted user.
#include "platform/ui/input.h"

#include "platform/ui/device_context.h"
#include "platform/ui/src/state.h"

using namespace ovtb::ui;
using namespace ovtb::ui::detail;

namespace {

Window* Usable(HWND control, WindowKind kind) {
    Window* w = Mut(control);
    if (!w || w->kind != kind || !w->enabled || !w->visible) {
        return nullptr;
    }
    return w;
}

}  // namespace

namespace ovtb::ui::input {

bool Click(HWND control) {
    Window* w = Mut(control);
    if (!w || !w->enabled || !w->visible ||
        (w->kind != WindowKind::Button && w->kind != WindowKind::CheckBox)) {
        return false;
    }
    Focus(control);
    SendMessageA(control, BM_CLICK, 0, 0);
    DeliverPosted();
    return true;
}

bool SetChecked(HWND checkBox, bool checked) {
    Window* w = Usable(checkBox, WindowKind::CheckBox);
    if (!w) {
        return false;
    }
    if ((w->check == BST_CHECKED) != checked) {
        return Click(checkBox);
    }
    return true;
}

bool SelectComboRow(HWND combo, int row) {
    Window* w = Usable(combo, WindowKind::ComboBox);
    if (!w || row < 0 || row >= static_cast<int>(w->items.size())) {
        return false;
    }
    Focus(combo);
    w = Mut(combo);
    w->curSel = row;
    Notify(*w, Change::Items);
    SendCommand(*w, CBN_SELCHANGE);
    DeliverPosted();
    return true;
}

bool TypeText(HWND edit, std::string_view text) {
    Window* w = Usable(edit, WindowKind::Edit);
    if (!w || (w->style & ES_READONLY)) {
        return false;
    }
    Focus(edit);
    w = Mut(edit);
    bool cut = text.size() > w->limit;
    std::string typed(text.substr(0, w->limit));
    if (w->style & ES_UPPERCASE) {
        for (char& c : typed) {
            if (c >= 'a' && c <= 'z') {
                c = static_cast<char>(c - 'a' + 'A');
            }
        }
    }
    w->text = std::move(typed);
    Notify(*w, Change::Text);
    SendCommand(*w, EN_CHANGE);
    if (cut && Mut(edit)) {
        SendCommand(*Mut(edit), EN_MAXTEXT);
    }
    DeliverPosted();
    return true;
}

bool SelectListRow(HWND list, int row) {
    Window* w = Usable(list, WindowKind::ListView);
    if (!w || row < -1 || row >= static_cast<int>(w->rows.size())) {
        return false;
    }
    Focus(list);
    LVITEMA item{};
    if (row < 0) {
        item.stateMask = LVIS_SELECTED;
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(&item));
    } else {
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        // A click selects one row only, whatever the list's style; each other row changes once.
        LVITEMA clear{};
        clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        for (int i = 0; Mut(list) && i < static_cast<int>(Mut(list)->rows.size()); ++i) {
            if (i != row && (Mut(list)->rows[i].state & (LVIS_SELECTED | LVIS_FOCUSED))) {
                SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(i),
                             reinterpret_cast<LPARAM>(&clear));
            }
        }
        SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&item));
    }
    DeliverPosted();
    return true;
}

namespace {
bool ActivateRow(HWND list, int row, UINT code) {
    if (!SelectListRow(list, row)) {
        return false;
    }
    Window* w = Mut(list);
    if (!w) {
        return true;
    }
    NMITEMACTIVATE nm{};
    nm.iItem = row;
    if (row >= 0 && row < static_cast<int>(w->rows.size())) {
        nm.lParam = w->rows[row].param;
    }
    SendNotify(*w, code, &nm.hdr);
    DeliverPosted();
    return true;
}
}  // namespace

bool ClickListRow(HWND list, int row) {
    return ActivateRow(list, row, NM_CLICK);
}
bool DoubleClickListRow(HWND list, int row) {
    return ActivateRow(list, row, NM_DBLCLK);
}

bool Focus(HWND control) {
    Window* w = Mut(control);
    if (!w || !w->enabled || !w->visible) {
        return false;
    }
    if (GetFocus() != control) {
        SetFocus(control);
    }
    return true;
}

namespace {
Window* LiveDialog(HWND dialog) {
    Window* d = Mut(dialog);
    if (!d || (d->kind != WindowKind::Dialog && d->kind != WindowKind::Sheet) || d->ended) {
        return nullptr;
    }
    return d;
}
}  // namespace

bool Enter(HWND dialog) {
    if (!LiveDialog(dialog)) {
        return false;
    }
    LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    int id = HIWORD(static_cast<ULONG_PTR>(def)) == DC_HASDEFID
                 ? LOWORD(static_cast<ULONG_PTR>(def))
                 : IDOK;
    HWND button = FindControl(dialog, id);
    if (button) {
        const Window* b = Lookup(button);
        if (!b->enabled) {
            return false;  // Enter on a disabled default button does nothing
        }
        return Click(button);
    }
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), 0);
    DeliverPosted();
    return true;
}

bool Escape(HWND dialog) {
    if (!LiveDialog(dialog)) {
        return false;
    }
    HWND cancel = FindControl(dialog, IDCANCEL);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                 reinterpret_cast<LPARAM>(cancel));
    DeliverPosted();
    return true;
}

bool Close(HWND dialog) {
    if (!LiveDialog(dialog)) {
        return false;
    }
    SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    DeliverPosted();
    return true;
}

bool SysCommand(HWND dialog, UINT command) {
    if (!LiveDialog(dialog)) {
        return false;
    }
    SendMessageA(dialog, WM_SYSCOMMAND, command, 0);
    DeliverPosted();
    return true;
}

bool Minimize(HWND dialog, bool minimized) {
    return SysCommand(dialog, minimized ? SC_MINIMIZE : SC_RESTORE);
}

void DeliverPosted() {
    auto& q = S().posted;
    // Bounded: a message posted while delivering waits for the next round.
    size_t n = q.size();
    while (n-- > 0 && !q.empty()) {
        Posted p = q.front();
        q.pop_front();
        SendMessageA(p.window, p.message, p.wParam, p.lParam);
    }
}

bool PaintListRow(HWND list, int row, HDC dc, POINT origin, UINT action) {
    Window* w = Mut(list);
    if (!w || w->kind != WindowKind::ListView || row < 0 ||
        row >= static_cast<int>(w->rows.size())) {
        return false;
    }
    Window* d = OwnerDialog(*w);
    if (!d || d == w) {
        return false;
    }
    RECT r = ListRowRect(*w, row);
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_LISTVIEW;
    dis.CtlID = static_cast<UINT>(w->id);
    dis.itemID = static_cast<UINT>(row);
    dis.itemAction = action;
    UINT state = w->rows[row].state;
    if (state & LVIS_SELECTED) {
        dis.itemState |= ODS_SELECTED;
    }
    if ((state & LVIS_FOCUSED) && GetFocus() == list) {
        dis.itemState |= ODS_FOCUS;
    }
    dis.hwndItem = list;
    dis.hDC = dc;
    dis.rcItem = {r.left + origin.x, r.top + origin.y, r.right + origin.x, r.bottom + origin.y};
    dis.itemData = static_cast<ULONG_PTR>(w->rows[row].param);
    return SendMessageA(d->handle, WM_DRAWITEM, static_cast<WPARAM>(w->id),
                        reinterpret_cast<LPARAM>(&dis)) != 0;
}

void PaintDialog(HWND dialog, HDC dc) {
    HDC previous = S().paintDC;
    S().paintDC = dc;
    SendMessageA(dialog, WM_PAINT, 0, 0);
    S().paintDC = previous;
}

}  // namespace ovtb::ui::input
