// ovtb-machine init [--os nt4|win2000|win98] [--demo] [--force]: creates a machine.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/machine/machine.h"
#include "platform/registry/reg_file.h"
#include "platform/registry/registry.h"
#include "platform/registry/store.h"
#include "tools/ovtb-machine/commands.h"
#include "tools/ovtb-machine/demo.h"

namespace ovtb::tool {

namespace {

namespace fs = std::filesystem;

struct OsChoice {
    const char* name;
    bool nt;
    const char* version;  // NT: CurrentVersion; 9x: VersionNumber
    const char* build;    // NT: CurrentBuildNumber
    const char* systemRoot;
    const char* systemDir;  // below drive_c
};

const OsChoice kOses[] = {
    {"nt4", true, "4.0", "1381", "C:\\WINNT", "WINNT/System32"},
    {"win2000", true, "5.0", "2195", "C:\\WINNT", "WINNT/System32"},
    {"win98", false, "4.10.2222", nullptr, "C:\\WINDOWS", "WINDOWS/SYSTEM"},
};

// The built deliverables that init installs into the system directory.
const char* const kDeliverables[] = {"ovpci.sys", "TBDiag.DLL", "OVTBCFG.DLL", "OvPort.DLL"};

void PrintHelp(std::FILE* out) {
    std::fprintf(out,
                 "usage: ovtb-machine [--machine DIR] init [--os nt4|win2000|win98] [--demo] "
                 "[--force]\n"
                 "\n"
                 "Creates the machine DIR: its registry (DIR/registry.db) with the keys that\n"
                 "Windows and an installed serial driver leave (the OS version, the Ovserp\n"
                 "service and its Parameters key), and its drive C: (DIR/drive_c) with the\n"
                 "system directory (C:\\WINNT\\System32, or C:\\WINDOWS\\SYSTEM on win98)\n"
                 "holding the built deliverables found beside this program.\n"
                 "\n"
                 "  --os OS   nt4, win2000 (the default) or win98\n"
                 "  --demo    also write DIR/pci.dump, a PCI bus with some of the maker's boards\n"
                 "  --force   start an existing machine afresh: its registry, drive C:, pci.dump\n"
                 "            and debug.log are replaced (nothing else in DIR is touched)\n");
}

// The registry skeleton as a registry file, so that it is written the way an import is: in
// one transaction. Texts are stored with their terminators, as Windows Setup writes them.
registry::RegFile Skeleton(const OsChoice& os) {
    using registry::RegFileKey;
    using registry::RegFileValue;
    auto text = [](const char* name, std::string value, DWORD type = REG_SZ) {
        RegFileValue v{name, false, type, {value.begin(), value.end()}};
        v.data.push_back(0);
        return v;
    };
    auto dword = [](const char* name, DWORD value) {
        return RegFileValue{name,
                            false,
                            REG_DWORD,
                            {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)}};
    };
    registry::RegFile file;
    if (os.nt) {
        file.keys.push_back(
            RegFileKey{"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\"
                       "CurrentVersion",
                       false,
                       {text("CurrentVersion", os.version), text("CurrentBuildNumber", os.build),
                        text("SystemRoot", os.systemRoot)}});
    } else {
        file.keys.push_back(
            RegFileKey{"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\"
                       "CurrentVersion",
                       false,
                       {text("VersionNumber", os.version), text("SystemRoot", os.systemRoot)}});
    }
    // The serial driver's service, as its installation leaves it: a kernel driver started
    // with the system, whose board configuration the panel writes into Parameters.
    file.keys.push_back(
        RegFileKey{"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Ovserp",
                   false,
                   {dword("Type", 1), dword("Start", 2), dword("ErrorControl", 1),
                    text("ImagePath", "System32\\DRIVERS\\ovserp.sys", REG_EXPAND_SZ)}});
    file.keys.push_back(RegFileKey{
        "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Ovserp\\Parameters", false, {}});
    if (os.nt) {
        // The version that the installed driver registers (5.2: its Settings are the panel's
        // 60-byte records).
        file.keys.push_back(
            RegFileKey{"HKEY_LOCAL_MACHINE\\SOFTWARE\\ORVANE\\Ovserp\\CurrentVersion",
                       false,
                       {dword("MajorVersion", 5), dword("MinorVersion", 2)}});
    }
    return file;
}

fs::path ProgramDir() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self.parent_path();
}

bool RemoveMachine(const fs::path& dir, std::string& why) {
    for (const char* name : {"registry.db", "registry.db-wal", "registry.db-shm", "drive_c",
                             "pci.dump", "debug.log"}) {
        std::error_code ec;
        fs::remove_all(dir / name, ec);
        if (ec) {
            why = "cannot remove " + (dir / name).string() + ": " + ec.message();
            return false;
        }
    }
    return true;
}

}  // namespace

int RunInit(const Args& args) {
    if (WantsHelp(args)) {
        PrintHelp(stdout);
        return 0;
    }
    const OsChoice* os = &kOses[1];
    bool demo = false, force = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string a = args[i], value;
        bool hasValue = false;
        if (a.rfind("--os=", 0) == 0) {
            value = a.substr(5);
            hasValue = true;
            a = "--os";
        } else if (a == "--os" && i + 1 < args.size()) {
            value = args[++i];
            hasValue = true;
        }
        if (a == "--os") {
            os = nullptr;
            for (const auto& o : kOses) {
                if (hasValue && value == o.name)
                    os = &o;
            }
            if (!os) {
                std::fprintf(stderr, "ovtb-machine init: --os takes nt4, win2000 or win98%s%s\n",
                             hasValue ? ", not " : "", value.c_str());
                return 2;
            }
        } else if (a == "--demo") {
            demo = true;
        } else if (a == "--force") {
            force = true;
        } else {
            std::fprintf(stderr, "ovtb-machine init: unknown argument '%s'\n", a.c_str());
            PrintHelp(stderr);
            return 2;
        }
    }

    const fs::path dir = machine::MachineDir();
    const fs::path db = machine::RegistryPath();
    std::error_code ec;
    if (fs::exists(db, ec) && !force) {
        std::fprintf(stderr,
                     "ovtb-machine init: %s is already a machine (%s exists); add --force to "
                     "start it afresh\n",
                     dir.c_str(), db.c_str());
        return 1;
    }
    std::string why;
    if (force && !RemoveMachine(dir, why)) {
        std::fprintf(stderr, "ovtb-machine init: %s\n", why.c_str());
        return 1;
    }
    const fs::path system = machine::DriveC() / os->systemDir;
    fs::create_directories(system, ec);
    if (!ec && os->nt)
        fs::create_directories(system / "drivers", ec);
    if (ec) {
        std::fprintf(stderr, "ovtb-machine init: cannot create %s: %s\n", system.c_str(),
                     ec.message().c_str());
        return 1;
    }

    // The registry is built under another name and renamed into place, so that no process
    // ever opens a half-made machine.
    fs::path building = dir / ("registry.db.init" + std::to_string(getpid()));
    fs::remove(building, ec);
    registry::UseStoreFile(building);
    registry::RegFileError error;
    LONG r = registry::ImportRegFile(Skeleton(*os), error);
    registry::CloseStore();
    if (r == ERROR_SUCCESS) {
        fs::rename(building, db, ec);
        if (ec)
            why = "cannot create " + db.string() + ": " + ec.message();
    } else {
        why = "cannot create the registry: " + error.message;
    }
    if (r != ERROR_SUCCESS || ec) {
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::error_code ignored;
            fs::remove(building.string() + suffix, ignored);
        }
        std::fprintf(stderr, "ovtb-machine init: %s\n", why.c_str());
        return 1;
    }
    registry::UseMachineStore();

    std::string copied;
    const fs::path from = ProgramDir();
    for (const char* name : kDeliverables) {
        fs::path source = from / name;
        if (from.empty() || !fs::is_regular_file(source, ec))
            continue;
        fs::copy_file(source, system / name, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            std::fprintf(stderr, "ovtb-machine init: cannot copy %s into %s: %s\n", source.c_str(),
                         system.c_str(), ec.message().c_str());
            return 1;
        }
        copied += copied.empty() ? name : std::string(", ") + name;
    }

    std::string systemDir = std::string(os->systemRoot) + (os->nt ? "\\System32" : "\\SYSTEM");
    std::printf("Created the %s machine %s\n", os->name, dir.c_str());
    std::printf("  system directory %s: %s\n", systemDir.c_str(),
                copied.empty() ? "no deliverables built yet" : copied.c_str());
    if (demo) {
        std::string demoError;
        if (WriteDemoPciDump(machine::PciDumpPath(), demoError))
            std::printf("  demo PCI bus: %s\n", machine::PciDumpPath().c_str());
        else
            std::fprintf(stderr, "ovtb-machine init: warning: no demo PCI bus: %s\n",
                         demoError.c_str());
    }
    return 0;
}

}  // namespace ovtb::tool
