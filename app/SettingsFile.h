#pragma once
#include <cstdint>

namespace th {

class Tidehaul;

// Setting.dat beside the executable: read once at start, shown by Init.
class SettingsFile {
 public:
  explicit SettingsFile(Tidehaul& unit) : u_(unit) {}

  // Reads the file into DeviceInfo. No file: nothing happens. A file that
  // cannot be opened or is short raises EInOutError (after loading what it had).
  void SettingOpen();
  // Communication type 0 to 6 of a device, or kNoType.
  std::int32_t MdoemTypeFind(std::int32_t Index) const;
  // Shows the record in the window's fields; -1 and numbers without a record do nothing.
  void Init(std::int32_t nNO);

  static constexpr std::int32_t kNoType = -1;

 private:
  Tidehaul& u_;
};

}  // namespace th
