#include "panel/config_check.h"

#include <cstdio>
#include <optional>
#include <string>

#include "catalog/board_catalog.h"
#include "panel/resource.h"
#include "panel/settings_store.h"
#include "panel/string_table.h"

namespace ovtb::panel {

namespace {

// A conflict: its message and the numbers it is filled with (counted from 1).
struct Conflict {
    unsigned messageId;
    int first;
    int second;
    int board = 0;  // the board of two conflicting ports (check 5 only)
};

int Number(std::size_t index) {
    return static_cast<int>(index) + 1;
}

bool InterruptsClash(std::int32_t a, std::int32_t b) {
    // The catalog offers interrupt 2 as "2 (9)": the two are one line.
    return a == b || (a == 2 && b == 9) || (a == 9 && b == 2);
}

std::optional<Conflict> FindConflict(ConfiguredBoards boards) {
    const std::size_t n = boards.size();

    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t a = 0; a < boards[i]->PortSlots(); ++a) {
            const int address = boards[i]->ioAddress[a];
            for (std::size_t j = i + 1; j < n; ++j) {
                for (std::size_t b = 0; b < boards[j]->PortSlots(); ++b) {
                    const int start = boards[j]->ioAddress[b];  // in int: start + 7 never wraps
                    if (start <= address && address <= start + 7) {
                        return Conflict{IDS_IO_CONFLICT, Number(i), Number(j)};
                    }
                }
            }
        }
    }

    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            const bool bothPci =
                boards[i]->busKind == catalog::BUS_PCI && boards[j]->busKind == catalog::BUS_PCI;
            if (InterruptsClash(boards[i]->irq, boards[j]->irq) && !bothPci) {
                return Conflict{IDS_IRQ_CONFLICT, Number(i), Number(j)};
            }
        }
    }

    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = i + 1; j < n; ++j) {
            if (boards[i]->vectorAddress != 0 &&
                boards[j]->vectorAddress == boards[i]->vectorAddress) {
                return Conflict{IDS_VECTOR_CONFLICT, Number(i), Number(j)};
            }
        }
    }

    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t a = 0; a < boards[i]->PortSlots(); ++a) {
            for (std::size_t j = i + 1; j < n; ++j) {
                for (std::size_t b = 0; b < boards[j]->PortSlots(); ++b) {
                    if (boards[i]->comNumber[a] == boards[j]->comNumber[b]) {
                        return Conflict{IDS_COM_CONFLICT_BOARDS, Number(i), Number(j)};
                    }
                }
            }
        }
    }

    for (std::size_t k = 0; k < n; ++k) {
        for (std::size_t a = 0; a < boards[k]->PortSlots(); ++a) {
            for (std::size_t b = a + 1; b < boards[k]->PortSlots(); ++b) {
                if (boards[k]->comNumber[a] == boards[k]->comNumber[b]) {
                    return Conflict{IDS_COM_CONFLICT_PORTS, Number(a), Number(b), Number(k)};
                }
            }
        }
    }

    return std::nullopt;
}

std::string ConflictText(const Conflict& conflict) {
    const std::string format = LoadPanelString(conflict.messageId);
    char text[256];
    // The formats are the panel's own string table entries: "%d" placeholders only, two for
    // boards, three for ports of a board (the extra argument is ignored by the two-number ones).
    std::snprintf(text, sizeof text, format.c_str(), conflict.first, conflict.second,
                  conflict.board);
    return text;
}

std::vector<const BoardConfig*> Pointers(const std::vector<std::unique_ptr<BoardConfig>>& boards) {
    std::vector<const BoardConfig*> pointers;
    pointers.reserve(boards.size());
    for (const auto& board : boards) {
        pointers.push_back(board.get());
    }
    return pointers;
}

}  // namespace

bool CheckConfiguration(ConfiguredBoards boards, HWND owner) {
    const auto conflict = FindConflict(boards);
    if (!conflict) {
        return true;
    }
    PanelMessageBox(owner, ConflictText(*conflict), MB_OK | MB_ICONEXCLAMATION);
    return false;
}

void SaveConfiguration(ConfiguredBoards boards) {
    std::vector<catalog::SettingsRecord> records;
    records.reserve(boards.size());
    for (const BoardConfig* board : boards) {
        records.push_back(board->ToSettingsRecord());
    }
    WriteSettings(records);
}

bool SaveOnOk(ConfiguredBoards boards, HWND owner) {
    if (!CheckConfiguration(boards, owner)) {
        return false;
    }
    SaveConfiguration(boards);
    RegisterDiagnostics();
    return true;
}

bool CheckConfiguration(const std::vector<std::unique_ptr<BoardConfig>>& boards, HWND owner) {
    return CheckConfiguration(Pointers(boards), owner);
}

void SaveConfiguration(const std::vector<std::unique_ptr<BoardConfig>>& boards) {
    SaveConfiguration(Pointers(boards));
}

bool SaveOnOk(const std::vector<std::unique_ptr<BoardConfig>>& boards, HWND owner) {
    return SaveOnOk(Pointers(boards), owner);
}

}  // namespace ovtb::panel
