#include "tools/status/TimeText.h"

#include <array>
#include <cstdio>

namespace th::status {

namespace {

constexpr std::int64_t kDay = 86400;
constexpr std::int64_t kMaxDuration = std::int64_t{100} * 366 * kDay;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
  std::int64_t year;
  unsigned month, day;
};

Civil CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

bool LeapYear(std::int64_t y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

unsigned DaysInMonth(std::int64_t y, unsigned m) {
  constexpr std::array<unsigned, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && LeapYear(y) ? 29 : kDays[m - 1];
}

// `count` digits at `pos` as a number; nothing when any is not a digit.
std::optional<unsigned> Digits(std::string_view text, std::size_t pos, std::size_t count) {
  unsigned value = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') {
      return std::nullopt;
    }
    value = value * 10 + static_cast<unsigned>(text[i] - '0');
  }
  return value;
}

}  // namespace

std::optional<std::int64_t> ParseIsoTime(std::string_view text) {
  // yyyy-mm-ddThh:mm:ss then Z or +hh:mm / -hh:mm
  if (text.size() != 20 && text.size() != 25) {
    return std::nullopt;
  }
  if (text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':' || text[16] != ':') {
    return std::nullopt;
  }
  const auto year = Digits(text, 0, 4);
  const auto month = Digits(text, 5, 2);
  const auto day = Digits(text, 8, 2);
  const auto hour = Digits(text, 11, 2);
  const auto minute = Digits(text, 14, 2);
  const auto second = Digits(text, 17, 2);
  if (!year || !month || !day || !hour || !minute || !second) {
    return std::nullopt;
  }
  if (*month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month) || *hour > 23 ||
      *minute > 59 || *second > 59) {
    return std::nullopt;
  }
  std::int64_t offset = 0;
  if (text.size() == 20) {
    if (text[19] != 'Z') {
      return std::nullopt;
    }
  } else {
    const char sign = text[19];
    const auto offHours = Digits(text, 20, 2);
    const auto offMinutes = Digits(text, 23, 2);
    if ((sign != '+' && sign != '-') || text[22] != ':' || !offHours || !offMinutes ||
        *offHours > 23 || *offMinutes > 59) {
      return std::nullopt;
    }
    offset =
        (sign == '+' ? 1 : -1) * (std::int64_t{*offHours} * 3600 + std::int64_t{*offMinutes} * 60);
  }
  const std::int64_t days = DaysFromCivil(*year, *month, *day);
  return days * kDay + std::int64_t{*hour} * 3600 + std::int64_t{*minute} * 60 + *second - offset;
}

std::string UtcIsoText(std::int64_t unixSeconds) {
  std::int64_t days = unixSeconds / kDay;
  std::int64_t rest = unixSeconds % kDay;
  if (rest < 0) {
    rest += kDay;
    --days;
  }
  const Civil c = CivilFromDays(days);
  std::array<char, 48> buf{};
  std::snprintf(buf.data(), buf.size(), "%04lld-%02u-%02uT%02lld:%02lld:%02lldZ",
                static_cast<long long>(c.year), c.month, c.day, static_cast<long long>(rest / 3600),
                static_cast<long long>(rest / 60 % 60), static_cast<long long>(rest % 60));
  return buf.data();
}

std::optional<std::int64_t> ParseDuration(std::string_view text) {
  if (text.empty()) {
    return std::nullopt;
  }
  std::int64_t total = 0;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::int64_t number = 0;
    const std::size_t start = pos;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
      number = number * 10 + (text[pos] - '0');
      if (number > kMaxDuration) {
        return std::nullopt;
      }
      ++pos;
    }
    if (pos == start || pos == text.size()) {
      return std::nullopt;
    }
    std::int64_t unit = 0;
    switch (text[pos]) {
      case 's':
        unit = 1;
        break;
      case 'm':
        unit = 60;
        break;
      case 'h':
        unit = 3600;
        break;
      case 'd':
        unit = kDay;
        break;
      default:
        return std::nullopt;
    }
    ++pos;
    total += number * unit;
    if (total > kMaxDuration) {
      return std::nullopt;
    }
  }
  if (total == 0) {
    return std::nullopt;
  }
  return total;
}

std::string AgeText(std::int64_t seconds) {
  const bool negative = seconds < 0;
  const std::int64_t s = negative ? -seconds : seconds;
  std::array<char, 48> buf{};
  if (s < 60) {
    std::snprintf(buf.data(), buf.size(), "%llds", static_cast<long long>(s));
  } else if (s < 3600) {
    std::snprintf(buf.data(), buf.size(), "%lldm", static_cast<long long>(s / 60));
  } else if (s < kDay) {
    std::snprintf(buf.data(), buf.size(), "%lldh%02lldm", static_cast<long long>(s / 3600),
                  static_cast<long long>(s / 60 % 60));
  } else {
    std::snprintf(buf.data(), buf.size(), "%lldd%02lldh", static_cast<long long>(s / kDay),
                  static_cast<long long>(s / 3600 % 24));
  }
  std::string text(negative ? "-" : "");
  text += buf.data();
  return text;
}

}  // namespace th::status
