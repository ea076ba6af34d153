#include "tools/status/StationScan.h"

#include <memory>

#include "tools/status/LineTail.h"

namespace th::status {

namespace {

// A writer renaming Jobs.jsonl to Jobs.1.jsonl between the two opens would
// let both name the same file; the opens are then made again.
constexpr int kOpenAttempts = 3;

std::string Joined(const std::string& folder, const char* name) {
  if (!folder.empty() && folder.back() == PathSeparator()) {
    return folder + name;
  }
  return folder + PathSeparator() + name;
}

// Opens one record file; false with the report's problem set when it is
// there but cannot be read.
bool Open(const std::string& folder, const char* name, StationReport& report, OpenedFile& file) {
  file = OpenRecordFile(Joined(folder, name));
  switch (file.outcome) {
    case OpenedFile::Outcome::Opened:
    case OpenedFile::Outcome::Missing:
      return true;
    case OpenedFile::Outcome::NotRegular:
      report.problem = std::string(name) + " is not a regular file";
      break;
    case OpenedFile::Outcome::Failed:
      report.problem = "cannot read " + std::string(name) + ": " + file.why;
      break;
  }
  report.state = StationReport::State::Unreadable;
  return false;
}

}  // namespace

void ScanSources(const std::vector<RecordSource*>& newestFirst, std::int64_t now,
                 const ScanLimits& limits, StationReport& report) {
  StationTally tally(now);
  std::int64_t budget = limits.budget;
  bool whole = true;
  bool settled = false;
  for (RecordSource* source : newestFirst) {
    LineTail tail(*source, limits.chunk, kMaxLineBytes, budget);
    for (;;) {
      std::string_view line;
      const LineTail::Step step = tail.previous(line);
      if (step == LineTail::Step::Line) {
        JobRecord record;
        if (ParseJobRecord(line, record) == LineKind::Record) {
          ++report.recordsRead;
          tally.add(record);
          settled = tally.settled();
        } else {
          ++report.linesSkipped;
        }
      } else if (step == LineTail::Step::LongLine) {
        ++report.linesSkipped;
      } else if (step == LineTail::Step::Start) {
        break;
      } else {
        whole = false;
        if (step == LineTail::Step::Budget) {
          report.readLimitReached = true;
        } else {
          report.state = StationReport::State::Unreadable;
          report.problem = "cannot read the job records: " + tail.why();
          return;
        }
        break;
      }
      if (settled) {
        break;
      }
    }
    if (settled || !whole) {
      break;
    }
  }
  report.rows = tally.rows(whole);
  if (report.rows.empty()) {
    report.state = StationReport::State::NoRecords;
    report.problem = "no job records";
    if (report.linesSkipped > 0) {
      report.problem += " (" + std::to_string(report.linesSkipped) +
                        (report.linesSkipped == 1 ? " line" : " lines") + " skipped)";
    }
  }
}

StationReport ScanStation(const std::string& folder, std::int64_t now, const ScanLimits& limits) {
  StationReport report;
  report.folder = folder;
  if (std::string problem = FolderProblem(folder); !problem.empty()) {
    report.state = StationReport::State::Unreadable;
    report.problem = std::move(problem);
    return report;
  }
  OpenedFile newest;
  OpenedFile older;
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    if (!Open(folder, kRecordFile, report, newest) ||
        !Open(folder, kOlderRecordFile, report, older)) {
      return report;
    }
    if (newest.outcome != OpenedFile::Outcome::Opened ||
        older.outcome != OpenedFile::Outcome::Opened || newest.identity != older.identity) {
      break;
    }
  }
  if (newest.outcome == OpenedFile::Outcome::Opened && older.outcome == newest.outcome &&
      newest.identity == older.identity) {
    older = OpenedFile{};  // renamed again and again: the newest alone
  }
  std::vector<RecordSource*> sources;
  for (OpenedFile* file : {&newest, &older}) {
    if (file->outcome == OpenedFile::Outcome::Opened) {
      sources.push_back(file->source.get());
    }
  }
  if (sources.empty()) {
    report.state = StationReport::State::NoRecords;
    report.problem = std::string("no job records yet (no ") + kRecordFile + ")";
    return report;
  }
  ScanSources(sources, now, limits, report);
  return report;
}

}  // namespace th::status
