// The argument parser of `tidehaul-settings set`: the record number and the
// FIELD=VALUE assignments (tokens of the input, split at zero bytes). The
// oracle keeps its own table of the fields' offsets and sizes and computes the
// record's bytes; an assignment that is refused must leave its field as it was.
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "tools/fuzz/support/Check.h"
#include "tools/fuzz/support/Input.h"
#include "tools/fuzz/targets/Targets.h"
#include "tools/settings/SettingsFields.h"

namespace th::fuzz {

namespace {

enum class Kind { Int, Bool, Text };

struct FieldRule {
  std::string_view name;
  Kind kind;
  std::size_t offset;
  std::size_t capacity;  // texts only
};

constexpr std::array<FieldRule, 31> kFields = {{
    {"DeviceSet.TreeLevel", Kind::Int, 0, 0},
    {"DeviceSet.TreeIndex", Kind::Int, 4, 0},
    {"DeviceSet.TreeParentsIndex", Kind::Int, 8, 0},
    {"DeviceSet.DeviceName", Kind::Text, 12, 100},
    {"DeviceSet.LogID", Kind::Text, 113, 2},
    {"DeviceSet.Communication", Kind::Int, 116, 0},
    {"PortSet.COMPORT", Kind::Int, 120, 0},
    {"PortSet.Baudrate", Kind::Text, 124, 10},
    {"PortSet.Parity", Kind::Text, 135, 5},
    {"PortSet.StopBits", Kind::Text, 141, 3},
    {"ModemSet.ModemNo", Kind::Text, 148, 50},
    {"ModemSet.ModemType", Kind::Text, 199, 50},
    {"ModemSet.Command", Kind::Text, 250, 50},
    {"ModemSet.CallCMD", Kind::Text, 301, 50},
    {"ModemSet.DiscntCMD", Kind::Text, 352, 50},
    {"TCPIPSet.IP", Kind::Text, 403, 15},
    {"TCPIPSet.Port", Kind::Text, 419, 4},
    {"ScheduleSet.SchDown", Kind::Bool, 424, 0},
    {"ScheduleSet.SensorNoCheck", Kind::Bool, 425, 0},
    {"ScheduleSet.CheckSum", Kind::Bool, 426, 0},
    {"ScheduleSet.DeleteDATAAfter", Kind::Bool, 427, 0},
    {"ScheduleSet.AppendData", Kind::Bool, 428, 0},
    {"ScheduleSet.intervalMin", Kind::Int, 432, 0},
    {"ScheduleSet.DelayMin", Kind::Int, 436, 0},
    {"ScheduleSet._Q9RCal", Kind::Bool, 440, 0},
    {"SaveFileSet.SavePath", Kind::Text, 444, 250},
    {"SaveFileSet.FileName1", Kind::Text, 695, 250},
    {"SaveFileSet.FileName2", Kind::Text, 946, 250},
    {"SaveFileSet._Q9RSavePath", Kind::Text, 1197, 250},
    {"SaveFileSet._Q9RFileName", Kind::Text, 1448, 250},
    {"_Q9RSetPath", Kind::Text, 1699, 255},
}};

const FieldRule* FindRule(std::string_view name) {
  for (const FieldRule& f : kFields) {
    if (f.name == name) {
      return &f;
    }
  }
  return nullptr;
}

bool AllDigits(std::string_view s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

// A whole number is an optional sign and digits, nothing else, in 32 bits.
bool ParseInt(std::string_view s, std::int32_t& value) {
  const bool negative = !s.empty() && s.front() == '-';
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    s.remove_prefix(1);
  }
  if (!AllDigits(s)) {
    return false;
  }
  std::int64_t v = 0;
  for (const char c : s) {
    v = v * 10 + (c - '0');
    if (v > (std::int64_t{1} << 31)) {
      return false;
    }
  }
  v = negative ? -v : v;
  if (v > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  value = static_cast<std::int32_t>(v);
  return true;
}

// Applies one value to the bytes of a record; false (bytes unchanged) when the
// value does not fit the field.
bool Apply(const FieldRule& f, std::string_view value, std::uint8_t* record) {
  switch (f.kind) {
    case Kind::Int: {
      std::int32_t v = 0;
      if (!ParseInt(value, v)) {
        return false;
      }
      for (std::size_t k = 0; k < 4; ++k) {
        record[f.offset + k] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * k));
      }
      return true;
    }
    case Kind::Bool:
      if (value == "true" || value == "1" || value == "false" || value == "0") {
        record[f.offset] = (value == "true" || value == "1") ? 1 : 0;
        return true;
      }
      return false;
    case Kind::Text: {
      // Stored as UTF-8; bytes that are not become the characters of their number.
      const std::string bytes = ToUtf8(FromUtf8(value));
      if (bytes.size() > f.capacity) {
        return false;
      }
      record[f.offset] = static_cast<std::uint8_t>(bytes.size());
      std::memset(record + f.offset + 1, 0, f.capacity);
      std::copy(bytes.begin(), bytes.end(), record + f.offset + 1);
      return true;
    }
  }
  return false;
}

std::vector<std::string> Tokens(std::string_view bytes) {
  std::vector<std::string> tokens;
  std::size_t pos = 0;
  while (pos <= bytes.size()) {
    const std::size_t end = std::min(bytes.find('\0', pos), bytes.size());
    tokens.emplace_back(bytes.substr(pos, end - pos));
    pos = end + 1;
  }
  return tokens;
}

}  // namespace

int SettingsSetTarget(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const auto fill = in.takeBack<std::uint8_t>();
  const std::vector<std::string> tokens = Tokens(in.rest());

  int n = -1;
  const bool recordOk = settings::ParseRecordNumber(tokens[0], n);
  const bool expectRecord =
      tokens[0].size() <= 3 && AllDigits(tokens[0]) && std::stoi(tokens[0]) <= 254;
  Expect(recordOk == expectRecord, "a record number is taken or refused wrongly");
  Expect(!recordOk || n == std::stoi(tokens[0]), "a record number is read as another");

  Setup record;
  std::memset(&record, fill, sizeof record);
  std::array<std::uint8_t, sizeof(Setup)> expected{};
  std::memcpy(expected.data(), &record, sizeof record);

  const std::span<const std::string> assignments = std::span(tokens).subspan(1);
  const std::optional<std::string> error = settings::ApplyAssignments(record, assignments);

  std::optional<std::string> expectedError;
  for (const std::string& a : assignments) {
    const std::size_t eq = a.find('=');
    if (eq == std::string::npos) {
      expectedError = "\"" + a + "\" is not FIELD=VALUE";
      break;
    }
    const std::string name = a.substr(0, eq);
    const FieldRule* f = FindRule(name);
    if (f == nullptr) {
      expectedError = "unknown field \"" + name + "\"";
      break;
    }
    if (!Apply(*f, std::string_view(a).substr(eq + 1), expected.data())) {
      expectedError = name + ": ";
      break;
    }
  }
  Expect(error.has_value() == expectedError.has_value(),
         "an assignment is taken or refused wrongly");
  if (error) {
    Expect(error->rfind(*expectedError, 0) == 0, "a refusal gives another message");
  }
  Expect(std::memcmp(&record, expected.data(), sizeof record) == 0,
         "the record's bytes differ from the assignments");
  // What `show` prints of it must come out whatever the bytes are.
  (void)settings::RecordToJson(record).dump(2, ' ', false,
                                            settings::Json::error_handler_t::replace);
  return 0;
}

}  // namespace th::fuzz
