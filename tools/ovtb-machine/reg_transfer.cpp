// reg export KEY FILE [/y], reg import FILE
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/registry/reg_file.h"
#include "tools/ovtb-machine/reg_common.h"

namespace ovtb::tool::reg {

namespace {

namespace fs = std::filesystem;

bool WantsHelp(const Args& args) {
    for (const auto& a : args) {
        if (a == "/?" || a == "-?" || a == "-h" || a == "--help")
            return true;
    }
    return false;
}

// Writes through a temporary file and a rename, so that FILE is never left half written.
bool WriteWhole(const fs::path& file, const std::string& text, std::string& why) {
    fs::path tmp = file;
    tmp += ".tmp" + std::to_string(getpid());
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        out.flush();
        if (!out) {
            why = "cannot write " + tmp.string();
            std::error_code ec;
            fs::remove(tmp, ec);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(tmp, file, ec);
    if (ec) {
        why = "cannot write " + file.string() + ": " + ec.message();
        fs::remove(tmp, ec);
        return false;
    }
    return true;
}

}  // namespace

int Export(const Args& args) {
    if (WantsHelp(args)) {
        std::printf(
            "usage: ovtb-machine reg export KEY FILE [/y]\n"
            "\n"
            "Writes KEY and every key and value below it to FILE, as \"Windows Registry\n"
            "Editor Version 5.00\" text. Every value keeps its bytes and type: a REG_SZ that is\n"
            "not exactly one text and its terminator is written as hex(1):.\n"
            "  /y  overwrite FILE if it exists\n");
        return 0;
    }
    Options o;
    if (!ParseOptions(args, "export", "y", false, o))
        return 2;
    if (!o.key || !o.second)
        return Error(2, "Invalid syntax: reg export takes KEY and FILE.");
    KeyArg key;
    if (!ParseKeyArg(*o.key, key))
        return Error(2, "Invalid key name '" + *o.key + "': it must begin with HKLM\\ or HKDD\\.");
    fs::path file = *o.second;
    std::error_code ec;
    if (!o.yes && fs::exists(file, ec))
        return Error(1, "The file " + file.string() + " exists; add /y to overwrite it.");
    registry::RegFile content;
    std::string why;
    LONG r = registry::ExportRegKey(key.display, content, why);
    if (r == ERROR_FILE_NOT_FOUND)
        return Error(1, "The system was unable to find the specified registry key or value.");
    if (r != ERROR_SUCCESS)
        return Error(1, why);
    std::string text;
    if (!registry::FormatRegFile(content, text, why))
        return Error(1, why + ".");
    if (!WriteWhole(file, text, why))
        return Error(1, why + ".");
    Done();
    return 0;
}

int Import(const Args& args) {
    if (WantsHelp(args)) {
        std::printf(
            "usage: ovtb-machine reg import FILE\n"
            "\n"
            "Applies FILE (\"Windows Registry Editor Version 5.00\" or REGEDIT4 text) to the\n"
            "registry, all of it or nothing. A quoted string is stored as REG_SZ with its\n"
            "terminator. A malformed FILE is refused with its line (exit status 2) and the\n"
            "registry is left unchanged.\n");
        return 0;
    }
    Options o;
    if (!ParseOptions(args, "import", "", false, o))
        return 2;
    if (!o.key || o.second)
        return Error(2, "Invalid syntax: reg import takes one FILE.");
    const std::string& name = *o.key;
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in)
        return Error(1, "Cannot read the file " + name + ".");
    registry::RegFile content;
    registry::RegFileError error;
    auto where = [&](int line) {
        return line > 0 ? name + ", line " + std::to_string(line) + ": " : name + ": ";
    };
    if (!registry::ParseRegFile(text.str(), content, error))
        return Error(2, where(error.line) + error.message + ". Nothing was imported.");
    if (LONG r = registry::ImportRegFile(content, error); r != ERROR_SUCCESS)
        return Error(1, where(error.line) + error.message + ". Nothing was imported.");
    Done();
    return 0;
}

}  // namespace ovtb::tool::reg
