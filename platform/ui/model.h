// The control model: the toolkit-free state of every window and control. The Win32-shaped
// functions (winuser.h, commctrl.h) change it; renderers read it to show it and feed the user's
// input back through platform/ui/input.h, never by writing here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/ui/commctrl.h"
#include "platform/ui/wingdi.h"

namespace ovtb::ui {

enum class WindowKind {
    Dialog,  // a dialog from a template (also a property sheet page)
    Sheet,   // a property sheet frame: tabs, page area, OK / Cancel / Apply
    Static,
    GroupBox,
    Button,  // push button; `isDefault` for a default push button
    CheckBox,
    ComboBox,
    Edit,
    ListView,
    Icon,
};

struct FontSpec {
    std::string face = "MS Sans Serif";
    int pointSize = 8;
    bool operator==(const FontSpec&) const = default;
};

struct ComboItem {
    std::string text;
    LPARAM data = 0;
};

struct ListColumn {
    std::string text;
    int fmt = LVCFMT_LEFT;
    int width = 0;
};

struct ListRow {
    LPARAM param = 0;
    UINT state = 0;                  // LVIS_*
    std::vector<std::string> texts;  // item text and subitem texts (unused by owner-drawn rows)
};

struct MenuItem {
    UINT flags = MF_STRING;
    UINT_PTR id = 0;
    std::string text;
};

struct Window {
    HWND handle = nullptr;
    WindowKind kind = WindowKind::Static;
    int id = 0;
    HWND parent = nullptr;       // the dialog of a control; the sheet of a page
    HWND owner = nullptr;        // the owner window of a modal dialog
    std::vector<HWND> children;  // in template order, which is the tab order
    std::string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT units{};  // template rectangle in dialog units (a dialog: 0, 0, cx, cy)
    RECT rect{};   // in pixels; a control: in its dialog's client area
    bool enabled = true;
    bool visible = true;
    std::uint64_t revision = 0;  // grows with every change; renderers may compare it

    // Buttons and check boxes.
    bool isDefault = false;
    UINT check = BST_UNCHECKED;
    // Combo boxes.
    std::vector<ComboItem> items;
    int curSel = -1;
    // Edits: the longest text the user may type.
    size_t limit = 30000;
    // List views.
    std::vector<ListColumn> columns;
    std::vector<ListRow> rows;
    bool rowsDirty = false;  // rows to be painted again
    // Icon controls, and a dialog's icons.
    int iconId = 0;
    HICON icon = nullptr;

    // Dialogs.
    FontSpec font;
    SIZE baseUnits{};  // pixels per 4 horizontal and 8 vertical dialog units
    DLGPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    int templateId = 0;
    LONG_PTR msgResult = 0;  // DWL_MSGRESULT
    LONG_PTR user = 0;       // DWL_USER
    LONG_PTR userData = 0;   // GWL_USERDATA
    bool ended = false;
    INT_PTR result = 0;
    HWND focus = nullptr;  // the control that has the focus while the dialog is active
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    std::vector<MenuItem> systemMenu;  // appended items (the standard ones are implied)
    bool minimized = false;
    int defaultId = 0;  // DM_SETDEFID; 0: the default push button of the template, else IDOK

    // Property sheets.
    std::vector<HWND> pages;  // page dialogs, created when first shown (nullptr before)
    int activePage = -1;
};

// The live window behind a handle, or nullptr.
const Window* Lookup(HWND window);
// The dialog a control belongs to (the window itself for a dialog).
HWND DialogOf(HWND window);
// The control of a dialog with the id, looking into the active page of a sheet too.
HWND FindControl(HWND dialog, int id);
// Text of a combo box's selection, "" when none.
std::string ComboText(const Window& combo);
// Text shown for a button or static caption without its mnemonic marks ("&OK" -> "OK").
std::string StripMnemonic(const std::string& caption);
// The mnemonic letter of a caption (lower case), or 0.
char MnemonicOf(const std::string& caption);

// Geometry of a list view in its own client pixels.
int ListHeaderHeight(const Window& list);
int ListRowHeight(const Window& list);
// The frame around the client area of a list view, each side (0 without a border style).
int ListBorder(const Window& list);
RECT ListRowRect(const Window& list, int row);

// The open modal dialogs and property sheets, innermost last.
std::vector<HWND> ModalStack();

}  // namespace ovtb::ui
