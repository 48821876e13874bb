// The registry store's speed where the deliverables and tools feel it:
//  - RegOpenKeyExA + RegQueryValueExA of a 60-byte value + RegCloseKey on a registry of 10,000
//    keys (target: at most 20 us per triple);
//  - importing a .reg file of 100,000 values into an empty machine (target: at most 3 s).
// Both on the file store (DIR/registry.db, WAL), which is what the programs use.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/registry/reg_file.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"

namespace {

namespace fs = std::filesystem;
using namespace ovtb::registry;

constexpr int kKeys = 10000;

fs::path TempDir() {
    std::string pattern = (fs::temp_directory_path() / "ovtb-bench-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        std::abort();
    return pattern;
}

std::string KeyPath(int i) {
    char buf[96];
    std::snprintf(buf, sizeof buf, "SYSTEM\\CurrentControlSet\\Services\\Svc%05d\\Parameters", i);
    return buf;
}

// A registry file of 10,000 keys, each with a 60-byte "Settings" value, built once.
const fs::path& TenThousandKeys() {
    static fs::path db = [] {
        fs::path dir = TempDir();
        UseStoreFile(dir / "registry.db");
        StoreTransaction tx;
        tx.Begin();
        BYTE record[60];
        for (int i = 0; i < kKeys; ++i) {
            for (int b = 0; b < 60; ++b)
                record[b] = static_cast<BYTE>(i + b);
            HKEY k = nullptr;
            RegCreateKeyA(HKEY_LOCAL_MACHINE, KeyPath(i).c_str(), &k);
            RegSetValueExA(k, "Settings", 0, REG_BINARY, record, sizeof record);
            RegCloseKey(k);
        }
        tx.Commit();
        CloseStore();
        return dir / "registry.db";
    }();
    return db;
}

void OpenQueryClose(benchmark::State& state) {
    std::vector<std::string> paths;
    for (int i = 0; i < kKeys; ++i)
        paths.push_back(KeyPath((i * 7919) % kKeys));
    size_t next = 0;
    BYTE buf[240];
    for (auto _ : state) {
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, paths[next].c_str(), 0, KEY_READ, &k) !=
            ERROR_SUCCESS) {
            state.SkipWithError("open failed");
            break;
        }
        DWORD size = sizeof buf, type = 0;
        if (RegQueryValueExA(k, "Settings", nullptr, &type, buf, &size) != ERROR_SUCCESS ||
            size != 60) {
            state.SkipWithError("query failed");
            break;
        }
        RegCloseKey(k);
        benchmark::DoNotOptimize(buf);
        next = (next + 1) % paths.size();
    }
}

void BM_OpenQueryClose_File(benchmark::State& state) {
    UseStoreFile(TenThousandKeys());
    OpenQueryClose(state);
    CloseStore();
}
BENCHMARK(BM_OpenQueryClose_File);

void BM_OpenQueryClose_Memory(benchmark::State& state) {
    UseInMemoryStore();
    BYTE record[60] = {};
    for (int i = 0; i < kKeys; ++i) {
        HKEY k = nullptr;
        RegCreateKeyA(HKEY_LOCAL_MACHINE, KeyPath(i).c_str(), &k);
        RegSetValueExA(k, "Settings", 0, REG_BINARY, record, sizeof record);
        RegCloseKey(k);
    }
    OpenQueryClose(state);
}
BENCHMARK(BM_OpenQueryClose_Memory);

// 1,000 keys of 100 values each: texts, dwords and 60-byte binaries, as regedit writes them.
std::string HundredThousandValues() {
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
    char line[160];
    for (int k = 0; k < 1000; ++k) {
        std::snprintf(line, sizeof line,
                      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{50906CB8-"
                      "BA12-11D1-BF5D-0000F805F530}\\%04d]\r\n",
                      k);
        text += line;
        for (int v = 0; v < 100; ++v) {
            switch (v % 3) {
                case 0:
                    std::snprintf(line, sizeof line, "\"PortName%03d\"=\"COM%d\"\r\n", v, v + 3);
                    text += line;
                    break;
                case 1:
                    std::snprintf(line, sizeof line, "\"RxFifoTrig%03d\"=dword:%08x\r\n", v, v);
                    text += line;
                    break;
                default:
                    std::snprintf(line, sizeof line, "\"Settings%03d\"=hex:", v);
                    text += line;
                    for (int b = 0; b < 60; ++b) {
                        std::snprintf(line, sizeof line, b == 59 ? "%02x" : "%02x,", (b + v) & 255);
                        text += line;
                        if (b == 20 || b == 45)
                            text += "\\\r\n  ";
                    }
                    text += "\r\n";
            }
        }
        text += "\r\n";
    }
    return text;
}

void BM_Import100kValues_File(benchmark::State& state) {
    const std::string text = HundredThousandValues();
    fs::path dir = TempDir();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::path db = dir / ("registry" + std::to_string(round++) + ".db");
        UseStoreFile(db);
        OpenStore();
        state.ResumeTiming();
        RegFile file;
        RegFileError error;
        if (!ParseRegFile(text, file, error) || ImportRegFile(file, error) != ERROR_SUCCESS) {
            state.SkipWithError(error.message.c_str());
            break;
        }
        state.PauseTiming();
        CloseStore();
        fs::remove(db);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * 100000);
    fs::remove_all(dir);
}
BENCHMARK(BM_Import100kValues_File)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
