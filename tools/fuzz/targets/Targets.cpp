#include "tools/fuzz/targets/Targets.h"

namespace th::fuzz {

const std::vector<Target>& AllTargets() {
  static const std::vector<Target> kTargets = {
      {"settings_file", SettingsFileTarget},
      {"receive_path", ReceivePathTarget},
      {"terminal_replies", TerminalRepliesTarget},
      {"control_frame", ControlFrameTarget},
      {"copy_data", CopyDataTarget},
      {"data_file_writer", DataFileWriterTarget},
      {"settings_set", SettingsSetTarget},
      {"logger_commands", LoggerCommandsTarget},
      {"job_records", JobRecordsTarget},
  };
  return kTargets;
}

}  // namespace th::fuzz
