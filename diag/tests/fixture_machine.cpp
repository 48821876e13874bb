#include "diag/tests/fixture_machine.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>

#include "platform/machine/machine.h"
#include "platform/pci/pci_config.h"
#include "platform/registry/reg_file.h"
#include "platform/registry/store.h"

namespace ovtb::diag::testing {

namespace fs = std::filesystem;

namespace {
const fs::path kFixtures = "diag/tests/fixtures";
std::atomic<int> g_serial{0};
}  // namespace

FixtureMachine::FixtureMachine() {
    dir_ = fs::temp_directory_path() /
           ("ovtb-diag-" + std::to_string(::getpid()) + "-" + std::to_string(g_serial++));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "drive_c");
    machine::SetMachineDir(dir_);
    registry::UseInMemoryStore();
    pci::ReloadBus();
}

FixtureMachine::~FixtureMachine() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
    registry::UseInMemoryStore();
    pci::ReloadBus();
}

void FixtureMachine::Import(const std::string& name) {
    std::ifstream in(kFixtures / (name + ".reg"), std::ios::binary);
    ASSERT_TRUE(in) << name;
    std::stringstream text;
    text << in.rdbuf();
    registry::RegFile file;
    registry::RegFileError error;
    ASSERT_TRUE(registry::ParseRegFile(text.str(), file, error))
        << name << ".reg: line " << error.line << ": " << error.message;
    ASSERT_EQ(registry::ImportRegFile(file, error), ERROR_SUCCESS)
        << name << ".reg: line " << error.line << ": " << error.message;
}

void FixtureMachine::InstallDriverFile(const std::string& fileName,
                                       const std::string& productVersion, version::FileForm form,
                                       const std::string& block) {
    const std::string systemDir = machine::ReadOsVersion().systemDirectory;
    auto dir = machine::MapWindowsPath(systemDir);
    ASSERT_TRUE(dir) << systemDir;
    fs::create_directories(*dir);
    version::VersionText text;
    text.block = block;
    text.productVersion = productVersion;
    text.strings = {{"CompanyName", "ORVANE"}, {"ProductVersion", productVersion}};
    auto bytes = version::BuildVersionFile(text, form);
    std::ofstream out(*dir / fileName, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void FixtureMachine::UseBus(const std::string& name) {
    fs::copy_file(kFixtures / name, dir_ / "pci.dump", fs::copy_options::overwrite_existing);
    pci::ReloadBus();
}

}  // namespace ovtb::diag::testing
