#include "platform/version/version_resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/version/version_writer.h"

namespace ovtb::version {
namespace {

VersionText Sample(std::string productVersion) {
    VersionText t;
    t.productVersion = productVersion;
    t.fileVersion = "4.10.1998";
    t.strings = {{"CompanyName", "ORVANE"},
                 {"FileVersion", "4.10.1998"},
                 {"ProductVersion", productVersion}};
    return t;
}

std::string TextAt(Bytes r, const Value& v, Form form) {
    std::string s;
    if (form == Form::Ansi16) {
        for (std::size_t i = 0; i < v.size && r[v.offset + i]; ++i)
            s += char(r[v.offset + i]);
    } else {
        for (std::size_t i = 0; 2 * i + 1 < v.size; ++i) {
            char16_t u = char16_t(r[v.offset + 2 * i] | r[v.offset + 2 * i + 1] << 8);
            if (!u)
                break;
            s += ToCodePage1252(u);
        }
    }
    return s;
}

std::uint32_t U32At(Bytes r, std::size_t at) {
    return r[at] | r[at + 1] << 8 | r[at + 2] << 16 | std::uint32_t(r[at + 3]) << 24;
}

struct FormCase {
    const char* name;
    FileForm file;
    Form form;
};
const FormCase kForms[] = {
    {"bare 16-bit", FileForm::Ansi, Form::Ansi16},
    {"bare 32-bit", FileForm::Unicode, Form::Unicode32},
    {"PE", FileForm::Pe, Form::Unicode32},
    {"NE", FileForm::Ne, Form::Ansi16},
    {"LE", FileForm::Le, Form::Ansi16},
};

TEST(VersionResource, EveryFileFormGivesItsStringsFixedInfoAndTranslation) {
    for (const auto& c : kForms) {
        SCOPED_TRACE(c.name);
        auto file = BuildVersionFile(Sample("5.2"), c.file);
        auto r = FindVersionResource(file);
        ASSERT_TRUE(r);
        auto root = ReadRoot(*r);
        ASSERT_TRUE(root);
        EXPECT_EQ(root->form, c.form);

        auto pv = FindValue(*r, "\\StringFileInfo\\040904E4\\ProductVersion");
        ASSERT_TRUE(pv);
        EXPECT_TRUE(pv->text);
        EXPECT_EQ(TextAt(*r, *pv, c.form), "5.2");
        // Keys compare without regard to case, the leading separator is optional.
        auto company = FindValue(*r, "stringfileinfo\\040904e4\\companyname");
        ASSERT_TRUE(company);
        EXPECT_EQ(TextAt(*r, *company, c.form), "ORVANE");

        auto fixed = FindValue(*r, "\\");
        ASSERT_TRUE(fixed);
        EXPECT_FALSE(fixed->text);
        ASSERT_EQ(fixed->size, 52u);
        EXPECT_EQ(U32At(*r, fixed->offset), 0xFEEF04BDu);
        EXPECT_EQ(U32At(*r, fixed->offset + 8), 0x0004000Au);   // file 4.10
        EXPECT_EQ(U32At(*r, fixed->offset + 12), 0x07CE0000u);  // .1998.0
        EXPECT_EQ(U32At(*r, fixed->offset + 16), 0x00050002u);  // product 5.2

        auto tr = FindValue(*r, "\\VarFileInfo\\Translation");
        ASSERT_TRUE(tr);
        EXPECT_FALSE(tr->text);
        ASSERT_EQ(tr->size, 4u);
        EXPECT_EQ(U32At(*r, tr->offset), 0x04E40409u);

        EXPECT_FALSE(FindValue(*r, "\\StringFileInfo\\040904B0\\ProductVersion"));
        EXPECT_FALSE(FindValue(*r, "\\StringFileInfo\\040904E4\\ProductName"));
        EXPECT_FALSE(FindValue(*r, "\\StringFileInfo\\040904E4\\ProductVersion\\More"));
    }
}

TEST(VersionResource, UnicodeTextsConvertToCodePage1252) {
    auto file =
        BuildVersionFile(Sample("5.2 \xC2\xA9 \xE2\x82\xAC \xE4\xB8\xAD"), FileForm::Unicode);
    auto r = FindVersionResource(file);
    ASSERT_TRUE(r);
    auto pv = FindValue(*r, "\\StringFileInfo\\040904E4\\ProductVersion");
    ASSERT_TRUE(pv);
    EXPECT_EQ(TextAt(*r, *pv, Form::Unicode32), "5.2 \xA9 \x80 ?");
}

TEST(VersionResource, FilesWithoutAResourceAreRefused) {
    const std::vector<std::vector<std::uint8_t>> files = {
        {},
        {'M', 'Z'},
        std::vector<std::uint8_t>(0x40, 0),
        // An MZ header whose e_lfanew points past the end.
        [] {
            std::vector<std::uint8_t> f(0x40, 0);
            f[0] = 'M';
            f[1] = 'Z';
            f[0x3C] = 0xFF;
            f[0x3D] = 0xFF;
            return f;
        }(),
    };
    for (const auto& f : files)
        EXPECT_FALSE(FindVersionResource(f));
}

// Every cut of a well-formed file is either refused or read within the bytes kept.
TEST(VersionResource, TruncatedFilesAreReadWithinTheirBytes) {
    for (const auto& c : kForms) {
        SCOPED_TRACE(c.name);
        auto file = BuildVersionFile(Sample("5.2"), c.file);
        for (std::size_t n = 0; n < file.size(); ++n) {
            std::vector<std::uint8_t> cut(file.begin(), file.begin() + n);
            auto r = FindVersionResource(cut);
            if (!r)
                continue;
            ASSERT_GE(r->data(), cut.data());
            ASSERT_LE(r->data() + r->size(), cut.data() + cut.size());
            for (const char* path : {"\\", "\\StringFileInfo\\040904E4\\ProductVersion",
                                     "\\VarFileInfo\\Translation"}) {
                if (auto v = FindValue(*r, path)) {
                    ASSERT_LE(v->offset + v->size, r->size()) << path;
                }
            }
        }
    }
}

TEST(VersionResource, AValueLongerThanItsBlockIsCutAtTheBlock) {
    auto file = BuildVersionFile(Sample("5.2"), FileForm::Unicode);
    std::u16string key = u"ProductVersion";
    std::vector<std::uint8_t> needle;
    for (char16_t u : key) {
        needle.push_back(std::uint8_t(u));
        needle.push_back(0);
    }
    auto at = std::search(file.begin(), file.end(), needle.begin(), needle.end());
    ASSERT_NE(at, file.end());
    const std::size_t block = std::size_t(at - file.begin()) - 6;
    file[block + 2] = 200;  // wValueLength: 200 characters in a block that holds 4
    auto v = FindValue(file, "\\StringFileInfo\\040904E4\\ProductVersion");
    ASSERT_TRUE(v);
    const std::size_t blockLength = file[block] | file[block + 1] << 8;
    EXPECT_EQ(v->offset + v->size, block + blockLength);
    EXPECT_EQ(TextAt(file, *v, Form::Unicode32), "5.2");
}

}  // namespace
}  // namespace ovtb::version
