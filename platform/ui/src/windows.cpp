// Window operations of winuser.h: messages, text, enable, focus, window longs, rectangles,
// system menus, icons, strings and resources.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/ui/device_context.h"
#include "platform/ui/src/state.h"

using namespace ovtb::ui;
using namespace ovtb::ui::detail;

namespace {

int CopyText(const std::string& text, LPSTR buffer, int size) {
    if (!buffer || size <= 0) {
        return 0;
    }
    size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

bool IsDialogKind(const Window& w) {
    return w.kind == WindowKind::Dialog || w.kind == WindowKind::Sheet;
}

struct IconObject {
    HINSTANCE instance;
    int id;
};
std::map<HICON, IconObject>& Icons() {
    static std::map<HICON, IconObject> icons;
    return icons;
}

std::vector<std::unique_ptr<std::pair<HINSTANCE, ResourceTable>>>& Modules() {
    static std::vector<std::unique_ptr<std::pair<HINSTANCE, ResourceTable>>> modules;
    return modules;
}

HMENU MenuOf(HWND window) {
    return reinterpret_cast<HMENU>(reinterpret_cast<ULONG_PTR>(window) | 1u);
}
HWND WindowOfMenu(HMENU menu) {
    return reinterpret_cast<HWND>(reinterpret_cast<ULONG_PTR>(menu) & ~ULONG_PTR{1});
}

}  // namespace

namespace ovtb::ui {

HINSTANCE RegisterResources(ResourceTable table) {
    static ULONG_PTR next = 0x400000;
    auto instance = reinterpret_cast<HINSTANCE>(next += 0x10000);
    Modules().push_back(
        std::make_unique<std::pair<HINSTANCE, ResourceTable>>(instance, std::move(table)));
    return instance;
}

const ResourceTable* FindResources(HINSTANCE instance) {
    for (auto& m : Modules()) {
        if (m->first == instance) {
            return &m->second;
        }
    }
    return nullptr;
}

const DialogTemplate* FindDialogTemplate(HINSTANCE instance, int id) {
    const ResourceTable* table = FindResources(instance);
    if (!table) {
        return nullptr;
    }
    for (const auto& d : table->dialogs) {
        if (d.id == id) {
            return &d;
        }
    }
    return nullptr;
}

const Window* Lookup(HWND window) {
    return Mut(window);
}

HWND DialogOf(HWND window) {
    Window* w = Mut(window);
    while (w && !IsDialogKind(*w)) {
        w = Mut(w->parent);
    }
    return w ? w->handle : nullptr;
}

HWND FindControl(HWND dialog, int id) {
    Window* d = Mut(dialog);
    if (!d) {
        return nullptr;
    }
    for (HWND c : d->children) {
        Window* w = Mut(c);
        if (w && w->id == id && !IsDialogKind(*w)) {
            return c;
        }
    }
    if (d->kind == WindowKind::Sheet && d->activePage >= 0 &&
        d->activePage < static_cast<int>(d->pages.size())) {
        return FindControl(d->pages[d->activePage], id);
    }
    return nullptr;
}

std::string ComboText(const Window& combo) {
    if (combo.curSel >= 0 && combo.curSel < static_cast<int>(combo.items.size())) {
        return combo.items[combo.curSel].text;
    }
    return {};
}

std::string StripMnemonic(const std::string& caption) {
    std::string out;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

char MnemonicOf(const std::string& caption) {
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (caption[i + 1] == '&') {
                ++i;
                continue;
            }
            char c = caption[i + 1];
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        }
    }
    return 0;
}

std::vector<HWND> ModalStack() {
    return S().modal;
}

}  // namespace ovtb::ui

namespace ovtb::ui::detail {

Window* OwnerDialog(Window& w) {
    Window* p = &w;
    while (p && !IsDialogKind(*p)) {
        p = Mut(p->parent);
    }
    return p;
}

void SendCommand(Window& control, UINT code) {
    Window* d = OwnerDialog(control);
    if (!d || d == &control) {
        return;
    }
    HWND from = control.handle;
    SendMessageA(d->handle, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(control.id), code),
                 reinterpret_cast<LPARAM>(from));
}

LRESULT SendNotify(Window& control, UINT code, NMHDR* header) {
    Window* d = OwnerDialog(control);
    if (!d || d == &control) {
        return 0;
    }
    header->hwndFrom = control.handle;
    header->idFrom = static_cast<UINT_PTR>(control.id);
    header->code = code;
    return SendMessageA(d->handle, WM_NOTIFY, static_cast<WPARAM>(control.id),
                        reinterpret_cast<LPARAM>(header));
}

}  // namespace ovtb::ui::detail

// ---- messages

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = Mut(window);
    if (!w) {
        return 0;
    }
    if (IsDialogKind(*w)) {
        return DialogMessage(*w, message, wParam, lParam);
    }
    LRESULT result = 0;
    ControlMessage(*w, message, wParam, lParam, &result);
    return result;
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!Mut(window)) {
        return FALSE;
    }
    S().posted.push_back({window, message, wParam, lParam});
    return TRUE;
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    return SendMessageA(GetDlgItem(dialog, id), message, wParam, lParam);
}

// ---- dialog items

HWND GetDlgItem(HWND dialog, int id) {
    Window* d = Mut(dialog);
    if (!d) {
        return nullptr;
    }
    for (HWND c : d->children) {
        Window* w = Mut(c);
        if (w && w->id == id) {
            return c;
        }
    }
    return nullptr;
}

int GetDlgCtrlID(HWND window) {
    Window* w = Mut(window);
    return w ? w->id : 0;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
    return SetWindowTextA(GetDlgItem(dialog, id), text);
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int size) {
    HWND item = GetDlgItem(dialog, id);
    if (!item) {
        if (text && size > 0) {
            text[0] = '\0';
        }
        return 0;
    }
    return static_cast<UINT>(GetWindowTextA(item, text, size));
}

BOOL SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
    char buf[16];
    if (isSigned) {
        std::snprintf(buf, sizeof buf, "%d", static_cast<int>(value));
    } else {
        std::snprintf(buf, sizeof buf, "%u", value);
    }
    return SetDlgItemTextA(dialog, id, buf);
}

UINT GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
    char buf[64];
    if (translated) {
        *translated = FALSE;
    }
    HWND item = GetDlgItem(dialog, id);
    if (!item) {
        return 0;
    }
    GetWindowTextA(item, buf, sizeof buf);
    const char* p = buf;
    while (*p == ' ') {
        ++p;
    }
    bool negative = false;
    if (isSigned && *p == '-') {
        negative = true;
        ++p;
    }
    if (*p < '0' || *p > '9') {
        return 0;
    }
    unsigned long long v = 0;
    while (*p >= '0' && *p <= '9') {
        v = v * 10 + static_cast<unsigned>(*p - '0');
        if (v > 0xFFFFFFFFull) {
            return 0;  // out of range: not translated
        }
        ++p;
    }
    while (*p == ' ') {
        ++p;
    }
    if (*p) {
        return 0;
    }
    if (isSigned && v > (negative ? 0x80000000ull : 0x7FFFFFFFull)) {
        return 0;
    }
    if (translated) {
        *translated = TRUE;
    }
    return negative ? static_cast<UINT>(-static_cast<long long>(v)) : static_cast<UINT>(v);
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
    HWND item = GetDlgItem(dialog, id);
    if (!item) {
        return FALSE;
    }
    SendMessageA(item, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
    return static_cast<UINT>(SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0));
}

// ---- windows

BOOL IsWindow(HWND window) {
    return Mut(window) ? TRUE : FALSE;
}

HWND GetParent(HWND window) {
    Window* w = Mut(window);
    if (!w) {
        return nullptr;
    }
    return w->parent ? w->parent : w->owner;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
    if (!Mut(window)) {
        return FALSE;
    }
    SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : ""));
    return TRUE;
}

int GetWindowTextA(HWND window, LPSTR text, int size) {
    if (!Mut(window)) {
        if (text && size > 0) {
            text[0] = '\0';
        }
        return 0;
    }
    return static_cast<int>(SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(std::max(size, 0)),
                                         reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextLengthA(HWND window) {
    return static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
}

BOOL EnableWindow(HWND window, BOOL enable) {
    Window* w = Mut(window);
    if (!w) {
        return FALSE;
    }
    bool wasDisabled = !w->enabled;
    if (w->enabled != (enable != FALSE)) {
        w->enabled = enable != FALSE;
        Notify(*w, Change::State);
    }
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window) {
    Window* w = Mut(window);
    return w && w->enabled ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window) {
    Window* w = Mut(window);
    return w && w->visible ? TRUE : FALSE;
}

BOOL ShowWindow(HWND window, int show) {
    Window* w = Mut(window);
    if (!w) {
        return FALSE;
    }
    bool was = w->visible;
    switch (show) {
        case SW_HIDE:
            w->visible = false;
            break;
        case SW_MINIMIZE:
            w->minimized = true;
            break;
        case SW_RESTORE:
            w->minimized = false;
            w->visible = true;
            break;
        default:
            w->visible = true;
            break;
    }
    Notify(*w, Change::State);
    return was ? TRUE : FALSE;
}

BOOL IsIconic(HWND window) {
    Window* w = Mut(window);
    return w && w->minimized ? TRUE : FALSE;
}

HWND SetFocus(HWND window) {
    auto& s = S();
    HWND previous = Mut(s.focus) ? s.focus : nullptr;
    Window* w = Mut(window);
    if (!w) {
        return previous;
    }
    s.focus = window;
    if (Window* d = OwnerDialog(*w); d && d != w) {
        d->focus = window;
        // A page's focus is also its sheet's.
        if (Window* sheet = Mut(d->parent); sheet && sheet->kind == WindowKind::Sheet) {
            sheet->focus = window;
        }
    }
    if (Window* old = Mut(previous); old && old != w) {
        Notify(*old, Change::State);
    }
    Notify(*w, Change::State);
    return previous;
}

HWND GetFocus() {
    return Mut(S().focus) ? S().focus : nullptr;
}

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
    Window* w = Mut(window);
    if (!w) {
        return 0;
    }
    LONG_PTR previous = 0;
    auto swap = [&](auto& field) {
        previous = static_cast<LONG_PTR>(field);
        field = static_cast<std::remove_reference_t<decltype(field)>>(value);
    };
    if (IsDialogKind(*w) && index == DWL_MSGRESULT) {
        swap(w->msgResult);
    } else if (IsDialogKind(*w) && index == DWL_USER) {
        swap(w->user);
    } else if (IsDialogKind(*w) && index == DWL_DLGPROC) {
        previous = reinterpret_cast<LONG_PTR>(w->proc);
        w->proc = reinterpret_cast<DLGPROC>(value);
    } else if (index == GWL_USERDATA) {
        swap(w->userData);
    } else if (index == GWL_STYLE) {
        swap(w->style);
        Notify(*w, Change::State);
    } else if (index == GWL_EXSTYLE) {
        swap(w->exStyle);
    } else if (index == GWL_ID) {
        swap(w->id);
    }
    return previous;
}

LONG_PTR GetWindowLongPtrA(HWND window, int index) {
    Window* w = Mut(window);
    if (!w) {
        return 0;
    }
    if (IsDialogKind(*w) && index == DWL_MSGRESULT) {
        return w->msgResult;
    }
    if (IsDialogKind(*w) && index == DWL_USER) {
        return w->user;
    }
    if (IsDialogKind(*w) && index == DWL_DLGPROC) {
        return reinterpret_cast<LONG_PTR>(w->proc);
    }
    switch (index) {
        case GWL_USERDATA:
            return w->userData;
        case GWL_STYLE:
            return static_cast<LONG_PTR>(w->style);
        case GWL_EXSTYLE:
            return static_cast<LONG_PTR>(w->exStyle);
        case GWL_ID:
            return w->id;
        default:
            return 0;
    }
}

LONG SetWindowLongA(HWND window, int index, LONG value) {
    return static_cast<LONG>(SetWindowLongPtrA(window, index, value));
}

LONG GetWindowLongA(HWND window, int index) {
    return static_cast<LONG>(GetWindowLongPtrA(window, index));
}

BOOL GetClientRect(HWND window, LPRECT rect) {
    Window* w = Mut(window);
    if (!w || !rect) {
        return FALSE;
    }
    int inset = w->kind == WindowKind::ListView ? ListBorder(*w) : 0;
    *rect = {0, 0, std::max<LONG>(0, w->rect.right - w->rect.left - 2 * inset),
             std::max<LONG>(0, w->rect.bottom - w->rect.top - 2 * inset)};
    return TRUE;
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
    Window* w = Mut(window);
    if (!w || !rect) {
        return FALSE;
    }
    *rect = w->rect;
    return TRUE;
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
    Window* d = Mut(dialog);
    if (d && !IsDialogKind(*d)) {
        d = OwnerDialog(*d);
    }
    if (!d || !rect) {
        return FALSE;
    }
    auto mx = [&](LONG v) { return static_cast<LONG>((v * d->baseUnits.cx + 2) / 4); };
    auto my = [&](LONG v) { return static_cast<LONG>((v * d->baseUnits.cy + 4) / 8); };
    *rect = {mx(rect->left), my(rect->top), mx(rect->right), my(rect->bottom)};
    return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT*, BOOL) {
    Window* w = Mut(window);
    if (!w) {
        return FALSE;
    }
    if (w->kind == WindowKind::ListView) {
        Notify(*w, Change::Rows);
    } else if (IsDialogKind(*w)) {
        for (HWND c : w->children) {
            if (Window* cw = Mut(c); cw && cw->kind == WindowKind::ListView) {
                Notify(*cw, Change::Rows);
            }
        }
        Notify(*w, Change::State);
    } else {
        Notify(*w, Change::State);
    }
    return TRUE;
}

BOOL UpdateWindow(HWND window) {
    return IsWindow(window);
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint) {
    static RecordingDC offscreen;
    Window* w = Mut(window);
    if (!w || !paint) {
        return nullptr;
    }
    HDC dc = S().paintDC ? S().paintDC : offscreen.handle();
    paint->hdc = dc;
    paint->fErase = FALSE;
    GetClientRect(window, &paint->rcPaint);
    return dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT*) {
    return IsWindow(window);
}

int GetSystemMetrics(int index) {
    switch (index) {
        case SM_CXICON:
        case SM_CYICON:
            return 32;
        case SM_CXSCREEN:
            return 1024;
        case SM_CYSCREEN:
            return 768;
        default:
            return 0;
    }
}

BOOL WinHelpA(HWND, LPCSTR, UINT, ULONG_PTR) {
    return TRUE;
}

// ---- system menu

HMENU GetSystemMenu(HWND window, BOOL revert) {
    Window* w = Mut(window);
    if (!w || !IsDialogKind(*w)) {
        return nullptr;
    }
    if (revert) {
        w->systemMenu.clear();
        Notify(*w, Change::State);
        return nullptr;
    }
    return MenuOf(window);
}

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text) {
    Window* w = Mut(WindowOfMenu(menu));
    if (!w || !IsDialogKind(*w)) {
        return FALSE;
    }
    MenuItem item;
    item.flags = flags;
    item.id = (flags & MF_SEPARATOR) ? 0 : id;
    item.text = (flags & MF_SEPARATOR) || !text ? "" : text;
    w->systemMenu.push_back(std::move(item));
    Notify(*w, Change::State);
    return TRUE;
}

// ---- icons and strings

HICON LoadIconA(HINSTANCE instance, LPCSTR name) {
    if (!IS_INTRESOURCE(name)) {
        return nullptr;
    }
    int id = static_cast<int>(reinterpret_cast<ULONG_PTR>(name));
    const ResourceTable* table = FindResources(instance);
    if (!table) {
        return nullptr;
    }
    auto found = std::find_if(table->icons.begin(), table->icons.end(),
                              [&](const IconEntry& e) { return e.id == id; });
    if (found == table->icons.end()) {
        return nullptr;
    }
    for (auto& [handle, icon] : Icons()) {
        if (icon.instance == instance && icon.id == id) {
            return handle;
        }
    }
    static ULONG_PTR next = 0x7000;
    auto handle = reinterpret_cast<HICON>(next += 4);
    Icons()[handle] = {instance, id};
    return handle;
}

namespace ovtb::ui {
// The resource id of a loaded icon, 0 for an unknown handle.
int IconResourceId(HICON icon) {
    auto it = Icons().find(icon);
    return it == Icons().end() ? 0 : it->second.id;
}
}  // namespace ovtb::ui

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
    DeviceContext* d = DeviceContextOf(dc);
    if (!d || !icon) {
        return FALSE;
    }
    d->Icon(x, y, IconResourceId(icon));
    return TRUE;
}

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int size) {
    if (!buffer || size <= 0) {
        return 0;
    }
    buffer[0] = '\0';
    const ResourceTable* table = FindResources(instance);
    if (!table) {
        return 0;
    }
    for (const auto& e : table->strings) {
        if (e.id == id) {
            return CopyText(e.text, buffer, size);
        }
    }
    return 0;
}
