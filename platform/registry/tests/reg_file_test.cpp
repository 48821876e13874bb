// Registry files: reading, writing, and import/export through the registry.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry/reg_file.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"

namespace {

using namespace ovtb::registry;

std::string ReadFixture(const char* name) {
    std::ifstream in(std::string("platform/registry/tests/fixtures/") + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<BYTE> Bytes(std::string_view s) {
    return {s.begin(), s.end()};
}

const std::string kHead = "Windows Registry Editor Version 5.00\n\n[HKLM\\K]\n";

TEST(RegFileRead, EveryFormOfTheFixture) {
    RegFile file;
    RegFileError error;
    ASSERT_TRUE(ParseRegFile(ReadFixture("service.reg"), file, error))
        << error.line << ": " << error.message;
    ASSERT_EQ(file.keys.size(), 4u);
    EXPECT_EQ(file.keys[0].path, "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Ovserp");
    const auto& svc = file.keys[0].values;
    ASSERT_EQ(svc.size(), 3u);
    EXPECT_EQ(svc[0], (RegFileValue{"ProductID", false, REG_DWORD, {4, 1, 0, 0}}));
    EXPECT_EQ(svc[1],
              (RegFileValue{"ImagePath", false, REG_EXPAND_SZ,
                            Bytes(std::string_view("System32\\Drivers\\ovserp.sys\0", 28))}));
    EXPECT_EQ(svc[2], (RegFileValue{"", false, REG_SZ, Bytes(std::string_view("Ovserp\0", 7))}));
    const auto& params = file.keys[1].values;
    ASSERT_EQ(params.size(), 5u);
    EXPECT_EQ(params[0].data, (std::vector<BYTE>{1, 0, 2, 0, 0xFF}));
    EXPECT_EQ(params[0].line, 11) << "a value's line is where it begins";
    EXPECT_EQ(params[1].data, Bytes(std::string_view("say \"hi\" to C:\\WINNT\0", 21)));
    EXPECT_EQ(params[2], (RegFileValue{"NoTerminator", false, REG_SZ, Bytes("TBDiag")}));
    EXPECT_EQ(params[3].type, REG_MULTI_SZ);
    EXPECT_EQ(params[4], (RegFileValue{"Empty", false, REG_BINARY, {}}));
    EXPECT_EQ(file.keys[2].path, "HKEY_DYN_DATA\\Config Manager\\Enum\\C29A3410");
    EXPECT_TRUE(file.keys[3].remove);
    EXPECT_EQ(file.keys[3].path, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Old");
}

TEST(RegFileRead, LineEndsAndEncodings) {
    const std::string body = "[HKLM\\K]\n\"V\"=\"x\"\n";
    std::string utf16 = "\xFF\xFE";
    for (char c : "Windows Registry Editor Version 5.00\r\n" + body) {
        utf16.push_back(c);
        utf16.push_back('\0');
    }
    std::string crlf = "Windows Registry Editor Version 5.00\r\n\r\n[HKLM\\K]\r\n\"V\"=\"x\"\r\n";
    for (const std::string& text :
         {crlf, "\xEF\xBB\xBFWindows Registry Editor Version 5.00\n" + body, "REGEDIT4\n" + body,
          utf16}) {
        RegFile file;
        RegFileError error;
        ASSERT_TRUE(ParseRegFile(text, file, error)) << error.message;
        ASSERT_EQ(file.keys.size(), 1u);
        ASSERT_EQ(file.keys[0].values.size(), 1u);
        EXPECT_EQ(file.keys[0].values[0].data, (std::vector<BYTE>{'x', 0}));
    }
}

TEST(RegFileRead, MalformedFilesNameTheirLine) {
    struct Case {
        const char* label;
        std::string text;
        int line;
    } cases[] = {
        {"no header", "[HKLM\\K]\n", 1},
        {"empty file", "", 0},
        {"value before any key", "Windows Registry Editor Version 5.00\n\"V\"=dword:1\n", 2},
        {"unknown root", "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\X]\n", 3},
        {"unclosed key", "Windows Registry Editor Version 5.00\n[HKLM\\X\n", 2},
        {"stray text", kHead + "junk\n", 4},
        {"no equals sign", kHead + "\"V\" dword:1\n", 4},
        {"unclosed string", kHead + "\"V\"=\"abc\n", 4},
        {"lone backslash in a string", kHead + "\"V\"=\"C:\\WINNT\"\n", 4},
        {"text after a string", kHead + "\"V\"=\"a\" b\n", 4},
        {"dword too long", kHead + "\"V\"=dword:123456789\n", 4},
        {"dword not hex", kHead + "\"V\"=dword:12g4\n", 4},
        {"dword empty", kHead + "\"V\"=dword:\n", 4},
        {"bad hex type", kHead + "\"V\"=hex(q):00\n", 4},
        {"hex byte too wide", kHead + "\"V\"=hex:123\n", 4},
        {"empty byte inside", kHead + "\"V\"=hex:01,,02\n", 4},
        {"bad byte on a continuation line", kHead + "\"V\"=hex:01,\\\n  02,\\\n  0x\n", 6},
        {"file ends inside a continuation", kHead + "\"V\"=hex:01,\\\n", 4},
        {"unknown data", kHead + "\"V\"=qword:1\n", 4},
        {"value under a deleted key", "Windows Registry Editor Version 5.00\n[-HKLM\\X]\n\"V\"=-\n",
         3},
        {"carriage return inside a string", kHead + "\"V\"=\"a\rb\"\n", 4},
        {"NUL inside a value name", kHead + std::string("\"a\0b\"=dword:1\n", 14), 4},
        {"NUL inside a key name",
         "Windows Registry Editor Version 5.00\n" + std::string("[HKLM\\a\0b]\n", 11), 2},
        {"UTF-16 character beyond a byte",
         std::string("\xFF\xFE"
                     "W\0\n\0\x3A\x26",
                     8),
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        RegFile file;
        RegFileError error;
        EXPECT_FALSE(ParseRegFile(c.text, file, error));
        EXPECT_EQ(error.line, c.line) << error.message;
        EXPECT_FALSE(error.message.empty());
        EXPECT_TRUE(file.keys.empty());
    }
    RegFile file;
    RegFileError error;
    EXPECT_FALSE(ParseRegFile(ReadFixture("bad_hex.reg"), file, error));
    EXPECT_EQ(error.line, 6);
    EXPECT_NE(error.message.find("zz"), std::string::npos) << error.message;
}

TEST(RegFileWrite, StringsThatAreNotOneTextAndATerminatorBecomeHex) {
    struct Case {
        const char* label;
        DWORD type;
        std::vector<BYTE> data;
        const char* line;
    } cases[] = {
        {"a plain string", REG_SZ, Bytes(std::string_view("a\\\"b\0", 5)), "\"V\"=\"a\\\\\\\"b\""},
        {"an empty string", REG_SZ, {0}, "\"V\"=\"\""},
        {"no terminator", REG_SZ, Bytes("ab"), "\"V\"=hex(1):61,62"},
        {"no data at all", REG_SZ, {}, "\"V\"=hex(1):"},
        {"bytes after the terminator", REG_SZ, {'a', 0, 'b', 0}, "\"V\"=hex(1):61,00,62,00"},
        {"a line break inside", REG_SZ, {'a', '\n', 0}, "\"V\"=hex(1):61,0a,00"},
        {"a dword", REG_DWORD, {0x78, 0x56, 0x34, 0x12}, "\"V\"=dword:12345678"},
        {"a dword of 3 bytes", REG_DWORD, {1, 2, 3}, "\"V\"=hex(4):01,02,03"},
        {"binary", REG_BINARY, {0xAB, 0}, "\"V\"=hex:ab,00"},
        {"expand string", REG_EXPAND_SZ, {'%', 0}, "\"V\"=hex(2):25,00"},
        {"type 0x1234", 0x1234, {}, "\"V\"=hex(1234):"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        RegFile file{{{"HKEY_LOCAL_MACHINE\\K", false, {{"V", false, c.type, c.data}}}}};
        std::string text, error;
        ASSERT_TRUE(FormatRegFile(file, text, error));
        EXPECT_NE(text.find(std::string("\r\n") + c.line + "\r\n"), std::string::npos) << text;
        RegFile back;
        RegFileError parseError;
        ASSERT_TRUE(ParseRegFile(text, back, parseError)) << parseError.message;
        EXPECT_EQ(back, file);
    }
}

TEST(RegFileWrite, LongHexWrapsAndReadsBack) {
    std::vector<BYTE> data(300);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<BYTE>(i * 7);
    RegFile file{{{"HKEY_LOCAL_MACHINE\\K",
                   false,
                   {{std::string(90, 'n'), false, REG_BINARY, data}, {"", true, 0, {}}}}}};
    std::string text, error;
    ASSERT_TRUE(FormatRegFile(file, text, error));
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("\"nnn", 0) == 0)
            continue;  // a long name cannot be wrapped
        EXPECT_LE(line.size(), 80u) << line;
    }
    RegFile back;
    RegFileError parseError;
    ASSERT_TRUE(ParseRegFile(text, back, parseError)) << parseError.message;
    EXPECT_EQ(back, file);

    RegFile broken{{{"HKEY_LOCAL_MACHINE\\K", false, {{"a\nb", false, REG_DWORD, {}}}}}};
    EXPECT_FALSE(FormatRegFile(broken, text, error));
}

class RegFileImport : public ::testing::Test {
  protected:
    void SetUp() override { UseInMemoryStore(); }
};

TEST_F(RegFileImport, ExportThenImportIntoAnEmptyMachineKeepsEveryByteAndType) {
    struct Value {
        const char* name;
        DWORD type;
        std::vector<BYTE> data;
    } values[] = {
        {"DiagDLL", REG_SZ, Bytes("TBDiag.DLL")},  // written without its terminator
        {"Terminated", REG_SZ, Bytes(std::string_view("COM5\0", 5))},
        {"Inner", REG_SZ, {'a', 0, 'b', 0}},
        {"Settings", REG_BINARY, std::vector<BYTE>(240, 0x5A)},
        {"ovkey", REG_DWORD, {0x10, 0x20, 0, 0}},
        {"Short", REG_DWORD, {1, 2}},
        {"Multi", REG_MULTI_SZ, {'a', 0, 0}},
        {"Expand", REG_EXPAND_SZ, Bytes(std::string_view("%SystemRoot%\0", 13))},
        {"", REG_SZ, Bytes(std::string_view("default\0", 8))},
        {"Quote\"Back\\slash", REG_NONE, {}},
    };
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORVANE\\Driver\\Model", &k),
              ERROR_SUCCESS);
    for (const auto& v : values)
        ASSERT_EQ(RegSetValueExA(k, v.name, 0, v.type, v.data.data(), DWORD(v.data.size())),
                  ERROR_SUCCESS);
    RegCloseKey(k);
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORVANE\\Empty", &k), ERROR_SUCCESS);
    RegCloseKey(k);

    RegFile exported;
    std::string error, text;
    ASSERT_EQ(ExportRegKey("HKLM\\software\\orvane", exported, error), ERROR_SUCCESS) << error;
    ASSERT_EQ(exported.keys.size(), 4u);
    EXPECT_EQ(exported.keys[0].path, "HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVANE")
        << "paths are written with their stored case";
    EXPECT_EQ(exported.keys[1].path, "HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVANE\\Driver");
    ASSERT_TRUE(FormatRegFile(exported, text, error));

    UseInMemoryStore();
    RegFile parsed;
    RegFileError parseError;
    ASSERT_TRUE(ParseRegFile(text, parsed, parseError)) << parseError.message;
    ASSERT_EQ(ImportRegFile(parsed, parseError), ERROR_SUCCESS) << parseError.message;

    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORVANE\\Driver\\Model", 0, KEY_READ, &k),
              ERROR_SUCCESS);
    for (const auto& v : values) {
        SCOPED_TRACE(v.name);
        BYTE buf[300];
        DWORD type = 0xDEAD, size = sizeof buf;
        ASSERT_EQ(RegQueryValueExA(k, v.name, nullptr, &type, buf, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, v.type);
        EXPECT_EQ(std::vector<BYTE>(buf, buf + size), v.data);
    }
    RegCloseKey(k);
    RegFile again;
    ASSERT_EQ(ExportRegKey("HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVANE", again, error), ERROR_SUCCESS);
    EXPECT_EQ(again, exported);
}

TEST_F(RegFileImport, AFailingImportChangesNothing) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Old", &k), ERROR_SUCCESS);
    RegCloseKey(k);
    RegFile file;
    RegFileError error;
    ASSERT_TRUE(
        ParseRegFile(ReadFixture("service.reg") + "\r\n[-HKEY_LOCAL_MACHINE]\r\n", file, error));
    EXPECT_NE(ImportRegFile(file, error), ERROR_SUCCESS);
    EXPECT_EQ(error.line, 23) << error.message;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM", &k), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyA(HKEY_DYN_DATA, "Config Manager", &k), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Old", &k), ERROR_SUCCESS)
        << "the deletion in the file was undone too";
    RegCloseKey(k);
}

TEST_F(RegFileImport, TheFixtureLandsWhereItSays) {
    RegFile file;
    RegFileError error;
    ASSERT_TRUE(ParseRegFile(ReadFixture("service.reg"), file, error));
    ASSERT_EQ(ImportRegFile(file, error), ERROR_SUCCESS) << error.message;
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_DYN_DATA, "Config Manager\\Enum\\C29A3410", &k), ERROR_SUCCESS);
    char buf[64] = {};
    DWORD size = sizeof buf;
    ASSERT_EQ(
        RegQueryValueExA(k, "HardWareKey", nullptr, nullptr, reinterpret_cast<BYTE*>(buf), &size),
        ERROR_SUCCESS);
    EXPECT_STREQ(buf, "PCI\\VEN_4F56&DEV_0001");
    RegCloseKey(k);
    // Importing again changes nothing and succeeds; a removed value line deletes the value.
    ASSERT_EQ(ImportRegFile(file, error), ERROR_SUCCESS);
    ASSERT_TRUE(
        ParseRegFile("Windows Registry Editor Version 5.00\n[HKDD\\Config Manager\\Enum\\"
                     "C29A3410]\n\"hardwarekey\"=-\n\"Missing\"=-\n",
                     file, error));
    ASSERT_EQ(ImportRegFile(file, error), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyA(HKEY_DYN_DATA, "Config Manager\\Enum\\C29A3410", &k), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(k, "HardWareKey", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(k);
}

}  // namespace
