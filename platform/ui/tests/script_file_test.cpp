// `--ui=script:FILE` end to end: the sample program answered by fixture scripts.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Outcome {
    int exitCode;
    std::string err;
};

Outcome RunSample(const std::string& ui) {
    const char* bin = std::getenv("OVTB_BIN");
    std::string cmd =
        std::string(bin ? bin : "build/bin") + "/ovtb-ui-sample --ui=" + ui + " 2>&1 >/dev/null";
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[256];
    while (p && fgets(buf, sizeof buf, p)) {
        out += buf;
    }
    int status = p ? pclose(p) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(ScriptFile, AnswersAChainOfDialogsAndAMessageBox) {
    Outcome r = RunSample("script:platform/ui/tests/fixtures/sample_chain.ui");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
}

TEST(ScriptFile, FailuresEndTheRunWithCodeTwoAndOneLineNamingTheWindow) {
    struct Case {
        std::string ui;
        std::string message;
    } cases[] = {
        {"script:platform/ui/tests/fixtures/sample_unexpected.ui",
         "ovtb ui: unexpected dialog \"Details\" (template 301): the script expects dialog "
         "\"Property\" (line 4)\n"},
        {"script:/nonexistent.ui", "ovtb-ui-sample: cannot read the script /nonexistent.ui\n"},
        {"headless",
         "ovtb ui: dialog \"Sample Port Settings\" (template 300) opened but no "
         "script answers it (headless)\n"},
        {"bogus",
         "ovtb-ui-sample: unknown user interface 'bogus' (use qt, tty, headless, "
         "script:FILE or qt+script:FILE)\n"},
    };
    for (const auto& c : cases) {
        Outcome r = RunSample(c.ui);
        EXPECT_EQ(r.exitCode, 2) << c.ui;
        EXPECT_EQ(r.err, c.message) << c.ui;
    }
}

}  // namespace
