#include "download/FetchJournal.h"

#include <algorithm>

#include "platform/Errors.h"

namespace th {

namespace {

constexpr std::size_t kCopyChunk = std::size_t{64} * 1024;

Text Shown(const std::string& path) {
  return DecodeAnsi(path);
}

}  // namespace

FetchJournal::FetchJournal(PlatformServices& sys, std::string folder, const std::string& fileName1)
    : sys_(sys),
      folder_(std::move(folder)),
      dataFile1_(fileName1 + ".TXT"),
      path_(JoinPath(folder_, fileName1 + kSuffix)),
      aside_(JoinPath(folder_, fileName1 + kUnreadableSuffix)) {}

void FetchJournal::load(std::vector<Text>& notes) {
  content_ = {};
  if (!sys_.fileExists(path_)) {
    return;
  }
  int error = 0;
  const std::int64_t size = sys_.fileSize(path_, error);
  std::string text;
  if (size >= 0 && static_cast<std::uint64_t>(size) <= kMaxBytes) {
    error = sys_.readFileAt(path_, 0, static_cast<std::size_t>(size), text);
  }
  if (size < 0 || static_cast<std::uint64_t>(size) > kMaxBytes || error != 0 ||
      !ParseJournal(text, content_)) {
    content_ = {};
    const int moved = sys_.renameFile(path_, aside_);
    notes.push_back(u"Fetch journal " + Shown(path_) + u" unreadable, " +
                    (moved == 0 ? u"set aside as " + Shown(aside_) : u"not set aside") +
                    u"; every line read is saved");
    return;
  }
  if (!content_.saving.empty()) {
    settleSave(notes);
    if (const int stored = store(); stored != 0) {
      notes.push_back(u"Fetch journal " + Shown(path_) + u" not written, " +
                      EInOutError::fromErrno(stored).message());
    }
  }
}

void FetchJournal::settleSave(std::vector<Text>& notes) {
  auto sizeOf = [&](const JournalAppend& a) {
    int error = 0;
    return sys_.fileSize(inFolder(a.name), error);
  };
  const auto first = std::find_if(content_.saving.begin(), content_.saving.end(),
                                  [&](const JournalAppend& a) { return a.name == dataFile1_; });
  // The unpaired lines go first and the first data file next: once the first
  // has its lines, everything before it has too.
  bool done = first != content_.saving.end() && sizeOf(*first) >= first->after;
  for (auto a = content_.saving.begin(); done && a != first; ++a) {
    done = sizeOf(*a) >= a->after;
  }
  for (auto a = content_.saving.begin(); a != content_.saving.end(); ++a) {
    const std::int64_t size = sizeOf(*a);
    if (size >= a->after && (done || size > a->after)) {
      continue;  // done, or someone appended after it: not ours to cut
    }
    if (size < a->before) {
      continue;  // cut by someone else since
    }
    if (size > a->before && sys_.truncateFile(inFolder(a->name), a->before) == 0) {
      notes.push_back(u"Data file " + Shown(inFolder(a->name)) + u" cut back to " +
                      IntToText(a->before) + u" bytes, an append an earlier run left unfinished");
    }
    if (done && a > first && copyAppend(*first, *a)) {
      notes.push_back(u"Data file " + Shown(inFolder(a->name)) +
                      u" completed from the first data file");
    }
  }
  if (done) {
    content_.entries = std::move(content_.entriesAfter);
  }
  content_.saving.clear();
  content_.entriesAfter.clear();
}

bool FetchJournal::copyAppend(const JournalAppend& from, const JournalAppend& to) {
  if (from.after - from.before != to.after - to.before) {
    return false;
  }
  const std::string source = inFolder(from.name);
  const std::string target = inFolder(to.name);
  std::string chunk;
  for (std::int64_t at = from.before; at < from.after;) {
    const auto count =
        static_cast<std::size_t>(std::min<std::int64_t>(kCopyChunk, from.after - at));
    if (sys_.readFileAt(source, at, count, chunk) != 0 || chunk.size() != count ||
        sys_.appendFile(target, chunk) != 0) {
      sys_.truncateFile(target, to.before);
      return false;
    }
    at += static_cast<std::int64_t>(count);
  }
  return sys_.syncFile(target) == 0;
}

const JournalEntry* FetchJournal::find(const std::string& loggerId, const std::string& path) const {
  for (const JournalEntry& e : content_.entries) {
    if (e.sameFile(loggerId, path)) {
      return &e;
    }
  }
  return nullptr;
}

int FetchJournal::beginSave(std::vector<JournalAppend> appends, std::vector<JournalEntry> after) {
  content_.saving = std::move(appends);
  content_.entriesAfter = std::move(after);
  return store();
}

int FetchJournal::endSave(bool written) {
  if (written) {
    content_.entries = std::move(content_.entriesAfter);
  }
  content_.saving.clear();
  content_.entriesAfter.clear();
  return store();
}

int FetchJournal::forget(const std::string& loggerId, const std::string& path) {
  const auto gone =
      std::remove_if(content_.entries.begin(), content_.entries.end(),
                     [&](const JournalEntry& e) { return e.sameFile(loggerId, path); });
  if (gone == content_.entries.end()) {
    return 0;
  }
  content_.entries.erase(gone, content_.entries.end());
  return store();
}

int FetchJournal::store() {
  const std::string temporary = path_ + ".new";
  int error = sys_.rewriteFile(temporary, FormatJournal(content_));
  if (error == 0) {
    error = sys_.syncFile(temporary);
  }
  if (error == 0) {
    error = sys_.renameFile(temporary, path_);
  }
  if (error == 0) {
    // The new name's folder entry on the disk too.
    error = sys_.syncFile(path_);
  }
  return error;
}

}  // namespace th
