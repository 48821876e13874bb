// The curses session of the terminal renderer: started when the first window shows, ended when
// the last one closes, and the terminal handed back as it was on every way out of the process:
// a normal exit, exit() from anywhere, and the signals that end it (SIGINT, SIGTERM, SIGHUP,
// SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT).
#pragma once

#include <string>

namespace ovtb::ui::tty {

class Session {
  public:
    // Starts curses on the controlling terminal (stdin/stdout when both are terminals, else
    // /dev/tty), or resumes it; calls nest. False with a reason when there is no terminal.
    static bool Begin(std::string* error);
    // Ends one Begin; the last one hands the terminal back (endwin).
    static void End();
    static bool Active();
    // Whether the terminal shows UTF-8 (else ASCII stand-ins replace line and arrow glyphs).
    static bool Utf8();
    // Hands the terminal back at once; used on the way out of the process.
    static void Restore();
};

}  // namespace ovtb::ui::tty
