// The file-backed store: sharing one machine between processes, and files that are not a
// registry.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/machine/machine.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"

namespace {

namespace fs = std::filesystem;
using namespace ovtb::registry;

class StoreFile : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "ovtb-store-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        db_ = dir_ / "registry.db";
    }
    void TearDown() override {
        UseInMemoryStore();
        fs::remove_all(dir_);
    }
    static DWORD ReadDword(HKEY root, const char* path, const char* name) {
        HKEY k = nullptr;
        DWORD v = 0xFFFFFFFF, size = 4;
        if (RegOpenKeyExA(root, path, 0, KEY_READ, &k) != ERROR_SUCCESS)
            return v;
        RegQueryValueExA(k, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &size);
        RegCloseKey(k);
        return v;
    }
    static LONG WriteDword(const char* path, const char* name, DWORD v) {
        HKEY k = nullptr;
        LONG r = RegCreateKeyA(HKEY_LOCAL_MACHINE, path, &k);
        if (r != ERROR_SUCCESS)
            return r;
        r = RegSetValueExA(k, name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
        RegCloseKey(k);
        return r;
    }
    // Runs `body` in a child process; its result is the child's exit status.
    template <typename F>
    static pid_t Spawn(F body) {
        pid_t pid = fork();
        if (pid == 0)
            _exit(body());
        return pid;
    }
    static int Wait(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
    }

    fs::path dir_, db_;
};

TEST_F(StoreFile, ProcessesSharingAMachineSeeEachOthersWritesAtOnce) {
    UseStoreFile(db_);
    ASSERT_EQ(OpenStore(), ERROR_SUCCESS);
    CloseStore();  // a child must not inherit an open connection
    int toChild[2], toParent[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(toParent), 0);
    pid_t child = Spawn([&] {
        char c;
        if (read(toChild[0], &c, 1) != 1)
            return 1;
        if (ReadDword(HKEY_LOCAL_MACHINE, "Shared", "FromParent") != 1)
            return 2;
        if (WriteDword("Shared", "FromChild", 2) != ERROR_SUCCESS)
            return 3;
        if (write(toParent[1], "w", 1) != 1)
            return 4;
        return 0;  // ends without closing anything: what it committed stays
    });
    ASSERT_EQ(WriteDword("Shared", "FromParent", 1), ERROR_SUCCESS);
    ASSERT_EQ(write(toChild[1], "g", 1), 1);
    char c;
    ASSERT_EQ(read(toParent[0], &c, 1), 1);
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, "Shared", "FromChild"), 2u)
        << "the parent's open connection sees the child's commit";
    EXPECT_EQ(Wait(child), 0);
    for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]})
        close(fd);
    CloseStore();
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, "Shared", "FromChild"), 2u) << "and after reopening";
}

TEST_F(StoreFile, ConcurrentWritersAllLand) {
    UseStoreFile(db_);
    ASSERT_EQ(OpenStore(), ERROR_SUCCESS);
    CloseStore();
    constexpr int kWriters = 3, kValues = 100;
    pid_t pids[kWriters];
    for (int w = 0; w < kWriters; ++w) {
        pids[w] = Spawn([w] {
            for (int i = 0; i < kValues; ++i) {
                std::string name = "w" + std::to_string(w) + "v" + std::to_string(i);
                if (WriteDword("Busy", name.c_str(), DWORD(i)) != ERROR_SUCCESS)
                    return 1;
            }
            return 0;
        });
    }
    for (pid_t p : pids)
        EXPECT_EQ(Wait(p), 0);
    std::vector<ValueEntry> values;
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Busy", 0, KEY_READ, &k), ERROR_SUCCESS);
    ASSERT_EQ(ListValues(k, values), ERROR_SUCCESS);
    EXPECT_EQ(values.size(), size_t(kWriters * kValues));
    RegCloseKey(k);
}

TEST_F(StoreFile, AFileThatIsNotARegistryGivesAnErrorNotACrash) {
    struct Case {
        const char* label;
        void (*make)(const fs::path&);
        LONG result;
    } cases[] = {
        {"text", [](const fs::path& p) { std::ofstream(p) << std::string(5000, 'x'); },
         ERROR_BADDB},
        {"a truncated SQLite header",
         [](const fs::path& p) { std::ofstream(p) << "SQLite format 3" << std::string(200, '\1'); },
         ERROR_BADDB},
        {"another program's SQLite database",
         [](const fs::path& p) {
             sqlite3* db = nullptr;
             sqlite3_open(p.c_str(), &db);
             sqlite3_exec(db, "CREATE TABLE songs(title TEXT)", nullptr, nullptr, nullptr);
             sqlite3_close(db);
         },
         ERROR_BADDB},
        {"a registry of a later format",
         [](const fs::path& p) {
             sqlite3* db = nullptr;
             sqlite3_open(p.c_str(), &db);
             sqlite3_exec(db,
                          "CREATE TABLE meta(name TEXT PRIMARY KEY, value TEXT);"
                          "INSERT INTO meta VALUES('format','ovtb-registry'),('version','9')",
                          nullptr, nullptr, nullptr);
             sqlite3_close(db);
         },
         ERROR_BADDB},
        {"a directory", [](const fs::path& p) { fs::create_directory(p); },
         ERROR_REGISTRY_IO_FAILED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        fs::remove_all(db_);
        c.make(db_);
        UseStoreFile(db_);
        HKEY k = nullptr;
        EXPECT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE", &k), c.result);
        EXPECT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE", &k), c.result);
        EXPECT_NE(LastStoreError().find(db_.string()), std::string::npos) << LastStoreError();
    }
    // An empty file is a new registry.
    fs::remove_all(db_);
    std::ofstream(db_).close();
    UseStoreFile(db_);
    EXPECT_EQ(WriteDword("X", "V", 5), ERROR_SUCCESS);
}

TEST_F(StoreFile, TheDefaultStoreIsTheMachinesAndIsNotCreatedByUse) {
    UseStoreFile(db_);
    ASSERT_EQ(WriteDword("Machine", "V", 7), ERROR_SUCCESS);
    CloseStore();
    UseMachineStore();
    // A process that made no choice opens DIR/registry.db of its machine.
    pid_t child = Spawn([&] {
        ovtb::machine::SetMachineDir(dir_);
        return ReadDword(HKEY_LOCAL_MACHINE, "Machine", "V") == 7 ? 0 : 1;
    });
    EXPECT_EQ(Wait(child), 0);
    pid_t missing = Spawn([&] {
        ovtb::machine::SetMachineDir(dir_ / "nothing-here");
        HKEY k = nullptr;
        if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Machine", &k) != ERROR_REGISTRY_IO_FAILED)
            return 1;
        if (LastStoreError().find("nothing-here") == std::string::npos)
            return 2;
        return fs::exists(dir_ / "nothing-here") ? 3 : 0;
    });
    EXPECT_EQ(Wait(missing), 0);
}

}  // namespace
