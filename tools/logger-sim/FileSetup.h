#pragma once
// Filling the logger from the command line: a folder tree, single files,
// generated data; and writing what it holds out for tests to compare.
#include <map>
#include <memory>
#include <string>

#include "tools/logger-sim/CommandLine.h"
#include "tools/logger-sim/LoggerFiles.h"

namespace th::sim {

// False with `error` set when a given folder or file cannot be read.
bool LoadFiles(const SimConfig& config, LoggerFiles& files, std::string& error);
bool ExportFiles(const LoggerFiles& files, const std::string& dir, std::string& error);

// The files the logger holds, kept in step under a folder: files it gained or
// changed are written, files it no longer holds are removed (only those this
// export wrote).
class HeldExport {
 public:
  explicit HeldExport(std::string dir) : dir_(std::move(dir)) {}
  bool update(const LoggerFiles& files, std::string& error);

 private:
  std::string dir_;
  std::map<std::string, std::shared_ptr<const std::string>> written_;
};

}  // namespace th::sim
