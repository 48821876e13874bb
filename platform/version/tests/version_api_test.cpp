#include "platform/version/version.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/machine/machine.h"
#include "platform/version/version_writer.h"

namespace {

namespace fs = std::filesystem;

class VersionApi : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("ovtb-version-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "drive_c" / "WINDOWS" / "SYSTEM");
        ovtb::machine::SetMachineDir(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    void Write(const char* name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream out(dir_ / "drive_c" / "WINDOWS" / "SYSTEM" / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }

    fs::path dir_;
};

std::vector<std::uint8_t> VersionFile(const char* productVersion, ovtb::version::FileForm form) {
    ovtb::version::VersionText t;
    t.productVersion = productVersion;
    t.strings = {{"ProductVersion", productVersion}};
    return ovtb::version::BuildVersionFile(t, form);
}

TEST_F(VersionApi, ProductVersionIsReadThroughTheThreeCallsInEveryForm) {
    using ovtb::version::FileForm;
    for (FileForm form :
         {FileForm::Ansi, FileForm::Unicode, FileForm::Pe, FileForm::Ne, FileForm::Le}) {
        Write("ovtbdrv.vxd", VersionFile("1.23b", form));
        DWORD handle = 7;
        // Path components match without regard to case.
        DWORD size = GetFileVersionInfoSizeA("C:\\windows\\system\\OVTBDRV.VXD", &handle);
        ASSERT_GT(size, 0u);
        EXPECT_EQ(handle, 0u);
        std::vector<std::uint8_t> info(size, 0xAB);
        ASSERT_TRUE(GetFileVersionInfoA("C:\\WINDOWS\\SYSTEM\\ovtbdrv.vxd", 0, size, info.data()));
        LPVOID text = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904E4\\ProductVersion", &text,
                                   &length));
        EXPECT_STREQ(static_cast<const char*>(text), "1.23b");
        EXPECT_EQ(length, 6u);
        // The text lies within the caller's buffer.
        auto* p = static_cast<std::uint8_t*>(text);
        EXPECT_GE(p, info.data());
        EXPECT_LE(p + length, info.data() + info.size());

        LPVOID fixed = nullptr;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\", &fixed, &length));
        EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
        DWORD signature;
        std::memcpy(&signature, fixed, 4);
        EXPECT_EQ(signature, VS_FFI_SIGNATURE);
    }
}

TEST_F(VersionApi, MissingFilesAndFilesWithoutResourceGiveZero) {
    Write("plain.vxd", std::vector<std::uint8_t>(100, 0x90));
    for (const char* name : {"C:\\WINDOWS\\SYSTEM\\absent.vxd", "C:\\WINDOWS\\SYSTEM\\plain.vxd",
                             "C:\\WINDOWS\\SYSTEM", "D:\\ovtbdrv.vxd", "relative.vxd"}) {
        DWORD handle = 7;
        EXPECT_EQ(GetFileVersionInfoSizeA(name, &handle), 0u) << name;
        std::vector<std::uint8_t> info(64, 0xAB);
        EXPECT_FALSE(GetFileVersionInfoA(name, 0, DWORD(info.size()), info.data())) << name;
    }
    EXPECT_EQ(GetFileVersionInfoSizeA(nullptr, nullptr), 0u);
}

TEST_F(VersionApi, ABufferSmallerThanTheSizeIsRefusedUntouched) {
    Write("ovtbdrv.vxd", VersionFile("4.0", ovtb::version::FileForm::Unicode));
    DWORD size = GetFileVersionInfoSizeA("C:\\WINDOWS\\SYSTEM\\ovtbdrv.vxd", nullptr);
    ASSERT_GT(size, 0u);
    std::vector<std::uint8_t> info(size, 0xAB);
    EXPECT_FALSE(GetFileVersionInfoA("C:\\WINDOWS\\SYSTEM\\ovtbdrv.vxd", 0, size - 1, info.data()));
    for (auto b : info)
        ASSERT_EQ(b, 0xAB);
}

TEST_F(VersionApi, QueriesForMissingKeysFail) {
    Write("ovtbdrv.vxd", VersionFile("4.0", ovtb::version::FileForm::Ansi));
    DWORD size = GetFileVersionInfoSizeA("C:\\WINDOWS\\SYSTEM\\ovtbdrv.vxd", nullptr);
    std::vector<std::uint8_t> info(size);
    ASSERT_TRUE(GetFileVersionInfoA("C:\\WINDOWS\\SYSTEM\\ovtbdrv.vxd", 0, size, info.data()));
    LPVOID p = nullptr;
    UINT n = 0;
    EXPECT_FALSE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904B0\\ProductVersion", &p, &n));
    EXPECT_FALSE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904E4\\Comments", &p, &n));
    EXPECT_FALSE(VerQueryValueA(info.data(), nullptr, &p, &n));
    EXPECT_FALSE(VerQueryValueA(nullptr, "\\", &p, &n));
}

TEST_F(VersionApi, SystemDirectoryAndVersionFollowTheMachine) {
    char buffer[MAX_PATH];
    std::memset(buffer, 0xAB, sizeof buffer);
    const std::string expected = ovtb::machine::ReadOsVersion().systemDirectory;
    EXPECT_EQ(GetSystemDirectoryA(buffer, 3), expected.size() + 1);
    EXPECT_EQ(static_cast<unsigned char>(buffer[0]), 0xAB);
    EXPECT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), expected.size());
    EXPECT_EQ(buffer, expected);

    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info - 1;
    EXPECT_FALSE(GetVersionExA(&info));
    EXPECT_FALSE(GetVersionExA(nullptr));
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    const auto v = ovtb::machine::ReadOsVersion();
    EXPECT_EQ(info.dwMajorVersion, v.major);
    EXPECT_EQ(info.dwMinorVersion, v.minor);
    const DWORD packed = GetVersion();
    EXPECT_EQ(packed & 0xFF, v.major);
    EXPECT_EQ(packed >> 8 & 0xFF, v.minor);
    if (v.family == ovtb::machine::OsFamily::Windows9x) {
        EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_WINDOWS);
        EXPECT_NE(packed & 0x80000000u, 0u);
    } else {
        EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
        EXPECT_EQ(packed & 0x80000000u, 0u);
        EXPECT_EQ(info.dwBuildNumber, v.build);
    }
}

}  // namespace
