#include "tools/logger-sim/StateFile.h"

#include <unistd.h>

#include <cstdio>
#include <nlohmann/json.hpp>

namespace th::sim {

namespace {

nlohmann::json GeneratedJson(const LoggerModel& model) {
  using nlohmann::json;
  const auto& g = model.config().generated;
  if (!g) {
    return nullptr;
  }
  const std::string& id = model.config().id;
  json paths = json::array();
  for (int f = 0; f < g->files; ++f) {
    paths.push_back(DataFilePath(id, f));
  }
  const auto record = [&](const std::optional<RecordRef>& ref, const std::string& text) {
    return ref ? json{{"file", DataFilePath(id, ref->file)}, {"line", ref->line}, {"text", text}}
               : json(nullptr);
  };
  return {{"lines", g->plan.lines},
          {"channels", g->plan.channels},
          {"files", paths},
          {"first_record", g->plan.first},
          {"no_final_newline", g->noFinalNewline},
          {"lf_only", g->lfOnly},
          {"missing", record(g->missing, model.state().missingLine)},
          {"byte26", record(g->byte26, model.state().byte26Line)},
          {"repeated", record(g->repeated, model.state().repeatedLine)}};
}

}  // namespace

std::string StateJson(const LoggerModel& model, std::string_view exitReason) {
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
    files.push_back({{"path", f->path}, {"size", f->data->size()}, {"lines", f->lines}});
  }
  j["files"] = files;
  j["deleted"] = s.deleted;
  json deletions = json::array();
  for (const auto& d : s.deletions) {
    deletions.push_back({{"file", d.path}, {"ms", d.ms}, {"size", d.size}, {"lines", d.lines}});
  }
  j["deletions"] = deletions;
  json reads = json::array();
  for (const auto& r : s.reads) {
    reads.push_back({{"file", r.path}, {"ms", r.ms}, {"sent", r.sent}, {"size", r.size}});
  }
  j["reads"] = reads;
  json appended = json::array();
  for (const auto& a : s.appended) {
    appended.push_back({{"file", a.path}, {"ms", a.ms}, {"record", a.record}, {"line", a.line}});
  }
  j["appended"] = appended;
  json records = json::array();
  for (const auto& [key, r] : s.records) {
    const LoggerFiles::File* held = model.files().find(r.path);
    records.push_back({{"file", r.path},
                       {"initial", r.initial},
                       {"appended", r.appended},
                       {"held", held != nullptr ? held->lines : 0},
                       {"deleted", r.deleted}});
  }
  j["records"] = records;
  j["generated"] = GeneratedJson(model);
  j["rejected"] = s.rejected;
  j["rejected_lines"] =
      json(std::vector<std::string>(s.rejectedLines.begin(), s.rejectedLines.end()));
  j["unplugs"] = s.unplugs;
  j["plugged"] = s.plugged;
  j["clock_sets"] = s.clockSets;
  j["opens"] = s.opens;
  j["closes"] = s.closes;
  j["dials"] = s.dials;
  j["hangups"] = s.hangups;
  json commands = json::object();
  for (int i = 0; i < kCmdCount; ++i) {
    const int n = s.commands.at(static_cast<std::size_t>(i));
    if (n > 0) {
      commands[std::string(CmdName(static_cast<Cmd>(i)))] = n;
    }
  }
  j["commands"] = commands;
  // Received text need not be UTF-8: replace what is not instead of failing.
  return j.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

bool WriteFileAtomically(const std::string& path, std::string_view content) {
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
