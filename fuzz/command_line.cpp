// The panel's command line as whoever starts the panel writes it: any text. The reader never
// runs past the text, never gives more than four requests, and when a first COM number is
// given the two FIFO indexes are within their lists; reading the same text twice gives the
// same result.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "panel/command_line.h"

using namespace ovtb::panel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CommandLineSettings settings;
    const int count = ParseCommandLine(text, settings);
    if (count != settings.count || count < 0 || count > 4) {
        std::abort();
    }
    if (settings.firstCom != -1 && (settings.rxTriggerIndex < 0 || settings.rxTriggerIndex > 3 ||
                                    settings.txFifoIndex < 0 || settings.txFifoIndex > 15)) {
        std::abort();
    }
    CommandLineSettings again;
    ParseCommandLine(text, again);
    for (int i = 0; i < count; ++i) {
        if (!(again.requests[i] == settings.requests[i])) {
            std::abort();
        }
    }
    if (again.count != settings.count || again.firstCom != settings.firstCom ||
        again.rxTriggerIndex != settings.rxTriggerIndex ||
        again.txFifoIndex != settings.txFifoIndex) {
        std::abort();
    }
    DecideStartupPath(settings);
    return 0;
}
