// The Win32 operating system version and file version interfaces (kernel32's GetVersion,
// GetVersionExA and GetSystemDirectoryA; version.dll's GetFileVersionInfoSizeA,
// GetFileVersionInfoA and VerQueryValueA) over the current machine.
//
// The operating system version comes from the machine's registry (platform/machine). File names
// are Windows paths on drive C: ("C:\WINDOWS\SYSTEM\ovtbdrv.vxd"), mapped into the machine's
// drive_c without regard to letter case. A file's version resource is found in a PE, NE or LE
// file, or in a file that holds the bare resource; both the 16-bit (ANSI) and the 32-bit
// (Unicode) forms are read. Results follow Windows: the BOOL functions return nonzero on success
// and FALSE on failure; the size functions return 0 on failure. No last-error code is kept.
#pragma once

#include "platform/common/windef.h"

// GetVersionExA's structure; dwOSVersionInfoSize must be set to its size (148) by the caller.
struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};
using LPOSVERSIONINFOA = OSVERSIONINFOA*;

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;  // Windows 95/98/Me
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;       // Windows NT 4.0, 2000

constexpr UINT MAX_PATH = 260;

// The root value of a version resource ("\"), 13 little-endian DWORDs.
struct VS_FIXEDFILEINFO {
    DWORD dwSignature;  // VS_FFI_SIGNATURE
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};
constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;

// Low byte: major version; next byte: minor version; high word: build number on the NT family.
// Bit 31 is set on Windows 9x (its high word then carries the build number's low 15 bits).
DWORD GetVersion();

// Fills the structure; FALSE when it is null or dwOSVersionInfoSize is not 148. On Windows 9x
// dwBuildNumber holds the major and minor version in its high word, as there.
BOOL GetVersionExA(LPOSVERSIONINFOA info);

// Copies the system directory (C:\WINNT\System32, C:\WINDOWS\SYSTEM on 9x) with its terminator
// and returns its length without the terminator; when `size` is too small, writes nothing and
// returns the size needed including the terminator. 0 when `buffer` is null and size is not 0.
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);

// The number of bytes that GetFileVersionInfoA needs for the file's version information, or 0
// when the file does not exist, cannot be read or holds no well-formed version resource.
// `handle` (may be null) is set to 0.
DWORD GetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle);

// Copies the file's version information into `data`. FALSE when the file has none, or when
// `length` is smaller than what GetFileVersionInfoSizeA returned (nothing is written then).
BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD length, LPVOID data);

// Looks up `subBlock` in version information filled by GetFileVersionInfoA:
//   "\"                                 the VS_FIXEDFILEINFO (length 52)
//   "\VarFileInfo\Translation"          the language and code page pairs (length in bytes)
//   "\StringFileInfo\040904E4\Name"     a zero-terminated ANSI text (length in characters,
//                                       terminator included, as stored)
// Key names compare without regard to case. Texts of the 32-bit form are handed out converted
// to code page 1252, in the spare room of the caller's buffer. FALSE when the path names no
// value or the information is malformed.
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length);
