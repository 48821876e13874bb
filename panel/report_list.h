// ReportListCtrl: the owner-drawn report list of the panel's board list and port list. Rows
// carry no text; each row's item data is a BoardConfig that the owner keeps, and a row painter
// that the owner installs formats the cells. The control paints the row background, the
// selection colours and the focus rectangle, and fits each cell's text with "...".
#pragma once

#include <string>

#include "panel/board_config.h"
#include "platform/ui/afx.h"

namespace ovtb::panel {

class ReportListCtrl;

// Paints the cells of one row: the list, the row index, the row's board (the item data), the
// drawing surface and the row rectangle, whose left edge the painter moves column by column.
using RowPainter = void (*)(ReportListCtrl& list, int row, BoardConfig* board, CDC& dc, RECT& rect);

class ReportListCtrl : public CListCtrl {
  public:
    void SetRowPainter(RowPainter painter) { painter_ = painter; }
    RowPainter GetRowPainter() const { return painter_; }

    // Appends a row whose item data is the board (the control never owns it). Returns the
    // row's index, or -1.
    int AddRow(BoardConfig* board);
    int InsertRow(int index, BoardConfig* board);
    // Selects and focuses the row; cut and drop-highlight marks are cleared.
    BOOL SelectRow(int index);
    // The selected row, or -1.
    int GetSelectedRow() const;
    // The board of a row, or nullptr.
    BoardConfig* GetRowBoard(int index) const;

    // Draws one cell's text inside `cell` (its top and bottom are the row's), shortened with
    // "..." to fit the column width, aligned by the column's LVCFMT_ alignment.
    void DrawCell(CDC& dc, std::string text, const RECT& cell, int columnWidth, int alignment);

    void DrawItem(LPDRAWITEMSTRUCT draw) override;

  private:
    RowPainter painter_ = nullptr;
};

}  // namespace ovtb::panel
