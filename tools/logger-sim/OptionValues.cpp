#include "tools/logger-sim/OptionValues.h"

#include <cmath>
#include <cstdlib>

namespace th::sim {

bool ParseSeconds(const std::string& s, double& out) {
  if (s.empty()) {
    return false;
  }
  char* end = nullptr;
  const double v = std::strtod(s.c_str(), &end);
  if (end != s.c_str() + s.size() || !std::isfinite(v) || v <= 0 || v > 1e7) {
    return false;
  }
  out = v;
  return true;
}

bool ParseMs(const std::string& s, std::int64_t& out) {
  return ParseInt(s, out, std::int64_t{0}, std::int64_t{86'400'000});
}

bool ParseByteCount(const std::string& s, FreadStop& out) {
  FreadStop stop;
  std::string n = s;
  if (!n.empty() && n.back() == '%') {
    stop.percent = true;
    n.pop_back();
  }
  if (!ParseInt(n, stop.value, std::uint64_t{0},
                stop.percent ? std::uint64_t{100} : std::uint64_t{1} << 40)) {
    return false;
  }
  out = stop;
  return true;
}

bool ParseRecordRef(const std::string& s, std::optional<RecordRef>& out) {
  RecordRef ref;
  const auto colon = s.find(':');
  if (!ParseInt(s.substr(0, colon), ref.file, 0, 1)) {
    return false;
  }
  if (colon != std::string::npos && !ParseInt(s.substr(colon + 1), ref.line, 1, 10'000'000)) {
    return false;
  }
  out = ref;
  return true;
}

bool ParseSignedBytes(const std::string& s, std::int64_t& out) {
  constexpr std::int64_t kLimit = std::int64_t{1} << 40;
  return ParseInt(s.size() > 1 && s[0] == '+' ? s.substr(1) : s, out, -kLimit, kLimit);
}

bool SplitNth(const std::string& s, std::string& head, int& nth) {
  const auto colon = s.rfind(':');
  if (colon == std::string::npos) {
    head = s;
    return true;
  }
  head = s.substr(0, colon);
  return ParseInt(s.substr(colon + 1), nth, 1, 1'000'000);
}

bool ParseReadPoint(const std::string& s, ReadPoint& out) {
  ReadPoint point;
  if (s.rfind("size", 0) == 0) {
    point.fromAnnounced = true;
    const std::string rest = s.substr(4);
    if (!rest.empty() &&
        ((rest[0] != '+' && rest[0] != '-') || !ParseSignedBytes(rest, point.offset))) {
      return false;
    }
  } else if (!ParseByteCount(s, point.inFile)) {
    return false;
  }
  out = point;
  return true;
}

bool SplitPair(const std::string& s, std::string& left, std::string& right) {
  const auto eq = s.find('=');
  if (eq == std::string::npos) {
    return false;
  }
  left = s.substr(0, eq);
  right = s.substr(eq + 1);
  return true;
}

std::vector<std::string> SplitComma(const std::string& s) {
  std::vector<std::string> out;
  std::string cur;
  for (const char ch : s) {
    if (ch == ',') {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += ch;
    }
  }
  out.push_back(cur);
  return out;
}

}  // namespace th::sim
