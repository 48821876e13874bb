// The panel's templates against what its dialogs and their users rely on: the controls the code
// drives exist with the kind it drives them as, nothing sticks out of its dialog, ids and
// keyboard mnemonics are unambiguous within a dialog, and OK is the one default button.
#include "panel/dialog_templates.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "panel/resource.h"
#include "platform/ui/model.h"

namespace ovtb::panel {
namespace {

using ui::ControlKind;

const ui::DialogTemplate* TemplateById(int id) {
    static const std::vector<ui::DialogTemplate> all = PanelDialogTemplates();
    for (const auto& t : all) {
        if (t.id == id) {
            return &t;
        }
    }
    return nullptr;
}

const ui::ControlTemplate* ControlById(const ui::DialogTemplate& t, int id) {
    for (const auto& c : t.controls) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

TEST(PanelDialogTemplates, EveryControlTheDialogsDriveHasTheKindTheyDriveItAs) {
    struct Case {
        int dialog;
        int control;
        ControlKind kind;
    };
    const Case cases[] = {
        {IDD_ABOUTBOX, IDC_ABOUT_TITLE, ControlKind::Static},
        {IDD_ABOUTBOX, IDC_ABOUT_NOTICE, ControlKind::Static},
        {IDD_ABOUTBOX, IDOK, ControlKind::DefPushButton},
        {IDD_BOARD_LIST, IDC_BOARD_LIST, ControlKind::ListView},
        {IDD_BOARD_LIST, IDC_ADD, ControlKind::PushButton},
        {IDD_BOARD_LIST, IDC_REMOVE, ControlKind::PushButton},
        {IDD_BOARD_LIST, IDC_PROPERTY, ControlKind::PushButton},
        {IDD_BOARD_LIST, IDOK, ControlKind::DefPushButton},
        {IDD_BOARD_LIST, IDCANCEL, ControlKind::PushButton},
        {IDD_BOARD_PROPERTY, IDC_BOARD_TYPE, ControlKind::ComboBox},
        {IDD_BOARD_PROPERTY, IDC_INTERRUPT, ControlKind::ComboBox},
        {IDD_BOARD_PROPERTY, IDC_VECTOR_CHECK, ControlKind::CheckBox},
        {IDD_BOARD_PROPERTY, IDC_VECTOR, ControlKind::Edit},
        {IDD_BOARD_PROPERTY, IDC_IO_ADDRESS, ControlKind::Edit},
        {IDD_BOARD_PROPERTY, IDC_PORT_LIST, ControlKind::ListView},
        {IDD_BOARD_PROPERTY, IDC_PORT_SETTING, ControlKind::PushButton},
        {IDD_BOARD_PROPERTY, IDOK, ControlKind::DefPushButton},
        {IDD_BOARD_PROPERTY, IDCANCEL, ControlKind::PushButton},
        {IDD_PORT_SETTINGS, IDC_COM_NUMBER, ControlKind::ComboBox},
        {IDD_PORT_SETTINGS, IDC_AUTO_ENUMERATE, ControlKind::CheckBox},
        {IDD_PORT_SETTINGS, IDC_RX_TRIGGER, ControlKind::ComboBox},
        {IDD_PORT_SETTINGS, IDC_RX_TRIGGER_ALL, ControlKind::CheckBox},
        {IDD_PORT_SETTINGS, IDC_TX_FIFO, ControlKind::ComboBox},
        {IDD_PORT_SETTINGS, IDC_TX_FIFO_ALL, ControlKind::CheckBox},
        {IDD_PORT_SETTINGS, IDOK, ControlKind::DefPushButton},
        {IDD_PORT_SETTINGS, IDCANCEL, ControlKind::PushButton},
    };
    for (const Case& c : cases) {
        const ui::DialogTemplate* t = TemplateById(c.dialog);
        ASSERT_NE(t, nullptr) << "template " << c.dialog;
        const ui::ControlTemplate* control = ControlById(*t, c.control);
        ASSERT_NE(control, nullptr) << "template " << c.dialog << " control " << c.control;
        EXPECT_EQ(control->kind, c.kind) << "template " << c.dialog << " control " << c.control;
    }
}

TEST(PanelDialogTemplates, ControlsLieInsideTheirDialogWithUniqueIdsAndMnemonics) {
    for (const ui::DialogTemplate& t : PanelDialogTemplates()) {
        SCOPED_TRACE("template " + std::to_string(t.id));
        std::set<int> ids;
        std::map<char, std::string> mnemonics;
        int defaults = 0;
        for (const ui::ControlTemplate& c : t.controls) {
            SCOPED_TRACE("control \"" + c.caption + "\" " + std::to_string(c.id));
            EXPECT_GE(c.x, 0);
            EXPECT_GE(c.y, 0);
            EXPECT_LE(c.x + c.cx, t.cx);
            // A combo box's height is that of its dropped-down list, which may leave the dialog.
            if (c.kind != ControlKind::ComboBox) {
                EXPECT_LE(c.y + c.cy, t.cy);
            }
            if (c.id != ui::IDC_STATIC) {
                EXPECT_TRUE(ids.insert(c.id).second) << "duplicate id";
            }
            if (char m = ui::MnemonicOf(c.caption)) {
                auto [it, fresh] = mnemonics.emplace(m, c.caption);
                EXPECT_TRUE(fresh) << "mnemonic '" << m << "' also on \"" << it->second << "\"";
            }
            if (c.kind == ControlKind::DefPushButton) {
                ++defaults;
                EXPECT_EQ(c.id, IDOK);
            }
        }
        EXPECT_EQ(defaults, 1);
    }
}

TEST(PanelDialogTemplates, ResourcesHoldTheTemplatesTheStringsAndTheIcon) {
    ui::ResourceTable table = PanelResources();
    std::set<int> dialogs;
    for (const auto& t : table.dialogs) {
        dialogs.insert(t.id);
    }
    EXPECT_EQ(dialogs,
              (std::set<int>{IDD_ABOUTBOX, IDD_BOARD_LIST, IDD_BOARD_PROPERTY, IDD_PORT_SETTINGS}));
    HINSTANCE instance = ui::RegisterResources(std::move(table));
    char text[64];
    EXPECT_GT(LoadStringA(instance, AFX_IDS_APP_TITLE, text, sizeof text), 0);
    EXPECT_STREQ(text, "Configuration Panel");
    EXPECT_NE(LoadIconA(instance, MAKEINTRESOURCEA(IDR_MAINFRAME)), nullptr);
}

}  // namespace
}  // namespace ovtb::panel
