#include "tools/settings/SettingsTool.h"

#include <memory>

#include "tools/settings/SettingsFields.h"
#include "tools/settings/TableFile.h"

namespace th::settings {

namespace {

constexpr const char* kUsage =
    "usage: tidehaul-settings show FILE [N]\n"
    "       tidehaul-settings set FILE N FIELD=VALUE...\n"
    "       tidehaul-settings --help | --version\n"
    "N is a record from 0 to 254; FIELD is a name such as DeviceSet.DeviceName,\n"
    "PortSet.COMPORT or ScheduleSet.SensorNoCheck (true/false).\n"
    "show prints every named field, those the tool does not use included; padding\n"
    "bytes are left out. Without N it prints every record that is not all zero.\n"
    "Exit status: 0 done, 1 refused (the file is left unchanged), 2 bad command line.\n";

// Reasons a command is refused; the message is printed as it is.
struct Refusal {
  std::string message;
};

// The whole table; a missing file gives zeros when `missingIsEmpty`.
std::unique_ptr<DeviceTable> ReadTable(const std::string& path, bool missingIsEmpty) {
  auto table = std::make_unique<DeviceTable>();
  const TableRead read = ReadTableFile(path, *table);
  switch (read.outcome) {
    case TableRead::Outcome::Read:
      return table;
    case TableRead::Outcome::Missing:
      if (missingIsEmpty) {
        return table;
      }
      throw Refusal{"cannot read " + path + ": " + read.why};
    case TableRead::Outcome::NotRegular:
      throw Refusal{path + " is not a regular file"};
    case TableRead::Outcome::WrongSize:
      throw Refusal{path + " has " + std::to_string(read.size) + " bytes; a settings file has " +
                    std::to_string(kSettingsFileSize) + " (255 records of " +
                    std::to_string(kSetupSize) + ")"};
    case TableRead::Outcome::Failed:
      break;
  }
  throw Refusal{"cannot read " + path + ": " + read.why};
}

bool AllZero(const Setup& s) {
  const auto* p = reinterpret_cast<const unsigned char*>(&s);
  for (std::size_t i = 0; i < sizeof s; ++i) {
    if (p[i] != 0) {
      return false;
    }
  }
  return true;
}

Json Numbered(int n, const Setup& s) {
  Json j = Json::object();
  j["record"] = n;
  const Json fields = RecordToJson(s);
  for (const auto& [key, value] : fields.items()) {
    j[key] = value;
  }
  return j;
}

int Show(const std::vector<std::string>& args, std::ostream& out) {
  int n = -1;
  if (args.size() == 3 && !ParseRecordNumber(args[2], n)) {
    throw Refusal{"record \"" + args[2] + "\" is not a number from 0 to 254"};
  }
  const auto table = ReadTable(args[1], false);
  Json result;
  if (n >= 0) {
    result = Numbered(n, (*table)[static_cast<std::size_t>(n)]);
  } else {
    result = Json::array();
    for (int i = 0; i < kDeviceCount; ++i) {
      const Setup& s = (*table)[static_cast<std::size_t>(i)];
      if (!AllZero(s)) {
        result.push_back(Numbered(i, s));
      }
    }
  }
  out << result.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
  return 0;
}

int Set(const std::vector<std::string>& args) {
  int n = -1;
  if (!ParseRecordNumber(args[2], n)) {
    throw Refusal{"record \"" + args[2] + "\" is not a number from 0 to 254"};
  }
  auto table = ReadTable(args[1], true);
  Setup& record = (*table)[static_cast<std::size_t>(n)];
  if (const auto error = ApplyAssignments(record, std::span(args).subspan(3))) {
    throw Refusal{*error};
  }
  WriteTableAtomically(args[1], *table);
  return 0;
}

// What is wrong with the command line; empty when it is a show or set command.
std::string UsageProblem(const std::vector<std::string>& args) {
  if (args.empty()) {
    return "no command given";
  }
  if (args[0] == "show") {
    return args.size() == 2 || args.size() == 3 ? "" : "show takes FILE and an optional N";
  }
  if (args[0] == "set") {
    return args.size() >= 4 ? "" : "set takes FILE, N and at least one FIELD=VALUE";
  }
  return "unknown command \"" + args[0] + "\"";
}

}  // namespace

int RunSettingsTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
    out << kUsage;
    return 0;
  }
  if (!args.empty() && args[0] == "--version") {
    out << "tidehaul-settings " << TIDEHAUL_VERSION << '\n';
    return 0;
  }
  if (const std::string problem = UsageProblem(args); !problem.empty()) {
    err << "tidehaul-settings: " << problem << '\n' << kUsage;
    return 2;
  }
  const bool show = args[0] == "show";
  try {
    return show ? Show(args, out) : Set(args);
  } catch (const Refusal& r) {
    err << "tidehaul-settings: " << r.message << '\n';
    return 1;
  } catch (const std::exception& e) {
    err << "tidehaul-settings: " << e.what() << '\n';
    return 1;
  }
}

}  // namespace th::settings
