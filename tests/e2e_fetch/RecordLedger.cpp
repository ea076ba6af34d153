#include "tests/e2e_fetch/RecordLedger.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <set>

#include "tests/e2e_fetch/Station.h"

namespace th::test {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kKeptProblems = 100;
constexpr std::size_t kShownProblems = 8;

std::string StripCompletedTags(std::string line, char added) {
  line.push_back(added);
  if (line.size() >= 3) {
    const std::string tail = line.substr(line.size() - 3);
    for (const char* tag : {"E32", "E21", "E62", "E40", "E00"}) {
      if (tail == tag) {
        line.resize(line.size() - 3);
        break;
      }
    }
  }
  return line;
}

bool Kept(const std::string& line) {
  return line.find('-') != std::string::npos && line.find("SD") == std::string::npos;
}

// A record as the data files show it: tags removed as they complete, a
// leading year "08" replaced; false for a line the tool does not keep.
bool AsSaved(const std::string& raw, const std::string& year, std::string& out) {
  out.clear();
  for (const char c : raw) {
    out = StripCompletedTags(std::move(out), c);
  }
  if (out.size() >= 2 && out[0] == '0' && out[1] == '8') {
    out.replace(0, 2, year);
  }
  return Kept(out);
}

// The records a logger file holds: lines ended by LF (a CR before it
// belongs to the end), and a last line without an end.
std::vector<std::string> LoggerRecords(const std::string& bytes, const std::string& year) {
  std::vector<std::string> out;
  std::string record;
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t end = bytes.find('\n', at);
    const std::size_t next = end == std::string::npos ? bytes.size() : end + 1;
    end = end == std::string::npos ? bytes.size() : end;
    const std::size_t stop = end > at && bytes[end - 1] == '\r' ? end - 1 : end;
    if (AsSaved(bytes.substr(at, stop - at), year, record)) {
      out.push_back(record);
    }
    at = next;
  }
  return out;
}

bool IsSecondFile(const std::string& path) {
  return path.size() >= 5 && path.compare(path.size() - 5, 5, "1.TXT") == 0;
}

// Every file under `dir` laid out as the logger's tree (DIR/SL01/SL010.TXT).
void ReadTree(const fs::path& dir, const std::string& year,
              std::map<std::string, std::size_t>* into) {
  if (!fs::exists(dir)) {
    return;
  }
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) {
      auto& counts = into[IsSecondFile(entry.path().filename().string()) ? 1 : 0];
      for (const auto& r : LoggerRecords(ReadWholeFile(entry.path()), year)) {
        ++counts[r];
      }
    }
  }
}

std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos) {
      out.push_back(bytes.substr(at) + "<no line end>");
      break;
    }
    out.push_back(bytes.substr(at, end - at));
    at = end + 2;
  }
  return out;
}

// A data file's bytes; nothing when something else stands in its place.
std::string DataFile(const fs::path& path) {
  return fs::is_regular_file(path) ? ReadWholeFile(path) : std::string();
}

// The time stamp: the text before the first field separator.
std::string Stamp(const std::string& record) {
  return record.substr(0, record.find(','));
}

bool StartsWith(const std::string& text, const std::string& start) {
  return text.size() >= start.size() && text.compare(0, start.size(), start) == 0;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The data lines against every record: what each whole line stands for, and
// what kind of damage the others show.
class LineCheck {
 public:
  LineCheck(const std::map<std::string, std::size_t>* ever) : ever_(ever) {
    for (int f = 0; f < 2; ++f) {
      for (const auto& [r, n] : ever[f]) {
        stamps_[f][Stamp(r)] += n;
        if (f == 1) {
          partners_.emplace(Stamp(r), r);
        }
      }
    }
  }

  // True for a first-file record alone or joined with its partner; counts it.
  bool saveLine(const std::string& line, std::map<std::string, std::size_t>* saved) const {
    if (ever_[0].count(line) != 0) {
      ++saved[0][line];
      return true;
    }
    const std::string stamp = Stamp(line);
    const auto [from, to] = partners_.equal_range(stamp);
    for (auto it = from; it != to; ++it) {
      const std::string tail = it->second.substr(stamp.size());
      const std::string head = line.substr(0, line.size() - std::min(line.size(), tail.size()));
      if (EndsWith(line, tail) && ever_[0].count(head) != 0 && uniqueStamp(stamp)) {
        ++saved[0][head];
        ++saved[1][it->second];
        return true;
      }
    }
    return false;
  }

  // A stamp that comes once in each logger file: only then is a join no guess.
  bool uniqueStamp(const std::string& stamp) const {
    const auto one = [&](int f) {
      const auto it = stamps_[f].find(stamp);
      return it != stamps_[f].end() && it->second == 1;
    };
    return one(0) && one(1);
  }

  std::string kind(const std::string& line) const {
    if (ever_[1].count(line) != 0) {
      return "misplaced";
    }
    for (const auto& [first, n] : ever_[0]) {
      if (line.size() > first.size() && StartsWith(line, first)) {
        const std::string rest = line.substr(first.size());
        for (const auto& [second, m] : ever_[1]) {
          if (EndsWith(second, rest)) {
            return "mis-joined";
          }
        }
      }
    }
    for (const auto& records : {ever_[0], ever_[1]}) {
      for (const auto& [r, n] : records) {
        if (line.size() > r.size() && line.find(r) != std::string::npos) {
          return "glued";
        }
      }
    }
    for (const auto& records : {ever_[0], ever_[1]}) {
      for (const auto& [r, n] : records) {
        if (line.size() < r.size() && StartsWith(r, line)) {
          return "cut";
        }
      }
    }
    // The start of a join: a first-file record and part of its partner's tail.
    for (const auto& [first, n] : ever_[0]) {
      if (line.size() > first.size() && StartsWith(line, first)) {
        const auto [from, to] = partners_.equal_range(Stamp(first));
        for (auto it = from; it != to; ++it) {
          if (StartsWith(first + it->second.substr(Stamp(first).size()), line)) {
            return "cut";
          }
        }
      }
    }
    return "garbled";
  }

 private:
  const std::map<std::string, std::size_t>* ever_;
  std::map<std::string, std::size_t> stamps_[2];
  std::multimap<std::string, std::string> partners_;
};

}  // namespace

std::vector<std::string> DataRecords(const std::string& loggerFile, const std::string& year) {
  std::vector<std::string> out;
  std::string line;
  auto finish = [&] {
    if (line.size() >= 2 && line[0] == '0' && line[1] == '8') {
      line.replace(0, 2, year);
    }
    if (Kept(line)) {
      out.push_back(line);
    }
    line.clear();
  };
  for (const char c : loggerFile) {
    if (c == '\n') {
      continue;
    }
    if (c == '\r') {
      finish();
      continue;
    }
    line = StripCompletedTags(std::move(line), c);
  }
  if (!line.empty()) {
    finish();
  }
  return out;
}

std::string LedgerReport::describe() const {
  std::string text = std::to_string(records) + " records, " + std::to_string(lost) + " lost, " +
                     std::to_string(corrupted) + " corrupted (" + std::to_string(damagedLines) +
                     " damaged lines), " + std::to_string(duplicated) + " duplicated";
  for (std::size_t i = 0; i < problems.size() && i < kShownProblems; ++i) {
    text += "\n  " + problems[i];
  }
  return text;
}

RecordLedger::RecordLedger(std::string year) : year_(std::move(year)) {}

void RecordLedger::addJob(const StationFolder& station) {
  Counts exported[2];
  ReadTree(station.file("exported"), year_, exported);
  for (int f = 0; f < 2; ++f) {
    for (const auto& [r, n] : exported[f]) {
      const auto before = held_[f].find(r);
      const std::size_t old = before == held_[f].end() ? 0 : before->second;
      ever_[f][r] += n - std::min(n, old);
    }
  }
  const nlohmann::json state = nlohmann::json::parse(station.state());
  for (const auto& a : state.value("appended", nlohmann::json::array())) {
    const int f = IsSecondFile(a.at("file").get<std::string>()) ? 1 : 0;
    for (const auto& r : LoggerRecords(a.at("line").get<std::string>() + "\n", year_)) {
      ++ever_[f][r];
    }
  }
  for (auto& counts : held_) {
    counts.clear();
  }
  ReadTree(station.file("held"), year_, held_);
}

std::size_t RecordLedger::held() const {
  std::size_t n = 0;
  for (const auto& counts : held_) {
    for (const auto& [r, k] : counts) {
      n += k;
    }
  }
  return n;
}

LedgerReport RecordLedger::check(const StationFolder& station) const {
  LedgerReport report;
  auto problem = [&](const std::string& what) {
    if (report.problems.size() < kKeptProblems) {
      report.problems.push_back(what.substr(0, 300));
    }
  };
  const LineCheck lines(ever_);
  Counts saved[2];
  std::vector<std::string> damaged;  // lines that are no whole record
  std::vector<bool> misjoined;       // ... and whether they end with a partner's tail
  const auto corrupt = [&](const std::string& file, const std::string& line) {
    const std::string kind = lines.kind(line);
    ++report.damagedLines;
    ++report.damagedBy[kind];
    damaged.push_back(line);
    misjoined.push_back(kind == "mis-joined");
    problem(file + " holds a " + kind + " line: " + line);
  };

  const fs::path data = station.file("data");
  for (const auto& line : Lines(DataFile(data / "CR000.TXT"))) {
    if (!lines.saveLine(line, saved)) {
      corrupt("CR000.TXT", line);
    }
  }
  for (const auto& line : Lines(DataFile(data / "CR000_unpaired.TXT"))) {
    if (ever_[1].count(line) != 0) {
      ++saved[1][line];
    } else {
      corrupt("CR000_unpaired.TXT", line);
    }
  }
  // The second data file gets the same lines: only damage of its own counts.
  Counts scratch[2];
  std::multiset<std::string> same(damaged.begin(), damaged.end());
  for (const auto& line : Lines(DataFile(data / "CR001.TXT"))) {
    if (!lines.saveLine(line, scratch)) {
      if (const auto it = same.find(line); it != same.end()) {
        same.erase(it);
      } else {
        corrupt("CR001.TXT", line);
      }
    }
  }

  // A record missing whole whose stamp a damaged line carries (or, from the
  // second logger file, whose values a mis-joined line ends with) is
  // corrupted; one that no line carries is lost. A damaged line that carries
  // no missing record is corruption of its own.
  std::vector<bool> explained(damaged.size(), false);
  const auto cover = [&](const std::string& record, bool second) {
    const std::string stamp = Stamp(record);
    const std::string tail = record.substr(stamp.size());
    // Inside a line, a year "08" is not replaced.
    const std::string as08 = StartsWith(stamp, year_) ? "08" + stamp.substr(2) : stamp;
    bool any = false;
    for (std::size_t i = 0; i < damaged.size(); ++i) {
      if (damaged[i].find(stamp) != std::string::npos ||
          damaged[i].find(as08) != std::string::npos ||
          (second && misjoined[i] && !tail.empty() && EndsWith(damaged[i], tail))) {
        explained[i] = true;
        any = true;
      }
    }
    return any;
  };
  static const char* const kFileNames[] = {"first", "second"};
  for (int f = 0; f < 2; ++f) {
    for (const auto& [r, n] : ever_[f]) {
      report.records += n;
      const auto s = saved[f].find(r);
      const auto h = held_[f].find(r);
      const std::size_t found =
          (s == saved[f].end() ? 0 : s->second) + (h == held_[f].end() ? 0 : h->second);
      if (found >= n) {
        continue;
      }
      if (cover(r, f == 1)) {
        report.corrupted += n - found;
      } else {
        report.lost += n - found;
        problem(std::string(kFileNames[f]) + "-file record lost: " + r);
      }
    }
    for (const auto& [r, n] : saved[f]) {
      const std::size_t generated = ever_[f].at(r);
      if (n > generated) {
        report.duplicated += n - generated;
        problem(std::string(kFileNames[f]) + "-file record saved " + std::to_string(n) +
                " times: " + r);
      }
    }
  }
  report.corrupted +=
      static_cast<std::size_t>(std::count(explained.begin(), explained.end(), false));
  return report;
}

LedgerReport CheckRecords(const StationFolder& station) {
  RecordLedger ledger(CurrentYear());
  ledger.addJob(station);
  return ledger.check(station);
}

}  // namespace th::test
