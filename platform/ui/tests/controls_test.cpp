// Control messages and drawing calls, as a dialog procedure sees them.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/ui/commctrl.h"
#include "platform/ui/device_context.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/input.h"
#include "platform/ui/model.h"
#include "platform/ui/script.h"
#include "platform/ui/ui.h"
#include "platform/ui/wingdi.h"

namespace {

using namespace ovtb::ui;

constexpr int kCombo = 10, kEdit = 11, kList = 12, kCheck = 13;

// Runs `body` inside an open dialog holding one control of each kind used here.
void InDialog(const std::function<void(HWND)>& body, DWORD listStyle = LVS_SINGLESEL) {
    ResetForTests();
    DialogTemplate t;
    t.id = 7;
    t.caption = "Controls";
    t.cx = 200;
    t.cy = 150;
    t.controls = {
        {kCombo, ControlKind::ComboBox, "", 10, 10, 60, 80, CBS_DROPDOWNLIST, 0, {"a", "b"}},
        {kEdit, ControlKind::Edit, "", 10, 30, 60, 14, WS_BORDER},
        {kList, ControlKind::ListView, "", 10, 50, 180, 80,
         LVS_REPORT | LVS_OWNERDRAWFIXED | listStyle | WS_BORDER},
        {kCheck, ControlKind::CheckBox, "&Check", 80, 10, 60, 10},
    };
    auto script = std::make_shared<Script>();
    script->Dialog("Controls").Call(body).Escape();
    UseScript(script);
    DialogBoxIndirectParamA(
        nullptr, &t, nullptr,
        [](HWND dlg, UINT msg, WPARAM wp, LPARAM) -> INT_PTR {
            if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        },
        0);
}

TEST(ComboBox, MessagesKeepItemsSelectionAndData) {
    InDialog([](HWND dlg) {
        HWND c = GetDlgItem(dlg, kCombo);
        // The template's initial list is there.
        EXPECT_EQ(SendMessageA(c, CB_GETCOUNT, 0, 0), 2);
        EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), CB_ERR);
        EXPECT_EQ(SendMessageA(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("COM3")), 2);
        EXPECT_EQ(SendMessageA(c, CB_SETCURSEL, 2, 0), 2);
        EXPECT_EQ(SendMessageA(c, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("first")), 0);
        EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), 3);  // the selection follows its row
        char text[8];
        EXPECT_EQ(SendMessageA(c, CB_GETLBTEXTLEN, 3, 0), 4);
        EXPECT_EQ(SendMessageA(c, CB_GETLBTEXT, 3, reinterpret_cast<LPARAM>(text)), 4);
        EXPECT_STREQ(text, "COM3");
        EXPECT_EQ(GetWindowTextLengthA(c), 4);
        EXPECT_EQ(SendMessageA(c, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                               reinterpret_cast<LPARAM>("com3")),
                  3);
        EXPECT_EQ(SendMessageA(c, CB_SETITEMDATA, 1, 99), CB_OKAY);
        EXPECT_EQ(SendMessageA(c, CB_GETITEMDATA, 1, 0), 99);
        EXPECT_EQ(SendMessageA(c, CB_SETCURSEL, 9, 0), CB_ERR);  // out of range: no selection
        EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), CB_ERR);
        EXPECT_EQ(SendMessageA(c, CB_GETLBTEXT, 9, reinterpret_cast<LPARAM>(text)), CB_ERR);
        EXPECT_EQ(SendMessageA(c, CB_RESETCONTENT, 0, 0), CB_OKAY);
        EXPECT_EQ(SendMessageA(c, CB_GETCOUNT, 0, 0), 0);
        EXPECT_EQ(SendMessageA(c, CB_GETCURSEL, 0, 0), CB_ERR);
    });
}

TEST(Edit, LimitCutsTypingButNotSetWindowText) {
    InDialog([](HWND dlg) {
        HWND e = GetDlgItem(dlg, kEdit);
        SendMessageA(e, EM_LIMITTEXT, 6, 0);
        EXPECT_EQ(SendMessageA(e, EM_GETLIMITTEXT, 0, 0), 6);
        EXPECT_TRUE(input::TypeText(e, "0x1C0ABC"));
        char text[16];
        GetDlgItemTextA(dlg, kEdit, text, sizeof text);
        EXPECT_STREQ(text, "0x1C0A");
        SetDlgItemTextA(dlg, kEdit, "12345678");  // the program may set more
        GetDlgItemTextA(dlg, kEdit, text, sizeof text);
        EXPECT_STREQ(text, "12345678");
        struct Case {
            const char* text;
            BOOL isSigned;
            UINT value;
            BOOL ok;
        } cases[] = {
            {"42", FALSE, 42, TRUE},
            {" 7 ", FALSE, 7, TRUE},
            {"-3", TRUE, static_cast<UINT>(-3), TRUE},
            {"-3", FALSE, 0, FALSE},
            {"4294967295", FALSE, 4294967295u, TRUE},
            {"4294967296", FALSE, 0, FALSE},
            {"99999999999999999999", FALSE, 0, FALSE},
            {"2147483648", TRUE, 0, FALSE},
            {"12x", FALSE, 0, FALSE},
            {"", FALSE, 0, FALSE},
        };
        for (const auto& c : cases) {
            SetDlgItemTextA(dlg, kEdit, c.text);
            BOOL ok = 2;
            EXPECT_EQ(GetDlgItemInt(dlg, kEdit, &ok, c.isSigned), c.value) << c.text;
            EXPECT_EQ(ok, c.ok) << c.text;
        }
        EnableWindow(e, FALSE);
        EXPECT_FALSE(input::TypeText(e, "x"));  // a disabled field takes no typing
    });
}

TEST(ListView, ColumnsRowsStatesAndGeometry) {
    InDialog([](HWND dlg) {
        HWND l = GetDlgItem(dlg, kList);
        LVCOLUMNA col{};
        col.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
        col.fmt = LVCFMT_RIGHT;
        col.cx = 50;
        col.pszText = const_cast<char*>("Port");
        EXPECT_EQ(SendMessageA(l, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&col)), 0);
        col.pszText = const_cast<char*>("COM No.");
        EXPECT_EQ(SendMessageA(l, LVM_INSERTCOLUMNA, 5, reinterpret_cast<LPARAM>(&col)), 1);
        // Sized to the header: text width plus 12; the last column also fills the list.
        EXPECT_TRUE(SendMessageA(l, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER));
        EXPECT_EQ(SendMessageA(l, LVM_GETCOLUMNWIDTH, 0, 0), 4 * 6 + 12);
        SendMessageA(l, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE_USEHEADER);
        RECT client;
        GetClientRect(l, &client);
        EXPECT_EQ(SendMessageA(l, LVM_GETCOLUMNWIDTH, 1, 0), client.right - 36);
        EXPECT_FALSE(SendMessageA(l, LVM_SETCOLUMNWIDTH, 2, 10));
        LVCOLUMNA got{};
        got.mask = LVCF_FMT | LVCF_WIDTH;
        EXPECT_TRUE(SendMessageA(l, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&got)));
        EXPECT_EQ(got.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_RIGHT);
        EXPECT_EQ(got.cx, 36);
        EXPECT_FALSE(SendMessageA(l, LVM_GETCOLUMNA, 2, reinterpret_cast<LPARAM>(&got)));

        for (int i = 0; i < 3; ++i) {
            LVITEMA item{};
            item.mask = LVIF_PARAM;
            item.iItem = 99;  // beyond the end: appended
            item.lParam = 100 + i;
            EXPECT_EQ(SendMessageA(l, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)), i);
        }
        EXPECT_EQ(SendMessageA(l, LVM_GETITEMCOUNT, 0, 0), 3);
        LVITEMA state{};
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        state.stateMask = 0xF;
        SendMessageA(l, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&state));
        EXPECT_EQ(SendMessageA(l, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);
        EXPECT_EQ(SendMessageA(l, LVM_GETNEXTITEM, 1, LVNI_SELECTED), -1);
        // Single selection: selecting row 2 clears row 1.
        SendMessageA(l, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&state));
        EXPECT_EQ(SendMessageA(l, LVM_GETSELECTEDCOUNT, 0, 0), 1);
        EXPECT_EQ(SendMessageA(l, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 2);
        LVITEMA read{};
        read.mask = LVIF_PARAM | LVIF_STATE;
        read.iItem = 2;
        read.stateMask = 0xF;
        EXPECT_TRUE(SendMessageA(l, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&read)));
        EXPECT_EQ(read.lParam, 102);
        EXPECT_EQ(read.state, LVIS_SELECTED | LVIS_FOCUSED);

        // Rows lie below the header, one line plus 2 pixels each (headless: 15).
        RECT r{};
        r.left = LVIR_BOUNDS;
        EXPECT_TRUE(SendMessageA(l, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)));
        EXPECT_EQ(r.top, 20 + 15);
        EXPECT_EQ(r.bottom, 20 + 30);
        EXPECT_EQ(r.right, 36 + client.right - 36);
        RECT sub{};
        sub.top = 1;
        sub.left = LVIR_BOUNDS;
        EXPECT_TRUE(SendMessageA(l, LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&sub)));
        EXPECT_EQ(sub.left, 36);
        EXPECT_FALSE(SendMessageA(l, LVM_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&r)));
        EXPECT_EQ(SendMessageA(l, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>("COM10")), 30);

        EXPECT_TRUE(SendMessageA(l, LVM_DELETEITEM, 0, 0));
        EXPECT_FALSE(SendMessageA(l, LVM_DELETEITEM, 5, 0));
        EXPECT_EQ(SendMessageA(l, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 1);
        EXPECT_TRUE(SendMessageA(l, LVM_DELETEALLITEMS, 0, 0));
        EXPECT_EQ(SendMessageA(l, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), -1);
    });
}

TEST(ListView, UserInputSendsNotificationsToTheDialog) {
    ResetForTests();
    DialogTemplate t;
    t.caption = "Notify";
    t.cx = 100;
    t.cy = 100;
    t.controls = {{kList, ControlKind::ListView, "", 0, 0, 100, 80,
                   LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDRAWFIXED}};
    static std::vector<std::string> seen;
    seen.clear();
    auto script = std::make_shared<Script>();
    script->Dialog("Notify").Select(kList, 1).DoubleClick(kList, 0).Click(kList, -1).Escape();
    UseScript(script);
    DialogBoxIndirectParamA(
        nullptr, &t, nullptr,
        [](HWND dlg, UINT msg, WPARAM wp, LPARAM lp) -> INT_PTR {
            if (msg == WM_INITDIALOG) {
                for (int i = 0; i < 2; ++i) {
                    LVITEMA item{};
                    item.mask = LVIF_PARAM;
                    item.iItem = i;
                    SendDlgItemMessageA(dlg, kList, LVM_INSERTITEMA, 0,
                                        reinterpret_cast<LPARAM>(&item));
                }
            } else if (msg == WM_NOTIFY) {
                auto* nm = reinterpret_cast<NMHDR*>(lp);
                EXPECT_EQ(nm->idFrom, static_cast<UINT_PTR>(kList));
                EXPECT_EQ(wp, static_cast<WPARAM>(kList));
                if (nm->code == LVN_ITEMCHANGED) {
                    auto* lv = reinterpret_cast<NMLISTVIEW*>(lp);
                    seen.push_back("changed " + std::to_string(lv->iItem) + " " +
                                   std::to_string(lv->uNewState));
                } else if (nm->code == NM_DBLCLK) {
                    seen.push_back("dblclk " +
                                   std::to_string(reinterpret_cast<NMITEMACTIVATE*>(lp)->iItem));
                } else if (nm->code == NM_CLICK) {
                    seen.push_back("click " +
                                   std::to_string(reinterpret_cast<NMITEMACTIVATE*>(lp)->iItem));
                }
            } else if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, 0);
            }
            return FALSE;
        },
        0);
    EXPECT_EQ(seen, (std::vector<std::string>{"changed 1 3", "changed 1 0", "changed 0 3",
                                              "dblclk 0", "changed 0 1", "click -1"}));
}

TEST(DeviceContext, StateSettersReturnThePreviousValueAndCallsAreRecorded) {
    RecordingDC dc;
    HDC h = dc.handle();
    EXPECT_EQ(SetTextColor(h, RGB(1, 2, 3)), RGB(0, 0, 0));
    EXPECT_EQ(SetTextColor(h, RGB(4, 5, 6)), RGB(1, 2, 3));
    EXPECT_EQ(SetBkColor(h, RGB(7, 8, 9)), RGB(255, 255, 255));
    EXPECT_EQ(SetBkMode(h, TRANSPARENT), OPAQUE);
    EXPECT_EQ(SetBkMode(h, 7), 0);

    HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT));
    RECT r{1, 2, 30, 40};
    EXPECT_EQ(FillRect(h, &r, brush), 1);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_EQ(FillRect(h, &r, brush), 0);  // a deleted brush paints nothing
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_TRUE(DrawFocusRect(h, &r));

    RECT calc{10, 10, 0, 0};
    EXPECT_EQ(DrawTextA(h, "COM3", -1, &calc, DT_CALCRECT | DT_SINGLELINE), 13);
    EXPECT_EQ(calc.right, 10 + 24);
    EXPECT_EQ(calc.bottom, 10 + 13);
    EXPECT_EQ(DrawTextA(h, "COM10xx", 5, &r, DT_SINGLELINE | DT_VCENTER | DT_RIGHT), 13);
    EXPECT_TRUE(ExtTextOutA(h, 3, 4, ETO_CLIPPED | ETO_OPAQUE, &r, "14", 2, nullptr));
    SIZE size{};
    EXPECT_TRUE(GetTextExtentPointA(h, "...", 3, &size));
    EXPECT_EQ(size.cx, 18);
    EXPECT_FALSE(GetTextExtentPointA(h, "x", 1, nullptr));

    ASSERT_EQ(dc.calls.size(), 4u);
    EXPECT_EQ(dc.calls[0].colour, GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(dc.calls[1].op, DrawCall::Op::FocusRect);
    EXPECT_EQ(dc.calls[2].text, "COM10");
    EXPECT_EQ(dc.calls[2].flags, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
    EXPECT_EQ(dc.calls[2].textColor, RGB(4, 5, 6));
    EXPECT_EQ(dc.calls[3].flags, ETO_CLIPPED | ETO_OPAQUE);
    EXPECT_EQ(dc.calls[3].bkColor, RGB(7, 8, 9));
    EXPECT_EQ(dc.calls[3].x, 3);

    // An unknown DC draws nothing and reports failure.
    HDC bogus = reinterpret_cast<HDC>(0x42);
    EXPECT_EQ(SetTextColor(bogus, 0), CLR_INVALID);
    EXPECT_FALSE(DrawFocusRect(bogus, &r));
    EXPECT_EQ(DrawTextA(bogus, "x", 1, &r, 0), 0);
    EXPECT_EQ(GetSysColor(999), 0u);
    EXPECT_EQ(GetSysColor(COLOR_WINDOW), RGB(255, 255, 255));
}

// A property sheet with two pages; page 1 refuses to be left while its check box is set.
struct PageLog {
    std::vector<std::string> events;
};
PageLog g_pages;

INT_PTR CALLBACK PageProc(HWND page, UINT msg, WPARAM, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        auto* psp = reinterpret_cast<PROPSHEETPAGEA*>(lp);
        SetWindowLongPtrA(page, DWL_USER, psp->lParam);
        g_pages.events.push_back("init " + std::to_string(psp->lParam));
        return TRUE;
    }
    if (msg == WM_NOTIFY) {
        auto* nm = reinterpret_cast<NMHDR*>(lp);
        LONG_PTR which = GetWindowLongPtrA(page, DWL_USER);
        std::string name = std::to_string(which);
        if (nm->code == PSN_KILLACTIVE) {
            bool refuse = IsDlgButtonChecked(page, kCheck) == BST_CHECKED;
            g_pages.events.push_back("kill " + name + (refuse ? " refused" : ""));
            SetWindowLongPtrA(page, DWL_MSGRESULT, refuse ? TRUE : FALSE);
            return TRUE;
        }
        if (nm->code == PSN_APPLY) {
            g_pages.events.push_back("apply " + name);
            SetWindowLongPtrA(page, DWL_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        }
        if (nm->code == PSN_SETACTIVE) {
            g_pages.events.push_back("active " + name);
        }
    }
    if (msg == WM_DESTROY) {
        g_pages.events.push_back("destroy " + std::to_string(GetWindowLongPtrA(page, DWL_USER)));
    }
    return FALSE;
}

TEST(PropertySheet, KillActiveKeepsThePageAndOkAppliesEveryCreatedPage) {
    ResetForTests();
    g_pages.events.clear();
    DialogTemplate page;
    page.id = 103;
    page.caption = "Ports Configuration";
    page.cx = 272;
    page.cy = 146;
    page.controls = {{kCheck, ControlKind::CheckBox, "&Refuse", 10, 10, 80, 10},
                     {1002, ControlKind::PushButton, "&Port Setting", 190, 115, 55, 16}};
    HINSTANCE inst = RegisterResources({{page}, {}, {}});

    static int released = 0;
    released = 0;
    PROPSHEETPAGEA psp{};
    psp.dwSize = 48;
    psp.dwFlags = PSP_USECALLBACK;
    psp.hInstance = inst;
    psp.pszTemplate = MAKEINTRESOURCEA(103);
    psp.pfnDlgProc = PageProc;
    psp.lParam = 1;
    psp.pfnCallback = [](HWND, UINT msg, PROPSHEETPAGEA*) -> UINT {
        if (msg == PSPCB_RELEASE) {
            ++released;
        }
        return 1;
    };
    HPROPSHEETPAGE pages[2] = {CreatePropertySheetPageA(&psp), nullptr};
    psp.lParam = 2;
    pages[1] = CreatePropertySheetPageA(&psp);
    ASSERT_NE(pages[0], nullptr);
    ASSERT_NE(pages[1], nullptr);

    // Bad descriptions give no page; a page never handed to a sheet is destroyed by its owner.
    PROPSHEETPAGEA small = psp;
    small.dwSize = 12;
    EXPECT_EQ(CreatePropertySheetPageA(&small), nullptr);
    PROPSHEETPAGEA missing = psp;
    missing.pszTemplate = MAKEINTRESOURCEA(999);
    EXPECT_EQ(CreatePropertySheetPageA(&missing), nullptr);
    EXPECT_EQ(CreatePropertySheetPageA(nullptr), nullptr);
    HPROPSHEETPAGE spare = CreatePropertySheetPageA(&psp);
    EXPECT_TRUE(DestroyPropertySheetPage(spare));
    EXPECT_FALSE(DestroyPropertySheetPage(spare));
    EXPECT_EQ(released, 1);

    std::string error;
    // The page's controls are reached through the sheet: 13 is the page's check box.
    auto script = Script::Parse(R"(
        dialog "Board"
          check 13
          press IDOK
          uncheck 13
          press IDOK
    )",
                                &error);
    ASSERT_TRUE(script) << error;
    UseScript(std::make_shared<Script>(std::move(*script)));

    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_NOAPPLYNOW;
    header.pszCaption = "Board";
    header.nPages = 2;
    header.phpage = pages;
    EXPECT_EQ(PropertySheetA(&header), 1);
    EXPECT_EQ(g_pages.events, (std::vector<std::string>{"init 1", "active 1", "kill 1 refused",
                                                        "kill 1", "apply 1", "destroy 1"}));
    EXPECT_EQ(released, 3);
    EXPECT_EQ(RecordedDialogs().back().caption, "Board");
}

}  // namespace
