#include "tests/fetch/FetchRig.h"

#include <filesystem>

namespace th::test {

FetchRig::FetchRig() {
  logger.clock = [this] { return rig.loop.tick(); };
  port.open();
  rig.tool.line.up = true;
  rig.tool.receivePath.setYear(u"24");
  Setup& d = device();
  Set(d.DeviceSet.DeviceName, "Station 4");
  Set(d.DeviceSet.LogID, "01");
  Set(d.SaveFileSet.SavePath, dataDir());
  Set(d.SaveFileSet.FileName1, "A");
  Set(d.SaveFileSet.FileName2, "B");
}

std::string FetchRig::dataFile(const std::string& name) const {
  return ReadWholeFile(std::filesystem::path(dataDir()) / name);
}

std::string FetchRig::logFile() const {
  return ReadWholeFile(rig.dir.path() / "LogFile.Log");
}

std::vector<std::string> FetchRig::writes() const {
  const std::uint32_t start = rig.loop.tick() - static_cast<std::uint32_t>(rig.now());
  std::vector<std::string> out;
  for (const auto& w : port.writes()) {
    out.push_back(std::to_string(w.tick - start) + " " + w.bytes);
  }
  return out;
}

std::vector<std::string> FetchRig::lines() const {
  std::vector<std::string> out;
  for (const auto& w : port.writes()) {
    out.push_back(w.bytes);
  }
  return out;
}

std::uint64_t FetchRig::lastWriteMs() const {
  const std::uint32_t start = rig.loop.tick() - static_cast<std::uint32_t>(rig.now());
  return port.writes().empty() ? 0 : port.writes().back().tick - start;
}

}  // namespace th::test
