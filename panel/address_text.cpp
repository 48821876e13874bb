#include "panel/address_text.h"

namespace ovtb::panel {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

}  // namespace

std::uint16_t ParseHexAddress(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        i + 2 < text.size() && HexDigit(text[i + 2]) >= 0) {
        i += 2;
    }
    // Only the low 16 bits are kept, so the sum is taken modulo 2^16 and never overflows.
    std::uint32_t value = 0;
    for (; i < text.size() && HexDigit(text[i]) >= 0; ++i) {
        value = ((value << 4) | static_cast<std::uint32_t>(HexDigit(text[i]))) & 0xFFFF;
    }
    if (negative) {
        value = (0x10000 - value) & 0xFFFF;
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace ovtb::panel
