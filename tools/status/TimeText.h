#pragma once
// Times as job records write them (ISO 8601 local time with its UTC offset)
// and as the status shows them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace th::status {

// "2026-12-10T14:05:31+01:00" (or "...Z") as Unix seconds; nothing for any
// other form or a date that does not exist.
std::optional<std::int64_t> ParseIsoTime(std::string_view text);

// Unix seconds as "2026-12-10T13:05:31Z".
std::string UtcIsoText(std::int64_t unixSeconds);

// A duration given as whole numbers with units, "90m", "6h", "2d", "30s" or
// "1h30m"; nothing when it is not of that form, is 0 or exceeds 100 years.
std::optional<std::int64_t> ParseDuration(std::string_view text);

// An age for people: "45s", "12m", "2h05m", "3d04h"; negative ages (a clock
// ahead of this one) get a leading "-".
std::string AgeText(std::int64_t seconds);

}  // namespace th::status
