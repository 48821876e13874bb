// The user's input, as renderers and the scripted user feed it to the model. Each function does
// what the control does on Windows when a person acts on it: changes the control's state and
// sends the owner dialog its notification (WM_COMMAND, WM_NOTIFY), then delivers posted
// messages. They act only on enabled, visible controls and return false otherwise (a person
// cannot press a disabled button), or when the handle is not such a control.
#pragma once

#include <string_view>

#include "platform/ui/model.h"

namespace ovtb::ui::input {

// A push button: WM_COMMAND BN_CLICKED. A check box: toggles, then BN_CLICKED.
bool Click(HWND control);
// A check box set to the state (a click when it differs; nothing otherwise).
bool SetChecked(HWND checkBox, bool checked);
// Picks a combo row: selection, then CBN_SELCHANGE (also when the row was already selected).
bool SelectComboRow(HWND combo, int row);
// Replaces an edit's text with what a person typing it would get: cut to the text limit.
// EN_CHANGE follows (and EN_MAXTEXT when the text was cut).
bool TypeText(HWND edit, std::string_view text);
// Selects and focuses a list row (single selection), sending LVN_ITEMCHANGED for every row whose
// state changes; row -1 clears the selection (a click below the last row).
bool SelectListRow(HWND list, int row);
// A click on a list row (NM_CLICK after the selection), and a double click (NM_DBLCLK).
bool ClickListRow(HWND list, int row);
bool DoubleClickListRow(HWND list, int row);
// Moves the keyboard focus to the control (WM_SETFOCUS-like bookkeeping only).
bool Focus(HWND control);
// Keys of the dialog: Enter presses the default button (DM_GETDEFID, else the default push
// button, else IDOK), Escape sends IDCANCEL, Close is the caption's close box (WM_CLOSE, whose
// default handling sends IDCANCEL).
bool Enter(HWND dialog);
bool Escape(HWND dialog);
bool Close(HWND dialog);
// A system menu command (WM_SYSCOMMAND).
bool SysCommand(HWND dialog, UINT command);
// Minimises or restores the dialog.
bool Minimize(HWND dialog, bool minimized);
// Delivers the messages posted with PostMessageA, in order.
void DeliverPosted();

// Paints one row of an owner-drawn list view into the DC: sends WM_DRAWITEM (ODT_LISTVIEW) with
// the row's rectangle in the DC's coordinates (`origin` is where the list's client area lies)
// and its state (ODS_SELECTED; ODS_FOCUS when the row is focused and the list has the focus).
// Returns the dialog procedure's answer.
bool PaintListRow(HWND list, int row, HDC dc, POINT origin, UINT action = ODA_DRAWENTIRE);
// Sends WM_PAINT to the dialog with the DC for BeginPaint.
void PaintDialog(HWND dialog, HDC dc);

}  // namespace ovtb::ui::input
