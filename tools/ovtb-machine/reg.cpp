// ovtb-machine reg query|add|delete|export|import: the machine's registry, with the syntax and
// the output of Windows' reg.exe.
#include <cctype>
#include <cstdio>
#include <sstream>
#include <vector>

#include "platform/registry/reg_file.h"
#include "platform/registry/store.h"
#include "tools/ovtb-machine/commands.h"
#include "tools/ovtb-machine/reg_common.h"

namespace ovtb::tool {

namespace reg {

namespace {

void PrintHelp(std::FILE* out) {
    std::fprintf(out,
                 "usage: ovtb-machine reg query  KEY [/v NAME | /ve] [/s]\n"
                 "       ovtb-machine reg add    KEY [/v NAME | /ve] [/t TYPE] [/s SEP] [/d DATA] "
                 "[/f]\n"
                 "       ovtb-machine reg delete KEY [/v NAME | /ve | /va] /f\n"
                 "       ovtb-machine reg export KEY FILE [/y]\n"
                 "       ovtb-machine reg import FILE\n"
                 "\n"
                 "The machine's registry, as Windows' reg.exe shows and edits it.\n"
                 "KEY begins with HKLM\\ (HKEY_LOCAL_MACHINE\\) or HKDD\\ (HKEY_DYN_DATA\\).\n"
                 "TYPE is REG_SZ (default), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_BINARY\n"
                 "or REG_NONE. FILE is \"Windows Registry Editor Version 5.00\" text.\n"
                 "'ovtb-machine reg COMMAND /?' describes each command.\n");
}

}  // namespace

bool ParseKeyArg(const std::string& text, KeyArg& key) {
    std::string rootName;
    if (!registry::SplitKeyPath(text, key.root, key.sub, rootName))
        return false;
    while (!key.sub.empty() && key.sub.back() == '\\')
        key.sub.pop_back();
    key.display = key.sub.empty() ? rootName : rootName + "\\" + key.sub;
    return true;
}

bool ParseOptions(const Args& args, const char* command, const std::string& allowed, bool sValue,
                  Options& o) {
    std::istringstream list(allowed);
    std::vector<std::string> names;
    for (std::string n; list >> n;)
        names.push_back(n);
    auto usage = [&](const std::string& why) {
        Error(2, why);
        std::fprintf(stderr, "Type \"ovtb-machine reg %s /?\" for usage.\n", command);
        return false;
    };
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        // A switch is a slash or dash and a few letters; anything else (a path such as
        // /tmp/x.reg) is a plain argument.
        bool looksLikeSwitch = a.size() >= 2 && a.size() <= 4 && (a[0] == '/' || a[0] == '-');
        for (size_t j = 1; looksLikeSwitch && j < a.size(); ++j)
            looksLikeSwitch = std::isalpha(static_cast<unsigned char>(a[j])) != 0;
        if (!looksLikeSwitch) {
            if (!o.key)
                o.key = a;
            else if (!o.second)
                o.second = a;
            else
                return usage("Invalid syntax: too many arguments ('" + a + "').");
            continue;
        }
        std::string sw;
        for (char c : a.substr(1))
            sw.push_back(static_cast<char>(std::tolower(c)));
        bool known = false;
        for (const auto& n : names)
            known = known || n == sw;
        if (!known)
            return usage("Invalid syntax: unknown switch '" + a + "'.");
        auto takes = [&](std::optional<std::string>& slot) {
            if (slot)
                return usage("Invalid syntax: " + a + " is given twice.");
            if (i + 1 >= args.size())
                return usage("Invalid syntax: " + a + " needs a value.");
            slot = args[++i];
            return true;
        };
        bool ok = true;
        if (sw == "v") {
            ok = takes(o.value);
        } else if (sw == "ve") {
            if (o.value)
                return usage("Invalid syntax: /v and /ve are given together.");
            o.value = "";
        } else if (sw == "t") {
            ok = takes(o.type);
        } else if (sw == "d") {
            ok = takes(o.data);
        } else if (sw == "s") {
            if (sValue)
                ok = takes(o.separator);
            else
                o.recurse = true;
        } else if (sw == "f") {
            o.force = true;
        } else if (sw == "va") {
            o.allValues = true;
        } else if (sw == "y") {
            o.yes = true;
        }
        if (!ok)
            return false;
    }
    return true;
}

int Error(int status, const std::string& message) {
    std::fprintf(stderr, "ERROR: %s\n", message.c_str());
    return status;
}

int RegistryError(LONG code, const std::string& fallback) {
    if (code == ERROR_BADDB || code == ERROR_REGISTRY_IO_FAILED) {
        std::string store = registry::LastStoreError();
        return Error(1, store.empty() ? fallback : store);
    }
    if (code == ERROR_ACCESS_DENIED)
        return Error(1, "Access is denied.");
    return Error(1, fallback);
}

void Done() {
    std::printf("The operation completed successfully.\n");
}

const char* TypeName(DWORD type) {
    switch (type) {
        case REG_NONE:
            return "REG_NONE";
        case REG_SZ:
            return "REG_SZ";
        case REG_EXPAND_SZ:
            return "REG_EXPAND_SZ";
        case REG_BINARY:
            return "REG_BINARY";
        case REG_DWORD:
            return "REG_DWORD";
        case REG_MULTI_SZ:
            return "REG_MULTI_SZ";
        default:
            return nullptr;
    }
}

}  // namespace reg

int RunReg(const Args& args) {
    if (args.empty() || args[0] == "-h" || args[0] == "--help" || args[0] == "/?") {
        reg::PrintHelp(args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    std::string sub;
    for (char c : args[0])
        sub.push_back(static_cast<char>(std::tolower(c)));
    Args rest(args.begin() + 1, args.end());
    if (sub == "query")
        return reg::Query(rest);
    if (sub == "add")
        return reg::Add(rest);
    if (sub == "delete")
        return reg::Delete(rest);
    if (sub == "export")
        return reg::Export(rest);
    if (sub == "import")
        return reg::Import(rest);
    reg::Error(2, "Invalid syntax: unknown operation '" + args[0] + "'.");
    reg::PrintHelp(stderr);
    return 2;
}

}  // namespace ovtb::tool
