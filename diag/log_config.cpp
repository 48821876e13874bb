#include "diag/log_config.h"

#include <algorithm>

namespace ovtb::diag {

namespace {

namespace off = log_config_offsets;

std::uint16_t U16(std::span<const std::uint8_t> d, std::size_t at) {
    return static_cast<std::uint16_t>(d[at] | d[at + 1] << 8);
}
std::uint32_t U32(std::span<const std::uint8_t> d, std::size_t at) {
    return static_cast<std::uint32_t>(U16(d, at)) | static_cast<std::uint32_t>(U16(d, at + 2))
                                                        << 16;
}

std::size_t PortSlots(std::int32_t portCount) {
    return static_cast<std::size_t>(std::clamp<std::int32_t>(portCount, 0, 8));
}

// The smallest descriptor that holds the fields read for its type.
std::size_t MinimumLength(std::uint32_t type) {
    if (type == RESOURCE_IO)
        return off::ioLast + 2;
    if (type == RESOURCE_IRQ)
        return off::irq + 2;
    return off::type + 4;
}

}  // namespace

bool ParseForcedConfig(std::span<const std::uint8_t> data, ForcedConfigVariant variant,
                       std::int32_t portCount, BoardResources& out) {
    const bool async = variant == ForcedConfigVariant::OrvaneAsync;
    out.irq = 0;
    out.vectorAddress = 0;
    for (std::size_t k = 0; k < PortSlots(portCount); ++k)
        out.ioAddress[k] = 0;
    std::size_t ranges = 0;
    std::int32_t firstIrq = 0;
    std::uint16_t lastIoBase = 0;

    std::size_t pos = off::header;
    while (true) {
        // The length itself must lie within the data read.
        if (pos > data.size() || data.size() - pos < 4)
            return false;
        const std::uint32_t length = async ? U16(data, pos) : U32(data, pos);
        if (length == 0)
            break;
        if (length > data.size() - pos)
            return false;
        if (length < off::type + 4)
            return false;
        const std::uint32_t type = async ? U16(data, pos + off::type) : data[pos + off::type];
        if (length < MinimumLength(type))
            return false;
        if (type == RESOURCE_IO) {
            const std::uint16_t base = U16(data, pos + off::ioBase);
            const std::uint16_t last = U16(data, pos + off::ioLast);
            lastIoBase = base;
            if (base == last) {
                out.vectorAddress = base >= 1 && base <= 15 ? 16 : base;
            } else {
                if (ranges == 8)
                    return false;
                out.ioAddress[ranges++] = base;
            }
        } else if (type == RESOURCE_IRQ) {
            const std::int32_t irq = U16(data, pos + off::irq);
            if (!async) {
                out.irq = irq;
            } else if (firstIrq == 0) {
                firstIrq = irq;
            }
        }
        pos += length;
    }
    if (!async)
        return true;
    if (firstIrq == 0 || lastIoBase == 0)
        return false;
    out.irq = firstIrq;
    return true;
}

bool ParseAllocation(std::span<const std::uint8_t> data, std::int32_t portCount,
                     BoardResources& out) {
    const std::size_t ports = PortSlots(portCount);
    for (std::size_t k = 0; k < ports; ++k)
        out.ioAddress[k] = 0;
    out.vectorAddress = 0;
    out.irq = 0;
    if (data.size() < 10)
        return false;
    bool portsAssigned = false;
    std::size_t pos = off::header;
    while (pos <= data.size() && data.size() - pos >= 4) {
        const std::uint32_t length = U32(data, pos);
        if (length == 0 || length > data.size() - pos)
            break;
        if (length < off::type + 4)
            return false;
        const std::uint32_t type = data[pos + off::type];
        if (length < MinimumLength(type))
            return false;
        if (type == RESOURCE_IRQ) {
            out.irq = U16(data, pos + off::irq);
        } else if (type == RESOURCE_IO) {
            const std::uint32_t base = U16(data, pos + off::ioBase);
            const std::uint32_t last = U16(data, pos + off::ioLast);
            if (last == base + 15) {
                out.vectorAddress = static_cast<std::uint16_t>(base);
            } else if (last == base + 63) {
                if (portsAssigned)
                    return false;
                portsAssigned = true;
                for (std::size_t k = 0; k < ports; ++k) {
                    out.ioAddress[k] = static_cast<std::uint16_t>(base + 8 * k);
                }
            }
        }
        pos += length;
    }
    return true;
}

}  // namespace ovtb::diag
