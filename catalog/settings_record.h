// SettingsRecord: the 60-byte stored form of one board for the NT serial driver, and the value
// "Settings" that holds up to four of them back to back (no header, no count). The panel
// writes them; the panel's start-up and the diagnostic library read them.
//
// ProductNumbers gives the model byte of a record: a reader learns the board model only from
// it, and the port count only from the catalog row of that model.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "catalog/board_catalog.h"
#include "catalog/byte_codec.h"

namespace ovtb::catalog {

// Where the records live, under HKEY_LOCAL_MACHINE. The keys belong to the driver's
// installation; the panel opens them and never creates them.
inline constexpr const char* OVSERP_SERVICE_KEY_PATH =
    "SYSTEM\\CurrentControlSet\\Services\\Ovserp";
inline constexpr const char* OVSERP_PARAMETERS_KEY_PATH =
    "SYSTEM\\CurrentControlSet\\Services\\Ovserp\\Parameters";
inline constexpr const char* SETTINGS_VALUE = "Settings";     // REG_BINARY, under Parameters
inline constexpr const char* PRODUCT_ID_VALUE = "ProductID";  // REG_DWORD, under the service key

inline constexpr std::size_t SETTINGS_RECORD_SIZE = 60;
// A reader reads at most this much of "Settings"; a longer value is not read at all.
inline constexpr std::size_t SETTINGS_READ_BYTES = SETTINGS_RECORD_SIZE * MAX_BOARDS;
inline constexpr std::size_t SETTINGS_PORT_SLOTS = 8;

// The product number of a record whose model has none.
inline constexpr std::uint8_t NO_PRODUCT_NUMBER = 0xFF;

namespace settings_record_offsets {
inline constexpr std::size_t pciDeviceId = 0x00;
inline constexpr std::size_t pciBus = 0x02;
inline constexpr std::size_t pciDevice = 0x04;
// 0x06: 2 reserved bytes
inline constexpr std::size_t ioBase = 0x08;
inline constexpr std::size_t vectorAddress = 0x0C;
inline constexpr std::size_t irq = 0x10;
// 0x14: 4 reserved bytes
inline constexpr std::size_t productNumber = 0x18;
inline constexpr std::size_t portCount = 0x19;
inline constexpr std::size_t comNumber = 0x1A;
inline constexpr std::size_t rxTriggerIndex = 0x2A;
inline constexpr std::size_t txFifoSize = 0x32;
// 0x3A: 2 reserved bytes
}  // namespace settings_record_offsets

inline constexpr std::array<FieldLayout, 11> SettingsRecordLayout = {{
    {"pciDeviceId", settings_record_offsets::pciDeviceId, 2, 1},
    {"pciBus", settings_record_offsets::pciBus, 2, 1},
    {"pciDevice", settings_record_offsets::pciDevice, 2, 1},
    {"ioBase", settings_record_offsets::ioBase, 4, 1},
    {"vectorAddress", settings_record_offsets::vectorAddress, 4, 1},
    {"irq", settings_record_offsets::irq, 4, 1},
    {"productNumber", settings_record_offsets::productNumber, 1, 1},
    {"portCount", settings_record_offsets::portCount, 1, 1},
    {"comNumber", settings_record_offsets::comNumber, 2, SETTINGS_PORT_SLOTS},
    {"rxTriggerIndex", settings_record_offsets::rxTriggerIndex, 1, SETTINGS_PORT_SLOTS},
    {"txFifoSize", settings_record_offsets::txFifoSize, 1, SETTINGS_PORT_SLOTS},
}};

struct SettingsRecord {
    static constexpr std::size_t kSize = SETTINGS_RECORD_SIZE;

    std::uint16_t pciDeviceId = 0;  // 0 for an ISA board
    std::uint16_t pciBus = 0;
    std::uint16_t pciDevice = 0;
    std::uint32_t ioBase = 0;         // I/O address of port 0 (a 16-bit value)
    std::uint32_t vectorAddress = 0;  // a 16-bit value; 0: none
    std::int32_t irq = 0;
    std::uint8_t productNumber = 0;  // NO_PRODUCT_NUMBER when the model has none
    std::uint8_t portCount = 0;      // written, but readers take the count from the catalog
    std::array<std::uint16_t, SETTINGS_PORT_SLOTS> comNumber{};
    std::array<std::uint8_t, SETTINGS_PORT_SLOTS> rxTriggerIndex{};  // read as signed bytes
    std::array<std::uint8_t, SETTINGS_PORT_SLOTS> txFifoSize{};      // bytes, 1 to 16

    // Writes the 60 bytes at the start of `out`. Returns false, writing nothing, when `out` is
    // shorter; bytes past 60 are left alone.
    bool Encode(std::span<std::uint8_t> out) const;
    std::array<std::uint8_t, kSize> ToBytes() const;
    // Reads the first 60 bytes of `in`; empty when `in` is shorter.
    static std::optional<SettingsRecord> Decode(std::span<const std::uint8_t> in);

    bool operator==(const SettingsRecord&) const = default;
};

// The records of a "Settings" value: its length divided by 60, rounded down, at most
// MAX_BOARDS; a partial record at the end is ignored.
std::vector<SettingsRecord> DecodeSettingsValue(std::span<const std::uint8_t> value);

// ---- ProductNumbers ----

struct ProductNumberRow {
    std::int32_t busKind;
    std::uint32_t productNumber;
    std::uint16_t typeCode;
};

// The ISA part (7 rows) and then the PCI part (5 rows). The ISA order is not that of
// IsaBoardTable: numbers 4 and 5 are VI592 and VI594.
inline constexpr std::array<ProductNumberRow, 12> ProductNumbers = {{
    {BUS_ISA, 1, 0x0210},
    {BUS_ISA, 2, 0x0110},
    {BUS_ISA, 3, 0x0010},
    {BUS_ISA, 4, 0x0020},
    {BUS_ISA, 5, 0x0130},
    {BUS_ISA, 6, 0x0140},
    {BUS_ISA, 7, 0x0120},
    {BUS_PCI, 8, 0x2210},
    {BUS_PCI, 9, 0x2110},
    {BUS_PCI, 10, 0x2310},
    {BUS_PCI, 11, 0x2150},
    {BUS_PCI, 12, 0x2020},
}};

// The product number of a model: the ISA part is searched for bus kind 0, the PCI part for any
// other value, by the low 16 bits of `typeCode`. -1 when that part has no such row.
std::int32_t ProductNumberOf(std::uint32_t typeCode, std::int32_t busKind);

struct DecodedProduct {
    std::int32_t busKind;
    std::uint16_t typeCode;

    bool operator==(const DecodedProduct&) const = default;
};

// The bus kind and type code of a product number (ISA part first); empty when none.
std::optional<DecodedProduct> DecodeProductNumber(std::uint8_t productNumber);

// ---- Field conversions shared by the writer and the readers ----

// The stored transmit FIFO size for a choice index: the fifoSize of the TxFifoChoices row with
// that index, 16 when there is none.
std::uint8_t TxFifoSizeForIndex(std::int32_t txFifoIndex);

// The choice index for a stored size byte: the row with that fifoSize; 15 outside 1 to 16.
std::int32_t TxFifoIndexForSize(std::uint8_t txFifoSize);

// A stored receive trigger byte is a signed 8-bit index, used unchanged.
std::int32_t RxTriggerIndexForByte(std::uint8_t rxTriggerIndex);

// The I/O address of port `port`: the low 16 bits of ioBase + 8 * port.
std::uint16_t PortIoAddress(const SettingsRecord& record, std::size_t port);

}  // namespace ovtb::catalog
