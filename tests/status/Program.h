#pragma once
// tidehaul-status run as a program (per-OS files): the one built beside the
// tests, with "now" fixed and the local time zone UTC.
#include <string>
#include <vector>

namespace th::status::test {

struct ProgramRun {
  int code = -1;  // -1: it did not exit normally
  std::string out;
  std::string err;
};

// `now` goes to TIDEHAUL_STATUS_NOW.
ProgramRun RunStatusProgram(const std::vector<std::string>& args,
                            const std::string& now = "2026-12-10T15:00:00+01:00");

}  // namespace th::status::test
