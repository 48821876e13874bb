// Little-endian reads and writes at a byte offset of a buffer. Callers check that the whole
// layout fits in the buffer before they encode or decode, so these helpers only assert it.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>

namespace ovtb::catalog {

inline void PutU8(std::span<std::uint8_t> out, std::size_t offset, std::uint8_t value) {
    assert(offset + 1 <= out.size());
    out[offset] = value;
}

inline void PutU16(std::span<std::uint8_t> out, std::size_t offset, std::uint16_t value) {
    assert(offset + 2 <= out.size());
    out[offset] = static_cast<std::uint8_t>(value);
    out[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

inline void PutU32(std::span<std::uint8_t> out, std::size_t offset, std::uint32_t value) {
    assert(offset + 4 <= out.size());
    for (std::size_t i = 0; i < 4; ++i) {
        out[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

inline std::uint8_t GetU8(std::span<const std::uint8_t> in, std::size_t offset) {
    assert(offset + 1 <= in.size());
    return in[offset];
}

inline std::uint16_t GetU16(std::span<const std::uint8_t> in, std::size_t offset) {
    assert(offset + 2 <= in.size());
    return static_cast<std::uint16_t>(in[offset] | (in[offset + 1] << 8));
}

inline std::uint32_t GetU32(std::span<const std::uint8_t> in, std::size_t offset) {
    assert(offset + 4 <= in.size());
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(in[offset + i]) << (8 * i);
    }
    return value;
}

inline std::int32_t GetI32(std::span<const std::uint8_t> in, std::size_t offset) {
    return static_cast<std::int32_t>(GetU32(in, offset));
}

// One named field of a byte layout: `count` elements of `elementSize` bytes from `offset`.
// Every layout keeps such a table beside its codec; the tests walk it, and the docs quote it.
struct FieldLayout {
    const char* name;
    std::size_t offset;
    std::size_t elementSize;
    std::size_t count;

    constexpr std::size_t size() const { return elementSize * count; }
    constexpr std::size_t end() const { return offset + size(); }
};

}  // namespace ovtb::catalog
