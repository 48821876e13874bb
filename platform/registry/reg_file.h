// Registry files: "Windows Registry Editor Version 5.00" text, as regedit and reg.exe read and
// write it. Not a Windows interface: ovtb-machine's reg import/export and the fuzz target use it.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\Ovserp]
//   "ProductID"=dword:00000104
//   "Name"="text"                      REG_SZ: the text and its terminator
//   @="default value"
//   "Settings"=hex:01,02,03,\          REG_BINARY, continued on the next line
//     04,05
//   "Other"=hex(7):61,00,00,00         any type by number (here REG_MULTI_SZ)
//   "Gone"=-                           deletes the value
//   [-HKEY_LOCAL_MACHINE\SOFTWARE\Old] deletes the key and everything below it
//
// Lines starting with ';' are comments. The file is read as bytes (the ANSI code page); a
// UTF-16LE file with its byte order mark is read too when every character fits in a byte.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/registry.h"

namespace ovtb::registry {

struct RegFileValue {
    std::string name;  // "" for the default value (@)
    bool remove = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
    int line = 0;  // where it was read (0 when not read from a file)

    bool operator==(const RegFileValue& o) const {
        return name == o.name && remove == o.remove && type == o.type && data == o.data;
    }
};

struct RegFileKey {
    std::string path;  // full path as written: "HKEY_LOCAL_MACHINE\SYSTEM\..."
    bool remove = false;
    std::vector<RegFileValue> values;
    int line = 0;

    bool operator==(const RegFileKey& o) const {
        return path == o.path && remove == o.remove && values == o.values;
    }
};

struct RegFile {
    std::vector<RegFileKey> keys;
    bool operator==(const RegFile& o) const { return keys == o.keys; }
};

struct RegFileError {
    int line = 0;  // 1-based; 0 when the fault is not on one line
    std::string message;
};

// Splits "HKLM\SYSTEM\X" (or HKEY_LOCAL_MACHINE\, HKEY_DYN_DATA\, HKDD\, or the root alone)
// into its root key and the path below it, and gives the root's full name. False for any other
// root.
bool SplitKeyPath(std::string_view fullPath, HKEY& root, std::string& subPath,
                  std::string& rootName);

// A registry result code in words, for messages ("the key does not exist", the store's own
// error for ERROR_BADDB and ERROR_REGISTRY_IO_FAILED, ...).
std::string RegistryErrorText(LONG code);

// Reads a registry file. False with `error` (naming the line) when it is malformed.
bool ParseRegFile(std::string_view text, RegFile& file, RegFileError& error);

// Writes a registry file (CRLF line ends, as on Windows). A REG_SZ is written as a quoted
// string only when its data is exactly one text and one terminator that a line can hold,
// otherwise as hex(1): with its bytes as stored, so that reading it back gives the same bytes.
// False with `error` for a key or value name that a line cannot hold.
bool FormatRegFile(const RegFile& file, std::string& text, std::string& error);

// Applies a registry file to the registry in one transaction: all of it or, on any failure,
// nothing. ERROR_SUCCESS, else the failing call's code with `error` naming the line.
LONG ImportRegFile(const RegFile& file, RegFileError& error);

// Reads the key `fullPath` and everything below it (keys in enumeration order, each followed
// by its subkeys) in one consistent read. ERROR_FILE_NOT_FOUND when the key does not exist.
LONG ExportRegKey(std::string_view fullPath, RegFile& file, std::string& error);

}  // namespace ovtb::registry
