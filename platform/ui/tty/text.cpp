#include "platform/ui/tty/text.h"

#include <cwchar>

namespace ovtb::ui::tty {

namespace {

// Windows-1252 0x80..0x9F; the undefined bytes map to U+FFFD.
constexpr wchar_t kCp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

wchar_t FromCp1252(unsigned char b) {
    if (b >= 0x80 && b < 0xA0) {
        return kCp1252High[b - 0x80];
    }
    return static_cast<wchar_t>(b);
}

// Length of the valid UTF-8 sequence at `s` (of at most `n` bytes) and its code point; 0 when
// the bytes there are not valid UTF-8 (overlong forms and surrogates included).
size_t Utf8At(const unsigned char* s, size_t n, char32_t* out) {
    unsigned char b = s[0];
    size_t len;
    char32_t cp;
    if (b < 0x80) {
        *out = b;
        return 1;
    } else if ((b & 0xE0) == 0xC0) {
        len = 2;
        cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3;
        cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4;
        cp = b & 0x07;
    } else {
        return 0;
    }
    if (len > n) {
        return 0;
    }
    for (size_t i = 1; i < len; ++i) {
        if ((s[i] & 0xC0) != 0x80) {
            return 0;
        }
        cp = (cp << 6) | (s[i] & 0x3F);
    }
    static constexpr char32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        return 0;
    }
    *out = cp;
    return len;
}

}  // namespace

std::wstring Decode(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    auto* s = reinterpret_cast<const unsigned char*>(text.data());
    size_t i = 0;
    while (i < text.size()) {
        char32_t cp = 0;
        size_t len = Utf8At(s + i, text.size() - i, &cp);
        if (len == 0) {
            out.push_back(FromCp1252(s[i]));
            ++i;
        } else {
            out.push_back(static_cast<wchar_t>(cp));
            i += len;
        }
    }
    return out;
}

std::string EncodeUtf8(std::wstring_view text) {
    std::string out;
    for (wchar_t wc : text) {
        auto c = static_cast<char32_t>(wc);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

int CharCells(wchar_t c) {
    if (c < 0x20 || c == 0x7F) {
        return 1;
    }
    int w = ::wcwidth(c);
    if (w < 0) {
        // Unknown to the locale (a C locale knows nothing beyond ASCII): one cell, shown as is
        // or replaced by the terminal.
        return 1;
    }
    return w;
}

int Cells(std::wstring_view text) {
    int n = 0;
    for (wchar_t c : text) {
        n += CharCells(c);
    }
    return n;
}

std::wstring FitCells(std::wstring_view text, int cells) {
    std::wstring out;
    int used = 0;
    for (wchar_t c : text) {
        int w = CharCells(c);
        if (used + w > cells) {
            break;
        }
        out.push_back(c);
        used += w;
    }
    return out;
}

std::wstring Ellipsize(std::wstring_view text, int cells, std::wstring_view ellipsis) {
    if (Cells(text) <= cells) {
        return std::wstring(text);
    }
    int room = cells - Cells(ellipsis);
    if (room < 0) {
        return FitCells(ellipsis, cells);
    }
    return FitCells(text, room) + std::wstring(ellipsis);
}

std::vector<std::wstring> Wrap(std::wstring_view text, int cells) {
    std::vector<std::wstring> lines;
    if (cells <= 0) {
        return lines;
    }
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L'\n', start);
        std::wstring_view para = text.substr(
            start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start);
        if (!para.empty() && para.back() == L'\r') {
            para.remove_suffix(1);
        }
        std::wstring line;
        size_t i = 0;
        bool any = false;
        while (i < para.size()) {
            size_t j = para.find(L' ', i);
            std::wstring_view word =
                para.substr(i, j == std::wstring_view::npos ? para.size() - i : j - i);
            i = j == std::wstring_view::npos ? para.size() : j + 1;
            if (word.empty()) {
                continue;
            }
            while (!word.empty()) {
                int need = Cells(word) + (line.empty() ? 0 : 1);
                if (Cells(line) + need <= cells) {
                    if (!line.empty()) {
                        line.push_back(L' ');
                    }
                    line += word;
                    word = {};
                } else if (!line.empty()) {
                    lines.push_back(line);
                    line.clear();
                    any = true;
                } else {
                    std::wstring part = FitCells(word, cells);
                    if (part.empty()) {
                        part = word.substr(0, 1);
                    }
                    lines.push_back(part);
                    any = true;
                    word.remove_prefix(part.size());
                }
            }
        }
        if (!line.empty() || !any) {
            lines.push_back(line);
        }
        if (end == std::wstring_view::npos) {
            break;
        }
        start = end + 1;
    }
    return lines;
}

Caption ParseCaption(std::string_view caption, bool prefix) {
    std::wstring wide = Decode(caption);
    Caption out;
    if (!prefix) {
        out.text = wide;
        return out;
    }
    for (size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] == L'&' && i + 1 < wide.size()) {
            ++i;
            if (wide[i] != L'&' && out.mnemonic < 0) {
                out.mnemonic = static_cast<int>(out.text.size());
            }
        } else if (wide[i] == L'&') {
            continue;  // a lone mark at the end shows nothing
        }
        out.text.push_back(wide[i]);
    }
    return out;
}

}  // namespace ovtb::ui::tty
