#include "platform/version/version.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

#include "platform/machine/machine.h"
#include "platform/version/version_resource.h"

namespace {

using ovtb::version::Bytes;
using ovtb::version::Form;

// A version resource larger than this is not one (its root length is a WORD anyway); files are
// read up to this many bytes past the start of the resource search.
constexpr std::uintmax_t kMaxFileBytes = 64u << 20;

std::optional<std::vector<std::uint8_t>> ReadMachineFile(LPCSTR fileName) {
    if (fileName == nullptr)
        return std::nullopt;
    auto path = ovtb::machine::MapWindowsPath(fileName);
    if (!path)
        return std::nullopt;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(*path, ec))
        return std::nullopt;
    auto size = std::filesystem::file_size(*path, ec);
    if (ec || size > kMaxFileBytes)
        return std::nullopt;
    std::ifstream in(*path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::uintmax_t>(in.gcount()) != size)
        return std::nullopt;
    return bytes;
}

// The information handed to the caller is the resource as stored, then a spare area of the same
// size (and 4 bytes more) where VerQueryValueA places zero-terminated ANSI copies of texts: a
// text stored at offset o of the resource is copied to spare offset o, which never overlaps the
// copy of another text and always has room for the terminator.
std::size_t SpareStart(std::size_t resourceLength) {
    return (resourceLength + 3) & ~std::size_t{3};
}
std::size_t InfoSize(std::size_t resourceLength) {
    return 2 * SpareStart(resourceLength) + 4;
}

}  // namespace

DWORD GetVersion() {
    const auto v = ovtb::machine::ReadOsVersion();
    DWORD low = (v.major & 0xFF) | (v.minor & 0xFF) << 8;
    if (v.family == ovtb::machine::OsFamily::Windows9x) {
        return 0x80000000u | (v.build & 0x7FFF) << 16 | low;
    }
    return (v.build & 0xFFFF) << 16 | low;
}

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
    if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA))
        return FALSE;
    const auto v = ovtb::machine::ReadOsVersion();
    info->dwMajorVersion = v.major;
    info->dwMinorVersion = v.minor;
    std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
    if (v.family == ovtb::machine::OsFamily::Windows9x) {
        info->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
        info->dwBuildNumber = (v.major & 0xFF) << 24 | (v.minor & 0xFF) << 16 | (v.build & 0xFFFF);
    } else {
        info->dwPlatformId = VER_PLATFORM_WIN32_NT;
        info->dwBuildNumber = v.build;
    }
    return TRUE;
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
    const std::string dir = ovtb::machine::ReadOsVersion().systemDirectory;
    const UINT needed = static_cast<UINT>(dir.size() + 1);
    if (size < needed)
        return needed;
    if (buffer == nullptr)
        return 0;
    std::memcpy(buffer, dir.c_str(), needed);
    return needed - 1;
}

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle) {
    if (handle != nullptr)
        *handle = 0;
    auto file = ReadMachineFile(fileName);
    if (!file)
        return 0;
    auto resource = ovtb::version::FindVersionResource(*file);
    if (!resource)
        return 0;
    return static_cast<DWORD>(InfoSize(resource->size()));
}

BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD, DWORD length, LPVOID data) {
    if (data == nullptr)
        return FALSE;
    auto file = ReadMachineFile(fileName);
    if (!file)
        return FALSE;
    auto resource = ovtb::version::FindVersionResource(*file);
    if (!resource)
        return FALSE;
    const std::size_t size = InfoSize(resource->size());
    if (length < size)
        return FALSE;
    auto* out = static_cast<std::uint8_t*>(data);
    std::memset(out, 0, size);
    std::memcpy(out, resource->data(), resource->size());
    return TRUE;
}

BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length) {
    if (block == nullptr || subBlock == nullptr || buffer == nullptr)
        return FALSE;
    auto* base = static_cast<const std::uint8_t*>(block);
    const std::size_t resourceLength = static_cast<std::size_t>(base[0] | base[1] << 8);
    Bytes resource(base, resourceLength);
    auto root = ovtb::version::ReadRoot(resource);
    if (!root)
        return FALSE;
    auto value = ovtb::version::FindValue(resource, subBlock);
    if (!value)
        return FALSE;
    if (!value->text) {
        if (value->size == 0)
            return FALSE;
        *buffer = const_cast<std::uint8_t*>(base + value->offset);
        if (length != nullptr)
            *length = static_cast<UINT>(value->size);
        return TRUE;
    }
    // Texts: a zero-terminated ANSI copy in the spare area.
    auto* spare = const_cast<std::uint8_t*>(base) + SpareStart(resourceLength) + value->offset;
    std::size_t n = 0;
    if (root->form == Form::Unicode32) {
        for (std::size_t i = 0; 2 * i + 1 < value->size; ++i) {
            char16_t unit = static_cast<char16_t>(base[value->offset + 2 * i] |
                                                  base[value->offset + 2 * i + 1] << 8);
            if (unit == 0)
                break;
            spare[n++] = static_cast<std::uint8_t>(ovtb::version::ToCodePage1252(unit));
        }
    } else {
        for (std::size_t i = 0; i < value->size; ++i) {
            if (base[value->offset + i] == 0)
                break;
            spare[n++] = base[value->offset + i];
        }
    }
    spare[n] = 0;
    *buffer = spare;
    if (length != nullptr)
        *length = static_cast<UINT>(n + 1);
    return TRUE;
}
