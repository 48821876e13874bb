// Choosing a renderer, what the layer records for tests, and how a failed run ends.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/renderer.h"

namespace ovtb::ui {

// Chooses how windows are shown, by the value of `--ui=`:
//   "headless"        no toolkit; a script must answer every window
//   "qt"              Qt 6 Widgets (module ovtb-ui-qt.so, loaded when a window is first needed)
//   "tty"             the terminal (module ovtb-ui-tty.so)
//   "script:FILE"     headless, answered by the script file
//   "qt+script:FILE"  Qt, answered by the script file (for screenshots and checks with windows)
// The script file is read and checked at once; a module is loaded only when the first window
// opens. Returns false with a message in `error` for an unknown spec or a bad script.
bool SelectRenderer(std::string_view spec, std::string* error = nullptr);
// The renderer used without --ui: "qt" when a display is available ($DISPLAY, $WAYLAND_DISPLAY
// or QT_QPA_PLATFORM set), else "tty".
std::string DefaultRendererSpec();
// The name of the renderer that will be (or is) used.
std::string SelectedRendererName();

// Message boxes shown since start (or since ClearRecords), whatever the renderer.
struct MessageRecord {
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    UINT type = 0;
    int result = 0;
};
// Dialogs opened: their template id and caption after initialisation.
struct DialogRecord {
    int templateId = 0;
    std::string caption;
};
const std::vector<MessageRecord>& RecordedMessages();
const std::vector<DialogRecord>& RecordedDialogs();
void ClearRecords();

// A failed run: a window nobody can answer, a script that does not match, a renderer that
// cannot be loaded. The handler gets one line naming what failed. The default handler prints
// "ovtb ui: <line>" on stderr and ends the process with kFailedRunExitCode; tests install
// ThrowScriptFailure to see the failure as an exception.
constexpr int kFailedRunExitCode = 2;
using FailureHandler = std::function<void(const std::string&)>;
void SetFailureHandler(FailureHandler handler);
[[noreturn]] void FailRun(const std::string& what);

struct ScriptFailure : std::runtime_error {
    using std::runtime_error::runtime_error;
};
void ThrowScriptFailure(const std::string& what);

// For tests: destroys every window, drops the script and records, and goes back to the
// headless renderer with the throwing failure handler.
void ResetForTests();

}  // namespace ovtb::ui
