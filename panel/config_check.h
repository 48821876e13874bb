// The whole-configuration checks that OK in the main dialog runs before anything is stored,
// and the save that follows them.
//
// Five checks run in a fixed order, boards in list order and ports in port order; the first
// conflict found is shown in a message box (OK button, exclamation icon, the application title
// as caption) with the boards, or the ports and the board, numbered from 1:
//   1. I/O addresses: an earlier board's port address within the eight addresses that begin
//      at a later board's port address (string IDS_IO_CONFLICT);
//   2. interrupts: equal, or 2 and 9, unless both boards are PCI boards (IDS_IRQ_CONFLICT);
//   3. interrupt vectors: equal and not 0 (IDS_VECTOR_CONFLICT);
//   4. COM numbers of two boards' ports (IDS_COM_CONFLICT_BOARDS);
//   5. COM numbers of two ports of one board (IDS_COM_CONFLICT_PORTS).
// Only the ports below each board's port count take part.
#pragma once

#include <memory>
#include <span>
#include <vector>

#include "panel/board_config.h"
#include "platform/ui/winuser.h"

namespace ovtb::panel {

// The configured boards of the main dialog, in list order (0 to 4 boards).
using ConfiguredBoards = std::span<const BoardConfig* const>;

// True when no check finds a conflict; false after the first conflict's message was shown
// (owned by `owner`, the main dialog).
bool CheckConfiguration(ConfiguredBoards boards, HWND owner = nullptr);

// Replaces the stored "Settings" with the boards' 60-byte records in list order and writes
// "ProductID". The store's result is not examined.
void SaveConfiguration(ConfiguredBoards boards);

// The save steps of OK in the main dialog: the checks; on a conflict nothing is written and the
// result is false (the dialog stays open). Otherwise the configuration is saved and every board
// model is registered for the diagnostic tool, whatever the registry writes gave, and the
// result is true: the caller ends the dialog with IDOK, and the panel's exit code becomes 0.
bool SaveOnOk(ConfiguredBoards boards, HWND owner = nullptr);

// The same for a list that owns its boards.
bool CheckConfiguration(const std::vector<std::unique_ptr<BoardConfig>>& boards,
                        HWND owner = nullptr);
void SaveConfiguration(const std::vector<std::unique_ptr<BoardConfig>>& boards);
bool SaveOnOk(const std::vector<std::unique_ptr<BoardConfig>>& boards, HWND owner = nullptr);

}  // namespace ovtb::panel
