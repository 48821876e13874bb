#include <gtest/gtest.h>

#include "platform/ui/script.h"

namespace {

using namespace ovtb::ui;
using Op = ScriptStep::Op;

TEST(ScriptParse, ReadsEveryCommandOfTheFormat) {
    std::string error;
    auto script = Script::Parse(
        "dialog \"Port 3\"\n"
        "dialog 129   # by template id\n"
        "select 1001 0x10\n"
        "select 1000 -1\n"
        "check 1004\n"
        "uncheck 1008\n"
        "type 1006 \"1C0\"\n"
        "press IDOK\n"
        "press 1002\n"
        "click 1000 2\n"
        "dblclick 1000 0\n"
        "enter\n"
        "escape\n"
        "close\n"
        "syscommand 16\n"
        "focus 1000\n"
        "message \"Load ovpci.sys service fail !\\nCan not get PCI informantion.\\n\"\n"
        "answer IDYES\n"
        "expect-text 1010 \"say \\\"hi\\\" \\\\ there\"\n"
        "expect-enabled 1002\n"
        "expect-disabled 1003\n"
        "expect-checked 1004\n"
        "expect-unchecked 1005\n"
        "expect-rows 1000 4\n"
        "expect-selected 1000 -1\n"
        "expect-row 1000 0 \"1\" \"COM3\" \"14\" \"16\"\n"
        "screenshot \"docs/x.png\"\r\n"
        "\n",
        &error);
    ASSERT_TRUE(script) << error;
    const auto& s = script->steps();
    ASSERT_EQ(s.size(), 27u);
    EXPECT_EQ(s[0].op, Op::Dialog);
    EXPECT_EQ(s[0].text, "Port 3");
    EXPECT_EQ(s[1].id, 129);
    EXPECT_TRUE(s[1].text.empty());
    EXPECT_EQ(s[2].row, 16);
    EXPECT_EQ(s[3].row, -1);
    EXPECT_EQ(s[6].text, "1C0");
    EXPECT_EQ(s[7].id, IDOK);
    EXPECT_EQ(s[14].id, 16);
    EXPECT_EQ(s[16].text, "Load ovpci.sys service fail !\nCan not get PCI informantion.\n");
    EXPECT_EQ(s[17].id, IDYES);
    EXPECT_EQ(s[18].text, "say \"hi\" \\ there");
    EXPECT_EQ(s[23].row, 4);
    EXPECT_EQ(s[25].texts, (std::vector<std::string>{"1", "COM3", "14", "16"}));
    EXPECT_EQ(s[26].text, "docs/x.png");
    EXPECT_EQ(s[25].line, 26);
}

TEST(ScriptParse, ErrorsNameTheLine) {
    struct Case {
        const char* text;
        const char* error;
    } cases[] = {
        {"dialog \"A\"\nfrobnicate 3\n", "line 2: unknown command 'frobnicate'"},
        {"type 1004 COM5", "line 1: type: expected quoted text, got 'COM5'"},
        {"type 1004", "line 1: type: missing argument"},
        {"press IDMAYBE", "line 1: press: expected a number or a button name, got 'IDMAYBE'"},
        {"press 99999999999", "line 1: press: expected a number or a button name"},
        {"select 1001 x", "line 1: select: expected a row number, got 'x'"},
        {"expect-rows 1000 -1", "line 1: expect-rows: expected a row number"},
        {"message \"open", "line 1: unterminated quoted text"},
        {"message \"a\\qb\"", "line 1: unknown escape \\q"},
        {"answer IDOK", "line 1: answer must follow a message line"},
        {"press 1 2", "line 1: press: unexpected '2'"},
        {"dialog \"\"", "line 1: dialog: the caption must not be empty"},
        {"\"dialog\"", "line 1: a line begins with a command"},
        {"expect-row 1000 0 COM3", "line 1: expect-row: texts must be quoted"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(Script::Parse(c.text, &error)) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << " gave: " << error;
    }
}

TEST(ScriptParse, EmptyAndCommentOnlyScriptsHaveNoSteps) {
    for (const char* text : {"", "\n\n", "# nothing\n   # at all", "   \t\r\n"}) {
        std::string error;
        auto script = Script::Parse(text, &error);
        ASSERT_TRUE(script) << error;
        EXPECT_EQ(script->steps().size(), 0u);
    }
}

TEST(ScriptParse, LoadNamesTheFileThatCannotBeRead) {
    std::string error;
    EXPECT_FALSE(Script::Load("/nonexistent/run.ui", &error));
    EXPECT_NE(error.find("/nonexistent/run.ui"), std::string::npos);
}

}  // namespace
