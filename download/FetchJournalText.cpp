#include "download/FetchJournalText.h"

#include <charconv>

namespace th {

namespace {

constexpr std::string_view kHeader = "Tidehaul fetch journal 1";
constexpr std::string_view kLineEnd = "\r\n";

bool Writable(std::string_view value) {
  return value.find_first_of("\r\n") == std::string_view::npos;
}

bool Writable(const JournalEntry& e) {
  return Writable(e.loggerId) && Writable(e.path) && Writable(e.first) && Writable(e.last);
}

void Put(std::string& out, std::string_view key, std::string_view value) {
  out.append(key).append(" ").append(value).append(kLineEnd);
}

void PutEntries(std::string& out, const std::vector<JournalEntry>& entries) {
  for (const JournalEntry& e : entries) {
    if (!Writable(e)) {
      continue;
    }
    Put(out, "file", e.path);
    Put(out, "logger", e.loggerId);
    Put(out, "lines", std::to_string(e.lines));
    Put(out, "first", e.first);
    Put(out, "last", e.last);
  }
}

bool ToNumber(std::string_view text, std::int64_t& value) {
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && at == end && value >= 0 && !text.empty();
}

// Reads "<before> <after> <name>".
bool ToAppend(std::string_view text, JournalAppend& append) {
  const std::size_t gap1 = text.find(' ');
  const std::size_t gap2 = gap1 == std::string_view::npos ? gap1 : text.find(' ', gap1 + 1);
  if (gap2 == std::string_view::npos) {
    return false;
  }
  append.name = text.substr(gap2 + 1);
  return ToNumber(text.substr(0, gap1), append.before) &&
         ToNumber(text.substr(gap1 + 1, gap2 - gap1 - 1), append.after) &&
         append.before <= append.after && !append.name.empty();
}

}  // namespace

std::string FormatJournal(const JournalContent& content) {
  std::string out(kHeader);
  out.append(kLineEnd);
  PutEntries(out, content.entries);
  if (!content.saving.empty()) {
    for (const JournalAppend& a : content.saving) {
      Put(out, "saving", std::to_string(a.before) + " " + std::to_string(a.after) + " " + a.name);
    }
    out.append("after").append(kLineEnd);
    PutEntries(out, content.entriesAfter);
  }
  return out;
}

bool ParseJournal(std::string_view text, JournalContent& content) {
  content = {};
  std::vector<JournalEntry>* entries = &content.entries;
  // The keys of an entry, in their order; `field` is the next one expected.
  static constexpr std::string_view kFields[] = {"file", "logger", "lines", "first", "last"};
  std::size_t field = 0;
  bool header = false;
  bool after = false;
  while (!text.empty()) {
    const std::size_t end = text.find(kLineEnd);
    if (end == std::string_view::npos) {
      return false;  // a last line without its end: the journal was cut
    }
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + kLineEnd.size());
    if (!header) {
      if (line != kHeader) {
        return false;
      }
      header = true;
      continue;
    }
    if (line == "after") {
      if (field != 0 || after || content.saving.empty()) {
        return false;
      }
      after = true;
      entries = &content.entriesAfter;
      continue;
    }
    const std::size_t gap = line.find(' ');
    if (gap == std::string_view::npos) {
      return false;
    }
    const std::string_view key = line.substr(0, gap);
    const std::string_view value = line.substr(gap + 1);
    if (key == "saving") {
      JournalAppend append;
      if (field != 0 || after || !ToAppend(value, append)) {
        return false;
      }
      content.saving.push_back(std::move(append));
      continue;
    }
    if (key != kFields[field] || (field == 0 && !content.saving.empty() && !after)) {
      return false;
    }
    if (field == 0) {
      entries->emplace_back();
    }
    JournalEntry& e = entries->back();
    switch (field) {
      case 0:
        e.path = value;
        break;
      case 1:
        e.loggerId = value;
        break;
      case 2:
        if (!ToNumber(value, e.lines) || e.lines == 0) {
          return false;
        }
        break;
      case 3:
        e.first = value;
        break;
      default:
        e.last = value;
        break;
    }
    field = (field + 1) % std::size(kFields);
  }
  return header && field == 0 && after == !content.saving.empty();
}

}  // namespace th
