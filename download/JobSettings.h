#pragma once
// The settings of the device a job runs for.
#include <string>

#include "link/LinkSettings.h"
#include "platform/Text.h"

namespace th {

// What the file fetch needs of the device.
struct FetchSettings {
  Text loggerId;            // as stored: its bytes go onto the line unchanged
  Text deviceName;          // names the device in log entries
  bool secondFile = false;  // more than 60 channels: the logger keeps a second file
  std::string saveFolder;   // the data files' folder and names (without ".TXT"),
  std::string dataFile1;    // bytes as stored
  std::string dataFile2;
};

struct JobSettings {
  LinkSettings link;
  FetchSettings fetch;
};

}  // namespace th
