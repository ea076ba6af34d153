#include <cstdio>

#include "platform/PlatformServices.h"

namespace th {

Text FormatDateTime(const LocalDateTime& t, const Text& timeSeparator) {
  char date[16];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d ", t.year, t.month, t.day);
  auto two = [](int v) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", v);
    return T(b);
  };
  return T(date) + two(t.hour) + timeSeparator + two(t.minute) + timeSeparator + two(t.second);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  return folder + PathSeparator() + name;
}

}  // namespace th
