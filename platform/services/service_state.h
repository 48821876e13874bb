// Which services run: the machine's own state, not a Windows interface. A running service is
// a file DIR/services/NAME.running (NAME in lower case) holding the id of the process that
// started it; it is created exclusively, so two processes never both start a service.
// ovtb-machine's sc and reboot commands use this header; deliverables never do.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace ovtb::services {

std::filesystem::path RunningMarker(std::string_view serviceName);
bool IsServiceRunning(std::string_view serviceName);

// The machine restarts: every driver loaded in this process is unloaded, every service is
// stopped and the services marked for deletion are deleted. Returns the number of services
// that were running.
int Reboot();

// "\\.\NAME" gives NAME: not empty, without a slash or backslash; anything else gives "".
std::string DeviceNameFromPath(std::string_view path);

}  // namespace ovtb::services
