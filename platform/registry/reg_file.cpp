#include "platform/registry/reg_file.h"

#include <cstdio>
#include <utility>

#include "platform/registry/store.h"

namespace ovtb::registry {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";
// Hex data lines are wrapped before this column, as regedit does.
constexpr size_t kWrapColumn = 77;

struct Root {
    std::string_view name;
    std::string_view abbreviation;
    HKEY key;
};
const Root kRoots[] = {
    {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
    {"HKEY_DYN_DATA", "HKDD", HKEY_DYN_DATA},
};

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t';
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    return s;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (IsSpace(s.back()) || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string_view Trim(std::string_view s) {
    return TrimLeft(TrimRight(s));
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Parses 1 to `maxDigits` hex digits, the whole of `text`.
bool ParseHex(std::string_view text, size_t maxDigits, DWORD& value) {
    if (text.empty() || text.size() > maxDigits)
        return false;
    value = 0;
    for (char c : text) {
        int d = HexDigit(c);
        if (d < 0)
            return false;
        value = (value << 4) | static_cast<DWORD>(d);
    }
    return true;
}

// The file's bytes: a UTF-16LE file (with its byte order mark) becomes one byte per character,
// a UTF-8 byte order mark is dropped.
bool DecodeText(std::string_view text, std::string& bytes, RegFileError& error) {
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
        static_cast<unsigned char>(text[1]) == 0xFE) {
        if (text.size() % 2) {
            error = {0, "the file is UTF-16 but has an odd number of bytes"};
            return false;
        }
        bytes.clear();
        bytes.reserve(text.size() / 2);
        int line = 1;
        for (size_t i = 2; i < text.size(); i += 2) {
            unsigned unit = static_cast<unsigned char>(text[i]) |
                            static_cast<unsigned>(static_cast<unsigned char>(text[i + 1])) << 8;
            if (unit > 0xFF) {
                char msg[96];
                std::snprintf(msg, sizeof msg,
                              "character U+%04X does not fit in the ANSI code page", unit);
                error = {line, msg};
                return false;
            }
            if (unit == '\n')
                ++line;
            bytes.push_back(static_cast<char>(unit));
        }
        return true;
    }
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    bytes.assign(text);
    return true;
}

// A logical line: physical lines joined by trailing backslashes, with where each began.
struct Logical {
    std::string text;
    std::vector<std::pair<size_t, int>> starts;  // (offset in text, line number)
    int LineAt(size_t offset) const {
        int line = starts.front().second;
        for (const auto& [off, ln] : starts) {
            if (off <= offset)
                line = ln;
        }
        return line;
    }
};

class Parser {
  public:
    Parser(std::string_view bytes, RegFile& file, RegFileError& error)
        : file_(file), error_(error) {
        size_t pos = 0;
        while (pos <= bytes.size()) {
            size_t nl = bytes.find('\n', pos);
            if (nl == std::string_view::npos) {
                if (pos < bytes.size())
                    lines_.push_back(bytes.substr(pos));
                break;
            }
            lines_.push_back(bytes.substr(pos, nl - pos));
            pos = nl + 1;
        }
    }

    bool Run() {
        bool header = false;
        for (next_ = 0; next_ < lines_.size();) {
            int lineNo = static_cast<int>(next_) + 1;
            std::string_view line = Trim(lines_[next_++]);
            if (line.empty())
                continue;
            if (!header) {
                if (line != kHeader && line != kOldHeader)
                    return Fail(lineNo, "not a registry file: the first line must be \"" +
                                            std::string(kHeader) + "\"");
                header = true;
                continue;
            }
            if (line.front() == ';')
                continue;
            if (line.front() == '[') {
                if (!KeyLine(line, lineNo))
                    return false;
            } else if (line.front() == '"' || line.front() == '@') {
                if (!ValueLine(lineNo))
                    return false;
            } else {
                return Fail(lineNo, "expected a [key], a \"value\"=data line or a ; comment");
            }
        }
        if (!header)
            return Fail(0, "the file is empty: it has no \"" + std::string(kHeader) + "\" line");
        return true;
    }

  private:
    bool Fail(int line, std::string message) {
        error_ = {line, std::move(message)};
        return false;
    }

    bool KeyLine(std::string_view line, int lineNo) {
        if (line.back() != ']')
            return Fail(lineNo, "a key line must end with ']'");
        std::string_view inside = line.substr(1, line.size() - 2);
        RegFileKey key;
        key.line = lineNo;
        if (!inside.empty() && inside.front() == '-') {
            key.remove = true;
            inside.remove_prefix(1);
        }
        HKEY root;
        std::string sub, rootName;
        if (!SplitKeyPath(inside, root, sub, rootName))
            return Fail(lineNo, "unknown root key in [" + std::string(inside) +
                                    "] (HKEY_LOCAL_MACHINE or HKEY_DYN_DATA)");
        if (sub.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
            return Fail(lineNo, "a key name cannot hold a line break or a NUL character");
        key.path = sub.empty() ? rootName : rootName + "\\" + sub;
        file_.keys.push_back(std::move(key));
        return true;
    }

    // A quoted string at the start of `s`: its text, and `s` left after the closing quote.
    bool QuotedString(std::string_view& s, std::string& out, int lineNo) {
        out.clear();
        size_t i = 1;
        for (; i < s.size() && s[i] != '"'; ++i) {
            if (s[i] == '\\') {
                if (i + 1 >= s.size() || (s[i + 1] != '\\' && s[i + 1] != '"'))
                    return Fail(lineNo,
                                "a backslash in a quoted string must be written \\\\ "
                                "(and a quote \\\")");
                ++i;
            }
            if (s[i] == '\r')
                return Fail(lineNo, "a quoted string cannot hold a line break");
            out.push_back(s[i]);
        }
        if (i >= s.size())
            return Fail(lineNo, "a quoted string has no closing quote");
        s.remove_prefix(i + 1);
        return true;
    }

    bool ValueLine(int lineNo) {
        if (file_.keys.empty())
            return Fail(lineNo, "a value comes before any [key] line");
        if (file_.keys.back().remove)
            return Fail(lineNo, "a value under a key that the file deletes ([-...])");
        std::string_view s = Trim(lines_[lineNo - 1]);
        RegFileValue value;
        value.line = lineNo;
        if (s.front() == '@') {
            s.remove_prefix(1);
        } else if (!QuotedString(s, value.name, lineNo)) {
            return false;
        }
        if (value.name.find('\0') != std::string::npos)
            return Fail(lineNo, "a value name cannot hold a NUL character");
        s = TrimLeft(s);
        if (s.empty() || s.front() != '=')
            return Fail(lineNo, "expected '=' after the name");
        s = TrimLeft(s.substr(1));
        if (s == "-") {
            value.remove = true;
        } else if (!s.empty() && s.front() == '"') {
            std::string text;
            if (!QuotedString(s, text, lineNo))
                return false;
            if (!Trim(s).empty())
                return Fail(lineNo, "unexpected text after the string");
            value.type = REG_SZ;
            value.data.assign(text.begin(), text.end());
            value.data.push_back(0);  // a string is stored with its terminator
        } else if (StartsWithNoCase(s, "dword:")) {
            DWORD v = 0;
            if (!ParseHex(Trim(s.substr(6)), 8, v))
                return Fail(lineNo, "dword: takes 1 to 8 hexadecimal digits");
            value.type = REG_DWORD;
            for (int i = 0; i < 4; ++i)
                value.data.push_back(static_cast<BYTE>(v >> (8 * i)));
        } else if (StartsWithNoCase(s, "hex")) {
            if (!HexValue(s, value, lineNo))
                return false;
        } else {
            return Fail(lineNo, "unknown data: expected \"text\", dword:, hex:, hex(N): or -");
        }
        file_.keys.back().values.push_back(std::move(value));
        return true;
    }

    bool HexValue(std::string_view s, RegFileValue& value, int lineNo) {
        s.remove_prefix(3);
        value.type = REG_BINARY;
        if (!s.empty() && s.front() == '(') {
            size_t close = s.find(')');
            if (close == std::string_view::npos || !ParseHex(s.substr(1, close - 1), 8, value.type))
                return Fail(lineNo, "hex(N): takes the type as 1 to 8 hexadecimal digits");
            s.remove_prefix(close + 1);
        }
        if (s.empty() || s.front() != ':')
            return Fail(lineNo, "expected ':' after hex");
        s.remove_prefix(1);
        // Join the continuation lines.
        Logical data;
        data.starts.push_back({0, lineNo});
        data.text.assign(TrimRight(s));
        while (!data.text.empty() && data.text.back() == '\\') {
            data.text.pop_back();
            if (next_ >= lines_.size())
                return Fail(static_cast<int>(lines_.size()),
                            "the file ends inside a continued hex value");
            int ln = static_cast<int>(next_) + 1;
            data.starts.push_back({data.text.size(), ln});
            data.text.append(Trim(lines_[next_++]));
        }
        // Bytes separated by commas; only the list's end may be empty ("01,02," before a
        // line break that nothing follows, or an empty value).
        std::string_view rest = data.text;
        size_t offset = 0;
        while (!Trim(rest.substr(offset)).empty()) {
            size_t comma = rest.find(',', offset);
            size_t end = comma == std::string_view::npos ? rest.size() : comma;
            std::string_view token = Trim(rest.substr(offset, end - offset));
            DWORD byte = 0;
            if (!ParseHex(token, 2, byte))
                return Fail(data.LineAt(offset),
                            token.empty() ? std::string("an empty byte in a hex list")
                                          : "a hex list takes bytes of 1 or 2 hexadecimal "
                                            "digits separated by commas, not '" +
                                                std::string(token) + "'");
            value.data.push_back(static_cast<BYTE>(byte));
            if (comma == std::string_view::npos)
                break;
            offset = comma + 1;
        }
        return true;
    }

    RegFile& file_;
    RegFileError& error_;
    std::vector<std::string_view> lines_;
    size_t next_ = 0;
};

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

// True when a REG_SZ's bytes are one text and one terminator that a line can hold.
bool IsPlainString(const std::vector<BYTE>& data) {
    if (data.empty() || data.back() != 0)
        return false;
    for (size_t i = 0; i + 1 < data.size(); ++i) {
        if (data[i] == 0 || data[i] == '\r' || data[i] == '\n')
            return false;
    }
    return true;
}

void AppendHex(std::string& out, std::string line, const std::vector<BYTE>& data) {
    static const char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < data.size(); ++i) {
        std::string piece{kDigits[data[i] >> 4], kDigits[data[i] & 15]};
        if (i + 1 < data.size())
            piece.push_back(',');
        if (line.size() + piece.size() > kWrapColumn) {
            out += line;
            out += "\\\r\n";
            line = "  ";
        }
        line += piece;
    }
    out += line;
}

bool HasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

bool SplitKeyPath(std::string_view fullPath, HKEY& root, std::string& subPath,
                  std::string& rootName) {
    size_t cut = fullPath.find('\\');
    std::string_view first = fullPath.substr(0, cut);
    for (const auto& r : kRoots) {
        if (EqualNoCase(first, r.name) || EqualNoCase(first, r.abbreviation)) {
            root = r.key;
            rootName = r.name;
            subPath = cut == std::string_view::npos ? std::string() : fullPath.substr(cut + 1);
            return true;
        }
    }
    return false;
}

std::string RegistryErrorText(LONG code) {
    switch (code) {
        case ERROR_SUCCESS:
            return "success";
        case ERROR_FILE_NOT_FOUND:
            return "not found";
        case ERROR_ACCESS_DENIED:
            return "access denied";
        case ERROR_INVALID_HANDLE:
            return "invalid handle";
        case ERROR_INVALID_PARAMETER:
            return "invalid parameter (a name too long?)";
        case ERROR_KEY_DELETED:
            return "the key was deleted";
        case ERROR_BADDB:
        case ERROR_REGISTRY_IO_FAILED: {
            std::string store = LastStoreError();
            return store.empty() ? "the registry store failed" : store;
        }
        default:
            return "error " + std::to_string(code);
    }
}

bool ParseRegFile(std::string_view text, RegFile& file, RegFileError& error) {
    file = RegFile{};
    error = RegFileError{};
    std::string bytes;
    if (!DecodeText(text, bytes, error))
        return false;
    Parser parser(bytes, file, error);
    if (!parser.Run()) {
        file = RegFile{};
        return false;
    }
    return true;
}

bool FormatRegFile(const RegFile& file, std::string& text, std::string& error) {
    text = std::string(kHeader) + "\r\n\r\n";
    for (const auto& key : file.keys) {
        if (HasLineBreak(key.path)) {
            error = "the key name \"" + key.path + "\" holds a line break";
            return false;
        }
        text += key.remove ? "[-" : "[";
        text += key.path;
        text += "]\r\n";
        for (const auto& v : key.values) {
            if (HasLineBreak(v.name)) {
                error = "the name of a value of " + key.path + " holds a line break";
                return false;
            }
            std::string line = v.name.empty() ? "@=" : Quote(v.name) + "=";
            if (v.remove) {
                text += line + "-";
            } else if (v.type == REG_SZ && IsPlainString(v.data)) {
                text += line;
                text += Quote(std::string_view(reinterpret_cast<const char*>(v.data.data()),
                                               v.data.size() - 1));
            } else if (v.type == REG_DWORD && v.data.size() == 4) {
                char buf[16];
                DWORD d = v.data[0] | v.data[1] << 8 | v.data[2] << 16 |
                          static_cast<DWORD>(v.data[3]) << 24;
                std::snprintf(buf, sizeof buf, "dword:%08x", d);
                text += line + buf;
            } else {
                char buf[24];
                if (v.type == REG_BINARY)
                    std::snprintf(buf, sizeof buf, "hex:");
                else
                    std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
                AppendHex(text, line + buf, v.data);
            }
            text += "\r\n";
        }
        text += "\r\n";
    }
    return true;
}

LONG ImportRegFile(const RegFile& file, RegFileError& error) {
    error = RegFileError{};
    StoreTransaction tx;
    if (LONG r = tx.Begin(true); r != ERROR_SUCCESS) {
        error = {0, RegistryErrorText(r)};
        return r;
    }
    for (const auto& key : file.keys) {
        HKEY root;
        std::string sub, rootName;
        if (!SplitKeyPath(key.path, root, sub, rootName)) {
            error = {key.line, "unknown root key in " + key.path};
            return ERROR_INVALID_PARAMETER;
        }
        if (key.remove) {
            LONG r = DeleteKeyTree(root, sub.c_str());
            if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) {
                error = {key.line, "cannot delete " + key.path + ": " + RegistryErrorText(r)};
                return r;
            }
            continue;
        }
        HKEY h = nullptr;
        LONG r = RegCreateKeyExA(root, sub.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                 KEY_ALL_ACCESS, nullptr, &h, nullptr);
        if (r != ERROR_SUCCESS) {
            error = {key.line, "cannot create " + key.path + ": " + RegistryErrorText(r)};
            return r;
        }
        for (const auto& v : key.values) {
            if (v.remove) {
                r = RegDeleteValueA(h, v.name.c_str());
                if (r == ERROR_FILE_NOT_FOUND)
                    r = ERROR_SUCCESS;
            } else {
                r = RegSetValueExA(h, v.name.c_str(), 0, v.type, v.data.data(),
                                   static_cast<DWORD>(v.data.size()));
            }
            if (r != ERROR_SUCCESS) {
                error = {v.line, "cannot write the value \"" + v.name + "\" of " + key.path + ": " +
                                     RegistryErrorText(r)};
                RegCloseKey(h);
                return r;
            }
        }
        RegCloseKey(h);
    }
    if (LONG r = tx.Commit(); r != ERROR_SUCCESS) {
        error = {0, "cannot commit the import: " + RegistryErrorText(r)};
        return r;
    }
    return ERROR_SUCCESS;
}

LONG ExportRegKey(std::string_view fullPath, RegFile& file, std::string& error) {
    file = RegFile{};
    HKEY root;
    std::string sub, rootName;
    if (!SplitKeyPath(fullPath, root, sub, rootName)) {
        error = "unknown root key in " + std::string(fullPath) +
                " (HKLM, HKEY_LOCAL_MACHINE or HKEY_DYN_DATA)";
        return ERROR_INVALID_PARAMETER;
    }
    StoreTransaction tx;  // one consistent view of the tree
    if (LONG r = tx.Begin(false); r != ERROR_SUCCESS) {
        error = RegistryErrorText(r);
        return r;
    }
    HKEY top = nullptr;
    if (LONG r = RegOpenKeyExA(root, sub.c_str(), 0, KEY_READ, &top); r != ERROR_SUCCESS) {
        error = r == ERROR_FILE_NOT_FOUND ? "the key " + std::string(fullPath) + " does not exist"
                                          : RegistryErrorText(r);
        return r;
    }
    std::string topPath;
    if (LONG r = QueryKeyPath(top, topPath); r != ERROR_SUCCESS) {
        RegCloseKey(top);
        error = RegistryErrorText(r);
        return r;
    }
    // Depth first without recursion: a deep tree must not exhaust the stack.
    std::vector<std::pair<HKEY, std::string>> stack{{top, topPath}};
    LONG result = ERROR_SUCCESS;
    while (!stack.empty()) {
        auto [h, path] = std::move(stack.back());
        stack.pop_back();
        if (result == ERROR_SUCCESS) {
            RegFileKey key;
            key.path = path;
            std::vector<ValueEntry> values;
            std::vector<std::string> names;
            LONG r = ListValues(h, values);
            if (r == ERROR_SUCCESS)
                r = ListSubKeys(h, names);
            for (auto& v : values) {
                RegFileValue out;
                out.name = std::move(v.name);
                out.type = v.type;
                out.data = std::move(v.data);
                key.values.push_back(std::move(out));
            }
            file.keys.push_back(std::move(key));
            for (auto it = names.rbegin(); r == ERROR_SUCCESS && it != names.rend(); ++it) {
                HKEY child = nullptr;
                r = RegOpenKeyExA(h, it->c_str(), 0, KEY_READ, &child);
                if (r == ERROR_SUCCESS)
                    stack.push_back({child, path + "\\" + *it});
            }
            if (r != ERROR_SUCCESS) {
                error = "cannot read " + path + ": " + RegistryErrorText(r);
                result = r;
            }
        }
        RegCloseKey(h);
    }
    if (result != ERROR_SUCCESS)
        file = RegFile{};
    return result;
}

}  // namespace ovtb::registry
