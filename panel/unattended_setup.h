// Setting up one PCI board from the command line without a window: the board named with a first
// COM number becomes the whole stored configuration.
#pragma once

#include "catalog/pci_info_reply.h"
#include "panel/command_line.h"

namespace ovtb::panel {

// Stores the first request of `settings` as the only board of "Settings": the model, port
// count, bus position and resources as the reply gives them, port p on COM firstCom + p with
// the parsed FIFO indexes; boards stored before are gone. Then registers every board model for
// the diagnostic tool. Shows nothing. Returns true when the board was stored (the store's own
// result is not examined).
//
// A request that the catalog or the reply does not confirm stores nothing and registers
// nothing, and the result is false: there is no board to store, and the stored configuration
// stays as it was. The panel ends with exit code 1 in both cases.
bool UnattendedSetup(const CommandLineSettings& settings, const catalog::PciInfoReply& reply);

}  // namespace ovtb::panel
