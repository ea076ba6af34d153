#include "tools/logger-sim/FileSetup.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "tools/logger-sim/DataGenerator.h"

namespace th::sim {

namespace fs = std::filesystem;

namespace {

bool readFile(const fs::path& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return false;
  }
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

std::string dataFilePath(const std::string& id, int n) {
  return "\\SL" + id + "\\SL" + id + std::to_string(n) + ".TXT";
}

bool loadFiles(const SimConfig& config, LoggerFiles& files, std::string& error) {
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
      if (!readFile(entry.path(), data)) {
        error = "cannot read " + entry.path().string();
        return false;
      }
      std::string logger;
      for (const auto& part : fs::relative(entry.path(), root)) {
        logger += "\\" + part.string();
      }
      files.put(logger, std::move(data));
    }
  }
  for (const auto& [logger, host] : config.fileArgs) {
    std::string data;
    if (!readFile(host, data)) {
      error = "cannot read " + host;
      return false;
    }
    files.put(logger, std::move(data));
  }
  if (config.generate) {
    files.put(dataFilePath(config.model.id, 0), generateFile(config.gen, 0));
    if (config.secondFile) {
      files.put(dataFilePath(config.model.id, 1), generateFile(config.gen, 1));
    }
  }
  return true;
}

bool exportFiles(const LoggerFiles& files, const std::string& dir, std::string& error) {
  for (const auto* file : files.all()) {
    fs::path target(dir);
    std::string part;
    for (const char ch : file->path) {
      if (ch == '\\') {
        if (!part.empty()) {
          target /= part;
        }
        part.clear();
      } else {
        part += ch;
      }
    }
    target /= part;
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(file->data->data(), static_cast<std::streamsize>(file->data->size()));
    if (!out) {
      error = "cannot write " + target.string();
      return false;
    }
  }
  return true;
}

}  // namespace th::sim
