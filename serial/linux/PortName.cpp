#include "serial/linux/PortName.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>

namespace th {

std::string DevicePathForPort(const Text& port, const std::string& directory) {
  if (port.size() < 4 || port.size() > 12 || port.compare(0, 3, u"COM") != 0) {
    return {};
  }
  long long n = 0;
  for (std::size_t i = 3; i < port.size(); ++i) {
    const char16_t c = port[i];
    if (c < u'0' || c > u'9') {
      return {};
    }
    n = n * 10 + (c - u'0');
  }
  // "COM01" would not name a port either.
  if (n < 1 || port[3] == u'0') {
    return {};
  }
  const std::string name = ToUtf8(port);
  // lstat, not stat: a link whose adapter is unplugged must fail, not fall
  // through to an on-board port.
  struct stat st {};
  std::string linked = directory + name;
  if (!directory.empty() && ::lstat(linked.c_str(), &st) == 0) {
    return linked;
  }
  return "/dev/ttyS" + std::to_string(n - 1);
}

std::string ExecutableDirectory() {
  std::array<char, 4096> buffer{};
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) {
    return {};
  }
  std::string path(buffer.data(), static_cast<std::size_t>(n));
  return path.substr(0, path.rfind('/') + 1);
}

}  // namespace th
