// ovtb-machine version-file FILE --product-version TEXT [options]: writes a file that holds a
// version resource, for fixtures and demos (a driver file in the machine's system directory).
#include <cctype>
#include <cstdio>
#include <fstream>
#include <string>

#include "platform/machine/machine.h"
#include "platform/version/version_writer.h"
#include "tools/ovtb-machine/commands.h"

namespace ovtb::tool {

namespace {

void PrintHelp(std::FILE* out) {
    std::fprintf(
        out,
        "usage: ovtb-machine version-file FILE --product-version TEXT [--file-version TEXT]\n"
        "                                 [--form ansi|unicode|pe|ne|le] [--block LANGCP]\n"
        "                                 [--string NAME=TEXT]...\n"
        "\n"
        "Writes FILE holding a version resource whose string table LANGCP (default\n"
        "040904E4, US English and code page 1252) has ProductVersion = TEXT,\n"
        "FileVersion (default: the product version) and any --string given.\n"
        "FILE is a Windows path on the machine (C:\\WINDOWS\\SYSTEM\\ovtbdrv.vxd; missing\n"
        "folders are created) or a path of this host.\n"
        "\n"
        "forms: unicode  a bare 32-bit VS_VERSIONINFO (default)\n"
        "       ansi     a bare 16-bit VS_VERSIONINFO\n"
        "       pe       a PE image with the 32-bit resource\n"
        "       ne       an NE image with the 16-bit resource\n"
        "       le       an LE virtual device driver with the 16-bit resource\n");
}

bool IsHexBlock(const std::string& s) {
    if (s.size() != 8)
        return false;
    for (char c : s) {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

}  // namespace

int RunVersionFile(const Args& args) {
    if (WantsHelp(args)) {
        PrintHelp(stdout);
        return 0;
    }
    std::string file;
    bool haveProduct = false;
    version::VersionText text;
    version::FileForm form = version::FileForm::Unicode;
    std::string fileVersion;
    std::vector<std::pair<std::string, std::string>> extra;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](const char* option) -> const std::string* {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "ovtb-machine version-file: %s needs a value\n", option);
                return nullptr;
            }
            return &args[++i];
        };
        if (a == "--product-version") {
            auto v = value("--product-version");
            if (!v)
                return 2;
            text.productVersion = *v;
            haveProduct = true;
        } else if (a == "--file-version") {
            auto v = value("--file-version");
            if (!v)
                return 2;
            fileVersion = *v;
        } else if (a == "--form") {
            auto v = value("--form");
            if (!v)
                return 2;
            if (*v == "ansi") {
                form = version::FileForm::Ansi;
            } else if (*v == "unicode") {
                form = version::FileForm::Unicode;
            } else if (*v == "pe") {
                form = version::FileForm::Pe;
            } else if (*v == "ne") {
                form = version::FileForm::Ne;
            } else if (*v == "le") {
                form = version::FileForm::Le;
            } else {
                std::fprintf(stderr,
                             "ovtb-machine version-file: unknown form '%s' (ansi, unicode, pe, "
                             "ne or le)\n",
                             v->c_str());
                return 2;
            }
        } else if (a == "--block") {
            auto v = value("--block");
            if (!v)
                return 2;
            if (!IsHexBlock(*v)) {
                std::fprintf(stderr,
                             "ovtb-machine version-file: --block '%s' is not 8 hexadecimal "
                             "digits\n",
                             v->c_str());
                return 2;
            }
            text.block = *v;
        } else if (a == "--string") {
            auto v = value("--string");
            if (!v)
                return 2;
            auto eq = v->find('=');
            if (eq == std::string::npos || eq == 0) {
                std::fprintf(stderr, "ovtb-machine version-file: --string '%s' is not NAME=TEXT\n",
                             v->c_str());
                return 2;
            }
            extra.emplace_back(v->substr(0, eq), v->substr(eq + 1));
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "ovtb-machine version-file: unknown option '%s'\n", a.c_str());
            PrintHelp(stderr);
            return 2;
        } else if (file.empty()) {
            file = a;
        } else {
            std::fprintf(stderr, "ovtb-machine version-file: more than one FILE ('%s')\n",
                         a.c_str());
            return 2;
        }
    }
    if (file.empty() || !haveProduct) {
        std::fprintf(stderr, "ovtb-machine version-file: FILE and --product-version are needed\n");
        PrintHelp(stderr);
        return 2;
    }
    text.fileVersion = fileVersion.empty() ? text.productVersion : fileVersion;
    text.strings = {{"FileVersion", text.fileVersion}, {"ProductVersion", text.productVersion}};
    text.strings.insert(text.strings.end(), extra.begin(), extra.end());

    std::filesystem::path path = file;
    if (file.size() >= 2 && file[1] == ':') {
        auto mapped = machine::MapWindowsPath(file);
        if (!mapped) {
            std::fprintf(stderr,
                         "ovtb-machine version-file: '%s' is not an absolute path on drive C:\n",
                         file.c_str());
            return 2;
        }
        path = *mapped;
        std::error_code ec;
        std::filesystem::create_directories(path.parent_path(), ec);
    }
    auto bytes = version::BuildVersionFile(text, form);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "ovtb-machine version-file: cannot write '%s'\n", path.c_str());
        return 1;
    }
    return 0;
}

}  // namespace ovtb::tool
