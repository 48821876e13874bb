// The panel's three start-up board lists, each a BoardSettingBlock: the stored ISA boards, the
// stored PCI boards that the PCI information driver still reports, and the PCI boards named on
// the command line that the driver confirms (the offered boards). Start-up fills them once
// from the stored "Settings", the driver's reply and the command line; the main dialog turns
// their entries into BoardConfig objects.
//
// Only the fields a board list carries are written (type code, interrupt, bus kind, port I/O
// addresses, vector address, COM numbers, port count, FIFO indexes, PCI device id, bus and
// device); every other field of an entry keeps what it held.
#pragma once

#include <cstdint>
#include <span>

#include "catalog/board_setting_record.h"
#include "catalog/pci_info_reply.h"
#include "panel/command_line.h"

namespace ovtb::panel {

// Reads "Settings" from the registry and fills the two blocks as LoadBoardsFromSettings does.
// A value that cannot be read (no key, no value, longer than 240 bytes) gives empty blocks.
void LoadStoredBoards(catalog::BoardSettingBlock& presentPciBoards,
                      catalog::BoardSettingBlock& isaBoards, const catalog::PciInfoReply& reply);

// Fills the two blocks from the bytes of a "Settings" value (60-byte records; at most four are
// read, a partial record at the end is ignored), in stored order. A record whose product number
// or model the catalog does not hold is skipped. A PCI board is kept only when the reply lists
// a board with its device id at its bus and device number, and it then takes its I/O base,
// vector address and interrupt from the reply; its COM numbers and FIFO settings stay.
void LoadBoardsFromSettings(std::span<const std::uint8_t> settings,
                            catalog::BoardSettingBlock& presentPciBoards,
                            catalog::BoardSettingBlock& isaBoards,
                            const catalog::PciInfoReply& reply);

// Fills the offered block with the requested boards that the catalog knows by device id and the
// reply lists at the requested bus and device number, in request order, each with the reply's
// resources and the default port settings (COM3 upwards, receive trigger 14, transmit FIFO 16).
// At most MAX_BOARDS boards are offered.
void BuildOfferedBoards(catalog::BoardSettingBlock& offeredBoards,
                        const catalog::PciInfoReply& reply,
                        std::span<const PciBoardRequest> requests);

}  // namespace ovtb::panel
