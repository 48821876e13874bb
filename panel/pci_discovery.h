// Learning the present PCI boards from the PCI information driver: the panel installs the
// driver as a temporary service, starts it, asks its device once, stops the service and
// deletes it again.
#pragma once

#include <cstdint>
#include <span>

#include "catalog/pci_info_reply.h"

namespace ovtb::panel {

// The driver's service (service and display name), its file, and its device as user mode
// opens it.
inline constexpr const char* PCI_INFO_SERVICE_NAME = "ovpciinfo";
inline constexpr const char* PCI_INFO_DRIVER_FILE = "%SystemRoot%\\System32\\ovpci.sys";
inline constexpr const char* PCI_INFO_DEVICE_PATH = "\\\\.\\ovpciinfo";

// Fills the caller's 180-byte reply buffer (a PciInfoReply, catalog/pci_info_reply.h).
// Returns 1 on success, 0 when any step fails. The steps stop at the first failure and what
// the earlier ones did stays: a failed start leaves the service registered; a failed query or
// stop leaves it loaded too, so later runs fail at the start until it is stopped. An already
// registered service is used as it stands. Every handle is closed on every way out.
int DiscoverPciBoards(std::span<std::uint8_t, catalog::PCI_INFO_REPLY_SIZE> reply);

}  // namespace ovtb::panel
