#pragma once
// Filling the logger from the command line: a folder tree, single files,
// generated data; and writing what it holds out for tests to compare.
#include <string>

#include "tools/logger-sim/CommandLine.h"
#include "tools/logger-sim/LoggerFiles.h"

namespace th::sim {

// False with `error` set when a given folder or file cannot be read.
bool loadFiles(const SimConfig& config, LoggerFiles& files, std::string& error);
bool exportFiles(const LoggerFiles& files, const std::string& dir, std::string& error);
// The logger's data file paths for an id: "\SL<id>\SL<id><n>.TXT".
std::string dataFilePath(const std::string& id, int n);

}  // namespace th::sim
