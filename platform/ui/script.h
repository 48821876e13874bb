// The scripted user: a list of steps that answers each dialog and message box as it opens.
// Written in code (the builder below) for tests, or as a text file for `--ui=script:FILE`; the
// line format is described in docs/ui.md. A dialog or message box that the script does not
// expect, or a dialog left waiting when the script has nothing more for it, fails the run at
// once with a message naming it (see SetFailureHandler in platform/ui/ui.h).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ui/renderer.h"

namespace ovtb::ui {

struct ScriptStep {
    enum class Op {
        Dialog,         // the next dialog to open: caption (text) or template id (number)
        Message,        // the next message box to open: its text
        Answer,         // the button that answers that message box
        Select,         // combo row or list row of a control
        Check,          // check box on
        Uncheck,        // check box off
        Type,           // edit text
        Press,          // button click
        Click,          // list row click
        DoubleClick,    // list row double click
        Enter,          // Enter key
        Escape,         // Escape key
        Close,          // the caption's close box
        SysCommand,     // system menu command
        Focus,          // focus a control
        ExpectText,     // a control's text (a combo: its selected row's text)
        ExpectEnabled,  // a control is enabled
        ExpectDisabled,
        ExpectChecked,
        ExpectUnchecked,
        ExpectRows,      // number of rows of a list or combo
        ExpectSelected,  // selected row of a list or combo (-1: none)
        ExpectRow,       // texts drawn for a list row (an owner-drawn row is painted for it)
        Screenshot,      // save a picture of the dialog (Qt renderer)
        Call,            // a function given in code
    };
    ScriptStep(Op o = Op::Call) : op(o) {}
    Op op;
    int id = 0;   // control id, template id, button id, command or row count
    int row = 0;  // Select, Click, DoubleClick, ExpectRow, ExpectSelected
    std::string text;
    std::vector<std::string> texts;  // ExpectRow
    std::function<void(HWND)> call;
    int line = 0;  // line of the script file (0: built in code)
};

class Script : public ScriptedUser {
  public:
    Script() = default;
    // Parses the line format. On error returns nullopt and sets `error` to "line N: reason".
    static std::optional<Script> Parse(std::string_view text, std::string* error);
    static std::optional<Script> Load(const std::string& path, std::string* error);

    // Builder: each call appends a step.
    Script& Dialog(std::string caption);
    Script& DialogId(int templateId);
    Script& Message(std::string text);
    Script& Answer(int buttonId);
    Script& Select(int id, int row);
    Script& Check(int id, bool on = true);
    Script& Type(int id, std::string text);
    Script& Press(int id);
    Script& Click(int id, int row);
    Script& DoubleClick(int id, int row);
    Script& Enter();
    Script& Escape();
    Script& Close();
    Script& SysCommand(UINT command);
    Script& ExpectText(int id, std::string text);
    Script& ExpectRow(int id, int row, std::vector<std::string> texts);
    Script& Screenshot(std::string path);
    Script& Call(std::function<void(HWND dialog)> fn);
    Script& Add(ScriptStep step);

    const std::vector<ScriptStep>& steps() const { return steps_; }
    // Steps not yet used.
    size_t Remaining() const { return steps_.size() - next_; }
    // Fails the run when steps remain (a dialog or message the script expected never opened).
    void ExpectFinished() const;

    void DialogOpened(HWND dialog) override;
    void Step(HWND dialog) override;
    int MessageBoxOpened(const MessageBoxRequest& box) override;

  private:
    std::vector<ScriptStep> steps_;
    size_t next_ = 0;
};

// Names used in scripts for button and message box results: IDOK, IDCANCEL, IDYES, IDNO, ...
std::optional<int> ParseButtonId(std::string_view name);
std::string ButtonIdName(int id);

// Installs the scripted user that every renderer consults (nullptr: a person).
void UseScript(std::shared_ptr<ScriptedUser> user);
ScriptedUser* CurrentScript();

}  // namespace ovtb::ui
