// The panel's command line: PCI boards named by device id, bus number and device number, and
// optionally the first COM number and the FIFO settings of one board set up without a window.
//
//   {id1 id2 }{{{bus dev 0 }{bus dev 0 }}{{bus dev 0 }}}{com }{rx }{tx }
//
// Numbers are decimal. The character right after a number is taken with it and not looked at,
// so a number that ends a group needs a space or comma before the brace. docs/panel-startup.md
// describes the reading in full, with examples.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "catalog/board_catalog.h"

namespace ovtb::panel {

// One board named on the command line.
struct PciBoardRequest {
    std::uint16_t deviceId = 0;
    std::uint16_t busNumber = 0;
    std::uint16_t deviceNumber = 0;

    bool operator==(const PciBoardRequest&) const = default;
};

// What the command line asks for. Only the first `count` requests carry meaning. The two FIFO
// indexes are meaningful only when `firstCom` is given; they are then within range (0 to 3 and
// 0 to 15, defaults 3 and 15); otherwise they hold what the command line said, -1 for nothing.
struct CommandLineSettings {
    std::array<PciBoardRequest, catalog::MAX_BOARDS> requests{};
    std::int32_t count = 0;
    std::int32_t firstCom = -1;  // -1: none given
    std::int32_t rxTriggerIndex = -1;
    std::int32_t txFifoIndex = -1;
};

// The default FIFO indexes of a board set up from the command line: 14 bytes, 16 bytes.
inline constexpr std::int32_t DEFAULT_RX_TRIGGER_INDEX = 3;
inline constexpr std::int32_t DEFAULT_TX_FIFO_INDEX = 15;

// Reads the command-line text (everything after the program name) into `settings`, which it
// overwrites whole. Returns the number of requests. Never fails: text that does not follow the
// shape gives fewer requests or none, and no first COM number.
//
// A number of any length is safe: an id, bus or device number keeps the low 16 bits of its
// value; a value of more than 32 bits never completes a request, reads as out of range for the
// FIFO indexes and as no first COM number. A value that fits in 32 bits is taken as a 32-bit
// integer, as the panel always has.
int ParseCommandLine(std::string_view commandLine, CommandLineSettings& settings);

// The start-up decision: one named board with a first COM number is set up without a window.
enum class StartupPath { MainDialog, Unattended };
StartupPath DecideStartupPath(const CommandLineSettings& settings);

}  // namespace ovtb::panel
