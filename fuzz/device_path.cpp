// The path an application gives CreateFileA: any text. Only "\\.\NAME" names a device, and
// the name never holds a separator or reaches outside the path given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/services/service_state.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view path(reinterpret_cast<const char*>(data), size);
    const std::string name = ovtb::services::DeviceNameFromPath(path);
    if (name.empty())
        return 0;
    if (path.substr(0, 4) != "\\\\.\\" || path.substr(4) != name)
        std::abort();
    if (name.find_first_of("\\/") != std::string::npos)
        std::abort();
    return 0;
}
