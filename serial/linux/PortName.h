#pragma once
// Port names on Linux: "COMn" is <directory>/COMn when that path exists (a
// link to the adapter or a pseudo-terminal), otherwise /dev/ttyS<n-1>.
#include <string>

#include "platform/Text.h"

namespace th {

// The device path for `port`, or "" when the name stands for no device
// ("COM0", anything but "COM" and a number). `directory` ends in "/".
std::string DevicePathForPort(const Text& port, const std::string& directory);

// The directory of the running executable, with its trailing "/".
std::string ExecutableDirectory();

}  // namespace th
