// The property dialog's reader of typed addresses, against the C library's reading of the same
// text (strtoul in base 16, cut to 16 bits). Inputs are kept to 16 bytes so that strtoul cannot
// saturate: 16 hex digits fit an unsigned long exactly.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "panel/address_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 16) {
        size = 16;
    }
    char text[17];
    std::memcpy(text, data, size);
    text[size] = '\0';
    const std::uint16_t value =
        ovtb::panel::ParseHexAddress(std::string_view(reinterpret_cast<const char*>(data), size));
    const unsigned long reference = std::strtoul(text, nullptr, 16);
    if (value != static_cast<std::uint16_t>(reference & 0xFFFF)) {
        std::abort();
    }
    return 0;
}
