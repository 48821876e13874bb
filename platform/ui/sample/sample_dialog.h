// A sample dialog for the layer's own tests, benchmarks and screenshots: ten controls, an
// owner-drawn list of eight port rows, a nested "Details" dialog that asks a Yes/No question.
#pragma once

#include "platform/ui/dialog_template.h"
#include "platform/ui/winuser.h"

namespace ovtb::ui::sample {

constexpr int kMainDialog = 300;
constexpr int kDetailsDialog = 301;

constexpr int kGroup = 1000;
constexpr int kPortLabel = 1001;
constexpr int kPort = 1002;  // combo box, COM1 to COM16
constexpr int kAuto = 1003;  // check box
constexpr int kNameLabel = 1004;
constexpr int kName = 1005;     // edit, at most 8 characters
constexpr int kPorts = 1006;    // owner-drawn list, 8 rows
constexpr int kDetails = 1007;  // opens the details dialog
constexpr int kReset = 1010;    // details: asks "Reset all ports?"
constexpr int kResult = 1011;   // details: static text with the answer

// The sample's resources: both dialogs and a string table.
ResourceTable Resources();

// Runs the sample dialog modally; returns its result (IDOK or IDCANCEL).
INT_PTR RunSample(HINSTANCE instance);

}  // namespace ovtb::ui::sample
