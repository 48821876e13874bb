#include "catalog/pci_info_reply.h"

#include <gtest/gtest.h>

#include <vector>

#include "catalog/tests/layout_check.h"

namespace ovtb::catalog {
namespace {

using testing::Pattern;

TEST(PciInfoReply, EveryFieldSitsAtItsOffset) {
    PciInfoReply reply;
    reply.count = Pattern(0, 4);
    for (std::size_t i = 0; i < 8; ++i) {
        reply.deviceId[i] = static_cast<std::uint16_t>(Pattern(4 + 2 * i, 2));
        reply.busNumber[i] = static_cast<std::uint16_t>(Pattern(20 + 2 * i, 2));
        reply.deviceNumber[i] = static_cast<std::uint16_t>(Pattern(36 + 2 * i, 2));
        reply.ioBase[i] = Pattern(52 + 4 * i, 4);
        reply.vectorAddress[i] = Pattern(84 + 4 * i, 4);
        reply.bar1Port[i] = Pattern(116 + 4 * i, 4);
        reply.irq[i] = Pattern(148 + 4 * i, 4);
    }
    const auto bytes = reply.ToBytes();
    testing::CheckPatternLayout(PciInfoReplyLayout, bytes, 180);

    auto decoded = PciInfoReply::Decode(bytes);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(*decoded, reply);
}

TEST(PciInfoReply, BoardGathersOneElementOfEveryArray) {
    PciInfoReply reply;
    const PciBoardInfo board{0x5920, 3, 9, 0xE000, 0xE400, 0xE84D, 11};
    reply.SetBoard(7, board);
    reply.SetBoard(8, {1, 1, 1, 1, 1, 1, 1});  // out of range: ignored
    EXPECT_EQ(reply.Board(7), board);
    EXPECT_EQ(reply.Board(8), PciBoardInfo{});
    EXPECT_EQ(reply.deviceId[7], 0x5920);
    EXPECT_EQ(reply.irq[7], 11u);
    EXPECT_EQ(reply.Board(0), PciBoardInfo{});
}

TEST(PciInfoReply, CodecIsBoundedByTheBufferGiven) {
    std::vector<std::uint8_t> shortBuffer(179, 0xAB);
    PciInfoReply reply;
    reply.count = 1;
    EXPECT_FALSE(reply.Encode(shortBuffer));
    EXPECT_EQ(shortBuffer, std::vector<std::uint8_t>(179, 0xAB));
    EXPECT_FALSE(PciInfoReply::Decode(shortBuffer).has_value());

    // A larger buffer receives 180 bytes and keeps the rest.
    std::vector<std::uint8_t> large(256, 0xAB);
    EXPECT_TRUE(reply.Encode(large));
    EXPECT_EQ(large[0], 1);
    EXPECT_EQ(large[179], 0);
    EXPECT_EQ(large[180], 0xAB);
    ASSERT_TRUE(PciInfoReply::Decode(large).has_value());
    EXPECT_EQ(PciInfoReply::Decode(large)->count, 1u);
}

TEST(PciInfoReply, ValidCountNeverExceedsTheArrays) {
    PciInfoReply reply;
    for (std::uint32_t count : {0u, 3u, 8u, 9u, 0xFFFFFFFFu}) {
        reply.count = count;
        EXPECT_EQ(reply.ValidCount(), std::min<std::size_t>(count, 8)) << count;
    }
}

}  // namespace
}  // namespace ovtb::catalog
