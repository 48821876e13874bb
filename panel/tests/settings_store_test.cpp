#include "panel/settings_store.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "catalog/board_catalog.h"
#include "panel/board_config.h"
#include "panel/tests/registry_call_log.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"

namespace ovtb::panel {
namespace {

namespace cat = catalog;
using testing::RegistryCallsOf;
using testing::RegistryLog;

const std::string kService = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\Ovserp";
const std::string kParameters = kService + "\\Parameters";
const std::string kDriver = "HKLM\\Software\\ORVANE\\Driver";

// A fresh in-memory registry; with `serviceKeys` the driver's installation has left the
// service key and its Parameters key. The call log starts empty.
class SettingsStore : public ::testing::Test {
  protected:
    void SetUp() override { Fresh(true); }

    void Fresh(bool serviceKeys) {
        ovtb::registry::UseInMemoryStore();
        testing::ResetRegistryLog();
        if (serviceKeys) {
            HKEY key = nullptr;
            ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, cat::OVSERP_PARAMETERS_KEY_PATH, &key),
                      ERROR_SUCCESS);
            RegCloseKey(key);
        }
        testing::ResetRegistryLog();
    }

    void TearDown() override {
        EXPECT_TRUE(testing::OpenRegistryKeys().empty()) << "a key was left open";
    }

    // The value's type and bytes as the store holds them; type REG_NONE and no bytes when the
    // key or the value is missing. Not logged.
    static std::pair<DWORD, std::vector<BYTE>> Stored(const char* keyPath, const char* name) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
            return {REG_NONE, {}};
        }
        std::vector<BYTE> data(1024);
        DWORD type = REG_NONE;
        DWORD size = static_cast<DWORD>(data.size());
        if (RegQueryValueExA(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) {
            type = REG_NONE;
            size = 0;
        }
        RegCloseKey(key);
        data.resize(size);
        return {type, data};
    }

    static void SetSettings(std::size_t length) {
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, cat::OVSERP_PARAMETERS_KEY_PATH, 0,
                                KEY_ALL_ACCESS, &key),
                  ERROR_SUCCESS);
        std::vector<BYTE> data(length, 0x5A);
        ASSERT_EQ(RegSetValueExA(key, cat::SETTINGS_VALUE, 0, REG_BINARY, data.data(),
                                 static_cast<DWORD>(length)),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }

    // Leaves the store alone, but forgets the test's own setup calls.
    static void ForgetSetup() {
        auto open = testing::OpenRegistryKeys();
        ASSERT_TRUE(open.empty());
        testing::ResetRegistryLog();
    }
};

TEST_F(SettingsStore, ReadTakesWhatFitsIn240BytesAndFailsOnALongerValue) {
    struct Case {
        std::size_t length;
        DWORD bytesRead;
        std::size_t records;
    };
    for (const Case c : {Case{59, 59, 0}, {119, 119, 1}, {240, 240, 4}, {241, 0, 0}, {0, 0, 0}}) {
        SCOPED_TRACE(c.length);
        Fresh(true);
        SetSettings(c.length);
        ForgetSetup();

        std::array<std::uint8_t, cat::SETTINGS_READ_BYTES> buffer{};
        const DWORD read = ReadSettings(buffer);
        EXPECT_EQ(read, c.bytesRead);
        EXPECT_EQ(cat::DecodeSettingsValue(std::span(buffer).first(read)).size(), c.records);

        ASSERT_EQ(RegistryLog().size(), 3u);
        const auto& open = RegistryLog()[0];
        EXPECT_EQ(open.op, "RegOpenKeyExA");
        EXPECT_EQ(open.key, kParameters);
        EXPECT_EQ(open.options, 0u);
        EXPECT_EQ(open.access, KEY_READ);
        const auto& query = RegistryLog()[1];
        EXPECT_EQ(query.op, "RegQueryValueExA");
        EXPECT_EQ(query.value, "Settings");
        EXPECT_EQ(query.size, 240u);
        EXPECT_EQ(RegistryLog()[2].op, "RegCloseKey");
    }
}

TEST_F(SettingsStore, ReadIgnoresTheValuesTypeAndFindsNothingWithoutTheKey) {
    HKEY key = nullptr;
    ASSERT_EQ(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, cat::OVSERP_PARAMETERS_KEY_PATH, 0, KEY_ALL_ACCESS, &key),
        ERROR_SUCCESS);
    const BYTE text[] = "sixty";
    RegSetValueExA(key, "Settings", 0, REG_SZ, text, 5);
    RegCloseKey(key);
    std::array<std::uint8_t, cat::SETTINGS_READ_BYTES> buffer{};
    EXPECT_EQ(ReadSettings(buffer), 5u);

    Fresh(true);  // Parameters key, no value
    EXPECT_EQ(ReadSettings(buffer), 0u);
    Fresh(false);  // no key at all
    EXPECT_EQ(ReadSettings(buffer), 0u);
    EXPECT_EQ(RegistryLog().size(), 1u) << "nothing but the failed open";
}

TEST_F(SettingsStore, WriteReplacesSettingsAndThenWritesTheProductId) {
    BoardConfig pci;
    pci.busKind = cat::BUS_PCI;
    pci.typeCode = 0x2020;
    pci.pciDeviceId = 0x5920;
    pci.portCount = 2;
    const std::vector<cat::SettingsRecord> records = {BoardConfig().ToSettingsRecord(),
                                                      pci.ToSettingsRecord()};
    EXPECT_NE(WriteSettings(records), 0);

    const auto sets = RegistryCallsOf("RegSetValueExA");
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].key, kParameters);
    EXPECT_EQ(sets[0].value, "Settings");
    EXPECT_EQ(sets[0].type, REG_BINARY);
    EXPECT_EQ(sets[0].size, 120u);
    EXPECT_EQ(sets[1].key, kService);
    EXPECT_EQ(sets[1].value, "ProductID");
    EXPECT_EQ(sets[1].type, REG_DWORD);
    EXPECT_EQ(sets[1].data, (std::vector<BYTE>{0, 0, 0, 0}));
    for (const auto& open : RegistryCallsOf("RegOpenKeyExA")) {
        EXPECT_EQ(open.access, KEY_ALL_ACCESS) << open.key;
    }

    auto [type, stored] = Stored(cat::OVSERP_PARAMETERS_KEY_PATH, "Settings");
    EXPECT_EQ(type, REG_BINARY);
    ASSERT_EQ(stored.size(), 120u);
    EXPECT_EQ(cat::DecodeSettingsValue(stored), records);

    // The next write replaces the whole value.
    EXPECT_NE(WriteSettings(std::span(records).first(1)), 0);
    EXPECT_EQ(Stored(cat::OVSERP_PARAMETERS_KEY_PATH, "Settings").second.size(), 60u);
}

TEST_F(SettingsStore, WritingAnEmptyListStoresZeroBytesAndTheProductId) {
    EXPECT_NE(WriteSettings({}), 0);
    auto [type, stored] = Stored(cat::OVSERP_PARAMETERS_KEY_PATH, "Settings");
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_TRUE(stored.empty());
    auto [idType, id] = Stored(cat::OVSERP_SERVICE_KEY_PATH, "ProductID");
    EXPECT_EQ(idType, REG_DWORD);
    EXPECT_EQ(id, (std::vector<BYTE>{0, 0, 0, 0}));
}

TEST_F(SettingsStore, WriteStoresAtMostFourRecords) {
    const std::vector<cat::SettingsRecord> five(5, BoardConfig().ToSettingsRecord());
    EXPECT_NE(WriteSettings(five), 0);
    EXPECT_EQ(RegistryCallsOf("RegSetValueExA").at(0).size, 240u);
    std::array<std::uint8_t, cat::SETTINGS_READ_BYTES> buffer{};
    EXPECT_EQ(ReadSettings(buffer), 240u);
}

TEST_F(SettingsStore, WriteWithoutTheParametersKeyWritesNothingAndLeavesNoKeyOpen) {
    const std::vector<cat::SettingsRecord> one = {BoardConfig().ToSettingsRecord()};
    for (bool serviceKeyOnly : {false, true}) {
        SCOPED_TRACE(serviceKeyOnly ? "service key without Parameters" : "no service key");
        Fresh(false);
        if (serviceKeyOnly) {
            HKEY key = nullptr;
            ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, cat::OVSERP_SERVICE_KEY_PATH, &key),
                      ERROR_SUCCESS);
            RegCloseKey(key);
            ForgetSetup();
        }
        EXPECT_EQ(WriteSettings(one), 0);
        EXPECT_TRUE(RegistryCallsOf("RegSetValueExA").empty());
        EXPECT_TRUE(RegistryCallsOf("RegCreateKeyA").empty()) << "the panel never creates them";
        EXPECT_EQ(Stored(cat::OVSERP_SERVICE_KEY_PATH, "ProductID").first, REG_NONE);
        EXPECT_TRUE(testing::OpenRegistryKeys().empty());

        // The caller goes on: the diagnostic registration still works, and so does a later
        // save once the key is there.
        EXPECT_NE(RegisterDiagnostics(), 0);
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, cat::OVSERP_PARAMETERS_KEY_PATH, &key),
                  ERROR_SUCCESS);
        RegCloseKey(key);
        EXPECT_NE(WriteSettings(one), 0);
    }
}

TEST_F(SettingsStore, FailedSettingsWriteKeepsTheProductIdUnwritten) {
    testing::PlantRegistryFailure("RegSetValueExA", kParameters + "\\Settings",
                                  ERROR_ACCESS_DENIED);
    EXPECT_EQ(WriteSettings({}), 0);
    EXPECT_EQ(RegistryCallsOf("RegSetValueExA").size(), 1u);
    EXPECT_EQ(Stored(cat::OVSERP_SERVICE_KEY_PATH, "ProductID").first, REG_NONE);

    testing::ResetRegistryLog();
    testing::PlantRegistryFailure("RegSetValueExA", kService + "\\ProductID", ERROR_ACCESS_DENIED);
    EXPECT_EQ(WriteSettings({}), 0);
    EXPECT_EQ(Stored(cat::OVSERP_PARAMETERS_KEY_PATH, "Settings").first, REG_BINARY)
        << "Settings stays written";
}

const char* const kModelOrder[] = {"678PCI", "674PCI", "VT583", "VP583", "VP592",  "V678",
                                   "V674",   "V672",   "VI594", "VI592", "V583QX", "VI572K"};

TEST_F(SettingsStore, RegisterDiagnosticsCreatesEveryModelKeyInCatalogOrder) {
    EXPECT_NE(RegisterDiagnostics(), 0);

    const auto creates = RegistryCallsOf("RegCreateKeyA");
    ASSERT_EQ(creates.size(), 13u);
    EXPECT_EQ(creates[0].key, kDriver);
    for (std::size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(creates[i + 1].key, kDriver + "\\" + kModelOrder[i]);
    }

    const auto sets = RegistryCallsOf("RegSetValueExA");
    ASSERT_EQ(sets.size(), 24u);
    for (std::size_t i = 0; i < 12; ++i) {
        const auto& dll = sets[2 * i];
        const auto& ovkey = sets[2 * i + 1];
        EXPECT_EQ(dll.key, kDriver + "\\" + kModelOrder[i]);
        EXPECT_EQ(dll.value, "DiagDLL");
        EXPECT_EQ(dll.type, REG_SZ);
        EXPECT_EQ(dll.size, 10u) << "the text without its terminator";
        EXPECT_EQ(std::string(dll.data.begin(), dll.data.end()), "TBDiag.DLL");
        EXPECT_EQ(ovkey.key, dll.key);
        EXPECT_EQ(ovkey.value, "ovkey");
        EXPECT_EQ(ovkey.type, REG_DWORD);
        EXPECT_EQ(ovkey.size, 4u);
    }

    // What the store holds afterwards.
    struct Expect {
        const char* model;
        std::vector<BYTE> ovkey;
    };
    for (const Expect& e : {Expect{"VI572K", {0x20, 0x01, 0, 0}},
                            {"678PCI", {0x10, 0x22, 0, 0}},
                            {"VP592", {0x20, 0x20, 0, 0}},
                            {"V672", {0x10, 0, 0, 0}}}) {
        const std::string key = std::string(cat::DRIVER_KEY_PATH) + "\\" + e.model;
        EXPECT_EQ(Stored(key.c_str(), "ovkey"), std::pair(REG_DWORD, e.ovkey)) << e.model;
        auto [type, dll] = Stored(key.c_str(), "DiagDLL");
        EXPECT_EQ(type, REG_SZ) << e.model;
        EXPECT_EQ(std::string(dll.begin(), dll.end()), "TBDiag.DLL") << e.model;
    }
    EXPECT_EQ(Stored(cat::DRIVER_KEY_PATH, "DiagDLL").first, REG_NONE)
        << "nothing is written to the driver key itself";
    EXPECT_EQ(Stored(cat::DRIVER_KEY_PATH, "ovkey").first, REG_NONE);

    // Registering again finds the keys and rewrites the same values.
    testing::ResetRegistryLog();
    EXPECT_NE(RegisterDiagnostics(), 0);
    EXPECT_EQ(RegistryCallsOf("RegSetValueExA").size(), 24u);
}

TEST_F(SettingsStore, AModelKeyThatCannotBeCreatedEndsItsTableOnly) {
    testing::PlantRegistryFailure("RegCreateKeyA", kDriver + "\\VT583", ERROR_ACCESS_DENIED);
    EXPECT_NE(RegisterDiagnostics(), 0);
    std::vector<std::string> created;
    for (const auto& call : RegistryCallsOf("RegCreateKeyA")) {
        if (call.result == ERROR_SUCCESS) {
            created.push_back(call.key.substr(kDriver.size()));
        }
    }
    EXPECT_EQ(created,
              (std::vector<std::string>{"", "\\678PCI", "\\674PCI", "\\V678", "\\V674", "\\V672",
                                        "\\VI594", "\\VI592", "\\V583QX", "\\VI572K"}));
}

TEST_F(SettingsStore, RegisterDiagnosticsFailsWhenTheDriverKeyCannotBeCreated) {
    testing::PlantRegistryFailure("RegCreateKeyA", kDriver, ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegisterDiagnostics(), 0);
    EXPECT_EQ(RegistryLog().size(), 1u);
}

}  // namespace
}  // namespace ovtb::panel
