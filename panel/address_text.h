// The addresses the user types in the board property dialog, read as hexadecimal.
#pragma once

#include <cstdint>
#include <string_view>

namespace ovtb::panel {

// Reads an address typed in hexadecimal: leading white space, an optional sign and an optional
// 0x or 0X, then hex digits of either case up to the first other character. No digits give 0;
// the value keeps its low 16 bits ("12345" gives 0x2345, "1C0Z" gives 0x1C0, "-10" 0xFFF0).
std::uint16_t ParseHexAddress(std::string_view text);

}  // namespace ovtb::panel
