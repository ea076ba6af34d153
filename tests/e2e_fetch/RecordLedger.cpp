#include "tests/e2e_fetch/RecordLedger.h"

#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "tests/e2e_fetch/Station.h"

namespace th::test {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kStamp = 17;

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

// Records per logger file: index 0 the first data file, 1 the second.
struct Files {
  std::vector<std::string> first;
  std::vector<std::string> second;
};

void Add(Files& files, const std::string& path, const std::vector<std::string>& records) {
  const bool isSecond = path.size() >= 5 && path.compare(path.size() - 5, 5, "1.TXT") == 0;
  auto& into = isSecond ? files.second : files.first;
  into.insert(into.end(), records.begin(), records.end());
}

// Every file under `dir` laid out as the logger's tree (DIR/SL01/SL010.TXT).
Files ReadTree(const fs::path& dir, const std::string& year) {
  Files files;
  if (!fs::exists(dir)) {
    return files;
  }
  for (const auto& entry : fs::recursive_directory_iterator(dir)) {
    if (entry.is_regular_file()) {
      Add(files, entry.path().filename().string(), DataRecords(ReadWholeFile(entry.path()), year));
    }
  }
  return files;
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

std::string Stamp(const std::string& line) {
  return line.substr(0, std::min(kStamp, line.size()));
}

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
                     std::to_string(corrupted) + " corrupted";
  for (const auto& p : problems) {
    text += "\n  " + p;
  }
  return text;
}

LedgerReport CheckRecords(const Station& station) {
  const std::string year = CurrentYear();
  LedgerReport report;
  auto problem = [&](const std::string& what) {
    if (report.problems.size() < 8) {
      report.problems.push_back(what.substr(0, 300));
    }
  };

  Files ever = ReadTree(station.file("exported"), year);
  const nlohmann::json state = nlohmann::json::parse(station.state());
  for (const auto& a : state.value("appended", nlohmann::json::array())) {
    Add(ever, a.at("file").get<std::string>(),
        DataRecords(a.at("line").get<std::string>() + "\r\n", year));
  }
  const Files held = ReadTree(station.file("held"), year);
  const std::set<std::string> held0(held.first.begin(), held.first.end());
  const std::set<std::string> held1(held.second.begin(), held.second.end());

  // What a data line may be: a first-file record alone, or joined with the
  // rest of a second-file record of the same time stamp.
  std::multimap<std::string, std::string> secondByStamp;
  for (const auto& r : ever.second) {
    secondByStamp.emplace(Stamp(r), r);
  }
  const std::set<std::string> firsts(ever.first.begin(), ever.first.end());
  std::set<std::string> savedFirst;
  std::set<std::string> savedSecond;
  auto wholeRecord = [&](const std::string& line) {
    if (firsts.count(line) != 0) {
      savedFirst.insert(line);
      return true;
    }
    const auto range = secondByStamp.equal_range(Stamp(line));
    for (auto it = range.first; it != range.second; ++it) {
      const std::string& partner = it->second;
      if (partner.size() < kStamp || line.size() < partner.size() - kStamp) {
        continue;
      }
      const std::string head = line.substr(0, line.size() - (partner.size() - kStamp));
      if (firsts.count(head) != 0 &&
          line.compare(head.size(), std::string::npos, partner, kStamp, std::string::npos) == 0) {
        savedFirst.insert(head);
        savedSecond.insert(partner);
        return true;
      }
    }
    return false;
  };

  const fs::path data = station.file("data");
  for (const char* name : {"CR000.TXT", "CR001.TXT"}) {
    for (const auto& line : Lines(DataFile(data / name))) {
      if (!wholeRecord(line)) {
        ++report.corrupted;
        problem(std::string(name) + " holds no whole record: " + line);
      }
    }
  }
  const std::set<std::string> seconds(ever.second.begin(), ever.second.end());
  for (const auto& line : Lines(DataFile(data / "CR000_unpaired.TXT"))) {
    if (seconds.count(line) == 0) {
      ++report.corrupted;
      problem("CR000_unpaired.TXT holds no whole record: " + line);
    } else {
      savedSecond.insert(line);
    }
  }

  report.records = ever.first.size() + ever.second.size();
  for (const auto& r : ever.first) {
    if (savedFirst.count(r) == 0 && held0.count(r) == 0) {
      ++report.lost;
      problem("first-file record lost: " + r);
    }
  }
  for (const auto& r : ever.second) {
    if (savedSecond.count(r) == 0 && held1.count(r) == 0) {
      ++report.lost;
      problem("second-file record lost: " + r);
    }
  }
  return report;
}

}  // namespace th::test
