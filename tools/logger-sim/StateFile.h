#pragma once
// The logger's state as JSON for tests, written atomically.
#include <string>
#include <string_view>

#include "tools/logger-sim/LoggerModel.h"

namespace th::sim {

// `exitReason` empty while running.
std::string StateJson(const LoggerModel& model, std::string_view exitReason);
// Temporary file beside `path`, then rename; false when it could not be written.
bool WriteFileAtomically(const std::string& path, std::string_view content);

}  // namespace th::sim
