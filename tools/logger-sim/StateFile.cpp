#include "tools/logger-sim/StateFile.h"

#include <unistd.h>

#include <cstdio>
#include <nlohmann/json.hpp>

namespace th::sim {

std::string stateJson(const LoggerModel& model, std::string_view exitReason) {
  using nlohmann::json;
  const ModelState& s = model.state();
  json j;
  j["running"] = exitReason.empty();
  j["exit_reason"] = exitReason.empty() ? json(nullptr) : json(std::string(exitReason));
  j["logger_id"] = model.config().id;
  j["modem"] = model.config().modem;
  j["online"] = s.online;
  j["terminal_mode"] = s.terminal;
  j["cwd"] = s.cwd;
  json files = json::array();
  for (const auto* f : model.files().all()) {
    files.push_back({{"path", f->path}, {"size", f->data->size()}});
  }
  j["files"] = files;
  j["deleted"] = s.deleted;
  j["clock_sets"] = s.clockSets;
  j["opens"] = s.opens;
  j["closes"] = s.closes;
  j["dials"] = s.dials;
  j["hangups"] = s.hangups;
  json commands = json::object();
  for (int i = 0; i < kCmdCount; ++i) {
    const int n = s.commands.at(static_cast<std::size_t>(i));
    if (n > 0) {
      commands[std::string(cmdName(static_cast<Cmd>(i)))] = n;
    }
  }
  j["commands"] = commands;
  // Received text need not be UTF-8: replace what is not instead of failing.
  return j.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool writeFileAtomically(const std::string& path, std::string_view content) {
  const std::string tmp = path + ".tmp." + std::to_string(::getpid());
  std::FILE* f = std::fopen(tmp.c_str(), "wb");
  if (f == nullptr) {
    return false;
  }
  const bool ok = std::fwrite(content.data(), 1, content.size(), f) == content.size();
  if (std::fclose(f) != 0 || !ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

}  // namespace th::sim
