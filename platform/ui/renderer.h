// The renderer interface: what the control model asks of a way of showing windows (headless,
// Qt, terminal). A renderer shows the model's windows, measures text, runs the modal loops and
// feeds input back through platform/ui/input.h. It never changes the model directly. See
// docs/ui.md for the contract in full.
//
// A renderer in a module (ovtb-ui-NAME.so next to libovtb_ui.so) exports
//     extern "C" ovtb::ui::Renderer* ovtb_ui_create_renderer(int abiVersion);
// which returns nullptr when abiVersion is not kRendererAbiVersion.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/model.h"

namespace ovtb::ui {

constexpr int kRendererAbiVersion = 1;

class DeviceContext;

// What changed on a window (Renderer::Changed).
enum class Change {
    Text,     // caption or control text
    State,    // enabled, visible, check, focus, default button, icon, minimised
    Items,    // combo items or selection
    Columns,  // list columns or widths
    Rows,     // list rows, their states, or an invalidation: rows must be painted again
    Created,  // a window was added to an open dialog (a property sheet page)
};

struct MessageBoxRequest {
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    UINT type = MB_OK;
};

// The buttons of a message box type, in their order on screen; the default answer is the one
// that MB_DEFBUTTONn names (the first when it names none of them).
std::vector<int> MessageBoxButtons(UINT type);
int MessageBoxDefault(UINT type);

// A user that is not a person: the scripted user. Renderers call it so that a script can drive
// any of them.
class ScriptedUser {
  public:
    virtual ~ScriptedUser() = default;
    // A dialog has been created and initialised; fails the run when it is not the one expected.
    virtual void DialogOpened(HWND dialog) = 0;
    // Performs the next action on the innermost open dialog; fails the run when the script has
    // none for it.
    virtual void Step(HWND dialog) = 0;
    // A message box opens: returns the answer, or fails the run when it is not expected.
    virtual int MessageBoxOpened(const MessageBoxRequest& box) = 0;
};

// Sizes of a report-view list view in the renderer's pixels (a terminal's pixel is a cell).
struct ListMetrics {
    int rowHeight;      // one row
    int headerHeight;   // the header (0 with LVS_NOCOLUMNHEADER)
    int columnPadding;  // added to a text's width by LVSCW_AUTOSIZE and _USEHEADER
    int border;         // the frame of a list with WS_BORDER or WS_EX_CLIENTEDGE, each side
};

class Renderer {
  public:
    virtual ~Renderer() = default;
    virtual const char* Name() const = 0;

    // Pixels of the average character width and of the line height of the font: the dialog base
    // units from which dialog units become pixels (x * cx / 4, y * cy / 8).
    virtual SIZE BaseUnits(const FontSpec& font) = 0;
    virtual SIZE TextExtent(const FontSpec& font, std::string_view text) = 0;
    // By default: a line plus 2 for a row, a line plus 7 for the header, 12 of padding, 2 of
    // border, as a Windows list view at 96 dpi.
    virtual ListMetrics ListViewMetrics(const FontSpec& font);

    // Shows the dialog (created and initialised in the model) and runs until the model marks it
    // ended (Lookup(dialog)->ended). With a scripted user, calls user->Step(dialog) whenever the
    // dialog waits for input; without one, a person answers. Must be reentrant: a step may open
    // a nested dialog. Returning early without the dialog ended is a failure of the renderer.
    virtual void RunModal(HWND dialog, ScriptedUser* user) = 0;

    // Shows a message box. `scripted` is the scripted answer (0: none, a person answers). Returns
    // the ID of the button pressed.
    virtual int RunMessageBox(const MessageBoxRequest& box, int scripted) = 0;

    // The model changed a window that may be on screen.
    virtual void Changed(HWND window, Change what) { (void)window, (void)what; }
    // The window and its children are about to be destroyed.
    virtual void Destroying(HWND window) { (void)window; }

    // Saves a picture of the dialog as it is on screen (PNG). False with a reason when the
    // renderer cannot.
    virtual bool Screenshot(HWND dialog, const std::string& path, std::string* error);
};

// The renderer in use, loaded on first call (the one SelectRenderer named, else the default).
Renderer& ActiveRenderer();

}  // namespace ovtb::ui
