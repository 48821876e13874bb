#include "panel/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ovtb::panel {
namespace {

struct CommandLineCase {
    const char* name;
    const char* text;
    std::vector<PciBoardRequest> requests;
    std::int32_t firstCom;
    // Checked only when firstCom is given: the indexes are not used otherwise.
    std::int32_t rxTriggerIndex;
    std::int32_t txFifoIndex;
    StartupPath path;
};

constexpr std::int32_t kUnused = -1;

// The documented examples of the command line, one row each.
const CommandLineCase kDocumentedCases[] = {
    {"full unattended line",
     "{26496 }{{{0 9 0 }}}{3 }{3 }{15 }",
     {{26496, 0, 9}},
     3,
     3,
     15,
     StartupPath::Unattended},
    {"commas, both indexes missing and defaulted",
     "{26496,}{{{0,9,0,}}}{3,}",
     {{26496, 0, 9}},
     3,
     3,
     15,
     StartupPath::Unattended},
    {"triple without braces, indexes out of range",
     "{26496 }{{0 9 0 }}{4 }{9 }{99 }",
     {{26496, 0, 9}},
     4,
     3,
     15,
     StartupPath::Unattended},
    {"two triples of one id, no COM number",
     "{26496 }{{{0 9 0 }{0 10 0 }}}",
     {{26496, 0, 9}, {26496, 0, 10}},
     -1,
     kUnused,
     kUnused,
     StartupPath::MainDialog},
    {"triple whose third number is not 0 is not taken",
     "{26496 }{{{0 9 1 }{0 10 0 }}}{5 }{1 }{7 }",
     {{26496, 0, 10}},
     5,
     1,
     7,
     StartupPath::Unattended},
    {"two ids with one triple each",
     "{26496 22816 }{{{0 9 0 }}{{1 3 0 }}}{5 }",
     {{26496, 0, 9}, {22816, 1, 3}},
     5,
     3,
     15,
     StartupPath::MainDialog},
    {"brace swallowed after a number",
     "{26496}{{0 9 0 }}",
     {},
     -1,
     kUnused,
     kUnused,
     StartupPath::MainDialog},
    {"one board offered",
     "{26496 }{{{0 9 0 }}}",
     {{26496, 0, 9}},
     -1,
     kUnused,
     kUnused,
     StartupPath::MainDialog},
    {"empty", "", {}, -1, kUnused, kUnused, StartupPath::MainDialog},
};

// Further cases: text around the shape, and numbers of any length.
const CommandLineCase kFurtherCases[] = {
    {"letters before the first brace are skipped",
     "/auto {26496 }{{{0 9 0 }}}{3 }",
     {{26496, 0, 9}},
     3,
     3,
     15,
     StartupPath::Unattended},
    {"digits before the first brace are ids",
     "x2 {26496 }{{{0 9 0 }}{{1 3 0 }}}",
     {{2, 0, 9}, {26496, 1, 3}},
     -1,
     kUnused,
     kUnused,
     StartupPath::MainDialog},
    {"a fifth id is ignored",
     "{1 2 3 4 26496 }{{{0 1 0 }}{{0 2 0 }}{{0 3 0 }}{{0 4 0 }}}",
     // The last 0 completes the fourth request; the COM pass then reads that 0.
     {{1, 0, 1}, {2, 0, 2}, {3, 0, 3}, {4, 0, 4}},
     0,
     3,
     15,
     StartupPath::MainDialog},
    {"ids, bus and device numbers keep their low 16 bits",
     "{92032 }{{{65536 65545 0 }}}{3 }",
     {{26496, 0, 9}},
     3,
     3,
     15,
     StartupPath::Unattended},
    {"a 40-digit id keeps its low 16 bits",
     // 10^39 + 26496: 10^39 is a multiple of 2^16 (it holds 2^39).
     "{1000000000000000000000000000000000026496 }{{{0 9 0 }}}",
     {{26496, 0, 9}},
     -1,
     kUnused,
     kUnused,
     StartupPath::MainDialog},
    {"a third number of 2^32 does not complete a triple",
     "{26496 }{{{0 9 4294967296 }{0 10 0 }}}{3 }",
     {{26496, 0, 10}},
     3,
     3,
     15,
     StartupPath::Unattended},
    {"indexes of more than 32 bits are out of range",  // 2^32 + 1 and 2^32 + 5 would wrap into
                                                       // range.
     "{26496 }{{{0 9 0 }}}{3 }{4294967297 }{4294967301 }",
     {{26496, 0, 9}},
     3,
     3,
     15,
     StartupPath::Unattended},
    {"a COM number of more than 32 bits is no COM number",
     "{26496 }{{{0 9 0 }}}{99999999999999999999 }{1 }{2 }",
     {{26496, 0, 9}},
     -1,
     kUnused,
     kUnused,
     StartupPath::MainDialog},
    {"the largest 32-bit COM number reads as -1",
     "{26496 }{{{0 9 0 }}}{4294967295 }",
     {{26496, 0, 9}},
     -1,
     kUnused,
     kUnused,
     StartupPath::MainDialog},
    {"the last number of a pass is its value",
     "{26496 }{{{0 9 0 }}}{7 3 }{1 2 }",
     {{26496, 0, 9}},
     3,
     2,
     15,
     StartupPath::Unattended},
    {"a COM number with no id is not read",
     "{ }{3 }",
     {},
     -1,
     kUnused,
     kUnused,
     StartupPath::MainDialog},
};

void ExpectCase(const CommandLineCase& c) {
    SCOPED_TRACE(c.name);
    CommandLineSettings settings;
    settings.count = 3;  // overwritten whole
    const int count = ParseCommandLine(c.text, settings);
    EXPECT_EQ(count, static_cast<int>(c.requests.size()));
    ASSERT_EQ(settings.count, static_cast<std::int32_t>(c.requests.size()));
    for (std::size_t i = 0; i < c.requests.size(); ++i) {
        EXPECT_EQ(settings.requests[i], c.requests[i]) << "request " << i;
    }
    EXPECT_EQ(settings.firstCom, c.firstCom);
    if (c.firstCom != -1) {
        EXPECT_EQ(settings.rxTriggerIndex, c.rxTriggerIndex);
        EXPECT_EQ(settings.txFifoIndex, c.txFifoIndex);
    }
    EXPECT_EQ(DecideStartupPath(settings), c.path);
}

TEST(ParseCommandLine, ReadsEveryDocumentedExample) {
    for (const auto& c : kDocumentedCases) {
        ExpectCase(c);
    }
}

TEST(ParseCommandLine, SkipsForeignTextAndNeverOverflowsOnLongNumbers) {
    for (const auto& c : kFurtherCases) {
        ExpectCase(c);
    }
}

TEST(ParseCommandLine, FiveTriplesGiveFourRequestsAndTheNextPassStartsOnTheFourthZero) {
    CommandLineSettings settings;
    const int count =
        ParseCommandLine("{26496 }{{{0 1 0 }{0 2 0 }{0 3 0 }{0 4 0 }{0 5 0 }}}{3 }", settings);
    ASSERT_EQ(count, 4);
    for (std::uint16_t i = 0; i < 4; ++i) {
        EXPECT_EQ(settings.requests[i],
                  (PciBoardRequest{26496, 0, static_cast<std::uint16_t>(i + 1)}));
    }
    // The COM pass starts on "0 }{0 5 0 }}}{3 }": the stray closing braces take the depth below
    // 0, so it never returns to 0 and the pass reads to the end; its last number is 3. The FIFO
    // passes find nothing and take their defaults.
    EXPECT_EQ(settings.firstCom, 3);
    EXPECT_EQ(settings.rxTriggerIndex, 3);
    EXPECT_EQ(settings.txFifoIndex, 15);
    EXPECT_EQ(DecideStartupPath(settings), StartupPath::MainDialog);
}

}  // namespace
}  // namespace ovtb::panel
