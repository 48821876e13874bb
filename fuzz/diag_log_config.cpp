// The Windows 9x log configuration parsers ("ForcedConfig" in both variants, "Allocation")
// over arbitrary bytes. The first byte chooses the port count (0 to 40, so counts beyond the
// record's 8 slots are tried too); the rest is the value as read.
#include <cstddef>
#include <cstdint>
#include <span>

#include "diag/log_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace ovtb::diag;
    if (size == 0)
        return 0;
    const std::int32_t ports = data[0] % 41;
    std::span<const std::uint8_t> value(data + 1, size - 1);
    BoardResources r;
    ParseForcedConfig(value, ForcedConfigVariant::MultiFunction, ports, r);
    ParseForcedConfig(value, ForcedConfigVariant::OrvaneAsync, ports, r);
    ParseAllocation(value, ports, r);
    return 0;
}
