// Board setting records and blocks as another party hands them over (the diagnostic tool's
// block, a stored record): any bytes. Each decoder is bounded by the buffer, its counts are
// clamped, and decoding what it encodes gives the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "catalog/board_setting_record.h"

using namespace ovtb::catalog;

namespace {

template <typename Record>
void RoundTrip(std::span<const std::uint8_t> in) {
    auto decoded = Record::Decode(in);
    if (decoded.has_value() != (in.size() >= Record::kSize)) {
        std::abort();
    }
    if (!decoded) {
        return;
    }
    const auto bytes = decoded->ToBytes();
    auto again = Record::Decode(bytes);
    if (!again || !(*again == *decoded)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> in(data, size);
    RoundTrip<BoardSettingRecord>(in);
    RoundTrip<CoInstallerBoardRecord>(in);
    RoundTrip<BoardSettingBlock>(in);
    if (auto record = BoardSettingRecord::Decode(in)) {
        if (record->PortSlots() > RECORD_PORT_SLOTS ||
            record->hardwareKey.size() >= HARDWARE_KEY_BYTES) {
            std::abort();
        }
    }
    if (auto block = BoardSettingBlock::Decode(in)) {
        if (block->ValidCount() > MAX_BOARDS) {
            std::abort();
        }
    }
    return 0;
}
