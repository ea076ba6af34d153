// The logger simulator's side of the line. Every CR-ended line of the input
// goes through the command parser, which takes only the exact forms the tool
// sends: what it recognises must print back to the very line, and what it
// does not must be no such form. Then the whole input reaches the model in
// chunks over time, under a configuration drawn from the input, with the port
// closed, opened, unplugged and plugged in between; its record counts must
// add up and its output must drain.
#include <ctime>

#include "tools/fuzz/support/Check.h"
#include "tools/fuzz/support/Input.h"
#include "tools/fuzz/targets/Targets.h"
#include "tools/logger-sim/LineParser.h"
#include "tools/logger-sim/LoggerModel.h"

namespace th::fuzz {

namespace {

using sim::Cmd;

bool EndsWith(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

// "yy mm dd hh mm" in digits.
bool ClockText(std::string_view t) {
  if (t.size() != 14) {
    return false;
  }
  for (std::size_t i = 0; i < t.size(); ++i) {
    const bool digit = t[i] >= '0' && t[i] <= '9';
    if (i % 3 == 2 ? t[i] != ' ' : !digit) {
      return false;
    }
  }
  return true;
}

// The word, one blank and a path without a blank at either end.
bool PathForm(std::string_view line, std::string_view word) {
  if (line.size() < word.size() + 2 || line.substr(0, word.size()) != word ||
      line[word.size()] != ' ') {
    return false;
  }
  return line[word.size() + 1] != ' ' && line.back() != ' ';
}

Cmd Classify(std::string_view line) {
  if (line.starts_with("#T")) {
    if (line.size() >= 2 + 3 + 14 && line.substr(line.size() - 17, 3) == " W " &&
        ClockText(line.substr(line.size() - 14))) {
      return Cmd::TimeSet;
    }
    return EndsWith(line.substr(2), " R") ? Cmd::TimeRead : Cmd::Other;
  }
  if (line.starts_with("#M")) {
    if (EndsWith(line.substr(2), " T O")) {
      return Cmd::TerminalOpen;
    }
    return EndsWith(line.substr(2), " T C") ? Cmd::TerminalClose : Cmd::Other;
  }
  if (line == "DIR") {
    return Cmd::Dir;
  }
  if (PathForm(line, "CD")) {
    return Cmd::Cd;
  }
  if (PathForm(line, "FSIZE")) {
    return Cmd::Fsize;
  }
  if (PathForm(line, "fread")) {
    return Cmd::Fread;
  }
  return PathForm(line, "DEL") ? Cmd::Del : Cmd::Other;
}

std::string Print(const sim::ParsedLine& p) {
  switch (p.cmd) {
    case Cmd::TimeRead:
      return "#T" + p.id + " R";
    case Cmd::TimeSet:
      return "#T" + p.id + " W " + p.arg;
    case Cmd::TerminalOpen:
      return "#M" + p.id + " T O";
    case Cmd::TerminalClose:
      return "#M" + p.id + " T C";
    case Cmd::Dir:
      return "DIR";
    case Cmd::Cd:
      return "CD " + p.arg;
    case Cmd::Fsize:
      return "FSIZE " + p.arg;
    case Cmd::Fread:
      return "fread " + p.arg;
    case Cmd::Del:
      return "DEL " + p.arg;
    default:
      return {};
  }
}

void CheckParser(std::string_view bytes) {
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t end = std::min(bytes.find('\r', pos), bytes.size());
    std::string line(bytes.substr(pos, end - pos));
    pos = end + 1;
    std::erase(line, '\n');
    const sim::ParsedLine p = sim::ParseLoggerLine(line);
    Expect(p.cmd == Classify(line), "the parser takes a line for another command");
    if (p.cmd != Cmd::Other) {
      Expect(Print(p) == line, "a recognised line does not print back to itself");
    }
  }
}

sim::ModelConfig Configure(std::uint16_t steer) {
  sim::ModelConfig c;
  c.modem = (steer & 0x1) != 0;
  c.echo = (steer & 0x2) != 0;
  c.errorTags = (steer & 0x4) != 0;
  c.year08 = (steer & 0x8) != 0;
  static constexpr std::array<sim::SizeReply, 4> kSizes = {
      sim::SizeReply::Normal, sim::SizeReply::Nan, sim::SizeReply::Short, sim::SizeReply::Blank};
  c.sizeReply = kSizes[(steer >> 4) & 3];
  c.dirReply = (steer & 0x40) != 0 ? sim::DirReply::NoMarker : sim::DirReply::Normal;
  const int carrier = (steer >> 8) & 0xF;
  if (carrier < sim::kCmdCount - 1) {
    c.noCarrierOn = static_cast<Cmd>(carrier);
  }
  if ((steer & 0x1000) != 0) {
    c.rate = 2000;
  }
  if ((steer & 0x2000) != 0) {
    c.lateTail = sim::LateTail{10, 500};
  }
  if ((steer & 0x4000) != 0) {
    c.freadStop = sim::FreadStop{true, 50};
  }
  if ((steer & 0x80) != 0) {
    sim::GeneratedFiles g;
    g.plan.lines = 3;
    g.plan.start = 1714989600;
    g.files = 2;
    c.generated = g;
    c.appendDuringFetch = (steer & 0x8000) != 0;
    c.appendAtMs = {1000, 5000};
  }
  return c;
}

void CheckCounts(const sim::LoggerModel& model) {
  for (const auto& [key, count] : model.state().records) {
    const sim::LoggerFiles::File* file = model.files().find(count.path);
    const std::size_t held = file == nullptr ? 0 : file->lines;
    Expect(count.initial + count.appended == held + count.deleted,
           "the simulator's record counts do not add up");
  }
}

}  // namespace

int LoggerCommandsTarget(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const auto steer = in.takeBack<std::uint16_t>();
  Choices choose(in.takeBack<std::uint32_t>());
  const std::string_view stream = in.rest();
  CheckParser(stream);

  const sim::ModelConfig config = Configure(steer);
  sim::LoggerFiles files;
  files.put("\\SL01\\SL010.TXT", "24-05-06 14:00:00,1.00\r\n24-05-06 14:10:00,2.00\r\n");
  files.put("\\SL01\\SL011.TXT", "24-05-06 14:00:00,9.00\r\n");
  files.put("\\PROG.TXT", "x");
  if (config.generated) {
    for (int f = 0; f < config.generated->files; ++f) {
      files.put(sim::DataFilePath(config.id, f), sim::BuildDataFile(*config.generated, f));
    }
  }
  sim::LoggerModel model(
      config, std::move(files), [](std::int64_t, std::string_view, std::string_view) {},
      [] { return std::time_t{1714998331}; });

  std::int64_t now = 0;
  std::size_t pos = 0;
  model.lineOpened(now);
  while (pos < stream.size()) {
    switch (choose.below(64)) {
      case 0:
        model.lineClosed(now);
        model.lineOpened(now);
        break;
      case 1:
        model.unplugged(now);
        model.pluggedIn(now, "COM3");
        break;
      default:
        break;
    }
    const std::size_t n = std::min(1 + choose.below(64), stream.size() - pos);
    model.receive(stream.substr(pos, n), now);
    pos += n;
    now += choose.below(4) == 0 ? static_cast<std::int64_t>(choose.below(3000)) : 0;
    const std::size_t max = 1 + choose.below(512);
    Expect(model.take(now, max).size() <= max, "the simulator hands over more than asked");
    CheckCounts(model);
  }
  // Whatever is queued leaves in finite time.
  int passes = 0;
  while (const auto due = model.nextDue(now)) {
    now = std::max(now, *due);
    model.take(now, 4096);
    Expect(++passes < 200000, "the simulator's output never drains");
  }
  CheckCounts(model);
  return 0;
}

}  // namespace th::fuzz
