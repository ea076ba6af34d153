#include "tools/settings/SettingsFields.h"

#include <limits>
#include <type_traits>
#include <utility>

namespace th::settings {

namespace {

using Error = std::optional<std::string>;

Json ShowValue(const LeInt32& v) {
  return v.get();
}
Json ShowValue(const ByteBool& v) {
  return v.get();
}
template <std::size_t C>
Json ShowValue(const ShortString<C>& v) {
  return ToUtf8(v.text());
}

Error SetValue(LeInt32& v, const std::string& text) {
  std::int32_t value = 0;
  const Text t = FromUtf8(text);
  if (!TryTextToIntStrict(t, value)) {
    return "\"" + text + "\" is not a whole number from " +
           std::to_string(std::numeric_limits<std::int32_t>::min()) + " to " +
           std::to_string(std::numeric_limits<std::int32_t>::max());
  }
  v.set(value);
  return std::nullopt;
}

Error SetValue(ByteBool& v, const std::string& text) {
  if (text == "true" || text == "1") {
    v.set(true);
  } else if (text == "false" || text == "0") {
    v.set(false);
  } else {
    return "\"" + text + "\" is not true, false, 1 or 0";
  }
  return std::nullopt;
}

template <std::size_t C>
Error SetValue(ShortString<C>& v, const std::string& text) {
  // Stored as the settings file's encoding (UTF-8); unused character bytes are zeroed.
  const std::string bytes = EncodeAnsi(FromUtf8(text));
  if (bytes.size() > C) {
    return "text of " + std::to_string(bytes.size()) + " bytes is longer than its capacity of " +
           std::to_string(C);
  }
  std::memset(v.chars, 0, C);
  v.setBytes(bytes);
  return std::nullopt;
}

template <typename Get>
FieldDef Def(std::string record, std::string name, Get get) {
  FieldDef d;
  d.record = std::move(record);
  d.name = std::move(name);
  d.show = [get](const Setup& s) { return ShowValue(get(s)); };
  d.set = [get](Setup& s, const std::string& text) { return SetValue(get(s), text); };
  return d;
}

#define TH_FIELD(rec, field) \
  Def(                       \
      #rec, #field, [](auto& s) -> auto& { return s.rec.field; })

std::vector<FieldDef> MakeFields() {
  return {
      TH_FIELD(DeviceSet, TreeLevel),
      TH_FIELD(DeviceSet, TreeIndex),
      TH_FIELD(DeviceSet, TreeParentsIndex),
      TH_FIELD(DeviceSet, DeviceName),
      TH_FIELD(DeviceSet, LogID),
      TH_FIELD(DeviceSet, Communication),
      TH_FIELD(PortSet, COMPORT),
      TH_FIELD(PortSet, Baudrate),
      TH_FIELD(PortSet, Parity),
      TH_FIELD(PortSet, StopBits),
      TH_FIELD(ModemSet, ModemNo),
      TH_FIELD(ModemSet, ModemType),
      TH_FIELD(ModemSet, Command),
      TH_FIELD(ModemSet, CallCMD),
      TH_FIELD(ModemSet, DiscntCMD),
      TH_FIELD(TCPIPSet, IP),
      TH_FIELD(TCPIPSet, Port),
      TH_FIELD(ScheduleSet, SchDown),
      TH_FIELD(ScheduleSet, SensorNoCheck),
      TH_FIELD(ScheduleSet, CheckSum),
      TH_FIELD(ScheduleSet, DeleteDATAAfter),
      TH_FIELD(ScheduleSet, AppendData),
      TH_FIELD(ScheduleSet, intervalMin),
      TH_FIELD(ScheduleSet, DelayMin),
      Def(
          "ScheduleSet", "_Q9RCal", [](auto& s) -> auto& { return s.ScheduleSet.Q9RCal; }),
      TH_FIELD(SaveFileSet, SavePath),
      TH_FIELD(SaveFileSet, FileName1),
      TH_FIELD(SaveFileSet, FileName2),
      Def(
          "SaveFileSet", "_Q9RSavePath",
          [](auto& s) -> auto& { return s.SaveFileSet.Q9RSavePath; }),
      Def(
          "SaveFileSet", "_Q9RFileName",
          [](auto& s) -> auto& { return s.SaveFileSet.Q9RFileName; }),
      Def(
          "", "_Q9RSetPath", [](auto& s) -> auto& { return s.Q9RSetPath; }),
  };
}

#undef TH_FIELD

}  // namespace

const std::vector<FieldDef>& Fields() {
  static const std::vector<FieldDef> kFields = MakeFields();
  return kFields;
}

const FieldDef* FindField(const std::string& fullName) {
  for (const FieldDef& f : Fields()) {
    if (f.fullName() == fullName) {
      return &f;
    }
  }
  return nullptr;
}

Json RecordToJson(const Setup& s) {
  Json out = Json::object();
  for (const FieldDef& f : Fields()) {
    if (f.record.empty()) {
      out[f.name] = f.show(s);
    } else {
      out[f.record][f.name] = f.show(s);
    }
  }
  return out;
}

bool ParseRecordNumber(const std::string& text, int& n) {
  if (text.empty() || text.size() > 3 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  n = std::stoi(text);
  return IsDeviceNumber(n);
}

std::optional<std::string> ApplyAssignments(Setup& record,
                                            std::span<const std::string> assignments) {
  for (const std::string& a : assignments) {
    const auto eq = a.find('=');
    if (eq == std::string::npos) {
      return "\"" + a + "\" is not FIELD=VALUE";
    }
    const std::string name = a.substr(0, eq);
    const FieldDef* field = FindField(name);
    if (field == nullptr) {
      return "unknown field \"" + name + "\"";
    }
    if (const auto error = field->set(record, a.substr(eq + 1))) {
      return name + ": " + *error;
    }
  }
  return std::nullopt;
}

}  // namespace th::settings
