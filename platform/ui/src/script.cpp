// The scripted user: the line format's parser and the runner that answers windows as they open.
#include "platform/ui/script.h"

#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/ui/device_context.h"
#include "platform/ui/input.h"
#include "platform/ui/src/state.h"
#include "platform/ui/ui.h"

using namespace ovtb::ui;
using Op = ScriptStep::Op;

namespace {

struct Command {
    const char* name;
    Op op;
    // Arguments: n = number (or button name), t = quoted text, r = row number, * = more texts.
    const char* args;
};

constexpr Command kCommands[] = {
    {"dialog", Op::Dialog, "?"},  // a quoted caption or a template id
    {"message", Op::Message, "t"},
    {"answer", Op::Answer, "n"},
    {"select", Op::Select, "nr"},
    {"check", Op::Check, "n"},
    {"uncheck", Op::Uncheck, "n"},
    {"type", Op::Type, "nt"},
    {"press", Op::Press, "n"},
    {"click", Op::Click, "nr"},
    {"dblclick", Op::DoubleClick, "nr"},
    {"enter", Op::Enter, ""},
    {"escape", Op::Escape, ""},
    {"close", Op::Close, ""},
    {"syscommand", Op::SysCommand, "n"},
    {"focus", Op::Focus, "n"},
    {"expect-text", Op::ExpectText, "nt"},
    {"expect-enabled", Op::ExpectEnabled, "n"},
    {"expect-disabled", Op::ExpectDisabled, "n"},
    {"expect-checked", Op::ExpectChecked, "n"},
    {"expect-unchecked", Op::ExpectUnchecked, "n"},
    {"expect-rows", Op::ExpectRows, "nr"},
    {"expect-selected", Op::ExpectSelected, "nr"},
    {"expect-row", Op::ExpectRow, "nr*"},
    {"screenshot", Op::Screenshot, "t"},
};

const char* NameOf(Op op) {
    for (const auto& c : kCommands) {
        if (c.op == op) {
            return c.name;
        }
    }
    return "call";
}

struct ButtonName {
    const char* name;
    int id;
};
constexpr ButtonName kButtons[] = {
    {"IDOK", IDOK},         {"IDCANCEL", IDCANCEL}, {"IDABORT", IDABORT}, {"IDRETRY", IDRETRY},
    {"IDIGNORE", IDIGNORE}, {"IDYES", IDYES},       {"IDNO", IDNO},
};

struct Token {
    std::string text;
    bool quoted;
};

// Splits a line into words and quoted strings; '#' outside quotes starts a comment.
bool Tokenize(std::string_view line, std::vector<Token>* out, std::string* error) {
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') {
            break;
        }
        if (c == '"') {
            std::string text;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d == '\\') {
                    if (i >= line.size()) {
                        break;
                    }
                    char e = line[i++];
                    switch (e) {
                        case 'n':
                            text += '\n';
                            break;
                        case 't':
                            text += '\t';
                            break;
                        case '"':
                        case '\\':
                            text += e;
                            break;
                        default:
                            *error = std::string("unknown escape \\") + e;
                            return false;
                    }
                    continue;
                }
                text += d;
            }
            if (!closed) {
                *error = "unterminated quoted text";
                return false;
            }
            out->push_back({std::move(text), true});
            continue;
        }
        size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
               line[i] != '"') {
            ++i;
        }
        out->push_back({std::string(line.substr(start, i - start)), false});
    }
    return true;
}

// A decimal or 0x number, at most INT_MAX (or -1 where `allowMinusOne`).
std::optional<int> ParseNumber(std::string_view s, bool allowMinusOne = false) {
    if (allowMinusOne && s == "-1") {
        return -1;
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty() || s.size() > 10) {
        return std::nullopt;
    }
    long long v = 0;
    for (char c : s) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        v = v * base + digit;
        if (v > 0x7FFFFFFF) {
            return std::nullopt;
        }
    }
    return static_cast<int>(v);
}

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string Describe(const ScriptStep& s) {
    std::string out;
    switch (s.op) {
        case Op::Dialog:
            out = s.text.empty() ? "dialog " + std::to_string(s.id) : "dialog " + Quote(s.text);
            break;
        case Op::Message:
            out = "message " + Quote(s.text);
            break;
        case Op::Answer:
            out = "answer " + ButtonIdName(s.id);
            break;
        default:
            out = NameOf(s.op);
            break;
    }
    if (s.line) {
        out += " (line " + std::to_string(s.line) + ")";
    }
    return out;
}

std::string NameDialog(HWND dialog) {
    const Window* d = Lookup(dialog);
    if (!d) {
        return "a closed dialog";
    }
    return "dialog " + Quote(d->text) + " (template " + std::to_string(d->templateId) + ")";
}

const char* KindName(WindowKind k) {
    switch (k) {
        case WindowKind::Button:
            return "button";
        case WindowKind::CheckBox:
            return "check box";
        case WindowKind::ComboBox:
            return "combo box";
        case WindowKind::Edit:
            return "edit field";
        case WindowKind::ListView:
            return "list view";
        case WindowKind::Static:
            return "static text";
        case WindowKind::GroupBox:
            return "group box";
        case WindowKind::Icon:
            return "icon";
        default:
            return "window";
    }
}

}  // namespace

namespace ovtb::ui {

std::optional<int> ParseButtonId(std::string_view name) {
    for (const auto& b : kButtons) {
        if (name == b.name) {
            return b.id;
        }
    }
    return std::nullopt;
}

std::string ButtonIdName(int id) {
    for (const auto& b : kButtons) {
        if (id == b.id) {
            return b.name;
        }
    }
    return std::to_string(id);
}

std::optional<Script> Script::Parse(std::string_view text, std::string* error) {
    Script script;
    int lineNo = 0;
    size_t pos = 0;
    auto fail = [&](const std::string& why) {
        if (error) {
            *error = "line " + std::to_string(lineNo) + ": " + why;
        }
        return std::nullopt;
    };
    while (pos <= text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        std::vector<Token> tokens;
        std::string why;
        if (!Tokenize(line, &tokens, &why)) {
            return fail(why);
        }
        if (tokens.empty()) {
            if (end == text.size()) {
                break;
            }
            continue;
        }
        if (tokens[0].quoted) {
            return fail("a line begins with a command, not with quoted text");
        }
        const Command* cmd = nullptr;
        for (const auto& c : kCommands) {
            if (tokens[0].text == c.name) {
                cmd = &c;
            }
        }
        if (!cmd) {
            return fail("unknown command '" + tokens[0].text + "'");
        }
        ScriptStep step{cmd->op};
        step.line = lineNo;
        size_t t = 1;
        std::string args = cmd->args;
        for (size_t a = 0; a < args.size(); ++a) {
            char kind = args[a];
            if (kind == '*') {
                for (; t < tokens.size(); ++t) {
                    if (!tokens[t].quoted) {
                        return fail(std::string(cmd->name) + ": texts must be quoted");
                    }
                    step.texts.push_back(tokens[t].text);
                }
                break;
            }
            if (t >= tokens.size()) {
                return fail(std::string(cmd->name) + ": missing argument");
            }
            const Token& tok = tokens[t++];
            if (kind == '?') {
                if (tok.quoted) {
                    step.text = tok.text;
                    if (step.text.empty()) {
                        return fail("dialog: the caption must not be empty (use a template id)");
                    }
                } else if (auto n = ParseNumber(tok.text)) {
                    step.id = *n;
                } else {
                    return fail("dialog: expected a quoted caption or a template id, got '" +
                                tok.text + "'");
                }
            } else if (kind == 't') {
                if (!tok.quoted) {
                    return fail(std::string(cmd->name) + ": expected quoted text, got '" +
                                tok.text + "'");
                }
                step.text = tok.text;
            } else if (kind == 'n') {
                auto n = tok.quoted ? std::nullopt : ParseButtonId(tok.text);
                if (!n && !tok.quoted) {
                    n = ParseNumber(tok.text);
                }
                if (!n) {
                    return fail(std::string(cmd->name) +
                                ": expected a number or a button name, got '" + tok.text + "'");
                }
                step.id = *n;
            } else if (kind == 'r') {
                auto n = tok.quoted
                             ? std::nullopt
                             : ParseNumber(tok.text,
                                           cmd->op == Op::Select || cmd->op == Op::ExpectSelected ||
                                               cmd->op == Op::Click || cmd->op == Op::DoubleClick);
                if (!n) {
                    return fail(std::string(cmd->name) + ": expected a row number, got '" +
                                tok.text + "'");
                }
                step.row = *n;
            }
        }
        if (t < tokens.size()) {
            return fail(std::string(cmd->name) + ": unexpected '" + tokens[t].text + "'");
        }
        if (step.op == Op::Answer &&
            (script.steps_.empty() || (script.steps_.back().op != Op::Message))) {
            return fail("answer must follow a message line");
        }
        script.steps_.push_back(std::move(step));
        if (end == text.size()) {
            break;
        }
    }
    return script;
}

std::optional<Script> Script::Load(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) {
            *error = "cannot read the script " + path;
        }
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string why;
    auto script = Parse(text.str(), &why);
    if (!script && error) {
        *error = path + ": " + why;
    }
    return script;
}

Script& Script::Add(ScriptStep step) {
    steps_.push_back(std::move(step));
    return *this;
}
Script& Script::Dialog(std::string caption) {
    ScriptStep s{Op::Dialog};
    s.text = std::move(caption);
    return Add(std::move(s));
}
Script& Script::DialogId(int templateId) {
    ScriptStep s{Op::Dialog};
    s.id = templateId;
    return Add(std::move(s));
}
Script& Script::Message(std::string text) {
    ScriptStep s{Op::Message};
    s.text = std::move(text);
    return Add(std::move(s));
}
Script& Script::Answer(int buttonId) {
    ScriptStep s{Op::Answer};
    s.id = buttonId;
    return Add(std::move(s));
}
Script& Script::Select(int id, int row) {
    ScriptStep s{Op::Select};
    s.id = id;
    s.row = row;
    return Add(std::move(s));
}
Script& Script::Check(int id, bool on) {
    ScriptStep s{on ? Op::Check : Op::Uncheck};
    s.id = id;
    return Add(std::move(s));
}
Script& Script::Type(int id, std::string text) {
    ScriptStep s{Op::Type};
    s.id = id;
    s.text = std::move(text);
    return Add(std::move(s));
}
Script& Script::Press(int id) {
    ScriptStep s{Op::Press};
    s.id = id;
    return Add(std::move(s));
}
Script& Script::Click(int id, int row) {
    ScriptStep s{Op::Click};
    s.id = id;
    s.row = row;
    return Add(std::move(s));
}
Script& Script::DoubleClick(int id, int row) {
    ScriptStep s{Op::DoubleClick};
    s.id = id;
    s.row = row;
    return Add(std::move(s));
}
Script& Script::Enter() {
    return Add({Op::Enter});
}
Script& Script::Escape() {
    return Add({Op::Escape});
}
Script& Script::Close() {
    return Add({Op::Close});
}
Script& Script::SysCommand(UINT command) {
    ScriptStep s{Op::SysCommand};
    s.id = static_cast<int>(command);
    return Add(std::move(s));
}
Script& Script::ExpectText(int id, std::string text) {
    ScriptStep s{Op::ExpectText};
    s.id = id;
    s.text = std::move(text);
    return Add(std::move(s));
}
Script& Script::ExpectRow(int id, int row, std::vector<std::string> texts) {
    ScriptStep s{Op::ExpectRow};
    s.id = id;
    s.row = row;
    s.texts = std::move(texts);
    return Add(std::move(s));
}
Script& Script::Screenshot(std::string path) {
    ScriptStep s{Op::Screenshot};
    s.text = std::move(path);
    return Add(std::move(s));
}
Script& Script::Call(std::function<void(HWND)> fn) {
    ScriptStep s{Op::Call};
    s.call = std::move(fn);
    return Add(std::move(s));
}

void Script::ExpectFinished() const {
    if (next_ < steps_.size()) {
        FailRun("the run ended before the script did; next: " + Describe(steps_[next_]));
    }
}

void Script::DialogOpened(HWND dialog) {
    const Window* d = Lookup(dialog);
    std::string name = NameDialog(dialog);
    if (next_ >= steps_.size()) {
        FailRun("unexpected " + name + ": the script has ended");
    }
    const ScriptStep& s = steps_[next_];
    if (s.op != Op::Dialog) {
        FailRun("unexpected " + name + ": the script expects " + Describe(s));
    }
    bool match = s.text.empty() ? d->templateId == s.id : d->text == s.text;
    if (!match) {
        FailRun("unexpected " + name + ": the script expects " + Describe(s));
    }
    ++next_;
}

int Script::MessageBoxOpened(const MessageBoxRequest& box) {
    std::string name = "message box " + Quote(box.text) + " (caption " + Quote(box.caption) + ")";
    if (next_ >= steps_.size()) {
        FailRun("unexpected " + name + ": the script has ended");
    }
    const ScriptStep& s = steps_[next_];
    if (s.op != Op::Message || s.text != box.text) {
        FailRun("unexpected " + name + ": the script expects " + Describe(s));
    }
    ++next_;
    std::vector<int> buttons = MessageBoxButtons(box.type);
    if (next_ < steps_.size() && steps_[next_].op == Op::Answer) {
        const ScriptStep& a = steps_[next_++];
        if (std::find(buttons.begin(), buttons.end(), a.id) == buttons.end()) {
            FailRun(Describe(a) + ": " + name + " has no such button");
        }
        return a.id;
    }
    return MessageBoxDefault(box.type);
}

void Script::Step(HWND dialog) {
    std::string name = NameDialog(dialog);
    if (next_ >= steps_.size()) {
        FailRun(name + " is waiting for input but the script has ended");
    }
    const ScriptStep& s = steps_[next_];
    if (s.op == Op::Dialog || s.op == Op::Message || s.op == Op::Answer) {
        FailRun(name + " is waiting for input but the script expects " + Describe(s) + " next");
    }
    ++next_;
    std::string where = Describe(s) + " in " + name;
    auto fail = [&](const std::string& why) { FailRun(where + ": " + why); };

    HWND control = nullptr;
    const Window* c = nullptr;
    auto needControl = [&]() {
        control = FindControl(dialog, s.id);
        c = Lookup(control);
        if (!c) {
            fail("no control " + std::to_string(s.id));
        }
    };
    auto needUsable = [&](std::initializer_list<WindowKind> kinds) {
        needControl();
        if (std::find(kinds.begin(), kinds.end(), c->kind) == kinds.end()) {
            fail("control " + std::to_string(s.id) + " is a " + KindName(c->kind));
        }
        if (!c->enabled || !c->visible) {
            fail("control " + std::to_string(s.id) + " is disabled");
        }
    };
    auto rowCount = [&]() {
        return static_cast<int>(c->kind == WindowKind::ListView ? c->rows.size() : c->items.size());
    };
    auto selected = [&]() {
        if (c->kind == WindowKind::ComboBox) {
            return c->curSel;
        }
        for (int i = 0; i < static_cast<int>(c->rows.size()); ++i) {
            if (c->rows[i].state & LVIS_SELECTED) {
                return i;
            }
        }
        return -1;
    };

    switch (s.op) {
        case Op::Select:
            needUsable({WindowKind::ComboBox, WindowKind::ListView});
            if (s.row < (c->kind == WindowKind::ListView ? -1 : 0) || s.row >= rowCount()) {
                fail("row " + std::to_string(s.row) + " does not exist (control " +
                     std::to_string(s.id) + " has " + std::to_string(rowCount()) + ")");
            }
            if (c->kind == WindowKind::ComboBox) {
                input::SelectComboRow(control, s.row);
            } else {
                input::SelectListRow(control, s.row);
            }
            break;
        case Op::Check:
        case Op::Uncheck:
            needUsable({WindowKind::CheckBox});
            input::SetChecked(control, s.op == Op::Check);
            break;
        case Op::Type:
            needUsable({WindowKind::Edit});
            input::TypeText(control, s.text);
            break;
        case Op::Press:
            needUsable({WindowKind::Button, WindowKind::CheckBox});
            input::Click(control);
            break;
        case Op::Click:
        case Op::DoubleClick:
            needUsable({WindowKind::ListView});
            if (s.row < -1 || s.row >= rowCount()) {
                fail("row " + std::to_string(s.row) + " does not exist");
            }
            if (s.op == Op::Click) {
                input::ClickListRow(control, s.row);
            } else {
                input::DoubleClickListRow(control, s.row);
            }
            break;
        case Op::Enter:
            if (!input::Enter(dialog)) {
                fail("the default button is disabled");
            }
            break;
        case Op::Escape:
            input::Escape(dialog);
            break;
        case Op::Close:
            input::Close(dialog);
            break;
        case Op::SysCommand:
            input::SysCommand(dialog, static_cast<UINT>(s.id));
            break;
        case Op::Focus:
            needControl();
            if (!input::Focus(control)) {
                fail("control " + std::to_string(s.id) + " cannot take the focus");
            }
            break;
        case Op::ExpectText: {
            needControl();
            std::string text = c->kind == WindowKind::ComboBox ? ComboText(*c) : c->text;
            if (text != s.text) {
                fail("control " + std::to_string(s.id) + " reads " + Quote(text));
            }
            break;
        }
        case Op::ExpectEnabled:
        case Op::ExpectDisabled:
            needControl();
            if (c->enabled != (s.op == Op::ExpectEnabled)) {
                fail("control " + std::to_string(s.id) + " is " +
                     (c->enabled ? "enabled" : "disabled"));
            }
            break;
        case Op::ExpectChecked:
        case Op::ExpectUnchecked:
            needControl();
            if ((c->check == BST_CHECKED) != (s.op == Op::ExpectChecked)) {
                fail("control " + std::to_string(s.id) + " is " +
                     (c->check == BST_CHECKED ? "checked" : "not checked"));
            }
            break;
        case Op::ExpectRows:
            needControl();
            if (rowCount() != s.row) {
                fail("control " + std::to_string(s.id) + " has " + std::to_string(rowCount()) +
                     " rows");
            }
            break;
        case Op::ExpectSelected:
            needControl();
            if (selected() != s.row) {
                fail("control " + std::to_string(s.id) + " has row " + std::to_string(selected()) +
                     " selected");
            }
            break;
        case Op::ExpectRow: {
            needControl();
            if (c->kind != WindowKind::ListView || s.row < 0 || s.row >= rowCount()) {
                fail("control " + std::to_string(s.id) + " has no row " + std::to_string(s.row));
            }
            std::vector<std::string> texts;
            if (c->style & LVS_OWNERDRAWFIXED) {
                RecordingDC dc;
                input::PaintListRow(control, s.row, dc.handle(), {0, 0});
                texts = dc.Texts();
            } else {
                texts = c->rows[s.row].texts;
            }
            if (texts != s.texts) {
                std::string got;
                for (const auto& t : texts) {
                    got += " " + Quote(t);
                }
                fail("row " + std::to_string(s.row) + " reads" + (got.empty() ? " nothing" : got));
            }
            break;
        }
        case Op::Screenshot: {
            std::string why;
            if (!ActiveRenderer().Screenshot(dialog, s.text, &why)) {
                fail(why);
            }
            break;
        }
        case Op::Call:
            s.call(dialog);
            break;
        case Op::Dialog:
        case Op::Message:
        case Op::Answer:
            break;
    }
}

}  // namespace ovtb::ui
