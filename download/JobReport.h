#pragma once
// What a job did, as it goes: the job and the fetch fill it, the shell hands
// it on when the run ends (the job record). Nothing in it steers the job.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Text.h"

namespace th {

// One logger file the fetch asked about.
struct FileReport {
  Text path;
  std::int32_t announcedSize = -1;  // the size reply before the read; -1 none or unusable
  std::int64_t bytesReceived = 0;   // the file's own bytes, echoes left out
  std::int64_t recordsSaved = 0;    // its data lines appended to the first data file
  std::int64_t recordsSkipped = 0;  // lines an earlier job had saved already
  bool deleted = false;
  Text keptBecause;  // empty when deleted
};

struct JobReport {
  bool ran = false;        // a job ran for a device
  bool connected = false;  // the line came up
  bool clockSet = false;   // the logger answered the clock setting
  bool fetchRan = false;
  // Every file read completely, saved and deleted, or the logger had nothing.
  bool fetchComplete = false;
  bool stopped = false;  // a close request ended waits during the job
  // Why the job fell short, as the event log says it (the line-up's failure
  // in its own words: it has no entry); empty if not.
  Text failure;
  Text error;  // the message of an error that passed out of the job; empty if none
  std::vector<FileReport> files;
  std::int64_t recordsSaved = 0;       // all files together
  std::vector<std::string> dataFiles;  // the data files appended to, full paths
};

}  // namespace th
