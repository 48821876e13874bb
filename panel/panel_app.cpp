#include "panel/panel_app.h"

#include <array>
#include <utility>

#include "catalog/config_messages.h"
#include "panel/Admdlg.h"
#include "panel/board_lists.h"
#include "panel/command_line.h"
#include "panel/pci_discovery.h"
#include "panel/string_table.h"
#include "panel/unattended_setup.h"

namespace ovtb::panel {

PanelApp::PanelApp(std::string commandLine, PciDiscovery discovery)
    : commandLine_(std::move(commandLine)), discovery_(std::move(discovery)) {
    if (!discovery_) {
        discovery_ = [](std::span<std::uint8_t, catalog::PCI_INFO_REPLY_SIZE> reply) {
            return DiscoverPciBoards(reply);
        };
    }
}

bool PanelApp::InitInstance() {
    // The reply is used during start-up only.
    std::array<std::uint8_t, catalog::PCI_INFO_REPLY_SIZE> replyBytes{};
    if (!discovery_(replyBytes)) {
        PanelMessageBox(nullptr, catalog::ConfigMessagesA[catalog::MSG_PCI_INFO_FAILED],
                        MB_OK | MB_ICONHAND);
        return false;
    }
    const catalog::PciInfoReply reply = *catalog::PciInfoReply::Decode(replyBytes);

    LoadStoredBoards(presentPciBoards, isaBoards, reply);

    CommandLineSettings settings;
    ParseCommandLine(commandLine_, settings);
    if (DecideStartupPath(settings) == StartupPath::Unattended) {
        UnattendedSetup(settings, reply);
        return false;
    }
    BuildOfferedBoards(
        offeredBoards, reply,
        std::span(settings.requests).first(static_cast<std::size_t>(settings.count)));

    if (RunMainDialog()) {
        exitCode = 0;
    }
    return false;
}

bool PanelApp::RunMainDialog() {
    // The dialogs find their templates among the panel's resources.
    AfxSetResourceHandle(PanelInstance());
    BoardListDialog dialog(isaBoards, presentPciBoards, offeredBoards);
    return dialog.DoModal() == IDOK;
}

}  // namespace ovtb::panel
