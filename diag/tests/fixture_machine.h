// A machine for one test: a fresh directory with its drive C and an in-memory registry, filled
// from the .reg files of diag/tests/fixtures (imported with the registry's .reg reader), driver
// files with version resources, and optionally a PCI bus dump.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/version/version_writer.h"

namespace ovtb::diag::testing {

class FixtureMachine {
  public:
    FixtureMachine();
    ~FixtureMachine();
    FixtureMachine(const FixtureMachine&) = delete;
    FixtureMachine& operator=(const FixtureMachine&) = delete;

    // Imports diag/tests/fixtures/NAME.reg; a test fails when the file cannot be imported.
    void Import(const std::string& name);
    // Writes a driver file with ProductVersion `text` into the machine's system directory.
    void InstallDriverFile(const std::string& fileName, const std::string& productVersion,
                           version::FileForm form = version::FileForm::Le,
                           const std::string& block = "040904E4");
    // Makes diag/tests/fixtures/NAME the machine's pci.dump.
    void UseBus(const std::string& name);

    const std::filesystem::path& dir() const { return dir_; }

  private:
    std::filesystem::path dir_;
};

}  // namespace ovtb::diag::testing
