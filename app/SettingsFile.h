#pragma once
// Setting.dat beside the executable: the records of up to 255 devices, read
// once at the start, and what each part of a job needs of a record.
#include <cstdint>
#include <memory>

#include "app/Setup.h"
#include "download/JobSettings.h"
#include "link/LinkSettings.h"
#include "platform/PlatformServices.h"
#include "platform/View.h"

namespace th {

// The communication type a name in ModemSet.ModemType stands for.
LineType LineTypeOf(const Text& name);

class SettingsFile {
 public:
  explicit SettingsFile(PlatformServices& sys)
      : sys_(sys), table_(std::make_unique<DeviceTable>()) {}

  // Reads the file. No file: the table stays all zero. A file that cannot be
  // opened or is short raises EInOutError, after keeping what it had.
  void load();

  // Record `index` (0 to 254).
  const Setup& record(std::int32_t index) const;
  Setup& record(std::int32_t index);

  // A record as the window shows it, and as a job uses it.
  DeviceDisplay display(std::int32_t index) const;
  JobSettings job(std::int32_t index) const;

 private:
  PlatformServices& sys_;
  std::unique_ptr<DeviceTable> table_;  // half a megabyte: not on the stack
};

}  // namespace th
