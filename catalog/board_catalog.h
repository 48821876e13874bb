// The board catalog: the models of the Talvex/Brinor family with their type codes, port counts
// and names, the choice lists that the dialogs offer, and the registry names under which models
// are registered for the diagnostic tool. Constant data and pure lookups only.
//
// Lookups search rows in table order and the first match wins; "none" is a null pointer (rows)
// or an empty optional (positions).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace ovtb::catalog {

// The maker's PCI vendor id, matched by the PCI information driver and the board discovery.
inline constexpr std::uint16_t BOARD_VENDOR_ID = 0x4F56;

// Every board list and store holds at most this many boards.
inline constexpr std::size_t MAX_BOARDS = 4;

// Bus kinds. Lookups that take a bus kind treat BUS_PCI as PCI and every other value as ISA.
inline constexpr std::int32_t BUS_ISA = 0;
inline constexpr std::int32_t BUS_PCI = 1;

// Every PCI model's type code has this bit; no ISA model's code has it.
inline constexpr std::uint16_t PCI_TYPE_BIT = 0x2000;

// Both board tables have this many slots.
inline constexpr std::size_t BOARD_TABLE_SLOTS = 7;

// One row of IsaBoardTable or PciBoardTable. An ISA row has no deviceId (0); a PCI row has no
// pnpNumber (0) and no spare number. An empty PCI slot is all zero with empty names.
struct BoardType {
    std::int32_t pnpNumber;  // ISA: the number in the Plug and Play id "OV10nn"
    std::uint16_t deviceId;  // PCI: the device id (vendor BOARD_VENDOR_ID)
    std::uint32_t typeCode;  // upper half zero
    std::int32_t spare;      // ISA: a per-row number that nothing reads
    std::int32_t portCount;
    const char* longName;   // never null
    const char* shortName;  // never null; used as a registry key name

    constexpr bool filled() const { return typeCode != 0; }
};

inline constexpr std::array<BoardType, BOARD_TABLE_SLOTS> IsaBoardTable = {{
    {5, 0, 0x0210, 1, 8, "V678 Series", "V678"},
    {6, 0, 0x0110, 2, 4, "V674 Series", "V674"},
    {7, 0, 0x0010, 11, 2, "V672 Series", "V672"},
    {8, 0, 0x0130, 3, 4, "VI-594 Series", "VI594"},
    {9, 0, 0x0020, 4, 2, "VI-592 Series", "VI592"},
    {10, 0, 0x0140, 2, 4, "V583QX Series", "V583QX"},
    {11, 0, 0x0120, 5, 4, "VI-572K Series", "VI572K"},
}};

// Slots 5 and 6 are empty and never match a lookup.
inline constexpr std::array<BoardType, BOARD_TABLE_SLOTS> PciBoardTable = {{
    {0, 0x6780, 0x2210, 0, 8, "V678 PCI Series", "678PCI"},
    {0, 0x6740, 0x2110, 0, 4, "V674 PCI Series", "674PCI"},
    {0, 0x5830, 0x2310, 0, 4, "VT-583 Series", "VT583"},
    {0, 0x5831, 0x2150, 0, 4, "VP-583 Series", "VP583"},
    {0, 0x5920, 0x2020, 0, 2, "VP-592 Series", "VP592"},
    {0, 0, 0, 0, 0, "", ""},
    {0, 0, 0, 0, 0, "", ""},
}};

// The number of filled rows at the start of PciBoardTable.
inline constexpr std::size_t PCI_BOARD_ROWS = 5;

// Registry names and fixed texts.
inline constexpr const char* DRIVER_KEY_PATH = "Software\\ORVANE\\Driver";
inline constexpr const char* BOARD_TYPE_VALUE = "ovkey";
inline constexpr const char* DIAG_DLL_VALUE = "DiagDLL";
inline constexpr const char* UNKNOWN_BOARD_TEXT = "Unknown Board";

// The longest text boardTypeName gives, without the terminator.
inline constexpr std::size_t BOARD_TYPE_NAME_MAX = 15;

// The model's long name: with BUS_PCI the filled PCI rows are searched by `typeCode` (the whole
// 32-bit value against the row's code), with any other bus kind the ISA rows by the low 16 bits
// of `typeCode`. UNKNOWN_BOARD_TEXT when no row matches.
std::string_view boardTypeName(std::uint32_t typeCode, std::int32_t busKind);

// The same name copied into `buffer`, cut to fit and always zero-terminated (nothing is written
// into an empty buffer). Returns the number of characters copied.
std::size_t boardTypeName(std::uint32_t typeCode, std::int32_t busKind, std::span<char> buffer);

const BoardType* findIsaBoardByPnpNumber(std::int32_t pnpNumber);
const BoardType* findIsaBoardByTypeCode(std::uint32_t typeCode);  // low 16 bits compared
const BoardType* findPciBoardByDeviceId(std::uint16_t deviceId);  // filled rows only
const BoardType* findPciBoardByTypeCode(std::uint32_t typeCode);  // filled rows only

// ISA rows by list position 0 to 6 (the panel lists the ISA models in table order).
const BoardType* isaBoardAt(std::int32_t position);
std::optional<std::int32_t> isaBoardPosition(std::uint32_t typeCode);

// ---- Choice lists ----

struct IrqChoice {
    std::int32_t irq;
    const char* text;
};

inline constexpr std::array<IrqChoice, 9> IrqChoices = {{
    {2, "2 (9)"},
    {3, "3"},
    {4, "4"},
    {5, "5"},
    {7, "7"},
    {10, "10"},
    {11, "11"},
    {12, "12"},
    {15, "15"},
}};

struct RxTriggerChoice {
    std::int32_t choiceIndex;
    std::int32_t rxLevel;  // trigger level in bytes
    std::uint8_t fcrBits;  // bits 7 and 6 of a 16550 FIFO control register
    const char* text;
};

inline constexpr std::array<RxTriggerChoice, 4> RxTriggerChoices = {{
    {0, 1, 0x00, "1"},
    {1, 4, 0x40, "4"},
    {2, 8, 0x80, "8"},
    {3, 14, 0xC0, "14"},
}};

struct TxFifoChoice {
    std::int32_t fifoSize;  // bytes
    std::int32_t choiceIndex;
    const char* text;
};

inline constexpr std::array<TxFifoChoice, 16> TxFifoChoices = {{
    {1, 0, "1"},
    {2, 1, "2"},
    {3, 2, "3"},
    {4, 3, "4"},
    {5, 4, "5"},
    {6, 5, "6"},
    {7, 6, "7"},
    {8, 7, "8"},
    {9, 8, "9"},
    {10, 9, "10"},
    {11, 10, "11"},
    {12, 11, "12"},
    {13, 12, "13"},
    {14, 13, "14"},
    {15, 14, "15"},
    {16, 15, "16"},
}};

struct PortCountChoice {
    std::int32_t portCount;
    const char* text;
    std::int32_t step;  // not read by anything
};

inline constexpr std::array<PortCountChoice, 5> PortCountChoices = {{
    {4, "4 ports", 0},
    {8, "8 ports", 0},
    {16, "16 ports", 1},
    {24, "24 ports", 2},
    {32, "32 ports", 3},
}};

struct PollingChoice {
    std::int32_t position;
    std::int32_t period;  // units of 100 ms; 0 = polled manually
    const char* text;
};

inline constexpr std::array<PollingChoice, 6> PollingChoices = {{
    {0, 0, "Manually"},
    {1, 10, "Every second"},
    {2, 50, "Every 5 seconds"},
    {3, 100, "Every 10 seconds"},
    {4, 300, "Every 30 seconds"},
    {5, 600, "Every minute"},
}};

// Lists that the family's data carries but no operation reads.
struct PortCountStep {
    std::int32_t portCount;
    std::int32_t step;
    const char* text;
};

inline constexpr std::array<PortCountStep, 4> PortCountSteps = {{
    {8, 0, "8 ports"},
    {16, 1, "16 ports"},
    {24, 2, "24 ports"},
    {32, 3, "32 ports"},
}};

inline constexpr std::array<const char*, 5> PortCountTexts = {
    "4 ports", "8 ports", "16 ports", "24 ports", "32 ports",
};

struct MemoryBankChoice {
    std::uint32_t address;
    const char* text;
};

inline constexpr std::array<MemoryBankChoice, 6> MemoryBankChoices = {{
    {0xC8000, "C8000"},
    {0xCC000, "CC000"},
    {0xD0000, "D0000"},
    {0xD4000, "D4000"},
    {0xD8000, "D8000"},
    {0xDC000, "DC000"},
}};

// Position -> row (null outside the list); value -> position (empty when not in the list).
const IrqChoice* irqChoiceAt(std::int32_t position);
std::optional<std::int32_t> irqChoiceIndex(std::int32_t irq);

const RxTriggerChoice* rxTriggerChoiceAt(std::int32_t position);
std::optional<std::int32_t> rxTriggerIndexByLevel(std::int32_t rxLevel);
// Compares the whole value with the rows' fcrBits; a caller holding a full FIFO control
// register value masks it with 0xC0 first.
std::optional<std::int32_t> rxTriggerIndexByFcrBits(std::uint32_t fcrBits);

const TxFifoChoice* txFifoChoiceAt(std::int32_t position);
std::optional<std::int32_t> txFifoIndexBySize(std::int32_t fifoSize);

const PortCountChoice* portCountChoiceAt(std::int32_t position);
std::optional<std::int32_t> portCountChoiceIndex(std::int32_t portCount);

const PollingChoice* pollingChoiceAt(std::int32_t position);
std::optional<std::int32_t> pollingChoiceIndexByPeriod(std::int32_t period);

}  // namespace ovtb::catalog
