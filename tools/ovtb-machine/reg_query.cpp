// reg query KEY [/v NAME | /ve] [/s]
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/registry/store.h"
#include "tools/ovtb-machine/reg_common.h"

namespace ovtb::tool::reg {

namespace {

void PrintHelp() {
    std::printf(
        "usage: ovtb-machine reg query KEY [/v NAME | /ve] [/s]\n"
        "\n"
        "Prints the values of KEY and the names of its subkeys, as reg.exe does:\n"
        "\n"
        "  HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Ovserp\n"
        "      ProductID    REG_DWORD    0x104\n"
        "\n"
        "  /v NAME  only the value NAME      /ve  only the default value\n"
        "  /s       KEY and every key below it, each with its values\n"
        "\n"
        "REG_SZ and REG_EXPAND_SZ print as their text, REG_MULTI_SZ as its texts joined by\n"
        "\\0, REG_DWORD as 0x%%x, every other type as upper-case hex digits.\n");
}

std::string Text(const std::vector<BYTE>& data) {
    std::string s(data.begin(), data.end());
    return s.substr(0, s.find('\0'));
}

std::string Data(const registry::ValueEntry& v) {
    switch (v.type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            return Text(v.data);
        case REG_MULTI_SZ: {
            std::string out, item;
            size_t i = 0;
            for (; i < v.data.size() && v.data[i] != 0; ++i) {
                item.clear();
                for (; i < v.data.size() && v.data[i] != 0; ++i)
                    item.push_back(char(v.data[i]));
                if (!out.empty())
                    out += "\\0";
                out += item;
            }
            return out;
        }
        case REG_DWORD:
            if (v.data.size() == 4) {
                char buf[16];
                std::snprintf(buf, sizeof buf, "0x%x",
                              unsigned(v.data[0] | v.data[1] << 8 | v.data[2] << 16 |
                                       unsigned(v.data[3]) << 24));
                return buf;
            }
            [[fallthrough]];
        default: {
            static const char kDigits[] = "0123456789ABCDEF";
            std::string out;
            for (BYTE b : v.data) {
                out.push_back(kDigits[b >> 4]);
                out.push_back(kDigits[b & 15]);
            }
            return out;
        }
    }
}

void PrintValue(const registry::ValueEntry& v) {
    const char* type = TypeName(v.type);
    char unknown[32];
    if (!type) {
        std::snprintf(unknown, sizeof unknown, "0x%x", unsigned(v.type));
        type = unknown;
    }
    std::printf("    %s    %s    %s\n", v.name.empty() ? "(Default)" : v.name.c_str(), type,
                Data(v).c_str());
}

struct Walk {
    const Options& o;
    int matches = 0;
    LONG failure = ERROR_SUCCESS;
    std::string failedAt;

    // Prints one key (and, with /s, the keys below it). Returns false on a registry failure.
    bool Key(HKEY key, const std::string& path, bool top) {
        std::vector<registry::ValueEntry> values;
        std::vector<std::string> subkeys;
        LONG r = registry::ListValues(key, values);
        if (r == ERROR_SUCCESS)
            r = registry::ListSubKeys(key, subkeys);
        if (r != ERROR_SUCCESS) {
            failure = r;
            failedAt = path;
            return false;
        }
        if (o.value) {
            for (const auto& v : values) {
                if (!EqualNoCase(v.name, *o.value))
                    continue;
                std::printf("\n%s\n", path.c_str());
                PrintValue(v);
                ++matches;
            }
        } else if (o.recurse || top) {
            std::printf("\n%s\n", path.c_str());
            for (const auto& v : values)
                PrintValue(v);
            ++matches;
        }
        if (!o.recurse) {
            if (!o.value && !subkeys.empty()) {
                std::printf("\n");
                for (const auto& s : subkeys)
                    std::printf("%s\\%s\n", path.c_str(), s.c_str());
            }
            return true;
        }
        for (const auto& s : subkeys) {
            HKEY child = nullptr;
            r = RegOpenKeyExA(key, s.c_str(), 0, KEY_READ, &child);
            if (r == ERROR_FILE_NOT_FOUND)
                continue;  // deleted meanwhile
            if (r != ERROR_SUCCESS) {
                failure = r;
                failedAt = path + "\\" + s;
                return false;
            }
            bool ok = Key(child, path + "\\" + s, false);
            RegCloseKey(child);
            if (!ok)
                return false;
        }
        return true;
    }

    static bool EqualNoCase(const std::string& a, const std::string& b) {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i) {
            if (std::tolower(static_cast<unsigned char>(a[i])) !=
                std::tolower(static_cast<unsigned char>(b[i])))
                return false;
        }
        return true;
    }
};

}  // namespace

int Query(const Args& args) {
    Options o;
    for (const auto& a : args) {
        if (a == "/?" || a == "-?" || a == "-h" || a == "--help") {
            PrintHelp();
            return 0;
        }
    }
    if (!ParseOptions(args, "query", "v ve s", false, o))
        return 2;
    KeyArg key;
    if (!o.key || o.second)
        return Error(2, "Invalid syntax: reg query takes one KEY.");
    if (!ParseKeyArg(*o.key, key))
        return Error(2, "Invalid key name '" + *o.key + "': it must begin with HKLM\\ or HKDD\\.");
    HKEY h = nullptr;
    LONG r = RegOpenKeyExA(key.root, key.sub.c_str(), 0, KEY_READ, &h);
    if (r == ERROR_FILE_NOT_FOUND)
        return Error(1, "The system was unable to find the specified registry key or value.");
    if (r != ERROR_SUCCESS)
        return RegistryError(r, "Cannot open " + key.display + ".");
    registry::StoreTransaction tx;  // one consistent view when walking a tree
    if (o.recurse)
        tx.Begin(false);
    Walk walk{o, 0, ERROR_SUCCESS, {}};
    bool ok = walk.Key(h, key.display, true);
    RegCloseKey(h);
    if (!ok)
        return RegistryError(walk.failure, "Cannot read " + walk.failedAt + ".");
    if (o.value && !o.recurse && walk.matches == 0)
        return Error(1, "The system was unable to find the specified registry key or value.");
    if (o.value && !o.recurse)
        std::printf("\n");
    if (o.recurse && o.value)
        std::printf("End of search: %d match(es) found.\n", walk.matches);
    return 0;
}

}  // namespace ovtb::tool::reg
