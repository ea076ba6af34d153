// tidehaul-status [OPTIONS] DIR... | --help | --version
#include <cstdlib>
#include <iostream>

#include "tools/status/StatusTool.h"
#include "tools/status/SystemSide.h"

int main(int argc, char** argv) {
  th::status::UseUtf8Console();
  th::status::StatusClock clock;
  const char* now = std::getenv("TIDEHAUL_STATUS_NOW");
  if (!th::status::SystemClock(now, clock)) {
    std::cerr << "tidehaul-status: TIDEHAUL_STATUS_NOW is not a time such as "
                 "2026-12-10T15:00:00+01:00: \""
              << now << "\"\n";
    return 2;
  }
  return th::status::RunStatusTool(th::status::ProgramArguments(argc, argv), clock, std::cout,
                                   std::cerr);
}
