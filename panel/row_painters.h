// The two row painters of the panel's lists: the port list of the board property dialog (one
// row per port of the working board) and the board list of the main dialog (one row per board).
#pragma once

#include <array>
#include <string>

#include "panel/report_list.h"

namespace ovtb::panel {

// Cell texts of port row `row`: "1", "COM3", "14", "16". A FIFO index that is not a row of its
// choice list (a damaged stored record), or a row beyond the board's port slots, shows "---".
std::array<std::string, 4> PortRowTexts(const BoardConfig& board, int row);
// Cell texts of a board row: model name, I/O address, vector, IRQ, bus, device, COM range.
std::array<std::string, 7> BoardRowTexts(const BoardConfig& board);

void PaintPortRow(ReportListCtrl& list, int row, BoardConfig* board, CDC& dc, RECT& rect);
void PaintBoardRow(ReportListCtrl& list, int row, BoardConfig* board, CDC& dc, RECT& rect);

}  // namespace ovtb::panel
