#pragma once
// Where the modem and the logger report what they did: events for the
// transcript, the counts and lists of the state, and the versions that tell
// the owner when the state file and the held files need writing again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tools/logger-sim/Commands.h"
#include "tools/logger-sim/EventSink.h"
#include "tools/logger-sim/ModelState.h"

namespace th::sim {

class Journal {
 public:
  // How many rejected lines the state keeps.
  static constexpr std::size_t kRejectedKept = 20;

  explicit Journal(EventSink sink) : sink_(std::move(sink)) {}

  ModelState& state() { return state_; }
  const ModelState& state() const { return state_; }

  void event(std::int64_t now, std::string_view kind, std::string_view text) {
    sink_(now, kind, text);
  }
  void note(std::int64_t now, std::string_view text) { sink_(now, "NOTE", text); }
  // Input that is no command as the tool sends it: noted, counted, kept.
  void reject(std::int64_t now, const std::string& what);
  // A command taken: "<name> <text>" (text escaped), counted.
  void command(std::int64_t now, Cmd cmd, std::string_view text);
  // Per file that ever existed, by upper-case path.
  RecordCount& countOf(const std::string& path);

  void changed() { ++version_; }
  void filesChanged() { ++filesVersion_; }
  std::uint64_t version() const { return version_; }
  std::uint64_t filesVersion() const { return filesVersion_; }

 private:
  EventSink sink_;
  ModelState state_;
  std::uint64_t version_ = 0;
  std::uint64_t filesVersion_ = 0;
};

}  // namespace th::sim
