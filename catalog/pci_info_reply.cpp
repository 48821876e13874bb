#include "catalog/pci_info_reply.h"

#include <algorithm>

namespace ovtb::catalog {

namespace off = pci_info_reply_offsets;

std::size_t PciInfoReply::ValidCount() const {
    return std::min<std::size_t>(count, PCI_INFO_MAX_BOARDS);
}

PciBoardInfo PciInfoReply::Board(std::size_t index) const {
    if (index >= PCI_INFO_MAX_BOARDS) {
        return {};
    }
    return {deviceId[index],      busNumber[index], deviceNumber[index], ioBase[index],
            vectorAddress[index], bar1Port[index],  irq[index]};
}

void PciInfoReply::SetBoard(std::size_t index, const PciBoardInfo& board) {
    if (index >= PCI_INFO_MAX_BOARDS) {
        return;
    }
    deviceId[index] = board.deviceId;
    busNumber[index] = board.busNumber;
    deviceNumber[index] = board.deviceNumber;
    ioBase[index] = board.ioBase;
    vectorAddress[index] = board.vectorAddress;
    bar1Port[index] = board.bar1Port;
    irq[index] = board.irq;
}

bool PciInfoReply::Encode(std::span<std::uint8_t> out) const {
    if (out.size() < kSize) {
        return false;
    }
    PutU32(out, off::count, count);
    for (std::size_t i = 0; i < PCI_INFO_MAX_BOARDS; ++i) {
        PutU16(out, off::deviceId + 2 * i, deviceId[i]);
        PutU16(out, off::busNumber + 2 * i, busNumber[i]);
        PutU16(out, off::deviceNumber + 2 * i, deviceNumber[i]);
        PutU32(out, off::ioBase + 4 * i, ioBase[i]);
        PutU32(out, off::vectorAddress + 4 * i, vectorAddress[i]);
        PutU32(out, off::bar1Port + 4 * i, bar1Port[i]);
        PutU32(out, off::irq + 4 * i, irq[i]);
    }
    return true;
}

std::array<std::uint8_t, PciInfoReply::kSize> PciInfoReply::ToBytes() const {
    std::array<std::uint8_t, kSize> bytes{};
    Encode(bytes);
    return bytes;
}

std::optional<PciInfoReply> PciInfoReply::Decode(std::span<const std::uint8_t> in) {
    if (in.size() < kSize) {
        return std::nullopt;
    }
    PciInfoReply r;
    r.count = GetU32(in, off::count);
    for (std::size_t i = 0; i < PCI_INFO_MAX_BOARDS; ++i) {
        r.deviceId[i] = GetU16(in, off::deviceId + 2 * i);
        r.busNumber[i] = GetU16(in, off::busNumber + 2 * i);
        r.deviceNumber[i] = GetU16(in, off::deviceNumber + 2 * i);
        r.ioBase[i] = GetU32(in, off::ioBase + 4 * i);
        r.vectorAddress[i] = GetU32(in, off::vectorAddress + 4 * i);
        r.bar1Port[i] = GetU32(in, off::bar1Port + 4 * i);
        r.irq[i] = GetU32(in, off::irq + 4 * i);
    }
    return r;
}

}  // namespace ovtb::catalog
