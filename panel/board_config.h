// BoardConfig: the panel's object for one configured or offered board. The board lists hold
// pointers to it and delete boards through them, so it is polymorphic. Its fields have the names
// and meanings of the board setting record's fields.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "catalog/board_catalog.h"
#include "catalog/board_setting_record.h"
#include "catalog/settings_record.h"

namespace ovtb::panel {

// A BoardConfig has room for this many ports.
inline constexpr std::size_t BOARD_PORT_SLOTS = 8;

class BoardConfig {
  public:
    // Every field takes its default (an eight-port ISA V678 at 0x180, IRQ 10, COM3 up).
    BoardConfig();
    virtual ~BoardConfig() = default;
    BoardConfig(const BoardConfig&) = default;
    BoardConfig& operator=(const BoardConfig&) = default;

    // Fills the board from record `index` of `block`: the scalar fields, then the four per-port
    // values of each port below the record's portCount. Port slots from there on keep what they
    // held. At most the 8 slots of this board are touched, whatever portCount says; an index
    // outside 0 to MAX_BOARDS - 1 changes nothing.
    void LoadFromBlock(const catalog::BoardSettingBlock& block, std::size_t index);

    // Copies every scalar field, and the per-port values of each port below other's portCount
    // (at most 8).
    void CopyFrom(const BoardConfig& other);

    // The model's long name, or "Unknown Board".
    std::string GetTypeName() const;
    // The same, cut to fit `buffer` and zero-terminated; returns the characters copied.
    std::size_t GetTypeName(std::span<char> buffer) const;

    // GetTypeName, and for a PCI board "(Bus/Dev=%d/%d)" right after it.
    std::string GetDisplayName() const;
    std::size_t GetDisplayName(std::span<char> buffer) const;

    // The 60-byte stored form of the board. A board of more than 8 ports stores its first 8.
    catalog::SettingsRecord ToSettingsRecord() const;

    // The number of port slots that carry meaning: portCount within 0 to 8.
    std::size_t PortSlots() const;

    // Field by field, all 8 port slots included.
    bool operator==(const BoardConfig&) const = default;

    std::int32_t busKind;
    std::uint16_t pciDeviceId;
    std::uint16_t pciDevice;
    std::uint16_t pciBus;
    std::int32_t typeCode;  // low 16 bits significant
    std::int32_t irq;
    std::uint16_t vectorAddress;  // 0: none
    std::array<std::uint16_t, BOARD_PORT_SLOTS> ioAddress;
    std::array<std::int32_t, BOARD_PORT_SLOTS> comNumber;       // 3 is COM3
    std::array<std::int32_t, BOARD_PORT_SLOTS> rxTriggerIndex;  // position in RxTriggerChoices
    std::array<std::int32_t, BOARD_PORT_SLOTS> txFifoIndex;     // position in TxFifoChoices
    std::int32_t portCount;
};

}  // namespace ovtb::panel
