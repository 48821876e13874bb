#include "panel/unattended_setup.h"

#include <span>

#include "catalog/board_setting_record.h"
#include "panel/board_config.h"
#include "panel/board_lists.h"
#include "panel/settings_store.h"

namespace ovtb::panel {

bool UnattendedSetup(const CommandLineSettings& settings, const catalog::PciInfoReply& reply) {
    if (settings.count < 1) {
        return false;
    }
    catalog::BoardSettingBlock scratch;
    BuildOfferedBoards(scratch, reply, std::span(settings.requests).first(1));
    if (scratch.count == 0) {
        return false;  // nothing confirmed the board: nothing to store
    }
    catalog::BoardSettingRecord& entry = scratch.records[0];
    for (std::size_t p = 0; p < BOARD_PORT_SLOTS; ++p) {
        // Unsigned, so that a first COM number near the top of the range wraps instead of
        // overflowing; the record keeps the low 16 bits in any case.
        entry.comNumber[p] =
            static_cast<std::int32_t>(static_cast<std::uint32_t>(settings.firstCom) + p);
        entry.rxTriggerIndex[p] = settings.rxTriggerIndex;
        entry.txFifoIndex[p] = settings.txFifoIndex;
    }
    BoardConfig board;
    board.LoadFromBlock(scratch, 0);
    const catalog::SettingsRecord record = board.ToSettingsRecord();
    WriteSettings(std::span(&record, 1));
    RegisterDiagnostics();
    return true;
}

}  // namespace ovtb::panel
