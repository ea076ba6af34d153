#include "download/DataFileWriter.h"

#include <algorithm>
#include <string_view>

#include "download/TimeStampPairing.h"

namespace th {

namespace {

constexpr std::size_t kListHold = 1024;   // building: longer lines wait for a short one
constexpr std::size_t kWriteHold = 4096;  // writing: the same with a larger limit
constexpr std::size_t kEofWindow = 128;   // where end-of-file marks are looked for
constexpr char kEofMark = 26;
constexpr std::size_t kChunk = std::size_t{64} * 1024;  // output buffer

bool HasSdTag(std::string_view line) {
  return line.find("SD") != std::string_view::npos;
}

// A line the pane cannot hand over whole; written, it would be a cut record.
bool TooLong(const LineList& list, std::size_t i) {
  return list.raw(i).size() > LineList::kReadLimit;
}

// Old programs end text files with a run of end-of-file marks; appended lines
// must not hide behind them. Only such a final run goes: a mark with data after
// it is data. Returns the file's size afterwards, or -1 with the errno value.
std::int64_t DropEndMarks(PlatformServices& sys, const std::string& path, std::int64_t size,
                          int& error) {
  const std::int64_t start =
      std::max<std::int64_t>(0, size - static_cast<std::int64_t>(kEofWindow));
  std::string tail;
  error = sys.readFileAt(path, start, static_cast<std::size_t>(size - start), tail);
  if (error != 0) {
    return -1;
  }
  const std::size_t keep = tail.find_last_not_of(kEofMark) + 1;  // npos + 1 is 0
  if (keep == tail.size()) {
    return size;
  }
  const std::int64_t cut = start + static_cast<std::int64_t>(keep);
  error = sys.truncateFile(path, cut);
  return error == 0 ? cut : -1;
}

}  // namespace

bool DataFileWriter::save(const LineList& first, const LineList& second, bool append,
                          const std::string& file1, const std::string& file2,
                          const std::string& folder, const std::string& unpairedFile,
                          SaveReport* report) {
  SaveReport done;
  bool result = false;
  try {
    WriteList list;
    WriteList unpaired;
    buildList(first, second, list, &unpaired);
    done.unpaired = unpaired.lines.size();
    result = writeOne(list, file1, folder, append, &done.lines) == 0;
    if (result) {
      done.secondError = writeOne(list, file2, folder, append);
      done.secondWritten = done.secondError == 0;
      if (done.unpaired > 0) {
        done.unpairedError = writeOne(unpaired, unpairedFile, folder, true);
        done.unpairedWritten = done.unpairedError == 0;
      }
    }
  } catch (...) {
    // A list that could not be built completely is not written at all: a
    // partial save must not pass for a complete one.
    result = false;
  }
  if (report != nullptr) {
    *report = done;
  }
  return result;
}

DataFileWriter::WriteList& DataFileWriter::buildList(const LineList& first, const LineList& second,
                                                     WriteList& list, WriteList* unpaired) {
  const TimeStampPairing pairing = PairByTimeStamp(first, second);
  std::string held;
  std::size_t heldOwn = 0;
  std::string joined;
  for (std::size_t i = 0; i < first.count(); ++i) {
    if (TooLong(first, i)) {
      continue;
    }
    const std::string_view line = first.line(i);
    if (HasSdTag(line)) {
      continue;
    }
    std::string_view partner;
    const std::size_t k = pairing.partnerOf[i];
    if (k != TimeStampPairing::kNone && !TooLong(second, k)) {
      partner = second.line(k).substr(TimeStampPairing::kStampLength);
    }
    if (line.size() >= kListHold) {
      held.append(line).append(partner);
      heldOwn += line.size();
      continue;
    }
    if (held.empty() && partner.empty()) {
      list.add(line);
      continue;
    }
    const std::size_t own = heldOwn + line.size();
    joined.assign(held).append(line).append(partner);
    list.addOwned(std::move(joined), own);
    joined.clear();
    held.clear();
    heldOwn = 0;
  }
  if (!held.empty()) {
    list.addOwned(std::move(held), heldOwn);
  }
  if (unpaired != nullptr) {
    for (const std::size_t k : pairing.unpaired) {
      if (!TooLong(second, k)) {
        // Written as they are: nothing may be glued to them.
        unpaired->lines.push_back({second.line(k), 0});
      }
    }
  }
  return list;
}

bool DataFileWriter::writeFile(const WriteList& list, const std::string& fileName,
                               const std::string& folder, bool append) {
  return writeOne(list, fileName, folder, append) == 0;
}

int DataFileWriter::writeOne(const WriteList& list, const std::string& fileName,
                             const std::string& folder, bool appendData, std::size_t* lines) {
  if (fileName.empty()) {
    return -1;
  }
  PlatformServices& sys = sys_;
  const std::string path = folder + "/" + fileName;

  bool append = false;
  // The size to cut back to when a write fails; -1 when there is nothing to keep.
  std::int64_t before = -1;
  if (!sys.fileExists(folder)) {
    // One level only; a folder that exists already or lacks its parent is no error here.
    sys.createDirectory(folder);
    if (appendData && sys.fileExists(path)) {
      int error = 0;
      const std::int64_t size = sys.fileSize(path, error);
      if (size < 0) {
        return error;
      }
      before = DropEndMarks(sys, path, size, error);
      if (before < 0) {
        return error;
      }
      append = true;
    } else if (appendData) {
      before = 0;  // made by this save
    }
  }
  // A save path that names a file falls through to a rewrite, which fails.

  bool opened = false;
  auto flush = [&](std::string& chunk) {
    const int error =
        (opened || append) ? sys.appendFile(path, chunk) : sys.rewriteFile(path, chunk);
    opened = true;
    chunk.clear();
    return error;
  };
  auto rollBack = [&](int error) {
    if (before >= 0 && opened) {
      sys.truncateFile(path, before);
    }
    return error;
  };
  std::string chunk;
  std::string held;
  std::size_t written = 0;
  for (const WriteList::Line& line : list.lines) {
    if (line.ownLength >= kWriteHold) {
      held.append(line.text);
      continue;
    }
    chunk.append(held).append(line.text).append("\r\n");
    held.clear();
    ++written;
    if (chunk.size() >= kChunk) {
      if (const int error = flush(chunk); error != 0) {
        return rollBack(error);
      }
    }
  }
  if (!held.empty()) {
    chunk.append(held).append("\r\n");
    ++written;
  }
  // Always once: an empty list still creates the file.
  if (const int error = flush(chunk); error != 0) {
    return rollBack(error);
  }
  // On the disk before the logger is told to delete its copy.
  if (const int error = sys.syncFile(path); error != 0) {
    return rollBack(error);
  }
  if (lines != nullptr) {
    *lines = written;
  }
  return 0;
}

}  // namespace th
