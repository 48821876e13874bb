// The Win32 registry semantics that the deliverables rely on, against the in-memory store.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/registry/registry.h"
#include "platform/registry/store.h"

namespace {

using ovtb::registry::UseInMemoryStore;

constexpr BYTE kSentinel = 0xAB;

class RegistrySemantics : public ::testing::Test {
  protected:
    void SetUp() override { UseInMemoryStore(); }

    HKEY Create(const char* path) {
        HKEY k = nullptr;
        EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, path, &k), ERROR_SUCCESS) << path;
        return k;
    }
    void Set(HKEY k, const char* name, DWORD type, const void* data, DWORD size) {
        EXPECT_EQ(RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS)
            << name;
    }
};

TEST_F(RegistrySemantics, ValuesKeepTheirExactBytesAndType) {
    HKEY k = Create("SYSTEM\\CurrentControlSet\\Services\\Ovserp\\Parameters");
    const BYTE record[60] = {1, 2, 3, 0, 0xFF};
    DWORD dword = 0x12345678;
    struct Case {
        const char* label;
        const char* name;
        DWORD type;
        std::vector<BYTE> bytes;
    } cases[] = {
        {"REG_SZ without its terminator stays so",
         "DiagDLL",
         REG_SZ,
         {'T', 'B', 'D', 'i', 'a', 'g', '.', 'D', 'L', 'L'}},
        {"REG_SZ with its terminator", "Name", REG_SZ, {'C', 'O', 'M', '5', 0}},
        {"REG_SZ with bytes after the terminator", "Odd", REG_SZ, {'a', 0, 'b'}},
        {"REG_BINARY of 60 bytes", "Settings", REG_BINARY,
         std::vector<BYTE>(record, record + sizeof record)},
        {"REG_DWORD", "ProductID", REG_DWORD,
         std::vector<BYTE>(reinterpret_cast<BYTE*>(&dword), reinterpret_cast<BYTE*>(&dword) + 4)},
        {"REG_MULTI_SZ", "List", REG_MULTI_SZ, {'a', 0, 'b', 'c', 0, 0}},
        {"REG_EXPAND_SZ", "Path", REG_EXPAND_SZ, {'%', 'X', '%', 0}},
        {"an empty REG_BINARY", "Empty", REG_BINARY, {}},
        {"an unknown type number", "Weird", 0x1234, {9}},
        {"the default value", "", REG_SZ, {'d', 0}},
    };
    for (const auto& c : cases)
        Set(k, c.name, c.type, c.bytes.data(), DWORD(c.bytes.size()));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        BYTE buf[100];
        std::memset(buf, kSentinel, sizeof buf);
        DWORD type = 0xDEAD, size = sizeof buf;
        ASSERT_EQ(RegQueryValueExA(k, c.name, nullptr, &type, buf, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, c.type);
        ASSERT_EQ(size, c.bytes.size());
        EXPECT_EQ(std::vector<BYTE>(buf, buf + size), c.bytes);
        EXPECT_EQ(buf[size], kSentinel) << "a byte was written past the value";
    }
    // The default value is also reached with a null name.
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(k, nullptr, nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 2u);
    RegCloseKey(k);
}

TEST_F(RegistrySemantics, NamesCompareWithoutCaseAndKeepTheirCase) {
    HKEY k = Create("Software\\ORVANE\\Driver\\TB-Model");
    DWORD one = 1, two = 2;
    Set(k, "ovkey", REG_DWORD, &one, 4);
    Set(k, "OVKEY", REG_DWORD, &two, 4);  // the same value, set again

    HKEY other = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\orvane\\DRIVER\\tb-model", 0, KEY_READ,
                            &other),
              ERROR_SUCCESS);
    DWORD v = 0, size = 4;
    EXPECT_EQ(
        RegQueryValueExA(other, "OvKey", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(v, 2u);

    char name[32];
    DWORD nameSize = sizeof name;
    ASSERT_EQ(RegEnumValueA(other, 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_STREQ(name, "ovkey") << "the value keeps the case it was created with";
    EXPECT_EQ(nameSize, 5u);
    EXPECT_EQ(RegEnumValueA(other, 1, name, &nameSize, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);

    HKEY driver = nullptr;
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "software\\Orvane\\driver", &driver), ERROR_SUCCESS);
    ASSERT_EQ(RegEnumKeyA(driver, 0, name, sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name, "TB-Model");
    for (HKEY h : {k, other, driver})
        RegCloseKey(h);
}

TEST_F(RegistrySemantics, SizesAndBuffers) {
    HKEY k = Create("Sizes");
    const char text[] = "TBDiag.DLL";
    Set(k, "DiagDLL", REG_SZ, text, 10);

    struct Case {
        const char* label;
        bool withBuffer;
        DWORD bufferSize;
        LONG result;
        DWORD sizeAfter;
        bool written;
    } cases[] = {
        {"a null data pointer gives the size", false, 0, ERROR_SUCCESS, 10, false},
        {"a buffer too small gives ERROR_MORE_DATA and the size", true, 9, ERROR_MORE_DATA, 10,
         false},
        {"an empty buffer gives ERROR_MORE_DATA and the size", true, 0, ERROR_MORE_DATA, 10, false},
        {"a buffer of exactly the size is filled", true, 10, ERROR_SUCCESS, 10, true},
        {"a larger buffer is filled and the size set", true, 240, ERROR_SUCCESS, 10, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        BYTE buf[240];
        std::memset(buf, kSentinel, sizeof buf);
        DWORD size = c.bufferSize, type = 0;
        EXPECT_EQ(
            RegQueryValueExA(k, "DiagDLL", nullptr, &type, c.withBuffer ? buf : nullptr, &size),
            c.result);
        EXPECT_EQ(size, c.sizeAfter);
        EXPECT_EQ(type, REG_SZ);
        if (c.written) {
            EXPECT_EQ(std::memcmp(buf, text, 10), 0);
            EXPECT_EQ(buf[10], kSentinel);
        } else {
            EXPECT_EQ(buf[0], kSentinel) << "nothing may be written";
        }
    }
    BYTE buf[4];
    EXPECT_EQ(RegQueryValueExA(k, "DiagDLL", nullptr, nullptr, buf, nullptr),
              ERROR_INVALID_PARAMETER);
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExA(k, "Missing", nullptr, nullptr, buf, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(k);
}

TEST_F(RegistrySemantics, CreateOpensAnExistingKey) {
    HKEY first = nullptr, second = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "A\\B\\C", 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &first, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    DWORD v = 7;
    Set(first, "V", REG_DWORD, &v, 4);
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "a\\b\\c", 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &second, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_NE(first, second) << "each open gives its own handle";
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExA(second, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size),
              ERROR_SUCCESS);
    // Created intermediate keys exist; an existing key is opened by RegCreateKeyA too.
    HKEY mid = nullptr;
    EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "A\\B", &mid), ERROR_SUCCESS);
    char name[8];
    EXPECT_EQ(RegEnumKeyA(mid, 0, name, sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name, "C");
    EXPECT_EQ(RegEnumKeyA(mid, 1, name, sizeof name), ERROR_NO_MORE_ITEMS);
    for (HKEY h : {first, second, mid})
        RegCloseKey(h);
}

TEST_F(RegistrySemantics, WritesThroughAReadHandleAreDenied) {
    RegCloseKey(Create("Svc\\Child"));
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Svc", 0, KEY_READ, &k), ERROR_SUCCESS);
    DWORD v = 1;
    HKEY sub = nullptr;
    EXPECT_EQ(RegSetValueExA(k, "X", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(k, "X"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExA(k, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(sub, nullptr);
    EXPECT_EQ(RegDeleteKeyA(k, "Child"), ERROR_ACCESS_DENIED);
    // Opening an existing subkey through it is a read.
    EXPECT_EQ(RegCreateKeyExA(k, "Child", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(sub);
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExA(k, "X", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND)
        << "the denied write left nothing";
    RegCloseKey(k);
}

TEST_F(RegistrySemantics, ClosedAndUnknownHandlesAreInvalid) {
    HKEY k = Create("Closing");
    EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
    DWORD size = 0, v = 0;
    char name[8];
    HKEY sub = nullptr;
    EXPECT_EQ(RegQueryValueExA(k, "", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegSetValueExA(k, "", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4),
              ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegEnumKeyA(k, 0, name, sizeof name), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegOpenKeyA(k, "x", &sub), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(k), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(0x4242)), ERROR_INVALID_HANDLE);
    // The predefined keys need no opening and survive a close.
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Closing", &sub), ERROR_SUCCESS);
    RegCloseKey(sub);
    // Choosing a store again invalidates every open handle.
    k = Create("Again");
    UseInMemoryStore();
    EXPECT_EQ(RegCloseKey(k), ERROR_INVALID_HANDLE);
}

TEST_F(RegistrySemantics, OpeningWhatIsMissingFails) {
    RegCloseKey(Create("Config Manager\\Enum\\C29A3410"));
    HKEY k = reinterpret_cast<HKEY>(0x1);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Config Manager\\Nope", 0, KEY_READ, &k),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(k, nullptr);
    EXPECT_EQ(RegOpenKeyA(HKEY_DYN_DATA, "Config Manager\\Enum", &k), ERROR_FILE_NOT_FOUND)
        << "the two roots are apart";
    // A trailing backslash names the same key.
    ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Config Manager\\Enum\\", &k), ERROR_SUCCESS);
    RegCloseKey(k);
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "x", nullptr), ERROR_INVALID_PARAMETER);
    const BYTE byte = 0;
    EXPECT_EQ(RegSetValueExA(HKEY_LOCAL_MACHINE, "Huge", 0, REG_BINARY, &byte, 0xFFFFFFFFu),
              ERROR_INVALID_PARAMETER)
        << "a size that cannot be right is refused before anything reads the data";
    std::string tooLong(300, 'k');
    EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, tooLong.c_str(), &k), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistrySemantics, EnumerationOrder) {
    // Subkeys come sorted by name without regard to case, values in the order of creation.
    HKEY k = Create("Order");
    for (const char* n : {"port010", "Port002", "port001", "_x", "B"}) {
        HKEY sub = nullptr;
        ASSERT_EQ(RegCreateKeyA(k, n, &sub), ERROR_SUCCESS);
        RegCloseKey(sub);
    }
    std::vector<std::string> keys;
    char name[260];
    DWORD i = 0;
    for (LONG r; (r = RegEnumKeyA(k, i, name, sizeof name)) != ERROR_NO_MORE_ITEMS; ++i) {
        ASSERT_EQ(r, ERROR_SUCCESS);
        keys.push_back(name);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"B", "port001", "Port002", "port010", "_x"}));

    DWORD v = 0;
    for (const char* n : {"zeta", "Alpha", "mid"})
        Set(k, n, REG_DWORD, &v, 4);
    Set(k, "ZETA", REG_DWORD, &v, 4);  // setting again keeps its place
    ASSERT_EQ(RegDeleteValueA(k, "alpha"), ERROR_SUCCESS);
    Set(k, "Alpha", REG_DWORD, &v, 4);  // deleted and set again: now last
    std::vector<std::string> values;
    for (DWORD j = 0;; ++j) {
        DWORD nameSize = sizeof name;
        LONG r = RegEnumValueA(k, j, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS)
            break;
        ASSERT_EQ(r, ERROR_SUCCESS);
        values.push_back(name);
    }
    EXPECT_EQ(values, (std::vector<std::string>{"zeta", "mid", "Alpha"}));
    RegCloseKey(k);
}

TEST_F(RegistrySemantics, EnumerationBuffersTooSmall) {
    HKEY k = Create("Small");
    HKEY sub = nullptr;
    ASSERT_EQ(RegCreateKeyA(k, "LongName", &sub), ERROR_SUCCESS);
    RegCloseKey(sub);
    const BYTE data[6] = {1, 2, 3, 4, 5, 6};
    Set(k, "Value", REG_BINARY, data, 6);

    char name[16];
    std::memset(name, kSentinel, sizeof name);
    EXPECT_EQ(RegEnumKeyA(k, 0, name, 8), ERROR_MORE_DATA) << "no room for the terminator";
    EXPECT_EQ(static_cast<BYTE>(name[0]), kSentinel);
    EXPECT_EQ(RegEnumKeyA(k, 0, name, 9), ERROR_SUCCESS);

    DWORD nameSize = 5, type = 0;
    BYTE buf[8];
    DWORD size = sizeof buf;
    EXPECT_EQ(RegEnumValueA(k, 0, name, &nameSize, nullptr, &type, buf, &size), ERROR_MORE_DATA);
    EXPECT_EQ(nameSize, 5u);
    nameSize = sizeof name;
    size = 2;
    EXPECT_EQ(RegEnumValueA(k, 0, name, &nameSize, nullptr, &type, buf, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u) << "the data size needed";
    nameSize = sizeof name;
    size = sizeof buf;
    ASSERT_EQ(RegEnumValueA(k, 0, name, &nameSize, nullptr, &type, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(std::memcmp(buf, data, 6), 0);
    RegCloseKey(k);
}

TEST_F(RegistrySemantics, DeletingKeysAndValues) {
    HKEY k = Create("Del\\Parent\\Child");
    DWORD v = 3;
    Set(k, "V", REG_DWORD, &v, 4);
    RegCloseKey(k);
    HKEY del = Create("Del");
    // As on the NT family, a key that has subkeys is not deleted.
    EXPECT_EQ(RegDeleteKeyA(del, "Parent"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(del, "parent\\CHILD"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(del, "Parent\\Child"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(del, "Parent"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, ""), ERROR_ACCESS_DENIED) << "a root stays";
    // A key recreated under the old name starts empty.
    k = Create("Del\\Parent\\Child");
    DWORD size = 4;
    EXPECT_EQ(RegQueryValueExA(k, "V", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(k, "V"), ERROR_FILE_NOT_FOUND);
    Set(k, "W", REG_DWORD, &v, 4);
    EXPECT_EQ(RegDeleteValueA(k, "w"), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(k, "W", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(k);

    // The tools' tree deletion takes everything below.
    EXPECT_EQ(ovtb::registry::DeleteKeyTree(del, "Parent"), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyA(del, "Parent\\Child", &k), ERROR_FILE_NOT_FOUND);
    char name[8];
    EXPECT_EQ(RegEnumKeyA(del, 0, name, sizeof name), ERROR_NO_MORE_ITEMS);
    RegCloseKey(del);
}

TEST_F(RegistrySemantics, AHandleToADeletedKey) {
    HKEY k = Create("Gone");
    ASSERT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Gone"), ERROR_SUCCESS);
    DWORD v = 1;
    EXPECT_EQ(RegSetValueExA(k, "V", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4),
              ERROR_KEY_DELETED);
    HKEY sub = nullptr;
    EXPECT_EQ(RegCreateKeyA(k, "Sub", &sub), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
}

TEST_F(RegistrySemantics, ATransactionIsAllOrNothing) {
    DWORD v = 1;
    {
        ovtb::registry::StoreTransaction tx;
        ASSERT_EQ(tx.Begin(), ERROR_SUCCESS);
        HKEY k = Create("Tx\\Undone");
        Set(k, "V", REG_DWORD, &v, 4);
        RegCloseKey(k);
    }  // not committed
    HKEY k = nullptr;
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Tx", &k), ERROR_FILE_NOT_FOUND);
    {
        ovtb::registry::StoreTransaction tx;
        ASSERT_EQ(tx.Begin(), ERROR_SUCCESS);
        ovtb::registry::StoreTransaction nested;
        EXPECT_EQ(nested.Begin(), ERROR_INVALID_PARAMETER);
        RegCloseKey(Create("Tx\\Done"));
        ASSERT_EQ(tx.Commit(), ERROR_SUCCESS);
    }
    EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "Tx\\Done", &k), ERROR_SUCCESS);
    RegCloseKey(k);
}

}  // namespace
