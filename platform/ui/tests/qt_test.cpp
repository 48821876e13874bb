// The Qt renderer, offscreen: the same scripts as headless, real widgets and keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <fstream>

#include "platform/ui/commctrl.h"
#include "platform/ui/dialog_template.h"
#include "platform/ui/model.h"
#include "platform/ui/sample/sample_dialog.h"
#include "platform/ui/script.h"
#include "platform/ui/tests/chain_dialogs.h"
#include "platform/ui/ui.h"

// fontconfig keeps a few allocations of its own caches to the end of the process.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

namespace {

using namespace ovtb::ui;

class QtRendererTest : public ::testing::Test {
  protected:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ResetForTests();
        std::string error;
        ASSERT_TRUE(SelectRenderer("qt", &error)) << error;
        inst = RegisterResources(sample::Resources());
    }
    void TearDown() override { ResetForTests(); }
    void Use(const char* text) {
        std::string error;
        auto script = Script::Parse(text, &error);
        ASSERT_TRUE(script) << error;
        shared = std::make_shared<Script>(std::move(*script));
        UseScript(shared);
    }
    HINSTANCE inst = nullptr;
    std::shared_ptr<Script> shared;
};

TEST_F(QtRendererTest, ChainOfDialogsAndMessageBoxRunsFromAScript) {
    Use(R"(
        dialog "Sample Port Settings"
          expect-rows 1006 8
          expect-row 1006 2 "3" "COM5" "14"
          select 1002 4
          type 1005 "Rack number two"
          expect-text 1005 "Rack num"
          press 1007
        dialog "Details"
          press 1010
        message "Reset all ports?"
          answer IDYES
          expect-text 1011 "Ports reset."
          enter
          expect-text 1002 "COM5"
          press IDOK
    )");
    EXPECT_EQ(sample::RunSample(inst), IDOK);
    EXPECT_EQ(SelectedRendererName(), "qt");
    EXPECT_EQ(shared->Remaining(), 0u);
    ASSERT_EQ(RecordedMessages().size(), 1u);
    EXPECT_EQ(RecordedMessages()[0].result, IDYES);
    EXPECT_EQ(RecordedDialogs().size(), 2u);
}

TEST_F(QtRendererTest, UnexpectedDialogFailsAtOnceThroughNestedLoops) {
    Use(R"(
        dialog "Sample Port Settings"
          press 1007
        dialog "Property"
    )");
    try {
        sample::RunSample(inst);
        FAIL() << "no failure";
    } catch (const ScriptFailure& e) {
        EXPECT_NE(std::string(e.what()).find("unexpected dialog \"Details\" (template 301)"),
                  std::string::npos)
            << e.what();
    }
    EXPECT_TRUE(ModalStack().empty());
    EXPECT_TRUE(QApplication::topLevelWidgets().isEmpty() ||
                std::none_of(QApplication::topLevelWidgets().begin(),
                             QApplication::topLevelWidgets().end(),
                             [](QWidget* w) { return w->isVisible(); }));
}

TEST_F(QtRendererTest, LayoutIsInDialogUnitsOfTheDialogFont) {
    auto script = std::make_shared<Script>();
    script->Dialog("Sample Port Settings").Call([](HWND dlg) {
        const Window* d = Lookup(dlg);
        // 8-point Arial (Liberation Sans where installed) at 96 dpi: 11-pixel text, base units
        // near 6 x 13 as on Windows.
        EXPECT_GE(d->baseUnits.cx, 5);
        EXPECT_LE(d->baseUnits.cx, 7);
        EXPECT_GE(d->baseUnits.cy, 12);
        EXPECT_LE(d->baseUnits.cy, 15);
        QWidget* window = QApplication::activeModalWidget();
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->width(), d->rect.right);
        EXPECT_EQ(window->windowTitle().toStdString(), "Sample Port Settings");
    });
    script->Escape();
    UseScript(script);
    EXPECT_EQ(sample::RunSample(inst), IDCANCEL);
}

// Keys go to the focused widget as a person would type them.
void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget();
    if (!target) {
        target = QApplication::activeModalWidget();
    }
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, static_cast<Qt::Key>(key), mods);
}

TEST_F(QtRendererTest, KeyboardAsOnWindows) {
    HINSTANCE chainInst = RegisterResources(chain::Resources());
    static HINSTANCE shared;
    shared = chainInst;
    auto run = [&](std::function<void(HWND)> keys) {
        auto script = std::make_shared<Script>();
        script->Dialog("Outer").Call(std::move(keys));
        UseScript(script);
        return DialogBoxParamA(
            chainInst, MAKEINTRESOURCEA(chain::kOuter), nullptr,
            [](HWND dlg, UINT msg, WPARAM wp, LPARAM lp) -> INT_PTR {
                if (msg == WM_INITDIALOG) {
                    SetWindowLongPtrA(dlg, GWL_USERDATA, reinterpret_cast<LONG_PTR>(shared));
                }
                return chain::OuterProc(dlg, msg, wp, lp);
            },
            0);
    };
    // Enter presses the default button; Escape is Cancel.
    EXPECT_EQ(run([](HWND) { Key(Qt::Key_Return); }), 10);
    EXPECT_EQ(run([](HWND) { Key(Qt::Key_Escape); }), 0);
    // Tab follows the template order of the tab stops: combo, check box, Open, OK, Cancel.
    EXPECT_EQ(run([](HWND dlg) {
                  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, chain::kKind));
                  Key(Qt::Key_Tab);
                  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, chain::kLoud));
                  Key(Qt::Key_Space);  // a check box toggles with Space
                  EXPECT_EQ(IsDlgButtonChecked(dlg, chain::kLoud), BST_CHECKED);
                  Key(Qt::Key_Tab);
                  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, chain::kOpen));
                  Key(Qt::Key_Backtab);
                  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, chain::kLoud));
                  Key(Qt::Key_Return);
              }),
              11);
    // A mnemonic: Alt+L clicks "&Loud"; the label's Alt+K moves to the combo box it names.
    EXPECT_EQ(run([](HWND dlg) {
                  Key(Qt::Key_L, Qt::AltModifier);
                  EXPECT_EQ(IsDlgButtonChecked(dlg, chain::kLoud), BST_CHECKED);
                  Key(Qt::Key_K, Qt::AltModifier);
                  EXPECT_EQ(GetFocus(), GetDlgItem(dlg, chain::kKind));
                  Key(Qt::Key_Return);
              }),
              11);
}

TEST_F(QtRendererTest, ScreenshotSavesAPng) {
    std::string path = ::testing::TempDir() + "/ovtb-ui-sample.png";
    std::remove(path.c_str());
    auto script = std::make_shared<Script>();
    script->Dialog("Sample Port Settings").Screenshot(path).Escape();
    UseScript(script);
    EXPECT_EQ(sample::RunSample(inst), IDCANCEL);
    std::ifstream in(path, std::ios::binary);
    char magic[8] = {};
    in.read(magic, sizeof magic);
    EXPECT_EQ(std::string(magic + 1, 3), "PNG");
}

TEST_F(QtRendererTest, PropertySheetShowsItsPageAndKeepsItWhileKillActiveRefuses) {
    DialogTemplate page;
    page.id = 103;
    page.caption = "Ports Configuration";
    page.cx = 272;
    page.cy = 146;
    page.fontName = "MS Sans Serif";
    page.controls = {
        {1003, ControlKind::ListView, "", 10, 15, 170, 115,
         LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_NOSORTHEADER | WS_BORDER | WS_TABSTOP},
        {IDC_STATIC, ControlKind::GroupBox, "", 5, 5, 250, 135},
        {1002, ControlKind::PushButton, "&Port Setting", 190, 115, 55, 16},
        {1004, ControlKind::CheckBox, "&Refuse", 190, 20, 55, 10},
    };
    HINSTANCE pages = RegisterResources({{page}, {}, {}});
    PROPSHEETPAGEA psp{};
    psp.dwSize = 48;
    psp.hInstance = pages;
    psp.pszTemplate = MAKEINTRESOURCEA(103);
    psp.pfnDlgProc = [](HWND dlg, UINT msg, WPARAM, LPARAM lp) -> INT_PTR {
        if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == PSN_KILLACTIVE) {
            SetWindowLongPtrA(dlg, DWL_MSGRESULT, IsDlgButtonChecked(dlg, 1004) == BST_CHECKED);
            return TRUE;
        }
        return FALSE;
    };
    HPROPSHEETPAGE handle = CreatePropertySheetPageA(&psp);
    ASSERT_NE(handle, nullptr);
    std::string shot = ::testing::TempDir() + "/ovtb-ui-sheet.png";
    auto script = std::make_shared<Script>();
    script->Dialog("Board").Check(1004).Press(IDOK).Call([](HWND sheet) {
        EXPECT_TRUE(IsWindow(sheet));  // refused: the sheet stays
    });
    script->Screenshot(shot).Check(1004, false).Press(IDOK);
    UseScript(script);
    PROPSHEETHEADERA header{};
    header.dwSize = sizeof header;
    header.pszCaption = "Board";
    header.nPages = 1;
    header.phpage = &handle;
    EXPECT_EQ(PropertySheetA(&header), 1);
    EXPECT_EQ(script->Remaining(), 0u);
    std::ifstream in(shot, std::ios::binary);
    EXPECT_TRUE(in.good());
}

TEST(HeadlessScreenshot, IsRefusedWithAReason) {
    ResetForTests();
    HINSTANCE inst = RegisterResources(sample::Resources());
    auto script = std::make_shared<Script>();
    script->Dialog("Sample Port Settings").Screenshot("/tmp/never.png");
    UseScript(script);
    try {
        sample::RunSample(inst);
        FAIL() << "no failure";
    } catch (const ScriptFailure& e) {
        EXPECT_NE(std::string(e.what()).find("headless renderer takes no screenshots"),
                  std::string::npos);
    }
}

}  // namespace
