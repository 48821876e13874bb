// reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEP] [/d DATA] [/f]
// reg delete KEY [/v NAME | /ve | /va] /f
#include <cctype>
#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/registry/store.h"
#include "tools/ovtb-machine/reg_common.h"

namespace ovtb::tool::reg {

namespace {

bool WantsHelp(const Args& args) {
    for (const auto& a : args) {
        if (a == "/?" || a == "-?" || a == "-h" || a == "--help")
            return true;
    }
    return false;
}

void PrintAddHelp() {
    std::printf(
        "usage: ovtb-machine reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEP] [/d DATA] [/f]\n"
        "\n"
        "Creates KEY (and the keys above it) and, with /v or /ve, sets a value of it.\n"
        "  /v NAME  the value to set          /ve  the default value\n"
        "  /t TYPE  REG_SZ (default), REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_BINARY,\n"
        "           REG_NONE\n"
        "  /d DATA  REG_SZ, REG_EXPAND_SZ: the text (stored with its terminator);\n"
        "           REG_MULTI_SZ: texts separated by \\0 (or by /s SEP);\n"
        "           REG_DWORD: a number, decimal or 0x hexadecimal;\n"
        "           REG_BINARY, REG_NONE: hex digits, two per byte (01FF20)\n"
        "  /f       overwrite an existing value without asking (this tool never asks:\n"
        "           without /f an existing value is left alone)\n");
}

void PrintDeleteHelp() {
    std::printf(
        "usage: ovtb-machine reg delete KEY [/v NAME | /ve | /va] /f\n"
        "\n"
        "Deletes KEY with every key and value below it, or only a value of it.\n"
        "  /v NAME  the value NAME   /ve  the default value   /va  every value of KEY\n"
        "  /f       required: this tool does not ask for confirmation\n");
}

bool ParseType(std::string text, DWORD& type) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (DWORD t : {REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_BINARY, REG_NONE}) {
        if (text == TypeName(t)) {
            type = t;
            return true;
        }
    }
    return false;
}

// The bytes of /d DATA for `type`; false with `why` when DATA does not fit the type.
bool EncodeData(DWORD type, const std::string& data, const std::string& separator,
                std::vector<BYTE>& out, std::string& why) {
    out.clear();
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ:
            out.assign(data.begin(), data.end());
            out.push_back(0);
            return true;
        case REG_MULTI_SZ: {
            std::string sep = separator.empty() ? "\\0" : separator;
            for (size_t pos = 0; !data.empty();) {
                size_t cut = data.find(sep, pos);
                std::string item = data.substr(pos, cut == std::string::npos ? cut : cut - pos);
                if (item.empty()) {
                    why = "a REG_MULTI_SZ cannot hold an empty text";
                    return false;
                }
                out.insert(out.end(), item.begin(), item.end());
                out.push_back(0);
                if (cut == std::string::npos)
                    break;
                pos = cut + sep.size();
            }
            out.push_back(0);
            return true;
        }
        case REG_DWORD: {
            std::string_view s = data;
            int base = 10;
            if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
                s.remove_prefix(2);
                base = 16;
            }
            unsigned long long v = 0;
            auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
            if (s.empty() || ec != std::errc() || end != s.data() + s.size() || v > 0xFFFFFFFFull) {
                why =
                    "REG_DWORD data must be a number from 0 to 4294967295 (or 0x0 to "
                    "0xFFFFFFFF), not '" +
                    data + "'";
                return false;
            }
            for (int i = 0; i < 4; ++i)
                out.push_back(static_cast<BYTE>(v >> (8 * i)));
            return true;
        }
        default: {
            if (data.size() % 2) {
                why = "binary data takes two hex digits per byte, not '" + data + "'";
                return false;
            }
            for (size_t i = 0; i < data.size(); i += 2) {
                unsigned b = 0;
                auto [end, ec] = std::from_chars(data.data() + i, data.data() + i + 2, b, 16);
                if (ec != std::errc() || end != data.data() + i + 2) {
                    why = "binary data takes hex digits only, not '" + data + "'";
                    return false;
                }
                out.push_back(static_cast<BYTE>(b));
            }
            return true;
        }
    }
}

}  // namespace

int Add(const Args& args) {
    if (WantsHelp(args)) {
        PrintAddHelp();
        return 0;
    }
    Options o;
    if (!ParseOptions(args, "add", "v ve t s d f", true, o))
        return 2;
    KeyArg key;
    if (!o.key || o.second)
        return Error(2, "Invalid syntax: reg add takes one KEY.");
    if (!ParseKeyArg(*o.key, key))
        return Error(2, "Invalid key name '" + *o.key + "': it must begin with HKLM\\ or HKDD\\.");
    if (!o.value && (o.type || o.data || o.separator))
        return Error(2, "Invalid syntax: /t, /s and /d need /v NAME or /ve.");
    DWORD type = REG_SZ;
    if (o.type && !ParseType(*o.type, type))
        return Error(2, "Invalid type '" + *o.type +
                            "': REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_DWORD, REG_BINARY or "
                            "REG_NONE.");
    if (o.separator && type != REG_MULTI_SZ)
        return Error(2, "Invalid syntax: /s is for REG_MULTI_SZ only.");
    std::vector<BYTE> bytes;
    std::string why;
    if (o.value && !EncodeData(type, o.data.value_or(""), o.separator.value_or(""), bytes, why))
        return Error(2, why + ".");

    // The key and the value in one transaction: both land or neither.
    registry::StoreTransaction tx;
    if (LONG r = tx.Begin(); r != ERROR_SUCCESS)
        return RegistryError(r, "Cannot open the registry.");
    HKEY h = nullptr;
    LONG r = RegCreateKeyExA(key.root, key.sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_ALL_ACCESS, nullptr, &h, nullptr);
    if (r != ERROR_SUCCESS)
        return RegistryError(r, "Cannot create " + key.display + ".");
    if (o.value) {
        DWORD size = 0;
        if (!o.force && RegQueryValueExA(h, o.value->c_str(), nullptr, nullptr, nullptr, &size) ==
                            ERROR_SUCCESS) {
            RegCloseKey(h);
            return Error(1, "The value " + (o.value->empty() ? "(Default)" : *o.value) + " of " +
                                key.display + " exists; add /f to overwrite it.");
        }
        r = RegSetValueExA(h, o.value->c_str(), 0, type, bytes.data(), DWORD(bytes.size()));
    }
    RegCloseKey(h);
    if (r != ERROR_SUCCESS)
        return RegistryError(r, "Cannot write to " + key.display + ".");
    if ((r = tx.Commit()) != ERROR_SUCCESS)
        return RegistryError(r, "Cannot write the registry.");
    Done();
    return 0;
}

int Delete(const Args& args) {
    if (WantsHelp(args)) {
        PrintDeleteHelp();
        return 0;
    }
    Options o;
    if (!ParseOptions(args, "delete", "v ve va f", false, o))
        return 2;
    KeyArg key;
    if (!o.key || o.second)
        return Error(2, "Invalid syntax: reg delete takes one KEY.");
    if (!ParseKeyArg(*o.key, key))
        return Error(2, "Invalid key name '" + *o.key + "': it must begin with HKLM\\ or HKDD\\.");
    if (o.value && o.allValues)
        return Error(2, "Invalid syntax: /v or /ve, and /va, together.");
    if (!o.force)
        return Error(2, "reg delete needs /f: this tool does not ask for confirmation.");
    const char* missing = "The system was unable to find the specified registry key or value.";
    if (!o.value && !o.allValues) {
        if (key.sub.empty())
            return Error(1, "A root key cannot be deleted.");
        LONG r = registry::DeleteKeyTree(key.root, key.sub.c_str());
        if (r == ERROR_FILE_NOT_FOUND)
            return Error(1, missing);
        if (r != ERROR_SUCCESS)
            return RegistryError(r, "Cannot delete " + key.display + ".");
        Done();
        return 0;
    }
    registry::StoreTransaction tx;
    if (LONG r = tx.Begin(); r != ERROR_SUCCESS)
        return RegistryError(r, "Cannot open the registry.");
    HKEY h = nullptr;
    LONG r = RegOpenKeyExA(key.root, key.sub.c_str(), 0, KEY_ALL_ACCESS, &h);
    if (r == ERROR_FILE_NOT_FOUND)
        return Error(1, missing);
    if (r != ERROR_SUCCESS)
        return RegistryError(r, "Cannot open " + key.display + ".");
    if (o.value) {
        r = RegDeleteValueA(h, o.value->c_str());
    } else {
        std::vector<registry::ValueEntry> values;
        r = registry::ListValues(h, values);
        for (size_t i = 0; r == ERROR_SUCCESS && i < values.size(); ++i)
            r = RegDeleteValueA(h, values[i].name.c_str());
    }
    RegCloseKey(h);
    if (r == ERROR_FILE_NOT_FOUND)
        return Error(1, missing);
    if (r != ERROR_SUCCESS)
        return RegistryError(r, "Cannot delete from " + key.display + ".");
    if ((r = tx.Commit()) != ERROR_SUCCESS)
        return RegistryError(r, "Cannot write the registry.");
    Done();
    return 0;
}

}  // namespace ovtb::tool::reg
