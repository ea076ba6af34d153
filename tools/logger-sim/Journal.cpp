#include "tools/logger-sim/Journal.h"

#include "tools/logger-sim/LineParser.h"

namespace th::sim {

void Journal::reject(std::int64_t now, const std::string& what) {
  ++state_.rejected;
  state_.rejectedLines.push_back(what);
  if (state_.rejectedLines.size() > kRejectedKept) {
    state_.rejectedLines.pop_front();
  }
  note(now, "rejected " + what);
  changed();
}

void Journal::command(std::int64_t now, Cmd cmd, std::string_view text) {
  sink_(now, "CMD", std::string(CmdName(cmd)) + " " + std::string(text));
  ++state_.commands.at(static_cast<std::size_t>(cmd));
  changed();
}

RecordCount& Journal::countOf(const std::string& path) {
  RecordCount& count = state_.records[UpperAscii(path)];
  if (count.path.empty()) {
    count.path = path;
  }
  return count;
}

}  // namespace th::sim
