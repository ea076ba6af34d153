#include "tests/golden/GoldenRun.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "tests/golden/GoldenRig.h"
#include "tests/golden/ModelPort.h"
#include "tests/sim/SimHarness.h"
#include "tests/support/TestPlatform.h"
#include "tools/logger-sim/CommandLine.h"
#include "tools/logger-sim/Escape.h"
#include "tools/logger-sim/FileSetup.h"
#include "tools/settings/SettingsTool.h"

namespace th::golden {

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kRunLimitMs = 600'000;

sim::LoggerModel MakeModel(const GoldenJob& job) {
  std::vector<std::string> args = {"--link", "COM3"};
  args.insert(args.end(), job.logger.begin(), job.logger.end());
  const sim::ParseResult parsed = sim::ParseCommandLine(args);
  sim::LoggerFiles files;
  std::string error;
  if (!parsed.config || !sim::LoadFiles(*parsed.config, files, error)) {
    throw std::runtime_error("simulator options of " + job.name + ": " + parsed.error + error);
  }
  return sim::LoggerModel(
      parsed.config->model, std::move(files),
      [](std::int64_t, std::string_view, std::string_view) {},
      [] { return sim::test::FixedWall(); });
}

void WriteSettings(const GoldenJob& job, const fs::path& folder) {
  std::vector<std::string> args = {"set",
                                   (folder / "Setting.dat").string(),
                                   "3",
                                   "DeviceSet.DeviceName=Golden station",
                                   "DeviceSet.LogID=01",
                                   "PortSet.COMPORT=3",
                                   "PortSet.Baudrate=9600",
                                   "ModemSet.ModemType=Direct",
                                   "SaveFileSet.SavePath=" + (folder / "data").string(),
                                   "SaveFileSet.FileName1=CR000",
                                   "SaveFileSet.FileName2=CR001"};
  args.insert(args.end(), job.settings.begin(), job.settings.end());
  std::ostringstream out;
  std::ostringstream err;
  if (settings::RunSettingsTool(args, out, err) != 0) {
    throw std::runtime_error("settings of " + job.name + ": " + err.str());
  }
  fs::create_directory(folder / "data");
}

// Text with the temporary folder's name in it reads the same in every run.
std::string Shown(std::string text, const std::string& folder) {
  for (std::size_t at; (at = text.find(folder)) != std::string::npos;) {
    text.replace(at, folder.size(), "$DIR");
  }
  return sim::EscapeBytes(text);
}

// Every file the tool left in its folder but its settings, one line of the
// file per transcript line.
void AddFiles(const fs::path& folder, std::vector<std::string>& out) {
  std::vector<fs::path> paths;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file() && entry.path().filename() != "Setting.dat") {
      paths.push_back(entry.path());
    }
  }
  std::sort(paths.begin(), paths.end());
  for (const auto& path : paths) {
    const std::string bytes = test::ReadWholeFile(path);
    out.push_back("file " + fs::relative(path, folder).generic_string() + " " +
                  std::to_string(bytes.size()) + " bytes");
    for (std::size_t at = 0; at < bytes.size();) {
      const std::size_t end = std::min(bytes.find('\n', at), bytes.size() - 1) + 1;
      out.push_back("| " + Shown(bytes.substr(at, end - at), folder.string()));
      at = end;
    }
  }
}

void AddLogger(const sim::ModelState& state, std::vector<std::string>& out) {
  for (const auto& set : state.clockSets) {
    out.push_back("logger clock set " + sim::EscapeBytes(set));
  }
  for (const auto& d : state.deletions) {
    out.push_back("deleted @" + std::to_string(d.ms) + " " + sim::EscapeBytes(d.path) + " " +
                  std::to_string(d.size) + " bytes " + std::to_string(d.lines) + " lines");
  }
  for (const auto& [key, r] : state.records) {
    out.push_back("logger records " + sim::EscapeBytes(r.path) + " initial " +
                  std::to_string(r.initial) + " appended " + std::to_string(r.appended) +
                  " deleted " + std::to_string(r.deleted));
  }
  out.push_back("logger rejected " + std::to_string(state.rejected));
  for (const auto& line : state.rejectedLines) {
    out.push_back("logger rejected line " + line);
  }
}

}  // namespace

std::vector<std::string> RunJob(const GoldenJob& job) {
  sim::LoggerModel model = MakeModel(job);
  ModelPort* port = nullptr;
  GoldenRig rig([&](EventLoop& loop) {
    auto made = std::make_unique<ModelPort>(loop, model);
    port = made.get();
    return made;
  });
  WriteSettings(job, rig.folder());
  rig.start();
  if (job.nameAt) {
    rig.nameDevice(3, *job.nameAt);
  }
  if (job.closeAt) {
    rig.closeAt(*job.closeAt);
  }
  const bool ended = rig.runToEnd(kRunLimitMs);

  const std::string folder = rig.folder().string();
  std::vector<std::string> out = {"# " + job.about};
  for (const auto& e : port->journal()) {
    out.push_back("line @" + std::to_string(e.ms) + " " + e.text);
  }
  for (const auto& s : rig.statusTexts()) {
    out.push_back("panel" + std::to_string(s.panel) + " @" + std::to_string(s.ms) + " " +
                  Shown(s.text, folder));
  }
  std::string busy = "busy";
  for (const bool b : rig.busyChanges()) {
    busy += b ? " 1" : " 0";
  }
  out.push_back(busy);
  out.push_back("progress max " + std::to_string(rig.progressMax()) + " position " +
                std::to_string(rig.progressPosition()));
  out.push_back((ended ? "end @" : "stuck @") + std::to_string(rig.now()));
  AddFiles(rig.folder(), out);
  AddLogger(model.state(), out);
  return out;
}

}  // namespace th::golden
