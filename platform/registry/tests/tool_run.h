// Running build/bin/ovtb-machine from a test: its exit status and what it printed.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace ovtb::test {

struct ToolResult {
    int status = -1;
    std::string out, err;
};

inline std::filesystem::path ToolPath() {
    const char* bin = std::getenv("OVTB_BIN");
    return std::filesystem::path(bin && *bin ? bin : "build/bin") / "ovtb-machine";
}

inline std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs ovtb-machine --machine DIR ARGS... (each argument quoted for the shell).
inline ToolResult RunToolArgs(const std::filesystem::path& machine,
                              const std::vector<std::string>& args) {
    std::filesystem::path out = machine.parent_path() / "tool.out";
    std::filesystem::path err = machine.parent_path() / "tool.err";
    std::string cmd = ShellQuote(ToolPath().string()) + " --machine " + ShellQuote(machine);
    for (const auto& a : args)
        cmd += " " + ShellQuote(a);
    cmd += " >" + ShellQuote(out) + " 2>" + ShellQuote(err) + " </dev/null";
    int raw = std::system(cmd.c_str());
    ToolResult r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = Slurp(out);
    r.err = Slurp(err);
    return r;
}

template <typename... A>
ToolResult RunTool(const std::filesystem::path& machine, const A&... args) {
    return RunToolArgs(machine, {std::string(args)...});
}

// A fresh directory below the system's temporary directory, removed at the end.
class TempDir {
  public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "ovtb-tool-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty())
            std::filesystem::remove_all(path_, ec);
    }
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace ovtb::test
