#include "tools/logger-sim/RecordWriter.h"

#include <algorithm>

#include "tools/logger-sim/Escape.h"

namespace th::sim {

RecordWriter::RecordWriter(const ModelConfig& config, LoggerFiles& files, Journal& journal)
    : config_(config), files_(files), journal_(journal), appendAtMs_(config.appendAtMs) {
  for (const auto* file : files_.all()) {
    journal_.countOf(file->path).initial = file->lines;
  }
  if (config_.generated) {
    // The generators go on where the generated files end, for appended records.
    const GeneratedFiles& g = *config_.generated;
    for (int f = 0; f < g.files; ++f) {
      RecordGenerator& records = generators_.emplace_back(g.plan, f);
      for (int line = 1; line <= g.plan.lines; ++line) {
        const std::string record = records.next();
        if (g.missing && g.missing->file == f && g.missing->line == line) {
          journal_.state().missingLine = record;
        }
        if (g.byte26 && g.byte26->file == f && g.byte26->line == line) {
          journal_.state().byte26Line = InsertByte26(record, g.byte26Pick);
        }
        if (g.repeated && g.repeated->file == f && g.repeated->line == line) {
          journal_.state().repeatedLine = RepeatedRecord(g.plan, f, line);
        }
      }
    }
  }
  std::sort(appendAtMs_.begin(), appendAtMs_.end());
}

void RecordWriter::runTimers(std::int64_t now) {
  while (nextAppendAt_ < appendAtMs_.size() && appendAtMs_[nextAppendAt_] <= now) {
    write(appendAtMs_[nextAppendAt_++]);
  }
}

std::optional<std::int64_t> RecordWriter::nextDue() const {
  if (nextAppendAt_ < appendAtMs_.size()) {
    return appendAtMs_[nextAppendAt_];
  }
  return std::nullopt;
}

void RecordWriter::reached(Moment moment, std::int64_t now) {
  const int nth = ++reached_.at(static_cast<std::size_t>(moment));
  for (const auto& on : config_.appendOn) {
    if (on.moment == moment && on.nth == nth) {
      write(now);
    }
  }
}

void RecordWriter::write(std::int64_t now) {
  if (!config_.generated) {
    return;
  }
  const GeneratedFiles& g = *config_.generated;
  for (std::size_t f = 0; f < generators_.size(); ++f) {
    const int number = generators_[f].made() + 1;
    const std::string record = generators_[f].next();
    const std::string path = DataFilePath(config_.id, static_cast<int>(f));
    const LoggerFiles::File* file = files_.find(path);
    const std::string stored = file != nullptr ? file->path : path;
    files_.put(stored, AppendRecord(file != nullptr ? *file->data : std::string(), record,
                                    g.noFinalNewline, g.lineEnd()));
    journal_.state().appended.push_back({stored, now, number, record});
    ++journal_.countOf(stored).appended;
    journal_.event(now, "APPEND", EscapeBytes(stored) + " " + std::to_string(number));
  }
  journal_.changed();
  journal_.filesChanged();
}

}  // namespace th::sim
