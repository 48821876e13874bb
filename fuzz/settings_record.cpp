// A "Settings" value as the registry holds it: any bytes, any length. Decoding reads whole
// records only, at most four, and what it reads encodes back to the same bytes except for the
// reserved ones. The readers' field rules stay within the catalog's lists.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "catalog/board_catalog.h"
#include "catalog/settings_record.h"

using namespace ovtb::catalog;

namespace {

bool Reserved(std::size_t offset) {
    return offset == 0x06 || offset == 0x07 || (offset >= 0x14 && offset < 0x18) || offset >= 0x3A;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> value(data, size);
    const auto records = DecodeSettingsValue(value);
    if (records.size() > MAX_BOARDS || records.size() > size / SETTINGS_RECORD_SIZE) {
        std::abort();
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        const auto& record = records[i];
        const auto bytes = record.ToBytes();
        for (std::size_t p = 0; p < bytes.size(); ++p) {
            const std::uint8_t expected = Reserved(p) ? 0 : value[i * SETTINGS_RECORD_SIZE + p];
            if (bytes[p] != expected) {
                std::abort();
            }
        }
        if (auto product = DecodeProductNumber(record.productNumber)) {
            const BoardType* model = product->busKind == BUS_PCI
                                         ? findPciBoardByTypeCode(product->typeCode)
                                         : findIsaBoardByTypeCode(product->typeCode);
            if (model == nullptr ||
                ProductNumberOf(product->typeCode, product->busKind) != record.productNumber) {
                std::abort();
            }
        }
        for (std::size_t port = 0; port < SETTINGS_PORT_SLOTS; ++port) {
            if (txFifoChoiceAt(TxFifoIndexForSize(record.txFifoSize[port])) == nullptr) {
                std::abort();
            }
            (void)RxTriggerIndexForByte(record.rxTriggerIndex[port]);
            (void)PortIoAddress(record, port);
        }
    }
    return 0;
}
