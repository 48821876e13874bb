// The terminal renderer driven as a person would: the sample dialog runs in a tmux pane of its
// own server, keys go in with send-keys and the screen comes back with capture-pane. Every wait
// is a bounded poll for what the screen or the file system must show.
#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string Run(const std::string& command, int* status = nullptr) {
    std::string out;
    FILE* p = ::popen((command + " 2>&1").c_str(), "r");
    if (!p) {
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) {
        out.append(buf, n);
    }
    int rc = ::pclose(p);
    if (status) {
        *status = rc;
    }
    return out;
}

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

bool HaveTmux() {
    int status = 0;
    Run("tmux -V", &status);
    return status == 0;
}

bool WaitFor(const std::function<bool()>& done, int seconds = 10) {
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < until) {
        if (done()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::map<std::string, std::string> ReadResult(const std::string& path) {
    std::map<std::string, std::string> values;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        auto eq = line.find('=');
        if (eq != std::string::npos) {
            values[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return values;
}

// One tmux server (its own socket) with one pane running the sample; torn down at the end.
class SamplePane {
  public:
    SamplePane(int width, int height, const std::string& options = "") {
        char dir[] = "/tmp/ovtb-tty-XXXXXX";
        dir_ = ::mkdtemp(dir) ? dir : "/tmp";
        socket_ = "ovtb-tty-" + std::to_string(::getpid()) + "-" + std::to_string(++serial_);
        out_ = dir_ + "/result.txt";
        pid_ = dir_ + "/pid";
        // The sample runs in the foreground of the pane's shell (so Ctrl+C reaches it), and
        // the shell then prints how it ended and waits: the pane shows what the sample left on
        // the terminal. The pane keeps the caller's locale, as a person's terminal would (the
        // checks here hold in a UTF-8 locale and in the C locale alike).
        std::string inner = "echo $$ > " + Quote(pid_) + "; exec " + Quote(OVTB_TTY_SAMPLE) + " " +
                            options + " " + Quote(out_);
        // (A trap, not an ignored signal: the sample must not inherit SIGINT ignored.)
        std::string outer = "trap : INT; sh -c " + Quote(inner) + "; echo rc=$?; exec sleep 120";
        Tmux("new-session -d -x " + std::to_string(width) + " -y " + std::to_string(height) + " " +
             Quote("sh -c " + Quote(outer)));
    }
    ~SamplePane() {
        Tmux("kill-server");
        std::remove(out_.c_str());
        std::remove(pid_.c_str());
        ::rmdir(dir_.c_str());
    }

    std::string Tmux(const std::string& args) { return Run("tmux -L " + socket_ + " " + args); }
    std::string Screen() { return Tmux("capture-pane -p"); }
    void Keys(const std::string& keys) { Tmux("send-keys " + keys); }
    // Waits until the screen shows the text; the last screen goes into the failure message.
    ::testing::AssertionResult Shows(const std::string& text, bool present = true) {
        std::string last;
        bool ok = WaitFor([&] {
            last = Screen();
            return (last.find(text) != std::string::npos) == present;
        });
        if (ok) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "the screen " << (present ? "never showed" : "kept showing") << " \"" << text
               << "\":\n"
               << last;
    }
    // The sample's exit status as its shell saw it (128 + N: ended by signal N), or -1 when it
    // did not end in time.
    int WaitExit() {
        int rc = -1;
        WaitFor([&] {
            std::string screen = Screen();
            auto at = screen.find("rc=");
            if (at == std::string::npos) {
                return false;
            }
            rc = std::atoi(screen.c_str() + at + 3);
            return true;
        });
        return rc;
    }
    int Pid() {
        WaitFor([&] { return !ReadFile(pid_).empty(); });
        return std::atoi(ReadFile(pid_).c_str());
    }
    std::string Flag(const char* name) {
        std::string v = Tmux(std::string("display-message -p '#{") + name + "}'");
        while (!v.empty() && (v.back() == '\n' || v.back() == '\r')) {
            v.pop_back();
        }
        return v;
    }
    std::map<std::string, std::string> Result() { return ReadResult(out_); }

    // Where the text first shows on the screen (column and row from 0, in cells); -1, -1 if not.
    std::pair<int, int> Find(const std::string& text) {
        std::istringstream lines(Screen());
        std::string line;
        for (int row = 0; std::getline(lines, line); ++row) {
            auto at = line.find(text);
            if (at != std::string::npos) {
                // Columns are cells: count the UTF-8 characters before the match.
                int col = 0;
                for (size_t i = 0; i < at; ++i) {
                    col += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
                }
                return {col, row};
            }
        }
        return {-1, -1};
    }
    // The first line of the screen that holds the text, or "".
    std::string LineWith(const std::string& text) {
        std::istringstream lines(Screen());
        std::string line;
        while (std::getline(lines, line)) {
            if (line.find(text) != std::string::npos) {
                return line;
            }
        }
        return "";
    }
    // A left click as a terminal in X10 mouse mode reports it: press, then release.
    void Click(int col, int row) {
        auto hex = [](int v) {
            char b[4];
            std::snprintf(b, sizeof b, "%02x", v & 0xFF);
            return std::string(b);
        };
        std::string at = " " + hex(33 + col) + " " + hex(33 + row);
        Keys("-H 1b 5b 4d " + hex(32) + at);
        Keys("-H 1b 5b 4d " + hex(32 + 3) + at);
    }

  private:
    static inline int serial_ = 0;
    std::string dir_, socket_, out_, pid_;
};

class TtyUnderTmux : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!HaveTmux()) {
            GTEST_SKIP() << "tmux is not installed";
        }
    }
};

// The terminal as the shell had it: main screen, cursor shown, no mouse reporting.
void ExpectTerminalRestored(SamplePane& pane) {
    EXPECT_EQ(pane.Flag("alternate_on"), "0");
    EXPECT_EQ(pane.Flag("cursor_flag"), "1");
    EXPECT_EQ(pane.Flag("mouse_any_flag"), "0");
    EXPECT_TRUE(pane.Shows("Sample S", false));
}

TEST_F(TtyUnderTmux, PickComboItemTickCheckBoxAndEnterReturnsTheStates) {
    SamplePane pane(100, 40);
    ASSERT_TRUE(pane.Shows("Sample Settings"));
    EXPECT_TRUE(pane.Shows("[ ] Flow control"));
    EXPECT_EQ(pane.Flag("alternate_on"), "1");
    // The combo box has the focus first: two rows down.
    pane.Keys("Down Down");
    ASSERT_TRUE(pane.Shows("38400"));
    pane.Keys("Tab Space");
    ASSERT_TRUE(pane.Shows("[x] Flow control"));
    pane.Keys("Enter");
    ASSERT_EQ(pane.WaitExit(), 0);
    auto r = pane.Result();
    EXPECT_EQ(r["result"], "OK");
    EXPECT_EQ(r["speed"], "38400");
    EXPECT_EQ(r["flow"], "1");
    EXPECT_EQ(r["name"], "port");
    EXPECT_EQ(r["port"], "0");
    ExpectTerminalRestored(pane);
}

TEST_F(TtyUnderTmux, DropDownListOpensPicksWithArrowsAndEscapeCancels) {
    SamplePane pane(100, 40);
    ASSERT_TRUE(pane.Shows("Sample Settings"));
    pane.Keys("F4");  // opens the list of the focused combo box
    ASSERT_TRUE(pane.Shows("115200"));
    pane.Keys("Down Down Down Enter");
    ASSERT_TRUE(pane.Shows("115200", false));  // closed again
    ASSERT_TRUE(pane.Shows("57600"));
    // Alt+Down opens it too, Escape closes it without a change, Alt+Up picks.
    pane.Keys("M-Down");
    ASSERT_TRUE(pane.Shows("115200"));
    pane.Keys("Up Escape");
    ASSERT_TRUE(pane.Shows("115200", false));
    ASSERT_TRUE(pane.Shows("57600"));
    pane.Keys("M-Down Down M-Up");
    ASSERT_TRUE(pane.Shows("115200"));
    pane.Keys("Escape");
    ASSERT_EQ(pane.WaitExit(), 1);
    auto r = pane.Result();
    EXPECT_EQ(r["result"], "Cancel");
    EXPECT_EQ(r["speed"], "115200");
    ExpectTerminalRestored(pane);
}

TEST_F(TtyUnderTmux, NestedDialogMessageBoxMnemonicsAndTextLimit) {
    SamplePane pane(100, 40);
    ASSERT_TRUE(pane.Shows("Sample Settings"));
    pane.Keys("M-m");  // Alt+M: "&More..." opens the nested dialog
    ASSERT_TRUE(pane.Shows("Verbose"));
    pane.Keys("M-v");
    ASSERT_TRUE(pane.Shows("[x] Verbose"));
    pane.Keys("Enter");
    ASSERT_TRUE(pane.Shows("Verbose", false));
    // Alt+N gives the edit after the "&Name" label the focus; empty it and press Enter.
    pane.Keys("M-n BSpace BSpace BSpace BSpace Enter");
    ASSERT_TRUE(pane.Shows("The name must not be empty."));
    pane.Keys("Enter");
    ASSERT_TRUE(pane.Shows("The name must not be empty.", false));
    // The edit keeps the focus and takes six characters at most.
    pane.Keys("a b c d e f g h");
    ASSERT_TRUE(pane.Shows("abcdef"));
    pane.Keys("Enter");
    ASSERT_EQ(pane.WaitExit(), 0);
    auto r = pane.Result();
    EXPECT_EQ(r["name"], "abcdef");
    EXPECT_EQ(r["verbose"], "1");
    ExpectTerminalRestored(pane);
}

TEST_F(TtyUnderTmux, SmallTerminalScrollsToTheFocusAndResizeShowsItAll) {
    SamplePane pane(60, 12);
    ASSERT_TRUE(pane.Shows("larger than the terminal"));
    // Shift+Tab from the combo box reaches Cancel, at the bottom: the view follows it.
    pane.Keys("BTab");
    ASSERT_TRUE(pane.Shows("Cancel"));
    pane.Tmux("resize-window -x 100 -y 40");
    ASSERT_TRUE(pane.Shows("larger than the terminal", false));
    EXPECT_TRUE(pane.Shows("Flow control"));
    EXPECT_TRUE(pane.Shows("Cancel"));
    pane.Keys("Enter");  // Enter on the focused Cancel button presses it
    ASSERT_EQ(pane.WaitExit(), 1);
    ExpectTerminalRestored(pane);
}

TEST_F(TtyUnderTmux, MouseClicksTickTheCheckBoxSelectARowAndPressOk) {
    SamplePane pane(100, 40);
    ASSERT_TRUE(pane.Shows("[ ] Flow control"));
    EXPECT_EQ(pane.Flag("mouse_any_flag"), "1");
    auto box = pane.Find("[ ] Flow control");
    pane.Click(box.first + 6, box.second);  // on the caption
    ASSERT_TRUE(pane.Shows("[x] Flow control"));
    auto row = pane.Find("COM4");
    std::string before = pane.LineWith("2      COM4");
    pane.Click(row.first, row.second);
    // The list takes the focus and its marker (a glyph that depends on the locale) replaces
    // the frame beside the clicked row.
    ASSERT_TRUE(WaitFor([&] { return pane.LineWith("2      COM4") != before; }));
    auto ok = pane.Find(" OK ");
    ASSERT_GE(ok.first, 0);
    pane.Click(ok.first + 1, ok.second);
    ASSERT_EQ(pane.WaitExit(), 0);
    auto r = pane.Result();
    EXPECT_EQ(r["flow"], "1");
    EXPECT_EQ(r["port"], "1");
    ExpectTerminalRestored(pane);
}

TEST_F(TtyUnderTmux, PropertySheetShowsItsPagesAsTabsAndOkAppliesThem) {
    SamplePane pane(100, 40, "--sheet");
    ASSERT_TRUE(pane.Shows("[ General ]"));
    // The page's first tab stop has the focus; F6 turns to the next page.
    pane.Keys("Space");
    ASSERT_TRUE(pane.Shows("[x] Enabled"));
    pane.Keys("F6");
    ASSERT_TRUE(pane.Shows("[ Parity ]"));
    pane.Keys("Down");
    ASSERT_TRUE(pane.Shows("Odd"));
    pane.Keys("Enter");
    ASSERT_EQ(pane.WaitExit(), 0);
    auto r = pane.Result();
    EXPECT_EQ(r["enabled"], "1");
    EXPECT_EQ(r["parity"], "Odd");
    EXPECT_EQ(r["applied"], "2");
    ExpectTerminalRestored(pane);
}

TEST_F(TtyUnderTmux, SignalsThatEndTheProgramLeaveTheTerminalAsItWas) {
    struct Case {
        const char* name;
        int signal;  // 0: Ctrl+C typed
    } cases[] = {{"Ctrl+C", 0},
                 {"SIGTERM", SIGTERM},
                 {"SIGSEGV", SIGSEGV},
                 {"SIGABRT", SIGABRT},
                 {"SIGHUP", SIGHUP}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SamplePane pane(100, 40);
        ASSERT_TRUE(pane.Shows("Sample Settings"));
        ASSERT_EQ(pane.Flag("alternate_on"), "1");
        if (c.signal == 0) {
            pane.Keys("C-c");  // the terminal sends SIGINT to the foreground program
        } else {
            ASSERT_EQ(::kill(pane.Pid(), c.signal), 0);
        }
        int rc = pane.WaitExit();
        ASSERT_NE(rc, -1);
        EXPECT_NE(rc, 0);
        ExpectTerminalRestored(pane);
    }
}

}  // namespace
