#include "platform/version/version_writer.h"

#include <cstdlib>
#include <functional>
#include <string_view>

#include "platform/version/version.h"
#include "platform/version/version_resource.h"

namespace ovtb::version {

namespace {

using Out = std::vector<std::uint8_t>;

void Put16(Out& o, std::uint32_t v) {
    o.push_back(static_cast<std::uint8_t>(v));
    o.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Out& o, std::uint32_t v) {
    Put16(o, v & 0xFFFF);
    Put16(o, v >> 16);
}
void Set16(Out& o, std::size_t at, std::uint32_t v) {
    o[at] = static_cast<std::uint8_t>(v);
    o[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Set32(Out& o, std::size_t at, std::uint32_t v) {
    Set16(o, at, v & 0xFFFF);
    Set16(o, at + 2, v >> 16);
}
void Pad(Out& o, std::size_t base, std::size_t alignment) {
    while ((o.size() - base) % alignment != 0)
        o.push_back(0);
}

std::u16string Utf16(std::string_view s) {
    std::u16string r;
    for (std::size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n = c >= 0xF0 && c < 0xF8 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        char32_t cp = c;
        bool ok = n > 1 && i + n <= s.size();
        if (ok) {
            cp = c & (0x7F >> n);
            for (std::size_t k = 1; k < n; ++k) {
                unsigned char t = static_cast<unsigned char>(s[i + k]);
                if ((t & 0xC0) != 0x80)
                    ok = false;
                cp = cp << 6 | (t & 0x3F);
            }
        }
        if (!ok) {
            n = 1;
            cp = c;
            if (c >= 0x80 && c < 0xA0) {
                // The code page's own characters.
                for (char16_t u = 0x100; u < 0x2200; ++u) {
                    if (ToCodePage1252(u) == static_cast<char>(c)) {
                        cp = u;
                        break;
                    }
                }
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            r.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            r.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            r.push_back(static_cast<char16_t>(cp));
        }
        i += n;
    }
    return r;
}

// "5.2.1" -> {5, 2, 1, 0}: up to four parts separated by dots or commas, each to 16 bits.
void VersionParts(std::string_view text, std::uint32_t& ms, std::uint32_t& ls) {
    std::uint32_t part[4] = {0, 0, 0, 0};
    int k = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            part[k] = (part[k] * 10 + static_cast<std::uint32_t>(c - '0')) & 0xFFFF;
        } else if ((c == '.' || c == ',') && k < 3) {
            ++k;
        } else if (c != ' ') {
            break;
        }
    }
    ms = part[0] << 16 | part[1];
    ls = part[2] << 16 | part[3];
}

// One block of the tree; children are written by `children` after the value.
class TreeWriter {
  public:
    explicit TreeWriter(bool unicode) : unicode_(unicode) {}

    void Block(std::string_view key, const Out& value, std::uint16_t valueLength, bool text,
               const std::function<void()>& children = {}) {
        Pad(out_, 0, 4);
        const std::size_t start = out_.size();
        Put16(out_, 0);
        Put16(out_, valueLength);
        if (unicode_) {
            Put16(out_, text ? 1 : 0);
            for (char16_t u : Utf16(key))
                Put16(out_, u);
            Put16(out_, 0);
        } else {
            out_.insert(out_.end(), key.begin(), key.end());
            out_.push_back(0);
        }
        Pad(out_, 0, 4);
        out_.insert(out_.end(), value.begin(), value.end());
        if (children)
            children();
        Set16(out_, start, static_cast<std::uint32_t>(out_.size() - start));
    }

    void Text(std::string_view key, std::string_view text) {
        Out value;
        std::uint16_t length;
        if (unicode_) {
            std::u16string u = Utf16(text);
            for (char16_t c : u)
                Put16(value, c);
            Put16(value, 0);
            length = static_cast<std::uint16_t>(u.size() + 1);
        } else {
            value.assign(text.begin(), text.end());
            value.push_back(0);
            length = static_cast<std::uint16_t>(value.size());
        }
        Block(key, value, length, true);
    }

    Out Take() { return std::move(out_); }

  private:
    bool unicode_;
    Out out_;
};

Out BuildResource(const VersionText& t, bool unicode) {
    Out fixed;
    std::uint32_t fileMs, fileLs, productMs, productLs;
    VersionParts(t.fileVersion.empty() ? t.productVersion : t.fileVersion, fileMs, fileLs);
    VersionParts(t.productVersion, productMs, productLs);
    for (std::uint32_t v : {VS_FFI_SIGNATURE, 0x00010000u, fileMs, fileLs, productMs, productLs,
                            0x3Fu, 0u, 0x4u /* VOS__WINDOWS32 */, 0x3u /* VFT_DRV */, 0u, 0u, 0u}) {
        Put32(fixed, v);
    }
    std::uint32_t langCp = static_cast<std::uint32_t>(std::strtoul(t.block.c_str(), nullptr, 16));
    Out translation;
    Put16(translation, langCp >> 16);
    Put16(translation, langCp & 0xFFFF);

    TreeWriter w(unicode);
    w.Block("VS_VERSION_INFO", fixed, static_cast<std::uint16_t>(fixed.size()), false, [&] {
        w.Block("StringFileInfo", {}, 0, true, [&] {
            w.Block(t.block, {}, 0, true, [&] {
                for (const auto& [name, text] : t.strings)
                    w.Text(name, text);
            });
        });
        w.Block("VarFileInfo", {}, 0, true, [&] {
            w.Block("Translation", translation, static_cast<std::uint16_t>(translation.size()),
                    false);
        });
    });
    return w.Take();
}

// The MZ header of a new-style executable, its e_lfanew pointing right behind it. Not inlined:
// g++ 12 at -O2 otherwise takes the 64-byte start of the buffer for its final size and warns
// (-Warray-bounds) about the copies of its later growth.
[[gnu::noinline]] Out DosHeader(std::size_t reserve) {
    Out o(0x40, 0);
    o.reserve(reserve + 0x40);
    o[0] = 'M';
    o[1] = 'Z';
    Set16(o, 0x18, 0x40);  // relocation table offset: a new-style executable
    Set32(o, 0x3C, 0x40);  // e_lfanew
    return o;
}

Out BuildPe(const Out& resource) {
    constexpr std::uint32_t kRsrcRva = 0x1000, kRawPtr = 0x200, kOptSize = 224;
    // The resource tree: type 16 -> name 1 -> language 0x409 -> data entry -> data.
    Out tree;
    auto dir = [&](std::uint32_t id, std::uint32_t target) {
        for (int i = 0; i < 3; ++i)
            Put32(tree, 0);
        Put16(tree, 0);  // named entries
        Put16(tree, 1);  // id entries
        Put32(tree, id);
        Put32(tree, target);
    };
    dir(16, 0x80000000u | 0x18);
    dir(1, 0x80000000u | 0x30);
    dir(0x409, 0x48);
    Put32(tree, kRsrcRva + 0x58);
    Put32(tree, static_cast<std::uint32_t>(resource.size()));
    Put32(tree, 0);
    Put32(tree, 0);
    tree.insert(tree.end(), resource.begin(), resource.end());
    const std::uint32_t treeSize = static_cast<std::uint32_t>(tree.size());
    const std::uint32_t rawSize = (treeSize + 0x1FF) & ~0x1FFu;

    Out o = DosHeader(0x200 + rawSize);
    o.insert(o.end(), {'P', 'E', 0, 0});
    Put16(o, 0x14C);  // i386
    Put16(o, 1);      // sections
    Put32(o, 0);
    Put32(o, 0);
    Put32(o, 0);
    Put16(o, kOptSize);
    Put16(o, 0x2102);  // executable, 32-bit, DLL
    const std::size_t opt = o.size();
    o.resize(opt + kOptSize, 0);
    Set16(o, opt, 0x10B);
    Set32(o, opt + 32, 0x1000);                                     // section alignment
    Set32(o, opt + 36, 0x200);                                      // file alignment
    Set16(o, opt + 40, 4);                                          // OS version 4.0
    Set16(o, opt + 48, 4);                                          // subsystem version 4.0
    Set32(o, opt + 56, kRsrcRva + ((treeSize + 0xFFF) & ~0xFFFu));  // size of image
    Set32(o, opt + 60, kRawPtr);                                    // size of headers
    Set16(o, opt + 68, 1);                                          // native subsystem
    Set32(o, opt + 92, 16);                                         // data directories
    Set32(o, opt + 96 + 2 * 8, kRsrcRva);
    Set32(o, opt + 96 + 2 * 8 + 4, treeSize);
    const char name[8] = {'.', 'r', 's', 'r', 'c', 0, 0, 0};
    o.insert(o.end(), name, name + 8);
    Put32(o, treeSize);
    Put32(o, kRsrcRva);
    Put32(o, rawSize);
    Put32(o, kRawPtr);
    Put32(o, 0);
    Put32(o, 0);
    Put16(o, 0);
    Put16(o, 0);
    Put32(o, 0x40000040u);  // initialised data, readable
    o.resize(kRawPtr, 0);
    o.insert(o.end(), tree.begin(), tree.end());
    o.resize(kRawPtr + rawSize, 0);
    return o;
}

Out BuildNe(const Out& resource) {
    constexpr unsigned kShift = 4;
    Out o = DosHeader(0x80 + 32 + resource.size());
    const std::size_t ne = o.size();
    o.resize(ne + 0x40, 0);
    o[ne] = 'N';
    o[ne + 1] = 'E';
    o[ne + 2] = 5;                   // linker version
    Set16(o, ne + 0x24, 0x40);       // resource table, right after the header
    Set16(o, ne + 0x26, 0x40 + 24);  // resident names table after the resource table
    o[ne + 0x36] = 2;                // target OS: Windows
    const std::size_t table = o.size();
    const std::size_t dataAt = (table + 24 + 1 + 15) & ~std::size_t{15};
    Put16(o, kShift);
    Put16(o, 0x8010);  // RT_VERSION
    Put16(o, 1);
    Put32(o, 0);
    Put16(o, static_cast<std::uint32_t>(dataAt >> kShift));
    Put16(o, static_cast<std::uint32_t>((resource.size() + 15) >> kShift));
    Put16(o, 0x0030);  // moveable, pure
    Put16(o, 0x8001);  // id 1
    Put32(o, 0);
    Put16(o, 0);     // end of types
    o.push_back(0);  // no resident names
    o.resize(dataAt, 0);
    o.insert(o.end(), resource.begin(), resource.end());
    Pad(o, 0, 16);
    return o;
}

Out BuildLe(const Out& resource) {
    Out o = DosHeader(0xD0 + 16 + resource.size());
    const std::size_t le = o.size();
    o.resize(le + 0xD0, 0);
    o[le] = 'L';
    o[le + 1] = 'E';
    Set16(o, le + 0x08, 2);       // 80386
    Set16(o, le + 0x0A, 4);       // Windows 386 (virtual device driver)
    Set32(o, le + 0x28, 0x1000);  // page size
    const std::size_t blob = o.size();
    o.push_back(0xFF);
    Put16(o, 16);  // RT_VERSION
    o.push_back(0xFF);
    Put16(o, 1);
    Put16(o, 0x0030);
    Put32(o, static_cast<std::uint32_t>(resource.size()));
    o.insert(o.end(), resource.begin(), resource.end());
    Set32(o, le + 0xC0, static_cast<std::uint32_t>(blob));
    Set32(o, le + 0xC4, static_cast<std::uint32_t>(o.size() - blob));
    return o;
}

}  // namespace

std::vector<std::uint8_t> BuildVersionFile(const VersionText& text, FileForm form) {
    switch (form) {
        case FileForm::Ansi:
            return BuildResource(text, false);
        case FileForm::Unicode:
            return BuildResource(text, true);
        case FileForm::Pe:
            return BuildPe(BuildResource(text, true));
        case FileForm::Ne:
            return BuildNe(BuildResource(text, false));
        case FileForm::Le:
            return BuildLe(BuildResource(text, false));
    }
    return {};
}

}  // namespace ovtb::version
