// The panel's application object: the start-up sequence, which either sets up one board from
// the command line without a window or opens the main dialog, and the exit code.
//
// Start-up:
//   1. (the dialogs' three-dimensional look is the renderer's own);
//   2. ask the PCI information driver; on failure show MSG_PCI_INFO_FAILED with the stop icon
//      and end;
//   3. load the stored boards: the ISA boards, and the PCI boards the driver still reports;
//   4. read the command line: one named board with a first COM number is set up without a
//      window and the panel ends; otherwise the named boards the driver confirms are offered;
//   5. run the main dialog; OK there makes the exit code 0.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "catalog/board_setting_record.h"
#include "catalog/pci_info_reply.h"

namespace ovtb::panel {

class PanelApp {
  public:
    // Fills the 180-byte reply of the PCI information driver; nonzero on success.
    using PciDiscovery =
        std::function<int(std::span<std::uint8_t, catalog::PCI_INFO_REPLY_SIZE> reply)>;

    // `commandLine` is the text after the program name. `discovery` stands in for the driver
    // query in tests; by default it is DiscoverPciBoards.
    explicit PanelApp(std::string commandLine, PciDiscovery discovery = {});
    virtual ~PanelApp() = default;
    PanelApp(const PanelApp&) = delete;
    PanelApp& operator=(const PanelApp&) = delete;

    // Runs the start-up sequence once. Returns false, as the application always does: the
    // process then ends with ExitInstance().
    virtual bool InitInstance();
    // The process exit code: exitCode.
    virtual int ExitInstance() { return exitCode; }

    const std::string& commandLine() const { return commandLine_; }

    // 1 at start; set to 0 only when the main dialog ends with OK.
    int exitCode = 1;

    // The start-up board lists; they live for the whole run. The main dialog reads them.
    catalog::BoardSettingBlock isaBoards;
    catalog::BoardSettingBlock presentPciBoards;
    catalog::BoardSettingBlock offeredBoards;

  protected:
    // Step 5: construct the main dialog on the three lists, make it the main window and run it
    // modally. True when it ended with OK.
    virtual bool RunMainDialog();

  private:
    std::string commandLine_;
    PciDiscovery discovery_;
};

}  // namespace ovtb::panel
