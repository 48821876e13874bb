// The board lists of the NT family's serial drivers: "OvConfig" and the 24- and 60-byte
// "Settings" entries, with and without a PCI reply. The first byte chooses what to decode;
// with a reply, its 180 bytes follow, then the value.
#include <cstddef>
#include <cstdint>
#include <span>

#include "diag/nt_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ovtb::diag;
    if (size == 0)
        return 0;
    const std::uint8_t mode = data[0];
    std::span<const std::uint8_t> rest(data + 1, size - 1);
    std::optional<PciInfoReply> reply;
    if ((mode & 4) && rest.size() >= PciInfoReply::kSize) {
        reply = PciInfoReply::Decode(rest);
        rest = rest.subspan(PciInfoReply::kSize);
    }
    const PciInfoReply* r = reply ? &*reply : nullptr;
    BoardSettingBlock block;
    switch (mode & 3) {
        case 0:
            FillOvConfigBoards(rest, block);
            break;
        case 1:
            FillSettings24Boards(rest, r, block);
            break;
        default:
            FillSettings60Boards(rest, r, (mode & 1) != 0, block);
            break;
    }
    if (block.count > 4)
        __builtin_trap();
    for (std::size_t i = 0; i < block.count; ++i) {
        std::uint8_t bytes[BoardSettingRecord::kSize];
        if (!block.records[i].Encode(bytes))
            __builtin_trap();
    }
    return 0;
}
