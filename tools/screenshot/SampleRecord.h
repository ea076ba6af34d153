#pragma once
// The sample of the window's pictures: record 3 of a settings table as a
// parent program might have written it.
#include <cstdint>

#include "app/Setup.h"

namespace th {

inline constexpr std::int32_t kSampleDevice = 3;

void FillSampleRecord(Setup& s);

}  // namespace th
