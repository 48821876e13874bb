// Dialogs: creation from templates, the default dialog behaviour, modal runs and EndDialog.
#include <algorithm>
#include <cstring>
#include <exception>

#include "platform/ui/script.h"
#include "platform/ui/src/state.h"

using namespace ovtb::ui;
using namespace ovtb::ui::detail;

namespace ovtb::ui::detail {
LRESULT SheetMessage(Window& sheet, UINT message, WPARAM wParam, LPARAM lParam);
}

namespace {

WindowKind KindOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::Static:
            return WindowKind::Static;
        case ControlKind::GroupBox:
            return WindowKind::GroupBox;
        case ControlKind::PushButton:
        case ControlKind::DefPushButton:
            return WindowKind::Button;
        case ControlKind::CheckBox:
            return WindowKind::CheckBox;
        case ControlKind::ComboBox:
            return WindowKind::ComboBox;
        case ControlKind::Edit:
            return WindowKind::Edit;
        case ControlKind::ListView:
            return WindowKind::ListView;
        case ControlKind::Icon:
            return WindowKind::Icon;
    }
    return WindowKind::Static;
}

DWORD ImpliedStyle(ControlKind kind) {
    switch (kind) {
        case ControlKind::GroupBox:
            return BS_GROUPBOX;
        case ControlKind::PushButton:
            return BS_PUSHBUTTON | WS_TABSTOP;
        case ControlKind::DefPushButton:
            return BS_DEFPUSHBUTTON | WS_TABSTOP;
        case ControlKind::CheckBox:
            return BS_AUTOCHECKBOX | WS_TABSTOP;
        case ControlKind::ComboBox:
            return WS_TABSTOP;
        case ControlKind::Edit:
            return WS_TABSTOP;
        case ControlKind::Icon:
            return SS_ICON;
        case ControlKind::ListView:
            return LVS_REPORT;
        case ControlKind::Static:
            return SS_LEFT;
    }
    return 0;
}

RECT ToPixels(const Window& d, int x, int y, int cx, int cy) {
    auto mx = [&](LONG v) { return static_cast<LONG>((v * d.baseUnits.cx + 2) / 4); };
    auto my = [&](LONG v) { return static_cast<LONG>((v * d.baseUnits.cy + 4) / 8); };
    return {mx(x), my(y), mx(x + cx), my(y + cy)};
}

std::string TextArg(LPARAM lParam) {
    auto* p = reinterpret_cast<const char*>(lParam);
    return p ? std::string(p) : std::string();
}

LRESULT DefaultDialog(Window& d, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND h = d.handle;
    switch (message) {
        case WM_SETTEXT:
            d.text = TextArg(lParam);
            Notify(d, Change::Text);
            return TRUE;
        case WM_GETTEXT: {
            auto* buf = reinterpret_cast<char*>(lParam);
            int size = static_cast<int>(wParam);
            if (!buf || size <= 0) {
                return 0;
            }
            size_t n = std::min(d.text.size(), static_cast<size_t>(size - 1));
            std::memcpy(buf, d.text.data(), n);
            buf[n] = '\0';
            return static_cast<LRESULT>(n);
        }
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(d.text.size());
        case WM_SETICON: {
            HICON& slot = wParam == ICON_BIG ? d.bigIcon : d.smallIcon;
            HICON previous = slot;
            slot = reinterpret_cast<HICON>(lParam);
            Notify(d, Change::State);
            return reinterpret_cast<LRESULT>(previous);
        }
        case WM_GETICON:
            return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? d.bigIcon : d.smallIcon);
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(FontHandle(d.font));
        case WM_CLOSE: {
            HWND cancel = GetDlgItem(h, IDCANCEL);
            SendMessageA(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(cancel));
            return 0;
        }
        case WM_SYSCOMMAND:
            switch (wParam & 0xFFF0) {
                case SC_CLOSE:
                    SendMessageA(h, WM_CLOSE, 0, 0);
                    break;
                case SC_MINIMIZE:
                    d.minimized = true;
                    Notify(d, Change::State);
                    break;
                case SC_RESTORE:
                    d.minimized = false;
                    Notify(d, Change::State);
                    break;
                default:
                    break;
            }
            return 0;
        case DM_GETDEFID: {
            if (d.defaultId) {
                return MAKELONG(static_cast<WORD>(d.defaultId), DC_HASDEFID);
            }
            for (HWND c : d.children) {
                const Window* w = Lookup(c);
                if (w && w->kind == WindowKind::Button && w->isDefault) {
                    return MAKELONG(static_cast<WORD>(w->id), DC_HASDEFID);
                }
            }
            return 0;
        }
        case DM_SETDEFID:
            d.defaultId = static_cast<int>(wParam);
            for (HWND c : d.children) {
                if (Window* w = Mut(c); w && w->kind == WindowKind::Button) {
                    bool def = w->id == d.defaultId;
                    if (w->isDefault != def) {
                        w->isDefault = def;
                        Notify(*w, Change::State);
                    }
                }
            }
            return TRUE;
        default:
            return 0;
    }
}

// Ends a modal run whatever way it leaves: destroys the dialog's windows, re-enables the owner
// and gives the focus back.
struct ModalRun {
    HWND dialog;
    HWND owner;
    bool ownerWasEnabled;
    HWND previousFocus;
    ~ModalRun() {
        if (std::uncaught_exceptions() == 0 && Mut(dialog)) {
            SendMessageA(dialog, WM_DESTROY, 0, 0);
        }
        DestroyWindowRecord(dialog);
        std::erase(S().modal, dialog);
        if (Window* o = Mut(owner); o && ownerWasEnabled && !o->enabled) {
            o->enabled = true;
            Notify(*o, Change::State);
        }
        if (Mut(previousFocus)) {
            S().focus = previousFocus;
        }
    }
};

}  // namespace

namespace ovtb::ui::detail {

LRESULT DialogMessage(Window& dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (dialog.kind == WindowKind::Sheet) {
        return SheetMessage(dialog, message, wParam, lParam);
    }
    HWND h = dialog.handle;
    INT_PTR handled = dialog.proc ? dialog.proc(h, message, wParam, lParam) : FALSE;
    Window* d = Mut(h);
    if (!d) {
        return handled;
    }
    switch (message) {
        case WM_INITDIALOG:
        case WM_QUERYDRAGICON:
            return handled;
        default:
            break;
    }
    if (handled) {
        return d->msgResult;
    }
    return DefaultDialog(*d, message, wParam, lParam);
}

HWND CreateDialogFromTemplate(HINSTANCE instance, const DialogTemplate& tmpl, HWND owner,
                              HWND parent, DLGPROC proc) {
    Window& d = CreateWindowRecord(WindowKind::Dialog, parent);
    HWND h = d.handle;
    d.owner = owner;
    d.id = tmpl.id;
    d.text = tmpl.caption;
    d.style = tmpl.style;
    d.exStyle = tmpl.exStyle;
    d.font = {tmpl.fontName, tmpl.pointSize};
    d.baseUnits = ActiveRenderer().BaseUnits(d.font);
    d.units = {0, 0, tmpl.cx, tmpl.cy};
    d.rect = ToPixels(d, 0, 0, tmpl.cx, tmpl.cy);
    d.proc = proc;
    d.instance = instance;
    d.templateId = tmpl.id;
    for (const ControlTemplate& ct : tmpl.controls) {
        Window& c = CreateWindowRecord(KindOf(ct.kind), h);
        Window& dd = *Mut(h);
        c.id = ct.id;
        c.text = ct.caption;
        DWORD style = ct.style | ImpliedStyle(ct.kind) | WS_CHILD | WS_VISIBLE;
        if (ct.style & kNoTabStop) {
            style &= ~(WS_TABSTOP | kNoTabStop);
        }
        c.style = style;
        c.exStyle = ct.exStyle;
        c.enabled = !(style & WS_DISABLED);
        c.units = {ct.x, ct.y, ct.x + ct.cx, ct.y + ct.cy};
        c.rect = ToPixels(dd, ct.x, ct.y, ct.cx, ct.cy);
        c.isDefault = ct.kind == ControlKind::DefPushButton;
        c.font = dd.font;
        for (const auto& item : ct.items) {
            c.items.push_back({item, 0});
        }
        if (ct.kind == ControlKind::Icon) {
            c.iconId = ct.icon;
            c.icon = LoadIconA(instance, MAKEINTRESOURCEA(static_cast<WORD>(ct.icon)));
        }
    }
    return h;
}

INT_PTR RunCreatedModal(HWND dialog) {
    Window* d = Mut(dialog);
    if (!d) {
        return -1;
    }
    Renderer& renderer = ActiveRenderer();
    ScriptedUser* user = CurrentScript();
    if (user) {
        user->DialogOpened(dialog);
    }
    if (!Mut(dialog)->ended) {
        renderer.RunModal(dialog, user);
    }
    d = Mut(dialog);
    if (!d) {
        return -1;
    }
    if (!d->ended) {
        FailRun("the " + std::string(renderer.Name()) + " renderer left dialog \"" + d->text +
                "\" before it ended");
    }
    return d->result;
}

}  // namespace ovtb::ui::detail

INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate, HWND owner,
                                DLGPROC proc, LPARAM initParam) {
    if (!dialogTemplate) {
        return -1;
    }
    HWND h = CreateDialogFromTemplate(instance, *dialogTemplate, owner, nullptr, proc);
    Window* o = Mut(owner);
    ModalRun run{h, owner, o && o->enabled, GetFocus()};
    if (o && o->enabled) {
        o->enabled = false;
        Notify(*o, Change::State);
    }
    S().modal.push_back(h);

    HWND first = nullptr;
    for (HWND c : Mut(h)->children) {
        const Window* w = Lookup(c);
        if (w && (w->style & WS_TABSTOP) && w->enabled && w->visible) {
            first = c;
            break;
        }
    }
    LRESULT setFocus = SendMessageA(h, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), initParam);
    Window* d = Mut(h);
    if (!d) {
        return -1;
    }
    if (setFocus && Mut(first)) {
        SetFocus(first);
    }
    S().dialogs.push_back({d->templateId, d->text});
    return RunCreatedModal(h);
}

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc,
                        LPARAM initParam) {
    if (!IS_INTRESOURCE(templateName)) {
        return -1;
    }
    const DialogTemplate* tmpl =
        FindDialogTemplate(instance, static_cast<int>(reinterpret_cast<ULONG_PTR>(templateName)));
    if (!tmpl) {
        return -1;
    }
    return DialogBoxIndirectParamA(instance, tmpl, owner, proc, initParam);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    Window* d = Mut(dialog);
    if (!d || d->kind != WindowKind::Dialog) {
        return FALSE;
    }
    d->ended = true;
    d->result = result;
    Notify(*d, Change::State);
    return TRUE;
}
