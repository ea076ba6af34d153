#include "download/DataFileWriter.h"

#include <algorithm>
#include <string_view>

namespace th {

namespace {

constexpr std::size_t kListHold = 1024;   // building: longer lines wait for a short one
constexpr std::size_t kWriteHold = 4096;  // writing: the same with a larger limit
constexpr std::size_t kEofWindow = 128;   // where end-of-file marks are looked for
constexpr char kEofMark = 26;
constexpr std::size_t kChunk = std::size_t{64} * 1024;  // output buffer
constexpr std::string_view kLineEnd = "\r\n";

bool HasSdTag(std::string_view line) {
  return line.find("SD") != std::string_view::npos;
}

// A line the pane cannot hand over whole; written, it would be a cut record.
bool TooLong(const LineList& list, std::size_t i) {
  return list.raw(i).size() > LineList::kReadLimit;
}

// Old programs end text files with a run of end-of-file marks; appended lines
// must not hide behind them. Only such a final run goes: a mark with data after
// it is data. Returns the file's size afterwards, or -1 with the error code.
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

// A file that ends in the middle of a line (cut by hand, or written by
// something else) would glue the first appended line to its last one: it gets
// its line end first. Returns the size afterwards, or -1 with the error code.
std::int64_t EndLastLine(PlatformServices& sys, const std::string& path, std::int64_t size,
                         bool& added, int& error) {
  if (size == 0) {
    return 0;
  }
  std::string tail;
  const std::int64_t from = std::max<std::int64_t>(0, size - 2);
  error = sys.readFileAt(path, from, static_cast<std::size_t>(size - from), tail);
  if (error != 0) {
    return -1;
  }
  if (tail.size() == 2 && std::string_view(tail) == kLineEnd) {
    return size;
  }
  const std::string_view missing = tail.back() == '\r' ? kLineEnd.substr(1) : kLineEnd;
  error = sys.appendFile(path, missing);
  added = error == 0;
  return error == 0 ? size + static_cast<std::int64_t>(missing.size()) : -1;
}

// Calls `emit` with each line the data files gain, in order, without its line
// end; counts the pane lines it took from each buffer.
template <typename Emit>
void ComposeLines(const DataFileWriter::Lines& lines, const TimeStampPairing& pairing,
                  std::size_t& firstTaken, std::size_t& secondTaken, Emit emit) {
  const LineList& first = lines.first.lines;
  const LineList& second = lines.second.lines;
  std::string held;  // lines of 1024 bytes or more, waiting for a shorter one
  std::size_t heldOwn = 0;
  std::string writeHeld;  // list lines whose own part has 4096 bytes or more
  std::string joined;
  auto toWrite = [&](std::string_view text, std::size_t own) {
    if (own >= kWriteHold) {
      writeHeld.append(text);
    } else if (writeHeld.empty()) {
      emit(text);
    } else {
      writeHeld.append(text);
      emit(std::string_view(writeHeld));
      writeHeld.clear();
    }
  };
  for (std::size_t i = lines.first.begin; i < lines.first.end; ++i) {
    if (TooLong(first, i)) {
      continue;
    }
    const std::string_view line = first.line(i);
    if (HasSdTag(line)) {
      continue;
    }
    ++firstTaken;
    std::string_view partner;
    const std::size_t k = pairing.partnerOf[i - lines.first.begin];
    if (k != TimeStampPairing::kNone && !TooLong(second, k)) {
      const std::string_view whole = second.line(k);
      partner = whole.substr(TimeStampOf(whole).size());
      ++secondTaken;
    }
    if (line.size() >= kListHold) {
      held.append(line).append(partner);
      heldOwn += line.size();
      continue;
    }
    if (held.empty() && partner.empty()) {
      toWrite(line, line.size());
      continue;
    }
    const std::size_t own = heldOwn + line.size();
    joined.assign(held).append(line).append(partner);
    held.clear();
    heldOwn = 0;
    toWrite(joined, own);
  }
  if (!held.empty()) {
    toWrite(held, heldOwn);
  }
  if (!writeHeld.empty()) {
    emit(std::string_view(writeHeld));
  }
}

// The buffer-2 lines without a partner, as they came.
template <typename Emit>
void UnpairedLines(const DataFileWriter::Lines& lines, const TimeStampPairing& pairing, Emit emit) {
  for (const std::size_t k : pairing.unpaired) {
    if (!TooLong(lines.second.lines, k)) {
      emit(lines.second.lines.line(k));
    }
  }
}

}  // namespace

DataFileWriter::FileAppend DataFileWriter::ready(const std::string& name, const std::string& folder,
                                                 bool append) {
  FileAppend file;
  file.name = name;
  if (name.empty()) {
    file.error = kNoName;
    return file;
  }
  file.path = JoinPath(folder, name);
  if (sys_.fileExists(folder)) {
    // A save path that names a file: the rewrite this falls through to fails.
    return file;
  }
  // One level only; a folder that exists already or lacks its parent is no error here.
  sys_.createDirectory(folder);
  if (!append) {
    return file;
  }
  if (!sys_.fileExists(file.path)) {
    file.before = 0;  // made by this save
    return file;
  }
  int error = 0;
  std::int64_t size = sys_.fileSize(file.path, error);
  if (size >= 0) {
    size = DropEndMarks(sys_, file.path, size, error);
  }
  if (size >= 0) {
    size = EndLastLine(sys_, file.path, size, file.lineEndAdded, error);
  }
  file.before = size;
  file.error = size < 0 ? error : 0;
  return file;
}

DataFileWriter::Plan DataFileWriter::prepare(const Lines& lines, bool append,
                                             const std::string& file1, const std::string& file2,
                                             const std::string& folder,
                                             const std::string& unpairedFile) {
  Plan plan;
  plan.append = append;
  plan.pairing = PairByTimeStamp(lines.first, lines.second);
  std::int64_t bytes = 0;
  std::size_t count = 0;
  ComposeLines(lines, plan.pairing, plan.firstTaken, plan.secondTaken, [&](std::string_view line) {
    bytes += static_cast<std::int64_t>(line.size() + kLineEnd.size());
    ++count;
  });
  std::int64_t unpairedBytes = 0;
  std::size_t unpairedCount = 0;
  UnpairedLines(lines, plan.pairing, [&](std::string_view line) {
    unpairedBytes += static_cast<std::int64_t>(line.size() + kLineEnd.size());
    ++unpairedCount;
  });
  plan.secondTaken += unpairedCount;

  if (unpairedCount > 0) {
    plan.unpaired = ready(unpairedFile, folder, true);
    plan.unpaired.gains = unpairedBytes;
    plan.unpaired.lines = unpairedCount;
  }
  plan.first = ready(file1, folder, append);
  plan.second = ready(file2, folder, append);
  for (FileAppend* file : {&plan.first, &plan.second}) {
    file->gains = bytes;
    file->lines = count;
  }
  return plan;
}

template <typename EachLine>
void DataFileWriter::writeOne(FileAppend& file, bool append, const EachLine& eachLine) {
  if (file.error != 0) {
    return;
  }
  bool opened = false;
  auto flush = [&](std::string& chunk) {
    const int error = (opened || (append && file.before >= 0)) ? sys_.appendFile(file.path, chunk)
                                                               : sys_.rewriteFile(file.path, chunk);
    opened = true;
    chunk.clear();
    return error;
  };
  std::string chunk;
  int error = 0;
  try {
    eachLine([&](std::string_view line) {
      if (error != 0) {
        return;
      }
      chunk.append(line).append(kLineEnd);
      if (chunk.size() >= kChunk) {
        error = flush(chunk);
      }
    });
  } catch (...) {
    // Memory ran out composing a line: nothing of it may stay half written.
    error = kOutOfMemory;
  }
  if (error == 0) {
    // Always once: an empty list still creates the file.
    error = flush(chunk);
  }
  if (error == 0) {
    // On the disk before the logger is told to delete its copy.
    error = sys_.syncFile(file.path);
  }
  if (error != 0 && file.before >= 0 && opened) {
    sys_.truncateFile(file.path, file.before);
  }
  file.error = error;
  file.written = error == 0;
}

bool DataFileWriter::write(Plan& plan, const Lines& lines) {
  std::size_t unused1 = 0;
  std::size_t unused2 = 0;
  auto listLines = [&](const auto& emit) {
    ComposeLines(lines, plan.pairing, unused1, unused2, emit);
  };
  if (plan.unpaired.lines > 0) {
    writeOne(plan.unpaired, true,
             [&](const auto& emit) { UnpairedLines(lines, plan.pairing, emit); });
    if (!plan.unpaired.written) {
      return false;
    }
  }
  writeOne(plan.first, plan.append, listLines);
  if (!plan.first.written) {
    if (plan.unpaired.written) {
      sys_.truncateFile(plan.unpaired.path, plan.unpaired.before);
      plan.unpaired.written = false;
    }
    return false;
  }
  writeOne(plan.second, plan.append, listLines);
  return true;
}

bool DataFileWriter::save(const LineList& first, const LineList& second, bool append,
                          const std::string& file1, const std::string& file2,
                          const std::string& folder, const std::string& unpairedFile,
                          SaveReport* report) {
  const Lines lines = Lines::all(first, second);
  bool result = false;
  SaveReport done;
  try {
    Plan plan = prepare(lines, append, file1, file2, folder, unpairedFile);
    result = write(plan, lines);
    done.lines = result ? plan.first.lines : 0;
    done.secondWritten = plan.second.written;
    done.secondError = plan.second.error;
    done.unpaired = plan.unpaired.lines;
    done.unpairedWritten = plan.unpaired.written;
    done.unpairedError = plan.unpaired.error;
  } catch (...) {
    result = false;
  }
  if (report != nullptr) {
    *report = done;
  }
  return result;
}

}  // namespace th
