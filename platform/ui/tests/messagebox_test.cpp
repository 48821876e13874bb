#include <gtest/gtest.h>

#include <cstring>

#include "platform/ui/dialog_template.h"
#include "platform/ui/script.h"
#include "platform/ui/ui.h"
#include "platform/ui/winuser.h"

namespace {

using namespace ovtb::ui;

class MessageBoxTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetForTests(); }
};

TEST_F(MessageBoxTest, ScriptAnswersAndEveryBoxIsRecorded) {
    auto script = std::make_shared<Script>();
    script->Message("Do you really want to remove this board ?").Answer(IDNO);
    script->Message("Saved.");  // no answer: the default button
    UseScript(script);

    EXPECT_EQ(MessageBoxA(nullptr, "Do you really want to remove this board ?",
                          "Configuration Panel", MB_YESNO | MB_ICONQUESTION),
              IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "Saved.", nullptr, MB_OK | MB_ICONINFORMATION), IDOK);

    ASSERT_EQ(RecordedMessages().size(), 2u);
    EXPECT_EQ(RecordedMessages()[0].caption, "Configuration Panel");
    EXPECT_EQ(RecordedMessages()[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(RecordedMessages()[0].result, IDNO);
    EXPECT_EQ(RecordedMessages()[1].caption, "Error");
    EXPECT_EQ(script->Remaining(), 0u);
}

TEST_F(MessageBoxTest, DefaultAnswerFollowsTheDefButtonFlag) {
    struct Case {
        UINT type;
        int answer;
    } cases[] = {
        {MB_OK, IDOK},
        {MB_OKCANCEL, IDOK},
        {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
        {MB_YESNO, IDYES},
        {MB_YESNO | MB_DEFBUTTON2, IDNO},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
        {MB_YESNO | MB_DEFBUTTON3, IDYES},  // names no button of the box: the first
        {MB_RETRYCANCEL, IDRETRY},
        {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, IDIGNORE},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MessageBoxDefault(c.type), c.answer) << "type " << c.type;
    }
}

TEST_F(MessageBoxTest, AnswerThatIsNotAButtonOfTheBoxFails) {
    auto script = std::make_shared<Script>();
    script->Message("COM ports have exceeded max port number !").Answer(IDYES);
    UseScript(script);
    EXPECT_THROW(MessageBoxA(nullptr, "COM ports have exceeded max port number !", "x",
                             MB_OK | MB_ICONEXCLAMATION),
                 ScriptFailure);
}

TEST_F(MessageBoxTest, UnexpectedOrUnansweredBoxFailsNamingIt) {
    // No script at all: headless cannot ask anybody.
    try {
        MessageBoxA(nullptr, "Load ovpci.sys service fail !\n", "Configuration Panel", MB_OK);
        FAIL() << "no failure";
    } catch (const ScriptFailure& e) {
        EXPECT_NE(std::string(e.what()).find("Load ovpci.sys service fail"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("Configuration Panel"), std::string::npos);
    }
    // A script that expects another text.
    auto script = std::make_shared<Script>();
    script->Message("something else");
    UseScript(script);
    try {
        MessageBoxA(nullptr, "IRQ conflict between board 1 and board 2 !", "Configuration Panel",
                    MB_OK);
        FAIL() << "no failure";
    } catch (const ScriptFailure& e) {
        std::string what = e.what();
        EXPECT_NE(what.find("IRQ conflict between board 1 and board 2 !"), std::string::npos);
        EXPECT_NE(what.find("something else"), std::string::npos);
    }
    EXPECT_EQ(RecordedMessages().size(), 2u);
}

TEST_F(MessageBoxTest, LoadStringCopiesWithinTheBuffer) {
    HINSTANCE inst = RegisterResources({{}, {{57344, "Configuration Panel"}, {101, ""}}, {}});
    char buf[8];
    std::memset(buf, 0xAB, sizeof buf);
    EXPECT_EQ(LoadStringA(inst, 57344, buf, sizeof buf), 7);
    EXPECT_STREQ(buf, "Configu");

    char full[64];
    EXPECT_EQ(LoadStringA(inst, 57344, full, sizeof full), 19);
    EXPECT_STREQ(full, "Configuration Panel");

    std::memset(full, 0xAB, sizeof full);
    EXPECT_EQ(LoadStringA(inst, 999, full, sizeof full), 0);
    EXPECT_EQ(full[0], '\0');
    EXPECT_EQ(LoadStringA(inst, 101, full, sizeof full), 0);  // an empty string reads as absent

    std::memset(buf, 0xAB, sizeof buf);
    EXPECT_EQ(LoadStringA(inst, 57344, buf, 0), 0);
    EXPECT_EQ(static_cast<unsigned char>(buf[0]), 0xAB);
    EXPECT_EQ(LoadStringA(nullptr, 57344, full, sizeof full), 0);
}

}  // namespace
