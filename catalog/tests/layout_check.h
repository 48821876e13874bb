// Checking an encoded layout against its offset table. A test fills every field element with
// Pattern(offset, size) (offsets written from the documented layout), encodes, and then
// CheckPatternLayout walks the table: every byte a field covers holds PatternByte(position),
// every byte no field covers is 0. A field named in `textFields` is a zero-terminated text
// filled to its last byte, which must be the terminator.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "catalog/byte_codec.h"

namespace ovtb::catalog::testing {

// Never 0, and differs between neighbouring bytes.
inline std::uint8_t PatternByte(std::size_t position) {
    return static_cast<std::uint8_t>(position % 251 + 1);
}

// The little-endian value whose bytes, placed at `offset`, are the pattern bytes there.
inline std::uint32_t Pattern(std::size_t offset, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < size; ++k) {
        value |= static_cast<std::uint32_t>(PatternByte(offset + k)) << (8 * k);
    }
    return value;
}

// A text of `capacity` - 1 pattern characters for a text field at `offset`.
inline std::string PatternText(std::size_t offset, std::size_t capacity) {
    std::string text;
    for (std::size_t k = 0; k + 1 < capacity; ++k) {
        text.push_back(static_cast<char>(PatternByte(offset + k)));
    }
    return text;
}

inline void CheckPatternLayout(std::span<const FieldLayout> layout,
                               std::span<const std::uint8_t> bytes, std::size_t layoutSize,
                               const std::set<std::string>& textFields = {}) {
    ASSERT_EQ(bytes.size(), layoutSize);
    std::vector<bool> covered(layoutSize, false);
    std::size_t previousEnd = 0;
    for (const auto& field : layout) {
        SCOPED_TRACE(field.name);
        EXPECT_GE(field.offset, previousEnd) << "fields out of order or overlapping";
        EXPECT_EQ(field.offset % field.elementSize, 0u) << "misaligned field";
        ASSERT_LE(field.end(), layoutSize);
        previousEnd = field.end();
        const bool text = textFields.count(field.name) != 0;
        for (std::size_t p = field.offset; p < field.end(); ++p) {
            covered[p] = true;
            const std::uint8_t expected = text && p + 1 == field.end() ? 0 : PatternByte(p);
            EXPECT_EQ(bytes[p], expected) << "byte " << p;
        }
    }
    for (std::size_t p = 0; p < layoutSize; ++p) {
        if (!covered[p]) {
            EXPECT_EQ(bytes[p], 0) << "reserved byte " << p;
        }
    }
}

}  // namespace ovtb::catalog::testing
