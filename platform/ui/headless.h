// What the headless renderer shows, for tests.
#pragma once

#include <vector>

#include "platform/ui/device_context.h"

namespace ovtb::ui {

// The draw calls of each row of an owner-drawn list view as the headless renderer last painted
// them (row by row), or nullptr when the list has not been painted or another renderer is in
// use. Rows are painted when a dialog opens and after each scripted step that invalidated them.
const std::vector<std::vector<DrawCall>>* HeadlessFrame(HWND list);
// What the dialog drew on WM_PAINT the last time the headless renderer painted it minimised
// (after each scripted step while it is minimised), or nullptr.
const std::vector<DrawCall>* HeadlessDialogPaint(HWND dialog);

}  // namespace ovtb::ui
