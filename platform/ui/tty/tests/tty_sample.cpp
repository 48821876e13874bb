// A sample dialog for trying a renderer by hand and for the terminal test: a combo box, a check
// box, an edit with a text limit, an owner-drawn report list, a button that opens a nested
// dialog, and OK / Cancel. OK with an empty name shows a message box and keeps the dialog open.
//
//   tty_sample [--ui=SPEC] [--sheet] OUTFILE
//
// On exit it writes the result and the state of every control to OUTFILE, one "key=value" a
// line, and ends with 0 after OK, 1 after Cancel. With --sheet it shows a property sheet of two
// pages instead (a check box on the first, a combo box on the second) and writes what OK
// applied.
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/ui/commctrl.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/ui.h"
#include "platform/ui/wingdi.h"
#include "platform/ui/winuser.h"

using namespace ovtb::ui;

namespace {

constexpr int kMainDialog = 200;
constexpr int kMoreDialog = 201;
constexpr int IDC_SPEED = 1001;
constexpr int IDC_FLOW = 1002;
constexpr int IDC_NAME = 1003;
constexpr int IDC_PORTS = 1004;
constexpr int IDC_MORE = 1005;
constexpr int IDC_VERBOSE = 1101;
constexpr int kGeneralPage = 202;
constexpr int kParityPage = 203;
constexpr int IDC_ENABLED = 1201;
constexpr int IDC_PARITY = 1202;

const char* const kSpeeds[] = {"9600", "19200", "38400", "57600", "115200"};
const char* const kPorts[] = {"COM3", "COM4", "COM5", "COM6"};

struct State {
    std::string speed;
    bool flow = false;
    std::string name;
    int port = -1;
    bool verbose = false;
    bool enabled = false;
    std::string parity;
    int applied = 0;
};
State state;
HINSTANCE instance;

ResourceTable Resources() {
    ResourceTable t;
    DialogTemplate main;
    main.id = kMainDialog;
    main.caption = "Sample Settings";
    main.cx = 200;
    main.cy = 134;
    main.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    main.controls = {
        {IDC_STATIC, ControlKind::Static, "&Speed", 10, 12, 40, 8},
        {IDC_SPEED, ControlKind::ComboBox, "", 60, 10, 80, 60, CBS_DROPDOWNLIST | WS_VSCROLL},
        {IDC_FLOW, ControlKind::CheckBox, "&Flow control", 10, 28, 80, 10},
        {IDC_STATIC, ControlKind::Static, "&Name", 10, 44, 40, 8},
        {IDC_NAME, ControlKind::Edit, "", 60, 42, 60, 14, WS_BORDER | ES_AUTOHSCROLL},
        {IDC_STATIC, ControlKind::GroupBox, "Ports", 5, 58, 190, 52},
        {IDC_PORTS, ControlKind::ListView, "", 10, 68, 180, 38,
         LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDRAWFIXED | LVS_NOSORTHEADER | WS_BORDER |
             WS_TABSTOP},
        {IDC_MORE, ControlKind::PushButton, "&More...", 10, 114, 50, 14},
        {IDOK, ControlKind::DefPushButton, "OK", 85, 114, 50, 14},
        {IDCANCEL, ControlKind::PushButton, "Cancel", 140, 114, 50, 14},
    };
    DialogTemplate more;
    more.id = kMoreDialog;
    more.caption = "More";
    more.cx = 120;
    more.cy = 50;
    more.style = WS_POPUP | WS_CAPTION;
    more.controls = {
        {IDC_VERBOSE, ControlKind::CheckBox, "&Verbose", 10, 10, 80, 10},
        {IDOK, ControlKind::DefPushButton, "OK", 10, 30, 45, 14},
        {IDCANCEL, ControlKind::PushButton, "Cancel", 65, 30, 45, 14},
    };
    DialogTemplate general;
    general.id = kGeneralPage;
    general.caption = "General";
    general.cx = 150;
    general.cy = 40;
    general.controls = {
        {IDC_ENABLED, ControlKind::CheckBox, "&Enabled", 10, 10, 80, 10},
    };
    DialogTemplate parity;
    parity.id = kParityPage;
    parity.caption = "Parity";
    parity.cx = 150;
    parity.cy = 40;
    parity.controls = {
        {IDC_STATIC, ControlKind::Static, "&Parity", 10, 12, 40, 8},
        {IDC_PARITY,
         ControlKind::ComboBox,
         "",
         60,
         10,
         60,
         50,
         CBS_DROPDOWNLIST,
         0,
         {"None", "Odd", "Even"}},
    };
    t.dialogs = {main, more, general, parity};
    return t;
}

INT_PTR CALLBACK MoreProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            CheckDlgButton(dialog, IDC_VERBOSE, state.verbose ? BST_CHECKED : BST_UNCHECKED);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                state.verbose = IsDlgButtonChecked(dialog, IDC_VERBOSE) == BST_CHECKED;
                EndDialog(dialog, IDOK);
            } else if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
            }
            return TRUE;
        default:
            return FALSE;
    }
}

// One row of the port list: the highlight when selected, the focus rectangle, two cells.
void DrawPortRow(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    bool selected = item.itemState & ODS_SELECTED;
    HBRUSH brush = CreateSolidBrush(GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    if (item.itemState & ODS_FOCUS) {
        DrawFocusRect(dc, &r);
    }
    COLORREF oldText = 0, oldBk = 0;
    if (selected) {
        oldText = SetTextColor(dc, GetSysColor(COLOR_WINDOW));
        oldBk = SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
    }
    char number[16];
    std::snprintf(number, sizeof number, "%u", item.itemID + 1);
    const char* cells[2] = {number, kPorts[item.itemData % 4]};
    for (int c = 0; c < 2; ++c) {
        LVCOLUMNA col{};
        col.mask = LVCF_WIDTH;
        SendMessageA(item.hwndItem, LVM_GETCOLUMNA, static_cast<WPARAM>(c),
                     reinterpret_cast<LPARAM>(&col));
        RECT cell = {r.left + 2, r.top, r.left + col.cx - 2, r.bottom};
        DrawTextA(dc, cells[c], -1, &cell, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        r.left += col.cx;
    }
    if (selected) {
        SetTextColor(dc, oldText);
        SetBkColor(dc, oldBk);
    }
}

void Collect(HWND dialog) {
    char text[64] = {};
    int sel = static_cast<int>(SendDlgItemMessageA(dialog, IDC_SPEED, CB_GETCURSEL, 0, 0));
    state.speed = sel >= 0 ? kSpeeds[sel] : "";
    state.flow = IsDlgButtonChecked(dialog, IDC_FLOW) == BST_CHECKED;
    GetDlgItemTextA(dialog, IDC_NAME, text, sizeof text);
    state.name = text;
    state.port = static_cast<int>(SendDlgItemMessageA(dialog, IDC_PORTS, LVM_GETNEXTITEM,
                                                      static_cast<WPARAM>(-1), LVNI_SELECTED));
}

INT_PTR CALLBACK MainProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            for (const char* s : kSpeeds) {
                SendDlgItemMessageA(dialog, IDC_SPEED, CB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(s));
            }
            SendDlgItemMessageA(dialog, IDC_SPEED, CB_SETCURSEL, 0, 0);
            SendDlgItemMessageA(dialog, IDC_NAME, EM_LIMITTEXT, 6, 0);
            SetDlgItemTextA(dialog, IDC_NAME, "port");
            HWND list = GetDlgItem(dialog, IDC_PORTS);
            const char* headers[2] = {"Port", "COM No."};
            for (int c = 0; c < 2; ++c) {
                LVCOLUMNA col{};
                col.mask = LVCF_FMT | LVCF_TEXT | LVCF_SUBITEM;
                col.fmt = LVCFMT_LEFT;
                col.pszText = const_cast<char*>(headers[c]);
                col.iSubItem = c;
                SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(c),
                             reinterpret_cast<LPARAM>(&col));
            }
            for (int c = 0; c < 2; ++c) {
                SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(c),
                             LVSCW_AUTOSIZE_USEHEADER);
            }
            for (int i = 0; i < 4; ++i) {
                LVITEMA item{};
                item.mask = LVIF_PARAM;
                item.iItem = i;
                item.lParam = i;
                SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
            }
            LVITEMA sel{};
            sel.state = LVIS_SELECTED | LVIS_FOCUSED;
            sel.stateMask = 0xF;
            SendMessageA(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&sel));
            return TRUE;
        }
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (wParam == IDC_PORTS && item) {
                DrawPortRow(*item);
                return TRUE;
            }
            return FALSE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_MORE:
                    DialogBoxParamA(instance, MAKEINTRESOURCEA(kMoreDialog), dialog, MoreProc, 0);
                    return TRUE;
                case IDOK: {
                    char text[64] = {};
                    GetDlgItemTextA(dialog, IDC_NAME, text, sizeof text);
                    if (!*text) {
                        MessageBoxA(dialog, "The name must not be empty.", "Sample Settings",
                                    MB_OK | MB_ICONEXCLAMATION);
                        return TRUE;
                    }
                    Collect(dialog);
                    EndDialog(dialog, IDOK);
                    return TRUE;
                }
                case IDCANCEL:
                    Collect(dialog);
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                default:
                    return FALSE;
            }
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SendDlgItemMessageA(page, IDC_PARITY, CB_SETCURSEL, 0, 0);
        return TRUE;
    }
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == PSN_APPLY) {
        if (GetDlgItem(page, IDC_ENABLED)) {
            state.enabled = IsDlgButtonChecked(page, IDC_ENABLED) == BST_CHECKED;
        }
        if (GetDlgItem(page, IDC_PARITY)) {
            char text[16] = {};
            GetDlgItemTextA(page, IDC_PARITY, text, sizeof text);
            state.parity = text;
        }
        ++state.applied;
        SetWindowLongPtrA(page, DWL_MSGRESULT, PSNRET_NOERROR);
        return TRUE;
    }
    return FALSE;
}

int RunSheet(const char* out) {
    HPROPSHEETPAGE pages[2];
    int ids[2] = {kGeneralPage, kParityPage};
    for (int i = 0; i < 2; ++i) {
        PROPSHEETPAGEA p{};
        p.dwSize = sizeof p;
        p.hInstance = instance;
        p.pszTemplate = MAKEINTRESOURCEA(static_cast<WORD>(ids[i]));
        p.pfnDlgProc = PageProc;
        pages[i] = CreatePropertySheetPageA(&p);
    }
    PROPSHEETHEADERA h{};
    h.dwSize = sizeof h;
    h.dwFlags = PSH_NOAPPLYNOW;
    h.hInstance = instance;
    h.pszCaption = "Sample Sheet";
    h.nPages = 2;
    h.phpage = pages;
    INT_PTR result = PropertySheetA(&h);
    FILE* f = std::fopen(out, "w");
    if (!f) {
        std::perror(out);
        return 2;
    }
    std::fprintf(f, "result=%d\nenabled=%d\nparity=%s\napplied=%d\n", static_cast<int>(result),
                 state.enabled ? 1 : 0, state.parity.c_str(), state.applied);
    std::fclose(f);
    return result > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const char* out = nullptr;
    std::string ui = "tty";
    bool sheet = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--ui=", 5) == 0) {
            ui = argv[i] + 5;
        } else if (std::strcmp(argv[i], "--sheet") == 0) {
            sheet = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::printf("usage: tty_sample [--ui=SPEC] [--sheet] OUTFILE\n");
            return 0;
        } else {
            out = argv[i];
        }
    }
    if (!out) {
        std::fprintf(stderr, "tty_sample: name the file to write the result to\n");
        return 2;
    }
    std::string why;
    if (!SelectRenderer(ui, &why)) {
        std::fprintf(stderr, "tty_sample: %s\n", why.c_str());
        return 2;
    }
    instance = RegisterResources(Resources());
    if (sheet) {
        return RunSheet(out);
    }
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(kMainDialog), nullptr, MainProc, 0);
    FILE* f = std::fopen(out, "w");
    if (!f) {
        std::perror(out);
        return 2;
    }
    std::fprintf(f, "result=%s\nspeed=%s\nflow=%d\nname=%s\nport=%d\nverbose=%d\n",
                 result == IDOK ? "OK" : "Cancel", state.speed.c_str(), state.flow ? 1 : 0,
                 state.name.c_str(), state.port, state.verbose ? 1 : 0);
    std::fclose(f);
    return result == IDOK ? 0 : 1;
}
