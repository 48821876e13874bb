// Dialog templates, string tables and icons are data: a program or library describes its
// resources once in tables and registers them under a module handle (HINSTANCE); DialogBoxParamA,
// LoadStringA and LoadIconA look them up there by their integer ids.
#pragma once

#include <string>
#include <vector>

#include "platform/ui/winuser.h"

namespace ovtb::ui {

// Kinds of control a template can hold. Each kind implies its window class style (an automatic
// check box is BS_AUTOCHECKBOX, a default push button BS_DEFPUSHBUTTON, ...); push buttons,
// check boxes, combo boxes and edits are tab stops unless the template says kNoTabStop.
enum class ControlKind {
    Static,
    GroupBox,
    PushButton,
    DefPushButton,
    CheckBox,
    ComboBox,
    Edit,
    ListView,
    Icon,
};

constexpr int IDC_STATIC = -1;
// Extra template style bit (outside the Windows style bits we use): suppresses the default tab
// stop.
constexpr DWORD kNoTabStop = 0x0000'0001u << 31;

struct ControlTemplate {
    int id = IDC_STATIC;
    ControlKind kind = ControlKind::Static;
    std::string caption{};
    // Position and size in dialog units.
    int x = 0, y = 0, cx = 0, cy = 0;
    // Window and control styles beyond those the kind implies (WS_TABSTOP, WS_BORDER, WS_VSCROLL,
    // WS_DISABLED, CBS_DROPDOWNLIST, ES_AUTOHSCROLL, LVS_*, SS_NOPREFIX, ...).
    DWORD style = 0;
    DWORD exStyle = 0;
    // Initial list of a combo box.
    std::vector<std::string> items{};
    // Icon resource of an icon control.
    int icon = 0;
};

struct DialogTemplate {
    int id = 0;
    std::string caption;
    // Size in dialog units.
    int cx = 0, cy = 0;
    std::string fontName = "MS Sans Serif";
    int pointSize = 8;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::vector<ControlTemplate> controls;
};

struct StringEntry {
    UINT id;
    std::string text;
};

// An icon resource: its id and a short name that renderers may use to pick an image.
struct IconEntry {
    int id;
    std::string name;
};

struct ResourceTable {
    std::vector<DialogTemplate> dialogs;
    std::vector<StringEntry> strings;
    std::vector<IconEntry> icons;
};

// Registers a copy of the table under a new module handle and returns it. Handles stay valid
// for the life of the process.
HINSTANCE RegisterResources(ResourceTable table);
// The table registered under the handle, or nullptr.
const ResourceTable* FindResources(HINSTANCE instance);
const DialogTemplate* FindDialogTemplate(HINSTANCE instance, int id);

}  // namespace ovtb::ui
