#include "platform/ui/tty/session.h"

#include <curses.h>
#include <fcntl.h>
#include <langinfo.h>
#include <term.h>
#include <termios.h>
#include <unistd.h>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ovtb::ui::tty {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV,
                            SIGBUS, SIGFPE,  SIGILL, SIGABRT};
constexpr size_t kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

// What the signal handler needs, kept where it can read it without allocating.
struct Saved {
    int fd = -1;
    termios mode{};
    bool haveMode = false;
    char reset[512] = {};  // escape sequences that undo what curses set on the terminal
    size_t resetLength = 0;
    struct sigaction previous[kSignalCount] = {};
};

Saved saved;
volatile sig_atomic_t curses = 0;  // 1 while the terminal is in curses mode
SCREEN* screen = nullptr;
FILE* ttyFile = nullptr;
int depth = 0;
bool utf8 = false;
bool exitHook = false;

void AppendReset(const char* s) {
    if (!s || s == reinterpret_cast<const char*>(-1)) {
        return;
    }
    size_t n = std::strlen(s);
    if (saved.resetLength + n < sizeof(saved.reset)) {
        std::memcpy(saved.reset + saved.resetLength, s, n);
        saved.resetLength += n;
    }
}

// Async-signal-safe: termios and write only.
void RestoreRaw() {
    if (!curses) {
        return;
    }
    curses = 0;
    if (saved.fd >= 0) {
        if (saved.resetLength) {
            ssize_t ignored = ::write(saved.fd, saved.reset, saved.resetLength);
            (void)ignored;
        }
        if (saved.haveMode) {
            ::tcsetattr(saved.fd, TCSAFLUSH, &saved.mode);
        }
    }
}

void OnSignal(int sig) {
    RestoreRaw();
    // Put back what was there before and raise again, so the process ends (or is handled) as
    // it would have without us.
    for (size_t i = 0; i < kSignalCount; ++i) {
        if (kSignals[i] == sig) {
            ::sigaction(sig, &saved.previous[i], nullptr);
        }
    }
    ::raise(sig);
}

void InstallHandlers() {
    for (size_t i = 0; i < kSignalCount; ++i) {
        struct sigaction sa {};
        sa.sa_handler = OnSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESETHAND;
        ::sigaction(kSignals[i], &sa, &saved.previous[i]);
        if (saved.previous[i].sa_handler == SIG_IGN) {
            // Ignored before (a background job's SIGINT): keep it ignored.
            ::sigaction(kSignals[i], &saved.previous[i], nullptr);
        }
    }
}

void RemoveHandlers() {
    for (size_t i = 0; i < kSignalCount; ++i) {
        ::sigaction(kSignals[i], &saved.previous[i], nullptr);
    }
}

void AtExit() {
    Session::Restore();
}

}  // namespace

bool Session::Begin(std::string* error) {
    if (depth > 0) {
        ++depth;
        return true;
    }
    InstallHandlers();  // before curses, so that it leaves SIGINT and SIGTERM to us
    if (!screen) {
        if (!std::setlocale(LC_CTYPE, nullptr) ||
            std::strcmp(std::setlocale(LC_CTYPE, nullptr), "C") == 0) {
            std::setlocale(LC_CTYPE, "");
        }
        const char* codeset = nl_langinfo(CODESET);
        utf8 = codeset && (std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0);
        FILE* in = stdin;
        FILE* out = stdout;
        if (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO)) {
            int fd = ::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
            if (fd < 0 || !(ttyFile = ::fdopen(fd, "r+"))) {
                if (fd >= 0) {
                    ::close(fd);
                }
                if (error) {
                    *error =
                        "the tty user interface needs a terminal, and this process has none "
                        "(use --ui=script:FILE to run without one)";
                }
                RemoveHandlers();
                return false;
            }
            in = out = ttyFile;
        }
        saved.fd = ::fileno(out);
        saved.haveMode = ::tcgetattr(saved.fd, &saved.mode) == 0;
        const char* term = std::getenv("TERM");
        if (!term || !*term) {
            term = "vt100";
        }
        screen = ::newterm(term, out, in);
        if (!screen) {
            if (error) {
                *error = std::string("the terminal type '") + term + "' is unknown to curses";
            }
            RemoveHandlers();
            return false;
        }
        ::set_term(screen);
        ::set_escdelay(25);
        ::cbreak();
        ::noecho();
        ::nonl();
        ::keypad(stdscr, TRUE);
        ::meta(stdscr, TRUE);
        ::mousemask(BUTTON1_CLICKED | BUTTON1_DOUBLE_CLICKED | BUTTON1_PRESSED | BUTTON1_RELEASED |
                        BUTTON4_PRESSED | BUTTON5_PRESSED,
                    nullptr);
        ::mouseinterval(200);
        if (::has_colors()) {
            ::start_color();
            ::use_default_colors();
        }
        saved.resetLength = 0;
        AppendReset("\033[?1000l\033[?1002l\033[?1006l");
        AppendReset(::tigetstr(const_cast<char*>("sgr0")));
        AppendReset(::tigetstr(const_cast<char*>("cnorm")));
        AppendReset(::tigetstr(const_cast<char*>("rmkx")));
        AppendReset(::tigetstr(const_cast<char*>("rmcup")));
        if (!exitHook) {
            std::atexit(AtExit);
            exitHook = true;
        }
    } else {
        ::set_term(screen);
        ::reset_prog_mode();
        ::refresh();
    }
    curses = 1;
    ::curs_set(0);
    depth = 1;
    return true;
}

void Session::End() {
    if (depth == 0) {
        return;
    }
    if (--depth == 0) {
        Restore();
    }
}

bool Session::Active() {
    return depth > 0;
}
bool Session::Utf8() {
    return utf8;
}

void Session::Restore() {
    if (!curses) {
        return;
    }
    ::curs_set(1);
    ::endwin();
    curses = 0;
    RemoveHandlers();
}

}  // namespace ovtb::ui::tty
