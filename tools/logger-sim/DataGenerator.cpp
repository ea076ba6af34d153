#include "tools/logger-sim/DataGenerator.h"

#include <cstdio>
#include <ctime>

namespace th::sim {

namespace {

void AppendValue(std::string& out, std::uint32_t raw) {
  // Hundredths between -1000.00 and 1000.00.
  const std::int64_t v = static_cast<std::int64_t>(raw % 200001U) - 100000;
  const std::int64_t a = v < 0 ? -v : v;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%lld.%02lld", v < 0 ? "-" : "", static_cast<long long>(a / 100),
                static_cast<long long>(a % 100));
  out += buf;
}

}  // namespace

bool ParseStamp(std::string_view text, std::int64_t& out) {
  std::tm tm{};
  int y = 0;
  int mo = 0;
  int d = 0;
  int h = 0;
  int mi = 0;
  int s = 0;
  char tail = 0;
  const std::string t(text);
  if (std::sscanf(t.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 6) {
    return false;
  }
  if (y < 1970 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || h < 0 ||
      mi < 0 || s < 0) {
    return false;
  }
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  out = static_cast<std::int64_t>(timegm(&tm));
  return true;
}

std::string InsertTag(std::string line, std::uint32_t pickTag, std::uint32_t pickPos) {
  const auto pos = static_cast<std::size_t>(pickPos % (line.size() + 1));
  line.insert(pos, kErrorTags[pickTag % 5]);
  return line;
}

RecordGenerator::RecordGenerator(const GeneratePlan& plan, int fileIndex)
    : plan_(plan),
      values_(plan.seed * 2654435761U + static_cast<std::uint32_t>(fileIndex) * 40503U),
      tags_(plan.seed ^ 0x5bd1e995U) {
  while (made_ < plan_.first - 1) {
    next();
  }
}

std::string RecordGenerator::next() {
  const auto t = static_cast<std::time_t>(plan_.start + std::int64_t{made_} * plan_.intervalSec);
  ++made_;
  std::tm tm{};
  gmtime_r(&t, &tm);
  const int year = plan_.year08 ? 2008 : tm.tm_year + 1900;
  char stamp[40];
  if (plan_.longYear) {
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", year, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  } else {
    std::snprintf(stamp, sizeof stamp, "%02d-%02d-%02d %02d:%02d:%02d", year % 100, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  }
  std::string line = stamp;
  for (int c = 0; c < plan_.channels; ++c) {
    line += ',';
    AppendValue(line, values_());
  }
  if (plan_.errorTags) {
    const std::uint32_t tag = tags_();
    line = InsertTag(std::move(line), tag, tags_());
  }
  return line;
}

std::string GenerateFile(const GeneratePlan& what, int fileIndex) {
  RecordGenerator records(what, fileIndex);
  std::string out;
  out.reserve(static_cast<std::size_t>(what.lines) * (20 + 9 * what.channels));
  for (int i = 0; i < what.lines; ++i) {
    out += records.next();
    out += "\r\n";
  }
  return out;
}

std::string InsertByte26(std::string line, std::uint32_t pick) {
  if (line.size() < 2) {
    line += '\x1a';  // nothing to stand inside of
    return line;
  }
  const std::size_t low = line.size() > 18 ? 18 : 1;
  line.insert(low + pick % (line.size() - low), 1, '\x1a');
  return line;
}

std::string AppendRecord(std::string data, std::string_view record, bool noFinalNewline,
                         std::string_view lineEnd) {
  if (noFinalNewline) {
    if (!data.empty() && data.back() != '\n') {
      data += lineEnd;
    }
    data += record;
  } else {
    if (!data.empty() && data.back() != '\n') {
      data += lineEnd;  // a held file cut after its last record
    }
    data += record;
    data += lineEnd;
  }
  return data;
}

std::string RepeatedRecord(const GeneratePlan& plan, int fileIndex, int line) {
  GeneratePlan one = plan;
  one.seed = plan.seed ^ 0x2545f491U;
  one.start = plan.start + std::int64_t{plan.first - 1 + line - 1} * plan.intervalSec;
  one.first = 1;
  return RecordGenerator(one, fileIndex).next();
}

std::string BuildDataFile(const GeneratedFiles& g, int fileIndex, std::string held) {
  RecordGenerator records(g.plan, fileIndex);
  std::string out = std::move(held);
  out.reserve(out.size() + static_cast<std::size_t>(g.plan.lines) * (20 + 9 * g.plan.channels));
  const auto is = [fileIndex](const std::optional<RecordRef>& ref, int line) {
    return ref && ref->file == fileIndex && ref->line == line;
  };
  for (int line = 1; line <= g.plan.lines; ++line) {
    std::string record = records.next();
    if (is(g.missing, line)) {
      continue;
    }
    if (is(g.byte26, line)) {
      record = InsertByte26(std::move(record), g.byte26Pick);
    }
    out = AppendRecord(std::move(out), record, g.noFinalNewline, g.lineEnd());
    if (is(g.repeated, line)) {
      out = AppendRecord(std::move(out), RepeatedRecord(g.plan, fileIndex, line), g.noFinalNewline,
                         g.lineEnd());
    }
  }
  return out;
}

}  // namespace th::sim
