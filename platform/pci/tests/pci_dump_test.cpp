#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/pci/pci_dump.h"

namespace ovtb::pci {
namespace {

namespace fs = std::filesystem;

std::string Header(const char* address, unsigned vendor = 0x4F56, unsigned device = 0x6780) {
    char first[64];
    std::snprintf(first, sizeof first,
                  "00: %02x %02x %02x %02x 00 00 00 00 00 00 00 07 00 00 00 00\n", vendor & 0xFF,
                  vendor >> 8, device & 0xFF, device >> 8);
    return std::string(address) + " Serial controller: board\n" + first +
           "10: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
           "20: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n"
           "30: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n";
}

TEST(PciDump, ReadsDevicesWithDomainsDetailLinesCommentsAndCrLf) {
    std::string text = "# captured by hand\n" + Header("00:1f.7") +
                       "\tSubsystem: detail line of lspci -v\n\n" +
                       Header("0000:0a:00.0", 0x8086, 0x100e) + "\r\n" + Header("0001:00:02.0");
    DumpError error;
    auto devices = ParseDump(text, &error);
    ASSERT_TRUE(devices) << error.line << ": " << error.message;
    ASSERT_EQ(devices->size(), 3u);
    EXPECT_EQ((*devices)[0].bus, 0u);
    EXPECT_EQ((*devices)[0].device, 0x1Fu);
    EXPECT_EQ((*devices)[0].function, 7u);
    EXPECT_EQ((*devices)[0].description, "Serial controller: board");
    EXPECT_EQ((*devices)[0].VendorId(), 0x4F56);
    EXPECT_EQ((*devices)[1].bus, 0x0Au);
    EXPECT_EQ((*devices)[1].DeviceId(), 0x100E);
    EXPECT_EQ((*devices)[2].domain, 1u);
    EXPECT_EQ((*devices)[2].config.size(), 64u);
}

TEST(PciDump, RejectsFaultsNamingTheirLine) {
    const std::string good = Header("00:05.0");
    struct Case {
        const char* name;
        std::string text;
        size_t line;
        const char* words;
    } cases[] = {
        {"no newline at the end", good.substr(0, good.size() - 1), 5, "newline"},
        {"data before any device", "00: 56 4f\n", 1, "outside a device"},
        {"data after the blank line that ended the device", good + "\n40: 00\n", 7,
         "outside a device"},
        {"device number above 1f", Header("00:20.0"), 1, "out of range"},
        {"function above 7", Header("00:05.8"), 1, "out of range"},
        {"device listed twice", good + "\n" + good, 7, "twice"},
        {"offset skipped", "00:05.0 x\n00: 00\n10: 00\n", 3, "expected"},
        {"bad hex byte", "00:05.0 x\n00: 56 4g\n", 2, "bad byte"},
        {"two spaces between bytes", "00:05.0 x\n00: 56  4f\n", 2, "after the bytes"},
        {"data line without bytes", "00:05.0 x\n00: \n", 2, "without bytes"},
        {"fewer than 64 bytes", "00:05.0 x\n00: 56 4f 80 67\n\n", 1, "at least 64"},
        {"a device line without the space", "00:05.0\n", 1, "not a device line"},
        {"a stray word", good + "hello\n", 6, "not a device line"},
        {"a line of 254 characters", good + "\t" + std::string(253, 'x') + "\n", 6, "longer"},
        {"a NUL byte, even in a comment", good + std::string("# a\0b\n", 6), 6, "NUL"},
    };
    for (const auto& c : cases) {
        DumpError error;
        EXPECT_FALSE(ParseDump(c.text, &error)) << c.name;
        EXPECT_EQ(error.line, c.line) << c.name;
        EXPECT_NE(error.message.find(c.words), std::string::npos)
            << c.name << ": " << error.message;
    }
}

TEST(PciDump, ALineOf253CharactersIsStillRead) {
    DumpError error;
    EXPECT_TRUE(ParseDump(Header("00:05.0") + "\t" + std::string(252, 'x') + "\n", &error))
        << error.message;
}

TEST(PciDump, WritesWhatItReadsAndKeepsEveryByte) {
    DumpDevice big;
    big.bus = 0x64;
    big.device = 0x1F;
    big.description = "Serial controller: extended";
    for (size_t i = 0; i < 300; ++i)
        big.config.push_back(static_cast<std::uint8_t>(i * 7));
    DumpDevice small;
    small.domain = 2;
    small.function = 3;
    small.config.assign(64, 0xAB);
    std::vector<DumpDevice> devices{big, small};
    const std::string text = FormatDump(devices);
    EXPECT_EQ(text.substr(0, 81),
              "64:1f.0 Serial controller: extended\n00: 00 07 0e 15 1c 23 2a 31 38 3f 46 4d 54 5b");
    EXPECT_NE(text.find("\n100: 00 07 0e"), std::string::npos) << "offsets past ff get 3 digits";
    EXPECT_NE(text.find("\n0002:00:00.3 \n"), std::string::npos);
    DumpError error;
    auto back = ParseDump(text, &error);
    ASSERT_TRUE(back) << error.line << ": " << error.message;
    ASSERT_EQ(back->size(), 2u);
    EXPECT_EQ((*back)[0].config, big.config);
    EXPECT_EQ((*back)[0].description, big.description);
    EXPECT_EQ((*back)[1].domain, 2u);
    EXPECT_EQ((*back)[1].config, small.config);
}

// The files we write must read the same through lspci, the yardstick of the format.
TEST(PciDump, LspciReadsTheFilesWeWrite) {
    if (std::system("command -v lspci >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no lspci";
    DumpDevice d;
    d.bus = 0x0A;
    d.device = 0x11;
    d.description = "Serial controller: board";
    d.config.assign(64, 0);
    d.config[0] = 0x56;
    d.config[1] = 0x4F;
    d.config[2] = 0x20;
    d.config[3] = 0x59;
    const fs::path dir =
        fs::temp_directory_path() / ("pci_dump_test." + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::string error;
    ASSERT_TRUE(WriteDumpFile(dir / "pci.dump", {d}, error)) << error;
    const std::string command =
        "lspci -n -F " + (dir / "pci.dump").string() + " > " + (dir / "out").string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(dir / "out");
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "0a:11.0 0000: 4f56:5920");
    fs::remove_all(dir);
}

TEST(PciDump, AFileThatCannotBeReadIsNamedInTheError) {
    std::string error;
    EXPECT_FALSE(ReadDumpFile("/nonexistent/pci.dump", error));
    EXPECT_NE(error.find("/nonexistent/pci.dump"), std::string::npos) << error;
    EXPECT_FALSE(ReadDumpFile("platform/pci/tests/fixtures/malformed.dump", error));
    EXPECT_NE(error.find("malformed.dump: line 10: "), std::string::npos) << error;
}

}  // namespace
}  // namespace ovtb::pci
