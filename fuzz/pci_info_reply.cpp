// A PCI information reply as the panel or the diagnostic library receives it: any bytes. The
// decoder is bounded by the buffer, the count is clamped to the arrays, and the reply encodes
// back to the same 180 bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "catalog/pci_info_reply.h"

using namespace ovtb::catalog;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> in(data, size);
    auto reply = PciInfoReply::Decode(in);
    if (reply.has_value() != (size >= PciInfoReply::kSize)) {
        std::abort();
    }
    if (!reply) {
        return 0;
    }
    if (reply->ValidCount() > PCI_INFO_MAX_BOARDS) {
        std::abort();
    }
    for (std::size_t i = 0; i < reply->ValidCount(); ++i) {
        (void)reply->Board(i);
    }
    const auto bytes = reply->ToBytes();
    if (!std::equal(bytes.begin(), bytes.end(), in.begin())) {
        std::abort();
    }
    return 0;
}
