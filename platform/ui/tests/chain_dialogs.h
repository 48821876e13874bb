// A small chain of dialogs for tests: an outer dialog whose "Open" button runs an inner dialog,
// whose "Ask" button asks a Yes/No question and shows the answer in a static text.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/dialog_template.h"
#include "platform/ui/winuser.h"

namespace chain {

constexpr int kOuter = 200;
constexpr int kInner = 201;
constexpr int kOpen = 1002;
constexpr int kAsk = 1003;
constexpr int kAnswer = 1004;
constexpr int kName = 1005;
constexpr int kKind = 1006;
constexpr int kLoud = 1007;

// What the procedures saw, in order.
inline std::vector<std::string>& Log() {
    static std::vector<std::string> log;
    return log;
}

inline INT_PTR CALLBACK InnerProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            SetWindowTextA(dlg, "Inner");
            SendDlgItemMessageA(dlg, kName, EM_LIMITTEXT, 4, 0);
            Log().push_back("inner init");
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wp) == kAsk) {
                int r = MessageBoxA(dlg, "Really?", "Chain", MB_YESNO | MB_ICONQUESTION);
                SetDlgItemTextA(dlg, kAnswer, r == IDYES ? "yes" : "no");
            } else if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                char name[16];
                GetDlgItemTextA(dlg, kName, name, sizeof name);
                Log().push_back("inner end " + std::to_string(LOWORD(wp)) + " " + name);
                EndDialog(dlg, LOWORD(wp));
            }
            return TRUE;
        case WM_DESTROY:
            Log().push_back("inner destroy");
            return FALSE;
        default:
            return FALSE;
    }
}

inline INT_PTR CALLBACK OuterProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            SendDlgItemMessageA(dlg, kKind, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("ISA"));
            SendDlgItemMessageA(dlg, kKind, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("PCI"));
            SendDlgItemMessageA(dlg, kKind, CB_SETCURSEL, 0, 0);
            Log().push_back("outer init");
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wp) == kOpen) {
                auto* inst = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dlg, GWL_USERDATA));
                INT_PTR r = DialogBoxParamA(inst, MAKEINTRESOURCEA(kInner), dlg, InnerProc, 0);
                Log().push_back("inner returned " + std::to_string(r));
            } else if (LOWORD(wp) == kKind && HIWORD(wp) == CBN_SELCHANGE) {
                Log().push_back(
                    "kind " + std::to_string(SendDlgItemMessageA(dlg, kKind, CB_GETCURSEL, 0, 0)));
            } else if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, LOWORD(wp) == IDOK
                                   ? 10 + static_cast<INT_PTR>(IsDlgButtonChecked(dlg, kLoud))
                                   : 0);
            }
            return TRUE;
        default:
            return FALSE;
    }
}

inline ovtb::ui::ResourceTable Resources() {
    using ovtb::ui::ControlKind;
    ovtb::ui::DialogTemplate outer;
    outer.id = kOuter;
    outer.caption = "Outer";
    outer.cx = 200;
    outer.cy = 100;
    outer.fontName = "Arial";
    outer.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    outer.controls = {
        {ovtb::ui::IDC_STATIC, ControlKind::Static, "&Kind", 10, 10, 40, 10},
        {kKind, ControlKind::ComboBox, "", 60, 10, 60, 50, CBS_DROPDOWNLIST | WS_VSCROLL},
        {kLoud, ControlKind::CheckBox, "&Loud", 10, 30, 60, 10},
        {kOpen, ControlKind::PushButton, "&Open", 10, 80, 50, 14},
        {IDOK, ControlKind::DefPushButton, "OK", 80, 80, 50, 14},
        {IDCANCEL, ControlKind::PushButton, "Cancel", 140, 80, 50, 14},
    };
    ovtb::ui::DialogTemplate inner;
    inner.id = kInner;
    inner.caption = "Inner template";
    inner.cx = 150;
    inner.cy = 80;
    inner.controls = {
        {kName, ControlKind::Edit, "", 10, 10, 60, 14, ES_AUTOHSCROLL | WS_BORDER},
        {kAnswer, ControlKind::Static, "", 10, 30, 60, 10},
        {kAsk, ControlKind::PushButton, "&Ask", 10, 60, 40, 14},
        {IDOK, ControlKind::DefPushButton, "OK", 90, 60, 50, 14},
    };
    return {{outer, inner}, {}, {}};
}

}  // namespace chain
