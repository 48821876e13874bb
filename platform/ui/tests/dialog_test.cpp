#include <gtest/gtest.h>

#include "platform/ui/device_context.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/headless.h"
#include "platform/ui/model.h"
#include "platform/ui/script.h"
#include "platform/ui/tests/chain_dialogs.h"
#include "platform/ui/ui.h"

namespace {

using namespace ovtb::ui;

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetForTests();
        chain::Log().clear();
        inst = RegisterResources(chain::Resources());
    }
    INT_PTR RunOuter() {
        // The outer procedure finds the instance in its user data; set it at init.
        static HINSTANCE shared;
        shared = inst;
        return DialogBoxParamA(
            inst, MAKEINTRESOURCEA(chain::kOuter), nullptr,
            [](HWND dlg, UINT msg, WPARAM wp, LPARAM lp) -> INT_PTR {
                if (msg == WM_INITDIALOG) {
                    SetWindowLongPtrA(dlg, GWL_USERDATA, reinterpret_cast<LONG_PTR>(shared));
                }
                return chain::OuterProc(dlg, msg, wp, lp);
            },
            0);
    }
    HINSTANCE inst = nullptr;
};

TEST_F(DialogTest, ChainOfDialogAndMessageBoxRunsFromAScript) {
    std::string error;
    auto script = Script::Parse(R"(
        # the outer dialog, then the inner one, then its question
        dialog "Outer"
          select 1006 1
          check 1007
          press 1002
        dialog "Inner"
          type 1005 "COM12345"
          press 1003
        message "Really?"
          answer IDNO
          expect-text 1004 "no"
          press 1003
        message "Really?"
          expect-text 1004 "yes"
          enter
          expect-text 1006 "PCI"
          press IDOK
    )",
                                &error);
    ASSERT_TRUE(script) << error;
    auto shared = std::make_shared<Script>(std::move(*script));
    UseScript(shared);

    EXPECT_EQ(RunOuter(), 11);
    EXPECT_EQ(shared->Remaining(), 0u);
    // The inner edit took only what its limit allows; WM_DESTROY came before the return.
    EXPECT_EQ(chain::Log(),
              (std::vector<std::string>{"outer init", "kind 1", "inner init", "inner end 1 COM1",
                                        "inner destroy", "inner returned 1"}));
    ASSERT_EQ(RecordedDialogs().size(), 2u);
    EXPECT_EQ(RecordedDialogs()[1].templateId, chain::kInner);
    EXPECT_EQ(RecordedDialogs()[1].caption, "Inner");
    EXPECT_EQ(RecordedMessages().size(), 2u);
}

TEST_F(DialogTest, UnexpectedDialogFailsAtOnceNamingIt) {
    auto script = std::make_shared<Script>();
    script->Dialog("Outer").Press(chain::kOpen).Dialog("Property").Press(IDOK);
    UseScript(script);
    try {
        RunOuter();
        FAIL() << "no failure";
    } catch (const ScriptFailure& e) {
        std::string what = e.what();
        EXPECT_NE(what.find("unexpected dialog \"Inner\" (template 201)"), std::string::npos)
            << what;
        EXPECT_NE(what.find("dialog \"Property\""), std::string::npos) << what;
    }
    // Both dialogs are gone after the failure.
    EXPECT_TRUE(ModalStack().empty());
}

TEST_F(DialogTest, DialogLeftWaitingFailsInsteadOfHanging) {
    struct Case {
        const char* name;
        std::function<void(Script&)> build;
        const char* expected;
    } cases[] = {
        {"script ends", [](Script& s) { s.Dialog("Outer"); },
         "waiting for input but the script has ended"},
        {"message expected instead", [](Script& s) { s.Dialog("Outer").Message("Saved"); },
         "expects message \"Saved\" next"},
        {"disabled button",
         [](Script& s) {
             s.Dialog("Outer")
                 .Call([](HWND d) { EnableWindow(GetDlgItem(d, IDOK), FALSE); })
                 .Press(IDOK);
         },
         "control 1 is disabled"},
        {"no such control", [](Script& s) { s.Dialog("Outer").Check(4242); }, "no control 4242"},
        {"no such row", [](Script& s) { s.Dialog("Outer").Select(chain::kKind, 2); },
         "row 2 does not exist"},
        {"wrong kind", [](Script& s) { s.Dialog("Outer").Type(chain::kKind, "x"); },
         "is a combo box"},
        {"no script", nullptr, "no script answers it"},
    };
    for (const auto& c : cases) {
        ResetForTests();
        inst = RegisterResources(chain::Resources());
        if (c.build) {
            auto script = std::make_shared<Script>();
            c.build(*script);
            UseScript(script);
        }
        try {
            RunOuter();
            ADD_FAILURE() << c.name << ": no failure";
        } catch (const ScriptFailure& e) {
            EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos)
                << c.name << ": " << e.what();
        }
    }
}

TEST_F(DialogTest, KeysAndCloseBoxReachTheProcedureAsCommands) {
    struct Case {
        const char* name;
        std::function<void(Script&)> keys;
        INT_PTR result;
    } cases[] = {
        {"enter presses the default button", [](Script& s) { s.Enter(); }, 10},
        {"escape sends IDCANCEL", [](Script& s) { s.Escape(); }, 0},
        {"the close box sends IDCANCEL", [](Script& s) { s.Close(); }, 0},
        {"check then enter", [](Script& s) { s.Check(chain::kLoud).Enter(); }, 11},
    };
    for (const auto& c : cases) {
        auto script = std::make_shared<Script>();
        script->Dialog("Outer");
        c.keys(*script);
        UseScript(script);
        EXPECT_EQ(RunOuter(), c.result) << c.name;
    }
}

TEST_F(DialogTest, ModelStateDuringARun) {
    auto script = std::make_shared<Script>();
    script->Dialog("Outer").Call([](HWND dlg) {
        const Window* d = Lookup(dlg);
        ASSERT_NE(d, nullptr);
        // Template units become pixels with the headless base units (6 x 13).
        EXPECT_EQ(d->rect.right, 300);
        EXPECT_EQ(d->rect.bottom, 163);
        EXPECT_EQ(d->font.face, "Arial");
        // WM_INITDIALOG returned TRUE: the first tab stop has the focus.
        EXPECT_EQ(GetFocus(), GetDlgItem(dlg, chain::kKind));
        RECT r = {10, 80, 60, 94};
        MapDialogRect(dlg, &r);
        EXPECT_EQ(r.left, 15);
        EXPECT_EQ(r.top, 130);
        const Window* ok = Lookup(GetDlgItem(dlg, IDOK));
        EXPECT_TRUE(ok->isDefault);
        EXPECT_EQ(SendMessageA(dlg, DM_GETDEFID, 0, 0), MAKELONG(IDOK, DC_HASDEFID));

        char text[3];
        EXPECT_EQ(GetDlgItemTextA(dlg, chain::kKind, text, sizeof text), 2u);
        EXPECT_STREQ(text, "IS");
        EXPECT_EQ(GetWindowTextLengthA(GetDlgItem(dlg, chain::kKind)), 3);
        // EnableWindow answers whether the window was disabled.
        HWND open = GetDlgItem(dlg, chain::kOpen);
        EXPECT_FALSE(EnableWindow(open, FALSE));
        EXPECT_TRUE(EnableWindow(open, FALSE));
        EXPECT_TRUE(EnableWindow(open, TRUE));
        EXPECT_EQ(SetWindowLongA(dlg, DWL_USER, 77), 0);
        EXPECT_EQ(GetWindowLongA(dlg, DWL_USER), 77);
        // The system menu keeps what is appended.
        HMENU menu = GetSystemMenu(dlg, FALSE);
        EXPECT_TRUE(AppendMenuA(menu, MF_SEPARATOR, 0, nullptr));
        EXPECT_TRUE(AppendMenuA(menu, MF_STRING, 16, "&About"));
        ASSERT_EQ(d->systemMenu.size(), 2u);
        EXPECT_EQ(d->systemMenu[1].id, 16u);
        EXPECT_EQ(d->systemMenu[1].text, "&About");
        EXPECT_EQ(SendMessageA(dlg, WM_SETICON, ICON_BIG, 0x1234), 0);
        EXPECT_EQ(SendMessageA(dlg, WM_SETICON, ICON_BIG, 0), 0x1234);
    });
    script->Escape();
    UseScript(script);
    EXPECT_EQ(RunOuter(), 0);
}

TEST_F(DialogTest, MinimisedDialogPaintsItsIconAndAnswersTheDragIconQuery) {
    DialogTemplate t;
    t.caption = "Iconic";
    t.cx = 100;
    t.cy = 50;
    HINSTANCE icons = RegisterResources({{}, {}, {{128, "application"}}});
    static HICON icon;
    icon = LoadIconA(icons, MAKEINTRESOURCEA(128));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(LoadIconA(icons, MAKEINTRESOURCEA(128)), icon);
    EXPECT_EQ(LoadIconA(icons, MAKEINTRESOURCEA(129)), nullptr);
    auto script = std::make_shared<Script>();
    script->Dialog("Iconic").SysCommand(SC_MINIMIZE).Call([](HWND dlg) {
        EXPECT_TRUE(IsIconic(dlg));
        const auto* paint = HeadlessDialogPaint(dlg);
        ASSERT_NE(paint, nullptr);
        ASSERT_EQ(paint->size(), 1u);
        EXPECT_EQ((*paint)[0].op, DrawCall::Op::Icon);
        EXPECT_EQ((*paint)[0].flags, 128u);  // the icon's resource id
        EXPECT_EQ((*paint)[0].x, (150 - 32 + 1) / 2);
        EXPECT_EQ(SendMessageA(dlg, WM_QUERYDRAGICON, 0, 0), reinterpret_cast<LRESULT>(icon));
    });
    script->SysCommand(SC_RESTORE).Close();
    UseScript(script);
    DialogBoxIndirectParamA(
        nullptr, &t, nullptr,
        [](HWND dlg, UINT msg, WPARAM wp, LPARAM) -> INT_PTR {
            if (msg == WM_PAINT && IsIconic(dlg)) {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(dlg, &ps);
                RECT r;
                GetClientRect(dlg, &r);
                DrawIcon(dc, (r.right - GetSystemMetrics(SM_CXICON) + 1) / 2,
                         (r.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2, icon);
                EndPaint(dlg, &ps);
                return TRUE;
            }
            if (msg == WM_QUERYDRAGICON) {
                return reinterpret_cast<INT_PTR>(icon);
            }
            if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, 0);
                return TRUE;
            }
            return FALSE;
        },
        0);
    EXPECT_EQ(script->Remaining(), 0u);
}

TEST_F(DialogTest, MissingTemplateGivesMinusOne) {
    EXPECT_EQ(DialogBoxParamA(inst, MAKEINTRESOURCEA(999), nullptr, chain::OuterProc, 0), -1);
    EXPECT_EQ(
        DialogBoxParamA(nullptr, MAKEINTRESOURCEA(chain::kOuter), nullptr, chain::OuterProc, 0),
        -1);
    EXPECT_EQ(DialogBoxIndirectParamA(inst, nullptr, nullptr, chain::OuterProc, 0), -1);
    EXPECT_TRUE(RecordedDialogs().empty());
}

}  // namespace
