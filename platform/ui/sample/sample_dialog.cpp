#include "platform/ui/sample/sample_dialog.h"

#include <cstdio>

#include "platform/ui/commctrl.h"
#include "platform/ui/wingdi.h"

namespace ovtb::ui::sample {

namespace {

HINSTANCE g_instance = nullptr;

void DrawPortRow(const DRAWITEMSTRUCT& d) {
    bool selected = d.itemState & ODS_SELECTED;
    HBRUSH brush = CreateSolidBrush(GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    FillRect(d.hDC, &d.rcItem, brush);
    DeleteObject(brush);
    COLORREF text =
        SetTextColor(d.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    COLORREF back = SetBkColor(d.hDC, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    char cells[3][16];
    std::snprintf(cells[0], sizeof cells[0], "%u", d.itemID + 1);
    std::snprintf(cells[1], sizeof cells[1], "COM%u", d.itemID + 3);
    std::snprintf(cells[2], sizeof cells[2], "%s", d.itemID % 2 ? "16" : "14");
    RECT cell = d.rcItem;
    for (int c = 0; c < 3; ++c) {
        int width = static_cast<int>(
            SendMessageA(d.hwndItem, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0));
        RECT r{cell.left + 2, cell.top, cell.left + width - 2, cell.bottom};
        DrawTextA(d.hDC, cells[c], -1, &r, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
        cell.left += width;
    }
    SetTextColor(d.hDC, text);
    SetBkColor(d.hDC, back);
    if (d.itemState & ODS_FOCUS) {
        DrawFocusRect(d.hDC, &d.rcItem);
    }
}

INT_PTR CALLBACK DetailsProc(HWND dlg, UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wp) == kReset) {
                int answer =
                    MessageBoxA(dlg, "Reset all ports?", "Sample", MB_YESNO | MB_ICONQUESTION);
                SetDlgItemTextA(dlg, kResult, answer == IDYES ? "Ports reset." : "Kept.");
            } else if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, LOWORD(wp));
            }
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK MainProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG: {
            for (int n = 1; n <= 16; ++n) {
                char text[8];
                std::snprintf(text, sizeof text, "COM%d", n);
                SendDlgItemMessageA(dlg, kPort, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
            }
            SendDlgItemMessageA(dlg, kPort, CB_SETCURSEL, 2, 0);
            CheckDlgButton(dlg, kAuto, BST_CHECKED);
            SendDlgItemMessageA(dlg, kName, EM_LIMITTEXT, 8, 0);
            SetDlgItemTextA(dlg, kName, "Lab rack");
            HWND list = GetDlgItem(dlg, kPorts);
            const char* headers[] = {"Port", "COM No.", "Rx FIFO Trig."};
            for (int c = 0; c < 3; ++c) {
                LVCOLUMNA col{};
                col.mask = LVCF_FMT | LVCF_TEXT;
                col.fmt = LVCFMT_LEFT;
                col.pszText = const_cast<char*>(headers[c]);
                SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(c),
                             reinterpret_cast<LPARAM>(&col));
            }
            // Sized once all are in: the last column sized to its header takes the rest.
            for (int c = 0; c < 3; ++c) {
                SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c),
                             LVSCW_AUTOSIZE_USEHEADER);
            }
            for (int row = 0; row < 8; ++row) {
                LVITEMA item{};
                item.mask = LVIF_PARAM;
                item.iItem = row;
                item.lParam = row;
                SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
            }
            LVITEMA state{};
            state.state = state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&state));
            return TRUE;
        }
        case WM_DRAWITEM: {
            auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            if (d->CtlType != ODT_LISTVIEW || d->CtlID != kPorts) {
                return FALSE;
            }
            DrawPortRow(*d);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wp) == kDetails) {
                DialogBoxParamA(g_instance, MAKEINTRESOURCEA(kDetailsDialog), dlg, DetailsProc, 0);
            } else if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, LOWORD(wp));
            }
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

ResourceTable Resources() {
    DialogTemplate main;
    main.id = kMainDialog;
    main.caption = "Sample Port Settings";
    main.cx = 220;
    main.cy = 170;
    main.fontName = "Arial";
    main.pointSize = 8;
    main.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    main.controls = {
        {kGroup, ControlKind::GroupBox, "Port", 5, 3, 210, 50},
        {kPortLabel, ControlKind::Static, "&Port Number", 12, 16, 50, 10},
        {kPort, ControlKind::ComboBox, "", 70, 14, 60, 80, CBS_DROPDOWNLIST | WS_VSCROLL},
        {kAuto, ControlKind::CheckBox, "&Auto Enumerating COM Number", 12, 34, 130, 10},
        {kNameLabel, ControlKind::Static, "&Name", 140, 16, 25, 10},
        {kName, ControlKind::Edit, "", 165, 14, 45, 13, ES_AUTOHSCROLL | WS_BORDER},
        {kPorts, ControlKind::ListView, "", 5, 58, 210, 85,
         LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDRAWFIXED | LVS_NOSORTHEADER | WS_BORDER |
             WS_TABSTOP},
        {kDetails, ControlKind::PushButton, "&Details...", 5, 150, 50, 14},
        {IDOK, ControlKind::DefPushButton, "&OK", 110, 150, 50, 14},
        {IDCANCEL, ControlKind::PushButton, "Cance&l", 165, 150, 50, 14},
    };
    DialogTemplate details;
    details.id = kDetailsDialog;
    details.caption = "Details";
    details.cx = 150;
    details.cy = 60;
    details.fontName = "Arial";
    details.style = WS_POPUP | WS_CAPTION | DS_MODALFRAME;
    details.controls = {
        {kResult, ControlKind::Static, "Nothing changed yet.", 10, 10, 130, 10},
        {kReset, ControlKind::PushButton, "&Reset...", 10, 38, 50, 14},
        {IDOK, ControlKind::DefPushButton, "OK", 90, 38, 50, 14},
    };
    return {{main, details}, {{1, "Sample"}}, {{128, "application"}}};
}

INT_PTR RunSample(HINSTANCE instance) {
    g_instance = instance;
    return DialogBoxParamA(instance, MAKEINTRESOURCEA(kMainDialog), nullptr, MainProc, 0);
}

}  // namespace ovtb::ui::sample
