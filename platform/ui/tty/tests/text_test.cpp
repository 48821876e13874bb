#include "platform/ui/tty/text.h"

#include <gtest/gtest.h>

using namespace ovtb::ui::tty;

TEST(TtyText, DecodesUtf8AndFallsBackToWindows1252ByteByByte) {
    struct Case {
        const char* name;
        std::string in;
        std::wstring out;
    } cases[] = {
        {"ascii", "COM3", L"COM3"},
        {"utf-8", "caf\xC3\xA9", L"caf\u00E9"},
        {"latin byte", "caf\xE9", L"caf\u00E9"},
        {"cp1252 euro", "\x80", L"\u20AC"},
        {"truncated sequence", "a\xE2\x82", L"a\u00E2\u201A"},
        {"overlong slash", "\xC0\xAF", L"\u00C0\u00AF"},
        {"surrogate", "\xED\xA0\x80", L"\u00ED\u00A0\u20AC"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Decode(c.in), c.out) << c.name;
    }
    EXPECT_EQ(EncodeUtf8(Decode("caf\xE9 \x80")), "caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(TtyText, CaptionsLoseTheirMarksAndKeepTheMnemonicPosition) {
    struct Case {
        const char* in;
        std::wstring text;
        int mnemonic;
    } cases[] = {
        {"&OK", L"OK", 0},      {"Cance&l", L"Cancel", 5}, {"A && B", L"A & B", -1},
        {"&&x &y", L"&x y", 3}, {"end&", L"end", -1},      {"", L"", -1},
    };
    for (const auto& c : cases) {
        Caption cap = ParseCaption(c.in);
        EXPECT_EQ(cap.text, c.text) << c.in;
        EXPECT_EQ(cap.mnemonic, c.mnemonic) << c.in;
    }
    EXPECT_EQ(ParseCaption("a&b", false).text, L"a&b");
}

TEST(TtyText, WrapsAtWordsCutsLongWordsAndKeepsLineBreaks) {
    EXPECT_EQ(Wrap(L"Orvane Talvex/Brinor Configuration Panel", 34),
              (std::vector<std::wstring>{L"Orvane Talvex/Brinor Configuration", L"Panel"}));
    EXPECT_EQ(Wrap(L"abcdefgh", 3), (std::vector<std::wstring>{L"abc", L"def", L"gh"}));
    EXPECT_EQ(Wrap(L"Load fail !\nCan not get.\n", 40),
              (std::vector<std::wstring>{L"Load fail !", L"Can not get.", L""}));
    EXPECT_EQ(Wrap(L"a\r\nb", 5), (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_TRUE(Wrap(L"text", 0).empty());
}

TEST(TtyText, EllipsizeCutsOnlyWhatDoesNotFit) {
    EXPECT_EQ(Ellipsize(L"COM10", 5, L"..."), L"COM10");
    EXPECT_EQ(Ellipsize(L"V678 PCI Series", 10, L"..."), L"V678 PC...");
    EXPECT_EQ(Ellipsize(L"V678", 2, L"..."), L"..");
    EXPECT_EQ(FitCells(L"abc", 0), L"");
}
