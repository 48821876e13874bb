#include "diag/log_config.h"

#include <gtest/gtest.h>

#include <vector>

namespace ovtb::diag {
namespace {

// A log configuration written descriptor by descriptor: 8 header bytes, then each descriptor
// with its length and type, the fields at their offsets, a zero length at the end.
class LogConf {
  public:
    LogConf() : bytes_(8, 0) {}
    LogConf& Io(std::uint16_t base, std::uint16_t last, std::uint32_t type = RESOURCE_IO) {
        return Descriptor(16, type, {{12, base}, {14, last}});
    }
    LogConf& Irq(std::uint16_t irq, std::uint32_t type = RESOURCE_IRQ) {
        return Descriptor(12, type, {{10, irq}});
    }
    LogConf& Descriptor(std::uint32_t length, std::uint32_t type,
                        std::vector<std::pair<std::size_t, std::uint16_t>> fields) {
        std::size_t at = bytes_.size();
        bytes_.resize(at + std::max<std::uint32_t>(length, 8), 0);
        Put32(at, length);
        Put32(at + 4, type);
        for (auto [offset, v] : fields) {
            if (at + offset + 2 > bytes_.size())
                bytes_.resize(at + offset + 2, 0);
            bytes_[at + offset] = std::uint8_t(v);
            bytes_[at + offset + 1] = std::uint8_t(v >> 8);
        }
        return *this;
    }
    LogConf& End() {
        bytes_.insert(bytes_.end(), 4, 0);
        return *this;
    }
    std::vector<std::uint8_t> bytes() const { return bytes_; }

  private:
    void Put32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes_[at + i] = std::uint8_t(v >> (8 * i));
    }
    std::vector<std::uint8_t> bytes_;
};

using IO = std::array<std::uint16_t, 8>;

struct Expect {
    bool ok;
    std::int32_t irq;
    std::uint16_t vector;
    IO io;
};

void Check(const char* name, bool ok, const BoardResources& r, const Expect& e) {
    SCOPED_TRACE(name);
    EXPECT_EQ(ok, e.ok);
    EXPECT_EQ(r.irq, e.irq);
    EXPECT_EQ(r.vectorAddress, e.vector);
    EXPECT_EQ(r.ioAddress, e.io);
}

TEST(ForcedConfig, MultiFunctionVariant) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> data;
        Expect expect;
    } const cases[] = {
        {"ports, vector and interrupt",
         LogConf().Io(0x180, 0x187).Io(0x188, 0x18F).Io(0x1C0, 0x1C0).Irq(10).End().bytes(),
         {true, 10, 0x1C0, {0x180, 0x188}}},
        {"a one-address range below 16 reads as 16",
         LogConf().Io(0x8, 0x8).End().bytes(),
         {true, 0, 16, {}}},
        {"the last interrupt wins",
         LogConf().Irq(5).Irq(0).Irq(11).End().bytes(),
         {true, 11, 0, {}}},
        {"the type is its low byte", LogConf().Irq(7, 0x104).End().bytes(), {true, 7, 0, {}}},
        {"other types are skipped",
         LogConf().Descriptor(20, 1, {}).Irq(3).End().bytes(),
         {true, 3, 0, {}}},
        {"a ninth range fails, the first eight kept",
         [] {
             LogConf c;
             for (int i = 0; i < 9; ++i)
                 c.Io(std::uint16_t(0x100 + 8 * i), std::uint16_t(0x107 + 8 * i));
             return c.Irq(4).End().bytes();
         }(),
         {false, 0, 0, {0x100, 0x108, 0x110, 0x118, 0x120, 0x128, 0x130, 0x138}}},
        {"a descriptor past the data fails, earlier fields kept",
         [] {
             auto b = LogConf().Irq(5).Io(0x300, 0x307).bytes();
             b.resize(b.size() - 2);
             return b;
         }(),
         {false, 5, 0, {}}},
        {"data that ends without a zero length fails", LogConf().Irq(5).bytes(), {false, 5, 0, {}}},
        {"an I/O descriptor too short for its addresses fails",
         LogConf().Irq(9).Descriptor(12, RESOURCE_IO, {{10, 0x300}}).Irq(3).End().bytes(),
         {false, 9, 0, {}}},
        {"an interrupt descriptor too short for its number fails",
         LogConf().Descriptor(8, RESOURCE_IRQ, {}).End().bytes(),
         {false, 0, 0, {}}},
        {"a length below 8 fails", LogConf().Descriptor(4, 0, {}).End().bytes(), {false, 0, 0, {}}},
        {"an empty list", LogConf().End().bytes(), {true, 0, 0, {}}},
    };
    for (const auto& c : cases) {
        BoardResources r;
        r.irq = 99;
        r.vectorAddress = 99;
        bool ok = ParseForcedConfig(c.data, ForcedConfigVariant::MultiFunction, 8, r);
        Check(c.name, ok, r, c.expect);
    }
}

TEST(ForcedConfig, OrvaneAsyncVariant) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> data;
        Expect expect;
    } const cases[] = {
        {"the first non-zero interrupt counts",
         LogConf().Irq(0).Irq(5).Irq(11).Io(0x280, 0x287).End().bytes(),
         {true, 5, 0, {0x280}}},
        {"no interrupt without an I/O base",
         LogConf().Irq(5).Io(0, 7).End().bytes(),
         {false, 0, 0, {0}}},
        {"the last I/O descriptor's base decides",
         LogConf().Irq(5).Io(0x280, 0x287).Io(0, 0).End().bytes(),
         {false, 0, 0, {0x280}}},
        {"no interrupt at all", LogConf().Io(0x280, 0x287).End().bytes(), {false, 0, 0, {0x280}}},
        {"type compared as 16 bits",
         LogConf().Irq(7, 0x10004).Io(0x2E8, 0x2EF).End().bytes(),
         {true, 7, 0, {0x2E8}}},
        {"type 0x104 is not an interrupt",
         LogConf().Irq(7, 0x104).Io(0x2E8, 0x2EF).End().bytes(),
         {false, 0, 0, {0x2E8}}},
        {"a failure on the way keeps the interrupt out",
         [] {
             auto b = LogConf().Irq(5).Io(0x280, 0x287).bytes();
             b.resize(b.size() - 1);
             return b;
         }(),
         {false, 0, 0, {}}},
    };
    for (const auto& c : cases) {
        BoardResources r;
        bool ok = ParseForcedConfig(c.data, ForcedConfigVariant::OrvaneAsync, 4, r);
        Check(c.name, ok, r, c.expect);
    }
    // The length is its low 16 bits: 0x10010 is a 16-byte descriptor.
    auto b = LogConf().Io(0x280, 0x287).Irq(3).End().bytes();
    b[8 + 2] = 1;
    BoardResources r;
    EXPECT_TRUE(ParseForcedConfig(b, ForcedConfigVariant::OrvaneAsync, 4, r));
    EXPECT_EQ(r.irq, 3);
}

TEST(Allocation, PortsVectorAndInterruptOfAPciBoard) {
    struct Case {
        const char* name;
        std::int32_t ports;
        std::vector<std::uint8_t> data;
        Expect expect;
    } const cases[] = {
        {"a 64-address range holds the ports, a 16-address range the vector",
         4,
         LogConf().Io(0x300, 0x33F).Io(0x340, 0x34F).Irq(11).End().bytes(),
         {true, 11, 0x340, {0x300, 0x308, 0x310, 0x318}}},
        {"only the board's ports are given addresses",
         2,
         LogConf().Io(0xE800, 0xE83F).End().bytes(),
         {true, 0, 0, {0xE800, 0xE808}}},
        {"a second 64-address range fails",
         4,
         LogConf().Io(0x300, 0x33F).Io(0x400, 0x43F).End().bytes(),
         {false, 0, 0, {0x300, 0x308, 0x310, 0x318}}},
        {"ranges of other sizes are skipped",
         4,
         LogConf().Io(0x300, 0x307).Irq(5).End().bytes(),
         {true, 5, 0, {}}},
        {"the last interrupt wins", 4, LogConf().Irq(5).Irq(9).End().bytes(), {true, 9, 0, {}}},
        {"a descriptor past the data ends the list",
         4,
         [] {
             auto b = LogConf().Irq(5).Io(0x300, 0x33F).bytes();
             b.resize(b.size() - 1);
             return b;
         }(),
         {true, 5, 0, {}}},
        {"a descriptor too short for its fields fails",
         4,
         LogConf().Irq(5).Descriptor(12, RESOURCE_IO, {{10, 0x300}}).End().bytes(),
         {false, 5, 0, {}}},
        {"fewer than 10 bytes fail", 4, std::vector<std::uint8_t>(9, 0), {false, 0, 0, {}}},
        {"10 bytes: no room for a length, nothing found",
         4,
         std::vector<std::uint8_t>(10, 0),
         {true, 0, 0, {}}},
    };
    for (const auto& c : cases) {
        BoardResources r;
        r.irq = 99;
        r.vectorAddress = 99;
        r.ioAddress.fill(0);
        bool ok = ParseAllocation(c.data, c.ports, r);
        Check(c.name, ok, r, c.expect);
    }
}

}  // namespace
}  // namespace ovtb::diag
