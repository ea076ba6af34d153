#include <algorithm>
#include <array>

#include "tools/status/Printable.h"
#include "tools/status/Reports.h"
#include "tools/status/TimeText.h"

namespace th::status {

namespace {

enum Column {
  StateColumn,
  StationColumn,
  DeviceColumn,
  NameColumn,
  LastJobColumn,
  ResultColumn,
  CompleteColumn,
  AgeColumn,
  FailsColumn,
  SavedColumn,
  ReasonColumn,
  ColumnCount
};

using Row = std::array<std::string, ColumnCount>;

constexpr std::array<const char*, ColumnCount> kHeadings = {
    "STATE", "STATION", "DEVICE",    "NAME",  "LAST JOB", "RESULT", "LAST COMPLETE FETCH",
    "AGE",   "FAILS",   "SAVED 24H", "REASON"};

std::string AtLeast(std::int64_t count, bool atLeast) {
  return std::to_string(count) + (atLeast ? "+" : "");
}

Row DeviceRow(const StationReport& s, const DeviceStatus& d, std::int64_t now,
              const LocalTimeText& localTime, const AgeLimits& limits) {
  Row row;
  row[StateColumn] = CheckStateName(RowState(d, now, limits));
  row[StationColumn] = s.folder;
  row[DeviceColumn] = d.device == kStationWide ? "-" : std::to_string(d.device);
  row[NameColumn] = d.name;
  row[LastJobColumn] = localTime(d.lastJob.end);
  row[ResultColumn] = std::string(JobResultName(d.lastJob.result));
  row[CompleteColumn] = d.lastCompleteFetch ? localTime(d.lastCompleteFetch->end) : "none";
  row[AgeColumn] = d.lastCompleteFetch ? AgeText(now - d.lastCompleteFetch->end) : "-";
  row[FailsColumn] = AtLeast(d.failuresInARow, d.failuresAtLeast);
  row[SavedColumn] = AtLeast(d.recordsSaved24h, d.savedAtLeast);
  row[ReasonColumn] = d.lastJob.reason;
  return row;
}

Row FolderRow(const StationReport& s) {
  Row row;
  row.fill("-");
  row[StateColumn] = CheckStateName(CheckState::Unknown);
  row[StationColumn] = s.folder;
  row[NameColumn] = "";
  row[ReasonColumn] = s.problem;
  return row;
}

}  // namespace

std::string TableText(const std::vector<StationReport>& stations, std::int64_t now,
                      const LocalTimeText& localTime, const AgeLimits& limits) {
  std::vector<Row> rows;
  Row heading;
  std::copy(kHeadings.begin(), kHeadings.end(), heading.begin());
  rows.push_back(heading);
  std::string notes;
  for (const StationReport& s : stations) {
    if (s.state != StationReport::State::Read) {
      rows.push_back(FolderRow(s));
    }
    for (const DeviceStatus& d : s.rows) {
      rows.push_back(DeviceRow(s, d, now, localTime, limits));
    }
    if (s.linesSkipped > 0) {
      notes += Printable(s.folder) + ": " + std::to_string(s.linesSkipped) +
               (s.linesSkipped == 1 ? " line" : " lines") +
               " skipped (cut, or not a job record of a format this program knows)\n";
    }
    if (s.readLimitReached) {
      notes += Printable(s.folder) +
               ": reading stopped at the size the tool's record files keep; counts marked + may "
               "be higher\n";
    }
  }
  std::array<std::size_t, ColumnCount> width{};
  for (Row& row : rows) {
    for (std::size_t c = 0; c < ColumnCount; ++c) {
      row[c] = Printable(row[c]);
      width[c] = std::max(width[c], DisplayWidth(row[c]));
    }
  }
  const std::size_t first = limits.any() ? StateColumn : StationColumn;
  std::string text;
  for (const Row& row : rows) {
    std::string line;
    for (std::size_t c = first; c < ColumnCount; ++c) {
      line += row[c];
      if (c + 1 < ColumnCount) {
        line += std::string(width[c] - DisplayWidth(row[c]) + 2, ' ');
      }
    }
    line.erase(line.find_last_not_of(' ') + 1);
    text += line + "\n";
  }
  return text + notes;
}

}  // namespace th::status
