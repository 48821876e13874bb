#include "platform/version/version_resource.h"

#include <cctype>
#include <cstring>

namespace ovtb::version {

namespace {

constexpr std::string_view kRootKey = "VS_VERSION_INFO";
constexpr std::size_t kAnsiHeader = 4;     // cbBlock, cbValue
constexpr std::size_t kUnicodeHeader = 6;  // wLength, wValueLength, wType

std::optional<std::uint16_t> U16(Bytes d, std::size_t at) {
    if (at > d.size() || d.size() - at < 2)
        return std::nullopt;
    return static_cast<std::uint16_t>(d[at] | d[at + 1] << 8);
}

std::optional<std::uint32_t> U32(Bytes d, std::size_t at) {
    if (at > d.size() || d.size() - at < 4)
        return std::nullopt;
    return static_cast<std::uint32_t>(d[at]) | static_cast<std::uint32_t>(d[at + 1]) << 8 |
           static_cast<std::uint32_t>(d[at + 2]) << 16 |
           static_cast<std::uint32_t>(d[at + 3]) << 24;
}

std::size_t Align4(std::size_t n) {
    return (n + 3) & ~static_cast<std::size_t>(3);
}

bool SameNoCase(unsigned unit, char c) {
    const unsigned char uc = static_cast<unsigned char>(c);
    if (unit < 0x80 && uc < 0x80) {
        return std::tolower(static_cast<int>(unit)) == std::tolower(static_cast<int>(uc));
    }
    return unit == uc;
}

// One block of either form, with every part checked to lie within [start, end).
struct Block {
    std::size_t start = 0;
    std::size_t end = 0;  // start + declared length
    std::size_t keyStart = 0;
    std::size_t keyUnits = 0;  // characters of the key, terminator excluded
    std::size_t valueStart = 0;
    std::size_t valueSize = 0;  // bytes
    std::size_t childrenStart = 0;
};

std::optional<Block> ParseBlock(Bytes d, Form form, std::size_t at, std::size_t limit) {
    const std::size_t header = form == Form::Ansi16 ? kAnsiHeader : kUnicodeHeader;
    auto length = U16(d, at);
    auto valueLength = U16(d, at + 2);
    if (!length || !valueLength || *length < header + (form == Form::Ansi16 ? 1 : 2)) {
        return std::nullopt;
    }
    if (at > limit || limit - at < *length)
        return std::nullopt;
    Block b;
    b.start = at;
    b.end = at + *length;
    b.keyStart = at + header;
    std::size_t unit = form == Form::Ansi16 ? 1 : 2;
    std::size_t p = b.keyStart;
    bool terminated = false;
    while (p + unit <= b.end) {
        unsigned u = form == Form::Ansi16 ? d[p] : static_cast<unsigned>(d[p] | d[p + 1] << 8);
        p += unit;
        if (u == 0) {
            terminated = true;
            break;
        }
        ++b.keyUnits;
    }
    if (!terminated)
        return std::nullopt;
    b.valueStart = Align4(p);
    std::size_t valueBytes = *valueLength;
    if (form == Form::Unicode32) {
        auto type = U16(d, at + 4);
        if (*type == 1)
            valueBytes *= 2;
    }
    if (b.valueStart >= b.end) {
        // No room for a value: a block with children only, or an empty one.
        b.valueStart = b.end;
        b.valueSize = 0;
    } else {
        // Some writers count a text's length in bytes where characters are due; the value
        // never reaches past its block.
        b.valueSize = std::min(valueBytes, b.end - b.valueStart);
    }
    b.childrenStart = Align4(b.valueStart + b.valueSize);
    return b;
}

bool KeyIs(Bytes d, Form form, const Block& b, std::string_view name) {
    if (b.keyUnits != name.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i) {
        unsigned u =
            form == Form::Ansi16
                ? d[b.keyStart + i]
                : static_cast<unsigned>(d[b.keyStart + 2 * i] | d[b.keyStart + 2 * i + 1] << 8);
        if (!SameNoCase(u, name[i]))
            return false;
    }
    return true;
}

std::optional<Block> FindChild(Bytes d, Form form, const Block& parent, std::string_view name) {
    std::size_t at = parent.childrenStart;
    while (at < parent.end) {
        auto child = ParseBlock(d, form, at, parent.end);
        if (!child)
            return std::nullopt;
        if (KeyIs(d, form, *child, name))
            return child;
        at = Align4(child->end);
    }
    return std::nullopt;
}

// PE: the resource directory entries are 8 bytes (name or id, offset); a set high bit of the
// offset marks a subdirectory.
struct PeSections {
    Bytes file;
    std::size_t table = 0;
    std::size_t count = 0;

    std::optional<std::size_t> ToOffset(std::uint32_t rva, std::uint32_t size) const {
        for (std::size_t i = 0; i < count; ++i) {
            std::size_t s = table + 40 * i;
            auto vsize = U32(file, s + 8);
            auto va = U32(file, s + 12);
            auto rawSize = U32(file, s + 16);
            auto rawPtr = U32(file, s + 20);
            if (!vsize || !va || !rawSize || !rawPtr)
                return std::nullopt;
            std::uint64_t span = std::max(*vsize, *rawSize);
            if (rva < *va || rva - *va >= span)
                continue;
            std::uint64_t delta = rva - *va;
            if (delta + size > *rawSize)
                return std::nullopt;
            std::uint64_t offset = *rawPtr + delta;
            if (offset + size > file.size())
                return std::nullopt;
            return static_cast<std::size_t>(offset);
        }
        return std::nullopt;
    }
};

std::optional<Bytes> FromPe(Bytes file, std::size_t pe) {
    const std::size_t coff = pe + 4;
    auto sections = U16(file, coff + 2);
    auto optSize = U16(file, coff + 16);
    if (!sections || !optSize)
        return std::nullopt;
    const std::size_t opt = coff + 20;
    auto magic = U16(file, opt);
    if (!magic)
        return std::nullopt;
    std::size_t countAt, dirsAt;
    if (*magic == 0x10B) {
        countAt = 92;
        dirsAt = 96;
    } else if (*magic == 0x20B) {
        countAt = 108;
        dirsAt = 112;
    } else {
        return std::nullopt;
    }
    auto dirCount = U32(file, opt + countAt);
    if (!dirCount || *dirCount < 3 || dirsAt + 3 * 8 > *optSize)
        return std::nullopt;
    auto resRva = U32(file, opt + dirsAt + 16);
    auto resSize = U32(file, opt + dirsAt + 20);
    if (!resRva || !resSize || *resRva == 0)
        return std::nullopt;
    PeSections map{file, opt + *optSize, *sections};
    auto base = map.ToOffset(*resRva, 16);
    if (!base)
        return std::nullopt;
    // The tree's offsets are relative to its start; it cannot reach past the file.
    Bytes tree = file.subspan(*base);

    // Levels: type (RT_VERSION = 16), name (first), language (first).
    std::size_t dir = 0;
    for (int level = 0; level < 3; ++level) {
        auto named = U16(tree, dir + 12);
        auto ids = U16(tree, dir + 14);
        if (!named || !ids)
            return std::nullopt;
        std::size_t entries = static_cast<std::size_t>(*named) + *ids;
        std::optional<std::uint32_t> chosen;
        for (std::size_t i = 0; i < entries; ++i) {
            auto name = U32(tree, dir + 16 + 8 * i);
            auto offset = U32(tree, dir + 20 + 8 * i);
            if (!name || !offset)
                return std::nullopt;
            if (level == 0 && *name != 16)
                continue;
            chosen = *offset;
            break;
        }
        if (!chosen)
            return std::nullopt;
        const bool subdir = (*chosen & 0x80000000u) != 0;
        if ((level < 2) != subdir)
            return std::nullopt;
        dir = *chosen & 0x7FFFFFFFu;
        if (dir >= tree.size())
            return std::nullopt;
    }
    auto dataRva = U32(tree, dir);
    auto dataSize = U32(tree, dir + 4);
    if (!dataRva || !dataSize)
        return std::nullopt;
    auto at = map.ToOffset(*dataRva, *dataSize);
    if (!at)
        return std::nullopt;
    return file.subspan(*at, *dataSize);
}

std::optional<Bytes> FromNe(Bytes file, std::size_t ne) {
    auto tableOffset = U16(file, ne + 0x24);
    if (!tableOffset || *tableOffset == 0)
        return std::nullopt;
    std::size_t p = ne + *tableOffset;
    auto shift = U16(file, p);
    if (!shift || *shift > 16)
        return std::nullopt;
    p += 2;
    while (true) {
        auto type = U16(file, p);
        auto count = U16(file, p + 2);
        if (!type || *type == 0 || !count)
            return std::nullopt;
        p += 8;
        if (*type == 0x8010 && *count > 0) {
            auto offset = U16(file, p);
            auto length = U16(file, p + 2);
            if (!offset || !length)
                return std::nullopt;
            std::uint64_t at = static_cast<std::uint64_t>(*offset) << *shift;
            std::uint64_t size = static_cast<std::uint64_t>(*length) << *shift;
            if (at > file.size())
                return std::nullopt;
            size = std::min<std::uint64_t>(size, file.size() - at);
            return file.subspan(static_cast<std::size_t>(at), static_cast<std::size_t>(size));
        }
        if (static_cast<std::uint64_t>(*count) * 12 > file.size() - std::min(p, file.size())) {
            return std::nullopt;
        }
        p += static_cast<std::size_t>(*count) * 12;
    }
}

// A type or name of a 16-bit .res entry: 0xFF and a WORD, or a zero-terminated name.
std::optional<std::size_t> SkipResName(Bytes d, std::size_t p, std::optional<std::uint16_t>* id) {
    if (p >= d.size())
        return std::nullopt;
    if (d[p] == 0xFF) {
        auto v = U16(d, p + 1);
        if (!v)
            return std::nullopt;
        *id = *v;
        return p + 3;
    }
    const void* nul = std::memchr(d.data() + p, 0, d.size() - p);
    if (!nul)
        return std::nullopt;
    *id = std::nullopt;
    return static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - d.data()) + 1;
}

std::optional<Bytes> FromLe(Bytes file, std::size_t le) {
    auto offset = U32(file, le + 0xC0);
    auto length = U32(file, le + 0xC4);
    if (!offset || !length || *offset == 0 || *length == 0 || *offset >= file.size()) {
        return std::nullopt;
    }
    Bytes blob = file.subspan(*offset, std::min<std::size_t>(*length, file.size() - *offset));
    if (ReadRoot(blob))
        return blob;
    std::size_t p = 0;
    while (p < blob.size()) {
        std::optional<std::uint16_t> type, name;
        auto afterType = SkipResName(blob, p, &type);
        if (!afterType)
            return std::nullopt;
        auto afterName = SkipResName(blob, *afterType, &name);
        if (!afterName)
            return std::nullopt;
        auto size = U32(blob, *afterName + 2);
        if (!size)
            return std::nullopt;
        std::size_t data = *afterName + 6;
        if (*size > blob.size() - data)
            return std::nullopt;
        if (type && *type == 16)
            return blob.subspan(data, *size);
        p = data + *size;
    }
    return std::nullopt;
}

}  // namespace

std::optional<Root> ReadRoot(Bytes data) {
    auto length = U16(data, 0);
    if (!length || *length > data.size())
        return std::nullopt;
    // 16-bit form: the key right after cbBlock and cbValue.
    if (data.size() >= kAnsiHeader + kRootKey.size() + 1 &&
        std::memcmp(data.data() + kAnsiHeader, kRootKey.data(), kRootKey.size()) == 0 &&
        data[kAnsiHeader + kRootKey.size()] == 0 && *length >= kAnsiHeader + kRootKey.size() + 1) {
        return Root{Form::Ansi16, *length};
    }
    // 32-bit form: UTF-16 key after the type word.
    const std::size_t keyBytes = 2 * (kRootKey.size() + 1);
    if (data.size() >= kUnicodeHeader + keyBytes && *length >= kUnicodeHeader + keyBytes) {
        for (std::size_t i = 0; i <= kRootKey.size(); ++i) {
            char16_t want = i < kRootKey.size() ? kRootKey[i] : 0;
            auto have = U16(data, kUnicodeHeader + 2 * i);
            if (*have != want)
                return std::nullopt;
        }
        return Root{Form::Unicode32, *length};
    }
    return std::nullopt;
}

std::optional<Bytes> FindVersionResource(Bytes file) {
    if (auto root = ReadRoot(file))
        return file.first(root->length);
    if (file.size() < 0x40 || file[0] != 'M' || file[1] != 'Z')
        return std::nullopt;
    auto lfanew = U32(file, 0x3C);
    if (!lfanew || *lfanew >= file.size() || file.size() - *lfanew < 4)
        return std::nullopt;
    const std::size_t h = *lfanew;
    std::optional<Bytes> resource;
    if (file[h] == 'P' && file[h + 1] == 'E' && file[h + 2] == 0 && file[h + 3] == 0) {
        resource = FromPe(file, h);
    } else if (file[h] == 'N' && file[h + 1] == 'E') {
        resource = FromNe(file, h);
    } else if (file[h] == 'L' && (file[h + 1] == 'E' || file[h + 1] == 'X')) {
        resource = FromLe(file, h);
    }
    if (!resource)
        return std::nullopt;
    auto root = ReadRoot(*resource);
    if (!root)
        return std::nullopt;
    return resource->first(root->length);
}

std::optional<Value> FindValue(Bytes resource, std::string_view path) {
    auto root = ReadRoot(resource);
    if (!root)
        return std::nullopt;
    Bytes d = resource.first(root->length);
    auto block = ParseBlock(d, root->form, 0, d.size());
    if (!block)
        return std::nullopt;
    std::size_t depth = 0;
    bool underStrings = false;
    while (!path.empty()) {
        std::size_t cut = path.find('\\');
        std::string_view key = path.substr(0, cut);
        path = cut == std::string_view::npos ? std::string_view{} : path.substr(cut + 1);
        if (key.empty())
            continue;  // "\" and doubled separators
        block = FindChild(d, root->form, *block, key);
        if (!block)
            return std::nullopt;
        if (depth == 0)
            underStrings = KeyIs(d, root->form, *block, "StringFileInfo");
        ++depth;
    }
    return Value{block->valueStart, block->valueSize, underStrings && depth == 3};
}

char ToCodePage1252(char16_t unit) {
    if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF))
        return static_cast<char>(unit);
    // The code page's own characters in 0x80..0x9F.
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] != 0 && kHigh[i] == unit)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

}  // namespace ovtb::version
