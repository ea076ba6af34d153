#include "tools/logger-sim/FileSetup.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <system_error>

#include "tools/logger-sim/DataGenerator.h"

namespace th::sim {

namespace fs = std::filesystem;

namespace {

bool ReadFile(const fs::path& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return false;
  }
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

bool LoadFiles(const SimConfig& config, LoggerFiles& files, std::string& error) {
  if (!config.filesDir.empty()) {
    std::error_code ec;
    const fs::path root(config.filesDir);
    fs::recursive_directory_iterator it(root, ec);
    if (ec) {
      error = "cannot read folder " + config.filesDir + ": " + ec.message();
      return false;
    }
    for (const auto& entry : it) {
      if (!entry.is_regular_file()) {
        continue;
      }
      std::string data;
      if (!ReadFile(entry.path(), data)) {
        error = "cannot read " + entry.path().string();
        return false;
      }
      std::string logger;
      for (const auto& part : fs::relative(entry.path(), root)) {
        logger += '\\';
        logger += part.string();
      }
      files.put(logger, std::move(data));
    }
  }
  for (const auto& [logger, host] : config.fileArgs) {
    std::string data;
    if (!ReadFile(host, data)) {
      error = "cannot read " + host;
      return false;
    }
    files.put(logger, std::move(data));
  }
  if (config.model.generated) {
    // A data file held already (a logger that ran before) goes on with them.
    for (int f = 0; f < config.model.generated->files; ++f) {
      const std::string path = DataFilePath(config.model.id, f);
      const LoggerFiles::File* held = files.find(path);
      files.put(held != nullptr ? held->path : path,
                BuildDataFile(*config.model.generated, f, held != nullptr ? *held->data : ""));
    }
  }
  return true;
}

namespace {

// Where a logger path lies under `dir`: "\\SL01\\SL010.TXT" is dir/SL01/SL010.TXT.
fs::path HostPath(const std::string& dir, const std::string& loggerPath) {
  fs::path target(dir);
  std::string part;
  for (const char ch : loggerPath) {
    if (ch == '\\') {
      if (!part.empty()) {
        target /= part;
      }
      part.clear();
    } else {
      part += ch;
    }
  }
  return target / part;
}

bool WriteUnder(const std::string& dir, const LoggerFiles::File& file, std::string& error) {
  const fs::path target = HostPath(dir, file.path);
  std::error_code ec;
  fs::create_directories(target.parent_path(), ec);
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(file.data->data(), static_cast<std::streamsize>(file.data->size()));
  if (!out) {
    error = "cannot write " + target.string();
    return false;
  }
  return true;
}

}  // namespace

bool ExportFiles(const LoggerFiles& files, const std::string& dir, std::string& error) {
  for (const auto* file : files.all()) {
    if (!WriteUnder(dir, *file, error)) {
      return false;
    }
  }
  return true;
}

bool HeldExport::update(const LoggerFiles& files, std::string& error) {
  std::map<std::string, std::shared_ptr<const std::string>> now;
  bool ok = true;
  for (const auto* file : files.all()) {
    now[file->path] = file->data;
    const auto it = written_.find(file->path);
    if (it == written_.end() || it->second != file->data) {  // contents are never changed in place
      ok = WriteUnder(dir_, *file, error) && ok;
    }
  }
  for (const auto& [path, data] : written_) {
    if (now.count(path) == 0) {
      std::error_code ec;
      fs::remove(HostPath(dir_, path), ec);
    }
  }
  written_ = std::move(now);
  return ok;
}

}  // namespace th::sim
