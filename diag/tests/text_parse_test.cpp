#include "diag/text_parse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ovtb::diag {
namespace {

std::vector<std::uint8_t> Value(std::string_view text, bool terminator = true) {
    std::vector<std::uint8_t> v(text.begin(), text.end());
    if (terminator)
        v.push_back(0);
    return v;
}

TEST(TextParse, RegistryTextsEndAtTheirTerminatorOrTheirLimit) {
    EXPECT_EQ(RegistryText(Value("COM3")), "COM3");
    EXPECT_EQ(RegistryText(Value("COM3", false)), "COM3");
    EXPECT_EQ(RegistryText({}), "");
    std::vector<std::uint8_t> early = Value("PCI\\VEN");
    early.insert(early.end(), {'X', 'Y'});
    EXPECT_EQ(RegistryText(early), "PCI\\VEN");
    // A hardware key of 260 characters without a terminator keeps 259, leaving room for it.
    std::vector<std::uint8_t> full(260, 'K');
    EXPECT_EQ(RegistryText(full, 259).size(), 259u);
}

TEST(TextParse, DecimalNumbersOfAtMostFourDigits) {
    struct Case {
        std::string_view text;
        std::int32_t expected;
    } const cases[] = {
        {"", 0},   {"0", 0},  {"12", 12}, {"9999", 9999}, {"12345", 0},
        {"1x", 0}, {"-1", 0}, {" 1", 0},  {"0128", 128},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseDecimal(c.text), c.expected) << c.text;
}

TEST(TextParse, HexDigitsAreReadWithoutValidation) {
    EXPECT_EQ(ParseHexDigits("4F56", 0, 4), 0x4F56);
    EXPECT_EQ(ParseHexDigits("4f56", 0, 4), 0x4F56);
    EXPECT_EQ(ParseHexDigits("0D", 0, 2), 0x0D);
    // 'g' counts as 16, '&' as -10: no validation, low 16 bits kept.
    EXPECT_EQ(ParseHexDigits("1g", 0, 2), 0x20);
    EXPECT_EQ(ParseHexDigits("1&", 0, 2), 6);
    // Digits past the end of the text give 0 instead of reading on.
    EXPECT_EQ(ParseHexDigits("4F5", 0, 4), 0);
    EXPECT_EQ(ParseHexDigits("4F", 5, 1), 0);
}

TEST(TextParse, IsaHardwareIdsAreOv10AndTwoCharactersInSevenBytes) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> value;
        std::optional<std::int32_t> expected;
    } const cases[] = {
        {"OV1005", Value("OV1005"), 5},
        {"OV1011", Value("OV1011"), 11},
        {"lower case", Value("ov1005"), std::nullopt},
        {"too short", Value("OV105"), std::nullopt},
        {"too long", Value("OV10055"), std::nullopt},
        {"no terminator", Value("OV10057", false), 57},
        {"letters", Value("OV10AB"), 0},
        {"empty", {}, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseIsaHardwareId(c.value), c.expected) << c.name;
}

TEST(TextParse, PortNamesGiveComNumbersUpTo128) {
    struct Case {
        std::vector<std::uint8_t> value;
        std::int32_t expected;
    } const cases[] = {
        {Value("com12"), 12},
        {Value("COM3"), 3},
        {Value("CoM128"), 128},
        {Value("COM129"), 0},
        {Value("COM12345"), 0},
        {Value("COMx"), 0},
        {Value("LPT1"), 0},
        {Value("COM"), 0},
        {Value("CO"), 0},
        {Value("COM7", false), 7},
        {{}, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParsePortName(c.value), c.expected)
            << std::string(c.value.begin(), c.value.end());
    }
}

TEST(TextParse, PciHardwareKeysGiveVendorDeviceBusAndSlot) {
    struct Case {
        std::string_view text;
        std::uint16_t vendor, device, bus, slot;
    } const cases[] = {
        {"PCI\\VEN_4F56&DEV_5830\\BUS_00&DEV_0D&FUNC_00", 0x4F56, 0x5830, 0, 13},
        {"PCI\\VEN_4F56&DEV_6780&SUBSYS_00000000\\BUS_01&DEV_1F", 0x4F56, 0x6780, 1, 0x1F},
        {"PCI\\VEN_4F56\\BUS_02", 0x4F56, 0, 2, 0},              // no DEV_ after the vendor
        {"PCI\\VEN_4F56&SUB_5830", 0x4F56, 0, 0, 0},             // another word in its place
        {"pci\\VEN_4F56&DEV_5830\\BUS_00&DEV_0D", 0, 0, 0, 13},  // prefix compared exactly
        {"ROOT\\VEN_4F56&DEV_5830", 0, 0, 0, 0},
        {"PCI\\DEV_5830", 0, 0, 0, 0},
        {"PCI\\VEN_4F", 0, 0, 0, 0},  // cut short: no vendor
        {"PCI\\VEN_4F56&DEV_58", 0x4F56, 0, 0, 0},
        {"PCI\\VEN_4F56&DEV_5830\\BUS_0", 0x4F56, 0x5830, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text));
        auto id = ParsePciHardwareKey(c.text);
        EXPECT_EQ(id.vendorId, c.vendor);
        EXPECT_EQ(id.deviceId, c.device);
        auto loc = ParsePciLocation(c.text);
        EXPECT_EQ(loc.bus, c.bus);
        EXPECT_EQ(loc.device, c.slot);
    }
}

TEST(TextParse, DeviceNodeAndChildKeyNames) {
    EXPECT_EQ(RootDeviceNodeName("MultiFunction", InstanceName("Enum\\Root\\MultiFunction\\0000")),
              "Root&MultiFunction&0000");
    EXPECT_EQ(InstanceName("Enum\\Root\\OrvaneAsync\\ABCDEFGHIJKLMN"), "ABCDEFGHIJK");
    EXPECT_EQ(InstanceName("0001"), "0001");
    EXPECT_EQ(PciDeviceNodeName("PCI\\VEN_4F56&DEV_5830\\BUS_00&DEV_0D&FUNC_00"),
              "PCI&VEN_4F56&DEV_5830&BUS_00&DEV_0D&FUNC_00");
    EXPECT_EQ(ChildKeyPath("Root&MultiFunction&0000", 0),
              "Enum\\MF\\CHILD0000\\Root&MultiFunction&0000");
    EXPECT_EQ(ChildKeyPath("Root&MultiFunction&0000", 7),
              "Enum\\MF\\CHILD0007\\Root&MultiFunction&0000");
    EXPECT_EQ(ChildKeyPath("X", 10), "Enum\\MF\\CHILD000A\\X");
}

}  // namespace
}  // namespace ovtb::diag
