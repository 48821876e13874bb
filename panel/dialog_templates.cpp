#include "panel/dialog_templates.h"

#include "catalog/board_catalog.h"
#include "panel/resource.h"
#include "panel/string_table.h"
#include "platform/ui/commctrl.h"

namespace ovtb::panel {

namespace {

using ui::ControlKind;
using ui::ControlTemplate;
using ui::DialogTemplate;
using ui::IDC_STATIC;

// A drop-down list with a vertical scroll bar: every combo box of the panel.
constexpr DWORD kDropList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
// A bordered edit that scrolls its text sideways.
constexpr DWORD kEdit = ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;

ControlTemplate Control(int id, ControlKind kind, const char* caption, int x, int y, int cx, int cy,
                        DWORD style = 0) {
    ControlTemplate c;
    c.id = id;
    c.kind = kind;
    c.caption = caption;
    c.x = x;
    c.y = y;
    c.cx = cx;
    c.cy = cy;
    c.style = style;
    return c;
}

DialogTemplate MakeAbout() {
    DialogTemplate t;
    t.id = IDD_ABOUTBOX;
    t.caption = ABOUT_BOX_CAPTION;
    t.cx = 217;
    t.cy = 55;
    t.fontName = "Arial";
    t.pointSize = 8;
    t.style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    ControlTemplate icon = Control(IDC_STATIC, ControlKind::Icon, "", 11, 17, 18, 20);
    icon.icon = IDR_MAINFRAME;
    t.controls = {
        icon,
        Control(IDC_ABOUT_TITLE, ControlKind::Static, "", 40, 10, 119, 8, SS_NOPREFIX),
        Control(IDC_ABOUT_NOTICE, ControlKind::Static, "", 40, 25, 119, 8),
        Control(IDOK, ControlKind::DefPushButton, "OK", 178, 7, 32, 14, WS_GROUP),
    };
    return t;
}

DialogTemplate MakeBoardList() {
    DialogTemplate t;
    t.id = IDD_BOARD_LIST;
    t.caption = "OvTBAdm";
    t.cx = 317;
    t.cy = 149;
    t.fontName = "Arial";
    t.pointSize = 8;
    t.style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
    t.exStyle = WS_EX_APPWINDOW;
    t.controls = {
        Control(IDC_STATIC, ControlKind::GroupBox, "", 5, 10, 305, 105),
        Control(IDC_BOARD_LIST, ControlKind::ListView, "", 15, 26, 285, 59,
                LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDRAWFIXED | LVS_NOLABELWRAP |
                    LVS_NOSORTHEADER | WS_BORDER | WS_TABSTOP),
        Control(IDC_ADD, ControlKind::PushButton, "&Add", 30, 95, 45, 15),
        Control(IDC_REMOVE, ControlKind::PushButton, "&Remove", 135, 95, 45, 15),
        Control(IDC_PROPERTY, ControlKind::PushButton, "&Property", 235, 95, 45, 15),
        Control(IDOK, ControlKind::DefPushButton, "&OK", 135, 125, 50, 14),
        Control(IDCANCEL, ControlKind::PushButton, "Cance&l", 235, 125, 50, 14),
    };
    return t;
}

DialogTemplate MakeBoardProperty() {
    DialogTemplate t;
    t.id = IDD_BOARD_PROPERTY;
    t.caption = "Property";
    t.cx = 225;
    t.cy = 228;
    t.style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    ControlTemplate irq =
        Control(IDC_INTERRUPT, ControlKind::ComboBox, "", 110, 47, 55, 85, kDropList);
    for (const auto& choice : catalog::IrqChoices) {
        irq.items.emplace_back(choice.text);
    }
    t.controls = {
        Control(IDC_STATIC, ControlKind::GroupBox, "", 5, 0, 211, 85),
        Control(IDC_STATIC, ControlKind::Static, "&Board Type", 23, 10, 50, 10),
        Control(IDC_BOARD_TYPE, ControlKind::ComboBox, "", 88, 10, 125, 90, kDropList),
        Control(IDC_VECTOR_CHECK, ControlKind::CheckBox, "INT &Vector", 23, 31, 60, 10),
        Control(IDC_VECTOR, ControlKind::Edit, "", 110, 27, 55, 15, kEdit),
        Control(IDC_STATIC, ControlKind::Static, "&Interrupt No.", 24, 48, 75, 10),
        irq,
        Control(IDC_STATIC, ControlKind::Static, "Base I/O Port &Address", 23, 65, 75, 10),
        Control(IDC_IO_ADDRESS, ControlKind::Edit, "", 110, 63, 55, 15, kEdit),
        Control(IDC_STATIC, ControlKind::GroupBox, "", 5, 85, 211, 115),
        Control(IDC_PORT_LIST, ControlKind::ListView, "", 8, 95, 205, 80,
                LVS_REPORT | LVS_SINGLESEL | LVS_OWNERDRAWFIXED | LVS_NOSORTHEADER | WS_BORDER |
                    WS_TABSTOP),
        Control(IDC_PORT_SETTING, ControlKind::PushButton, "&Port Setting", 158, 180, 50, 15),
        Control(IDOK, ControlKind::DefPushButton, "&OK", 93, 205, 50, 14),
        Control(IDCANCEL, ControlKind::PushButton, "Cance&l", 158, 205, 50, 14),
    };
    return t;
}

DialogTemplate MakePortSettings() {
    DialogTemplate t;
    t.id = IDD_PORT_SETTINGS;
    t.caption = "Port";  // replaced by "Port %d" at initialisation
    t.cx = 182;
    t.cy = 148;
    // A modal frame with a caption and no system menu.
    t.style = DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_CAPTION;
    t.controls = {
        Control(IDC_STATIC, ControlKind::GroupBox, "", 10, 0, 160, 40),
        Control(IDC_STATIC, ControlKind::Static, "&Port Number", 15, 12, 65, 10),
        Control(IDC_COM_NUMBER, ControlKind::ComboBox, "", 90, 10, 67, 103, kDropList),
        Control(IDC_AUTO_ENUMERATE, ControlKind::CheckBox, "Auto Enumerating &COM Number", 45, 25,
                117, 10),
        Control(IDC_STATIC, ControlKind::GroupBox, "", 10, 40, 159, 41),
        Control(IDC_STATIC, ControlKind::Static, "&Rx FIFO Trigger ", 14, 51, 65, 10),
        Control(IDC_RX_TRIGGER, ControlKind::ComboBox, "", 89, 51, 65, 70, kDropList),
        Control(IDC_RX_TRIGGER_ALL, ControlKind::CheckBox, "Set the change to &all ports", 45, 65,
                115, 10),
        Control(IDC_STATIC, ControlKind::GroupBox, "", 10, 80, 160, 40),
        Control(IDC_STATIC, ControlKind::Static, "&Tx FIFO Size", 15, 90, 65, 10),
        Control(IDC_TX_FIFO, ControlKind::ComboBox, "", 90, 90, 65, 85, kDropList),
        Control(IDC_TX_FIFO_ALL, ControlKind::CheckBox, "&Set the change to all ports", 45, 105,
                115, 10),
        Control(IDOK, ControlKind::DefPushButton, "&OK", 55, 125, 50, 14),
        Control(IDCANCEL, ControlKind::PushButton, "Cance&l", 115, 125, 50, 14),
    };
    return t;
}

}  // namespace

const ui::DialogTemplate& AboutDialogTemplate() {
    static const DialogTemplate t = MakeAbout();
    return t;
}

const ui::DialogTemplate& BoardListDialogTemplate() {
    static const DialogTemplate t = MakeBoardList();
    return t;
}

const ui::DialogTemplate& BoardPropertyDialogTemplate() {
    static const DialogTemplate t = MakeBoardProperty();
    return t;
}

const ui::DialogTemplate& PortSettingsDialogTemplate() {
    static const DialogTemplate t = MakePortSettings();
    return t;
}

std::vector<ui::DialogTemplate> PanelDialogTemplates() {
    return {AboutDialogTemplate(), BoardListDialogTemplate(), BoardPropertyDialogTemplate(),
            PortSettingsDialogTemplate()};
}

std::vector<ui::IconEntry> PanelIcons() {
    return {{IDR_MAINFRAME, "panel"}};
}

ui::ResourceTable PanelResources() {
    ui::ResourceTable table;
    table.dialogs = PanelDialogTemplates();
    for (const PanelString& entry : PanelStringTable) {
        table.strings.push_back({entry.id, entry.text});
    }
    table.icons = PanelIcons();
    return table;
}

}  // namespace ovtb::panel
