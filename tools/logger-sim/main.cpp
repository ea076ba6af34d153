// tidehaul-logger-sim: a data logger (optionally behind a modem) on a
// pseudo-terminal, for the demonstration and the end-to-end tests.
#include <cstdio>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "tools/logger-sim/CommandLine.h"
#include "tools/logger-sim/FileSetup.h"
#include "tools/logger-sim/LoggerModel.h"
#include "tools/logger-sim/PtyRunner.h"
#include "tools/logger-sim/Transcript.h"

int main(int argc, char** argv) {
  using namespace th::sim;
  const std::vector<std::string> args(argv + 1, argv + argc);
  ParseResult parsed = ParseCommandLine(args);
  if (parsed.help) {
    std::cout << UsageText();
    return 0;
  }
  if (parsed.version) {
    std::cout << "tidehaul-logger-sim " << TIDEHAUL_VERSION << "\n";
    return 0;
  }
  if (!parsed.config) {
    std::cerr << "tidehaul-logger-sim: " << parsed.error << "\n" << UsageText();
    return 2;
  }
  const SimConfig& config = *parsed.config;

  std::string error;
  LoggerFiles files;
  if (!LoadFiles(config, files, error) ||
      (!config.exportDir.empty() && !ExportFiles(files, config.exportDir, error))) {
    std::cerr << "tidehaul-logger-sim: " << error << "\n";
    return 1;
  }
  Transcript transcript;
  if (!config.transcript.empty() && !transcript.open(config.transcript)) {
    std::cerr << "tidehaul-logger-sim: cannot write " << config.transcript << "\n";
    return 1;
  }

  const EventSink write = [&transcript](std::int64_t ms, std::string_view kind,
                                        std::string_view text) {
    transcript.write(ms, kind, text);
  };
  PtyRunner runner({config.link, config.state, config.exportHeldDir, config.exitAfterHangup,
                    config.timeoutSec, config.unplugGapMs, config.modemLines,
                    config.stretchLineSleeps, write});
  if (!runner.setUp(error)) {
    std::cerr << "tidehaul-logger-sim: " << error << "\n";
    return 1;
  }
  LoggerModel model(
      config.model, std::move(files),
      [&transcript, &runner](std::int64_t ms, std::string_view kind, std::string_view text) {
        transcript.write(ms, kind, text);
        runner.event(ms, kind, text);
      },
      [] { return std::time(nullptr); });

  runner.start();
  runner.writeState(model, "");
  std::cout << "LINK " << config.link << " " << runner.device() << "\nREADY" << std::endl;

  const std::string reason = runner.run(model);
  transcript.write(runner.now(), "EXIT", reason);
  runner.writeState(model, reason);
  return 0;
}
