// The main dialog with the Qt renderer, offscreen, driven by real key events: the About box
// through the system menu (Alt+Space), a board added with the keyboard alone, and Escape.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <cstdlib>

#include "panel/Admdlg.h"
#include "panel/resource.h"
#include "panel/tests/panel_dialog_fixture.h"

// fontconfig keeps a few allocations of its own caches to the end of the process.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

namespace ovtb::panel {
namespace {

constexpr const char* kCaption = "Orvane Talvex/Brinor Configuration Panel";

void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QWidget* target = QApplication::focusWidget();
    if (!target) {
        target = QApplication::activeModalWidget();
    }
    ASSERT_NE(target, nullptr);
    QTest::keyClick(target, static_cast<Qt::Key>(key), mods);
}

class BoardListDialogQtTest : public testing::PanelDialogTest {
  protected:
    void SetUp() override {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        testing::PanelDialogTest::SetUp();
        std::string error;
        ASSERT_TRUE(ui::SelectRenderer("qt", &error)) << error;
    }
    void TearDown() override {
        testing::PanelDialogTest::TearDown();
        ui::ResetForTests();
    }
    catalog::BoardSettingBlock isa_, pci_, offered_;
};

TEST_F(BoardListDialogQtTest, AltSpaceOpensTheSystemMenuWithTheAboutItem) {
    script().Dialog(kCaption).Call([](HWND) {
        // The menu runs its own loop: pick its last item (About) once it is up.
        QTimer::singleShot(0, [] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            QList<QAction*> actions = menu->actions();
            ASSERT_EQ(actions.size(), 3);  // Close, a separator, About
            EXPECT_TRUE(actions[1]->isSeparator());
            EXPECT_EQ(actions[2]->text().toStdString(), "&About Configuration Panel");
            QTest::keyClick(menu, Qt::Key_Up);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        Key(Qt::Key_Space, Qt::AltModifier);
    });
    script().Dialog("About Configuration Panel").ExpectText(IDC_ABOUT_TITLE, kCaption);
    script().Call([](HWND) { Key(Qt::Key_Return); });
    script().Call([](HWND) { Key(Qt::Key_Escape); });
    BoardListDialog dialog(isa_, pci_, offered_);
    EXPECT_EQ(Run(dialog), IDCANCEL);
}

TEST_F(BoardListDialogQtTest, ABoardIsAddedWithTheKeyboardAlone) {
    script().Dialog(kCaption).Call([](HWND) { Key(Qt::Key_A, Qt::AltModifier); });
    script().Dialog("Property").Call([](HWND) { Key(Qt::Key_Return); });
    testing::Expect(script(), testing::Op::ExpectRows, IDC_BOARD_LIST, 1);
    script().Call([](HWND) { Key(Qt::Key_Escape); });
    BoardListDialog dialog(isa_, pci_, offered_);
    EXPECT_EQ(Run(dialog), IDCANCEL);
}

}  // namespace
}  // namespace ovtb::panel
