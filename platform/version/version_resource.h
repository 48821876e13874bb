// Reading version resources (VS_VERSIONINFO) out of the bytes of a file. Pure functions over
// byte spans: every offset and length read from the data is checked against the bytes at hand.
//
// Two forms exist. The 16-bit form (Windows 3.x and 9x, ANSI) is a tree of blocks
//   WORD cbBlock, WORD cbValue, CHAR key[] (zero-terminated), padding to 4, value, padding to 4,
//   children
// and the 32-bit form (Unicode) adds a type word and keeps its keys as UTF-16:
//   WORD wLength, WORD wValueLength, WORD wType, WCHAR key[], padding to 4, value, padding to 4,
//   children
// where wValueLength counts characters for a text (wType 1) and bytes for binary data. Padding
// is counted from the start of the resource. The root key is "VS_VERSION_INFO" in both forms and
// tells them apart: in the 32-bit form it starts at byte 6, in the 16-bit form at byte 4.
//
// Where a file keeps its resource (FindVersionResource):
//   bare   the file starts with the root block itself
//   PE     MZ header, e_lfanew at 0x3C -> "PE\0\0"; data directory 2 (resources) of the PE32 or
//          PE32+ optional header; the resource tree's type 16 (RT_VERSION), first name, first
//          language; the data entry's RVA mapped to the file through the section table
//   NE     MZ header -> "NE"; resource table at the header's offset 0x24 (relative to the
//          header): alignment shift, then TYPEINFO records (type 0x8010 = RT_VERSION), of which
//          the first NAMEINFO gives offset and length in alignment units
//   LE     MZ header -> "LE"; the Windows resources of a virtual device driver at the file
//          offset kept at header offset 0xC0, their length at 0xC4: entries in the 16-bit .res
//          form (0xFF + WORD type or a name, 0xFF + WORD id or a name, WORD flags, DWORD size,
//          data); the entry of type 16 holds the resource. A bare root there is accepted too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace ovtb::version {

using Bytes = std::span<const std::uint8_t>;

enum class Form { Ansi16, Unicode32 };

struct Root {
    Form form;
    std::size_t length;  // the root block's declared length, within the data
};

// The root block at the start of `data`, when it is a well-formed VS_VERSION_INFO header whose
// declared length lies within `data`.
std::optional<Root> ReadRoot(Bytes data);

// The resource's bytes (starting with its root block, `Root::length` long) inside a file.
std::optional<Bytes> FindVersionResource(Bytes file);

struct Value {
    std::size_t offset;  // of the value's bytes within the resource
    std::size_t size;    // bytes, bounded by the block that holds it
    bool text;           // a text of the StringFileInfo branch
};

// Finds the value named by a path of backslash-separated keys ("\" or "" for the root's value;
// keys compare without regard to ASCII case) in a resource whose root lies at the start of
// `resource` (at most `Root::length` bytes are looked at). None when a key is missing or the
// tree is malformed on the way.
std::optional<Value> FindValue(Bytes resource, std::string_view path);

// Code page 1252 byte for a UTF-16 unit, '?' for one the code page does not have.
char ToCodePage1252(char16_t unit);

}  // namespace ovtb::version
