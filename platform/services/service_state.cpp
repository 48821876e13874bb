#include "platform/services/service_state.h"

#include <cctype>
#include <system_error>

#include "platform/machine/machine.h"

namespace ovtb::services {

namespace fs = std::filesystem;

fs::path RunningMarker(std::string_view serviceName) {
    std::string name(serviceName);
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return machine::MachineDir() / "services" / (name + ".running");
}

bool IsServiceRunning(std::string_view serviceName) {
    std::error_code ec;
    return fs::exists(RunningMarker(serviceName), ec);
}

std::string DeviceNameFromPath(std::string_view path) {
    constexpr std::string_view kPrefix = "\\\\.\\";
    if (path.size() <= kPrefix.size() || path.substr(0, kPrefix.size()) != kPrefix)
        return {};
    std::string_view name = path.substr(kPrefix.size());
    if (name.find_first_of("\\/") != std::string_view::npos)
        return {};
    if (name.find('\0') != std::string_view::npos)
        return {};
    return std::string(name);
}

}  // namespace ovtb::services
