// The layer's process state: the window table, the renderer, the posted queue, the records.
// Internal to platform/ui.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/dialog_template.h"
#include "platform/ui/model.h"
#include "platform/ui/renderer.h"
#include "platform/ui/ui.h"

namespace ovtb::ui::detail {

struct Posted {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

struct State {
    std::map<HWND, std::unique_ptr<Window>> windows;
    ULONG_PTR nextHandle = 0x1000;
    std::vector<HWND> modal;  // open modal dialogs, innermost last
    std::deque<Posted> posted;
    HWND focus = nullptr;
    HDC paintDC = nullptr;  // the DC that BeginPaint hands out during input::PaintDialog

    std::unique_ptr<Renderer> renderer;
    void* module = nullptr;    // dlopen handle of a renderer module
    std::string rendererName;  // chosen; "" = default
    std::shared_ptr<ScriptedUser> script;

    std::vector<MessageRecord> messages;
    std::vector<DialogRecord> dialogs;
    FailureHandler failure;

    std::vector<std::function<void(HWND)>> destroyHooks;
};

State& S();
Window* Mut(HWND window);
HWND NewHandle();
// Creates a window in the table; the caller fills it in.
Window& CreateWindowRecord(WindowKind kind, HWND parent);
// Destroys the window and its children (children first); sends nothing.
void DestroyWindowRecord(HWND window);
// Bumps the revision and tells the renderer, when one is loaded.
void Notify(Window& w, Change what);
// The renderer if already loaded, else nullptr (never loads).
Renderer* LoadedRenderer();

// Control messages (controls.cpp). Returns true when the message was one of the control's.
bool ControlMessage(Window& w, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
// Calls the dialog procedure; handles the default dialog behaviour for what it leaves.
LRESULT DialogMessage(Window& dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The text measurement in a window's font.
SIZE MeasureIn(const Window& w, std::string_view text);
// The dialog that owns a control (the control itself when it is a dialog or sheet).
Window* OwnerDialog(Window& w);
// Sends WM_COMMAND from a control to its dialog.
void SendCommand(Window& control, UINT code);
// Sends WM_NOTIFY with the record (whose NMHDR is filled in here) to the control's dialog.
LRESULT SendNotify(Window& control, UINT code, NMHDR* header);

// Runs a dialog modally (dialogs.cpp); used by DialogBox* and PropertySheetA.
INT_PTR RunCreatedModal(HWND dialog);
// Creates a dialog window with its controls from a template, inside `parent` (a sheet) or as a
// top-level dialog with an owner.
HWND CreateDialogFromTemplate(HINSTANCE instance, const DialogTemplate& tmpl, HWND owner,
                              HWND parent, DLGPROC proc);

// Handle to the brush or font object behind an HGDIOBJ (gdi.cpp).
HFONT FontHandle(const FontSpec& font);
const FontSpec* FontOf(HFONT font);

}  // namespace ovtb::ui::detail
