// Writing files that hold a version resource, for fixtures and demos (ovtb-machine
// version-file). Not a Windows interface: the tools and tests use it; deliverables never do.
// The layouts written are the ones version_resource.h reads.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ovtb::version {

enum class FileForm {
    Ansi,     // a bare 16-bit resource
    Unicode,  // a bare 32-bit resource
    Pe,       // a PE32 image with one .rsrc section holding the 32-bit resource
    Ne,       // an NE image whose resource table holds the 16-bit resource
    Le,       // an LE virtual device driver whose Windows resources hold the 16-bit resource
};

struct VersionText {
    // The string table's name: language and code page as 8 hexadecimal digits.
    std::string block = "040904E4";
    // Name and text pairs of the string table, in order (ProductVersion, FileVersion, ...).
    // Texts are bytes; the 32-bit form reads them as UTF-8 (a byte that is not UTF-8 counts as
    // code page 1252's character of that value).
    std::vector<std::pair<std::string, std::string>> strings;
    // Written into VS_FIXEDFILEINFO as four 16-bit parts ("5.2" -> 5,2,0,0).
    std::string fileVersion;
    std::string productVersion;
};

// The bytes of a file of the given form.
std::vector<std::uint8_t> BuildVersionFile(const VersionText& text, FileForm form);

}  // namespace ovtb::version
