#include "panel/row_painters.h"

#include <cstdio>
#include <span>

namespace ovtb::panel {

namespace {

constexpr const char* kAbsent = "---";

std::string Format(const char* format, long value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

template <typename Choices>
std::string ChoiceText(const Choices& choices, std::int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= choices.size()) {
        return kAbsent;
    }
    return choices[static_cast<std::size_t>(index)].text;
}

// The common pattern: each cell in column order, from the row's left edge, as wide as its
// column. A column the list does not have ends the row.
void PaintCells(ReportListCtrl& list, std::span<const std::string> texts, CDC& dc, RECT& rect) {
    for (std::size_t c = 0; c < texts.size(); ++c) {
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH;
        if (!list.GetColumn(static_cast<int>(c), &column)) {
            return;
        }
        list.DrawCell(dc, texts[c], rect, column.cx, column.fmt & LVCFMT_JUSTIFYMASK);
        rect.left += column.cx;
    }
}

}  // namespace

std::array<std::string, 4> PortRowTexts(const BoardConfig& board, int row) {
    std::array<std::string, 4> texts{Format("%d", row + 1), kAbsent, kAbsent, kAbsent};
    if (row < 0 || static_cast<std::size_t>(row) >= BOARD_PORT_SLOTS) {
        return texts;
    }
    auto port = static_cast<std::size_t>(row);
    texts[1] = Format("COM%d", board.comNumber[port]);
    texts[2] = ChoiceText(catalog::RxTriggerChoices, board.rxTriggerIndex[port]);
    texts[3] = ChoiceText(catalog::TxFifoChoices, board.txFifoIndex[port]);
    return texts;
}

std::array<std::string, 7> BoardRowTexts(const BoardConfig& board) {
    const bool pci = board.busKind == catalog::BUS_PCI;
    std::size_t slots = board.PortSlots();
    std::size_t last = slots == 0 ? 0 : slots - 1;
    char com[48];
    std::snprintf(com, sizeof com, "COM%-3d - COM%-3d", board.comNumber[0], board.comNumber[last]);
    return {
        std::string(
            catalog::boardTypeName(static_cast<std::uint32_t>(board.typeCode), board.busKind)),
        Format("%X", board.ioAddress[0]),
        board.vectorAddress == 0 ? kAbsent : Format("%X", board.vectorAddress),
        Format("%d", board.irq),
        pci ? Format("%d", board.pciBus) : kAbsent,
        pci ? Format("%d", board.pciDevice) : kAbsent,
        com,
    };
}

void PaintPortRow(ReportListCtrl& list, int row, BoardConfig* board, CDC& dc, RECT& rect) {
    if (!board) {
        return;
    }
    auto texts = PortRowTexts(*board, row);
    PaintCells(list, texts, dc, rect);
}

void PaintBoardRow(ReportListCtrl& list, int, BoardConfig* board, CDC& dc, RECT& rect) {
    if (!board) {
        return;
    }
    auto texts = BoardRowTexts(*board);
    PaintCells(list, texts, dc, rect);
}

}  // namespace ovtb::panel
