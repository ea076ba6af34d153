#include "tools/status/CommandLine.h"

#include <algorithm>

#include "tools/status/TimeText.h"

namespace th::status {

const char* const kUsage =
    "usage: tidehaul-status [--json] [--warn-age DURATION] [--max-age DURATION]\n"
    "                       [--prometheus FILE] DIR...\n"
    "       tidehaul-status --help | --version\n"
    "Shows for each station folder DIR and each device its job records (Jobs.jsonl)\n"
    "name: the last job and its result, the last complete fetch and its age, the\n"
    "failures in a row since, the last reason and the records saved in 24 hours.\n"
    "  --json               the same as JSON, for scripts\n"
    "  --warn-age DURATION  a device whose last complete fetch is older, or that has\n"
    "  --max-age DURATION   none, is WARNING or CRITICAL; with either option the\n"
    "                       first line is a monitoring-plugin summary\n"
    "  --prometheus FILE    writes the figures for a node exporter's text file\n"
    "                       collector to FILE (replaced whole); nothing is printed\n"
    "                       then unless --json or an age is given too\n"
    "DURATION is whole numbers with units s, m, h, d: 30s, 90m, 6h, 2d, 1h30m.\n"
    "Exit status with an age: 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN (a folder that\n"
    "cannot be read or holds no job record); without: 0 done, 1 such a folder.\n"
    "Either way 2 for a bad command line.\n"
    "TIDEHAUL_STATUS_NOW=2026-12-10T15:00:00+01:00 fixes \"now\", for tests.\n";

namespace {

// The folder without the separators at its end ("/" and "C:\" stay).
std::string Normalized(std::string folder) {
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\') &&
         !(folder.size() == 3 && folder[1] == ':')) {
    folder.pop_back();
  }
  return folder;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine c;
  auto bad = [&c](std::string problem) {
    c.action = CommandLine::Action::Bad;
    c.problem = std::move(problem);
    return c;
  };
  StatusOptions& o = c.options;
  bool optionsEnd = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (optionsEnd || arg.empty() || arg[0] != '-' || arg == "-") {
      const std::string folder = Normalized(arg);
      if (folder.empty()) {
        return bad("an empty DIR");
      }
      if (std::find(o.folders.begin(), o.folders.end(), folder) == o.folders.end()) {
        o.folders.push_back(folder);
      }
      continue;
    }
    if (arg == "--") {
      optionsEnd = true;
      continue;
    }
    if (arg == "-h" || arg == "--help") {
      c.action = CommandLine::Action::Help;
      return c;
    }
    if (arg == "--version") {
      c.action = CommandLine::Action::Version;
      return c;
    }
    if (arg == "--json") {
      o.json = true;
      continue;
    }
    // --name VALUE or --name=VALUE
    std::string value;
    const std::size_t eq = arg.find('=');
    const bool valueGiven = eq != std::string::npos;
    if (valueGiven) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
    }
    if (arg != "--warn-age" && arg != "--max-age" && arg != "--prometheus") {
      return bad("unknown option " + arg);
    }
    if (!valueGiven) {
      if (i + 1 == args.size()) {
        return bad(arg + " needs a value");
      }
      value = args[++i];
    }
    if (arg == "--prometheus") {
      if (value.empty()) {
        return bad("--prometheus needs a FILE");
      }
      o.prometheusFile = value;
      continue;
    }
    const auto seconds = ParseDuration(value);
    if (!seconds) {
      std::string problem = arg + " needs a duration such as 30s, 90m, 6h or 2d, not \"";
      problem += value + "\"";
      return bad(problem);
    }
    (arg == "--warn-age" ? o.limits.warnAge : o.limits.maxAge) = *seconds;
  }
  if (o.folders.empty()) {
    return bad("no DIR given");
  }
  if (o.limits.warnAge && o.limits.maxAge && *o.limits.warnAge > *o.limits.maxAge) {
    return bad("--warn-age is longer than --max-age");
  }
  c.action = CommandLine::Action::Run;
  return c;
}

}  // namespace th::status
