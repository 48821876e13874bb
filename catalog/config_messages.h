// The configuration message texts. There are two variants that differ only in entries 12 and 13:
// variant A for the panel and the diagnostic library, variant B for the property page library.
// A deliverable picks its variant by naming its table; both are always compiled in.
// "\n" is a line feed; the printf placeholders are filled by the code that shows a message.
#pragma once

#include <array>
#include <cstddef>

namespace ovtb::catalog {

inline constexpr std::size_t CONFIG_MESSAGE_COUNT = 14;

inline constexpr std::size_t MSG_PORTS_EXCEED_MAX = 0;
inline constexpr std::size_t MSG_COM_INVALID = 1;
inline constexpr std::size_t MSG_COM_CONFLICT_PORTS = 2;
inline constexpr std::size_t MSG_IO_CONFLICT_PORTS = 3;
inline constexpr std::size_t MSG_PCI_IRQ_INVALID = 4;
inline constexpr std::size_t MSG_PCI_COM_CONFLICT = 5;
inline constexpr std::size_t MSG_BOARD_NOT_FOUND = 6;
inline constexpr std::size_t MSG_BOARD_TYPE_MISMATCH = 7;
inline constexpr std::size_t MSG_IRQ_MISMATCH = 8;
inline constexpr std::size_t MSG_VECTOR_MISMATCH = 9;
inline constexpr std::size_t MSG_IO_BASE_MISMATCH = 10;
inline constexpr std::size_t MSG_BIOS_IRQ_INVALID = 11;
inline constexpr std::size_t MSG_BIOS_IRQ_CONFLICT = 12;
inline constexpr std::size_t MSG_PCI_INFO_FAILED = 13;  // variant A
inline constexpr std::size_t MSG_COM_NAME_IN_USE = 13;  // variant B

using ConfigMessageTable = std::array<const char*, CONFIG_MESSAGE_COUNT>;

// Entries 0 to 11, the same in both variants.
inline constexpr std::array<const char*, 12> CommonConfigMessages = {
    "COM ports have exceeded max port number !",
    "Port %d(COM%d) Com number invalid !",
    "COM number conflicts between Port%d and Port%d !",
    "I/O range conflicts between Port%d and Port%d !",
    "%s(Bus/Dev=%d/%d, Port1=COM%d) interrupt number is invalid.",
    "%s(Bus/Dev=%d/%d, Port1=COM%d) COM number conflicts with another board.",
    "%s (CAP=0x%X, Port1=COM%d): Board is not found !",
    "%s (CAP=0x%X, Port1=COM%d): \nBoard type mismtach !\nCAP=0x%X should be %s board !",
    "%s (CAP=0x%X, Port1=COM%d): \nIRQ software and hardware configuration mismatch !\n"
    "Software IRQ setting = %d, Hardware IRQ setting= %d.",
    "%s (CAP=0x%X, Port1=COM%d): \nINT vector software and hardware configuration mismatch !\n"
    "Software setting = 0x%X, Hardware setting = 0x%X.",
    "%s (CAP=0x%X, Port1=COM%d): I/O base configuration mismatch !",
    "Interrupt number is invalid, please re-configure your BIOS.",
};

constexpr ConfigMessageTable MakeConfigMessages(const char* entry12, const char* entry13) {
    ConfigMessageTable table{};
    for (std::size_t i = 0; i < CommonConfigMessages.size(); ++i) {
        table[i] = CommonConfigMessages[i];
    }
    table[12] = entry12;
    table[13] = entry13;
    return table;
}

// The panel's and the diagnostic library's variant.
inline constexpr ConfigMessageTable ConfigMessagesA = MakeConfigMessages(
    "Interrupt number conflicts with another board, please re-configure your BIOS.",
    "Load ovpci.sys service fail !\nCan not get PCI informantion.\n");

// The property page library's variant.
inline constexpr ConfigMessageTable ConfigMessagesB = MakeConfigMessages(
    "Interrupt number conflicts with another Talvex/Brinor board, please re-configure your "
    "BIOS.",
    "This COM name is being used by another device (such as another com port or modem). Using "
    "duplicate names can lead to inaccessible devices and changed setting. Do you want to "
    "continue?");

}  // namespace ovtb::catalog
