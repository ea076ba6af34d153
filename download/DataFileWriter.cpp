#include "download/DataFileWriter.h"

#include <algorithm>
#include <string_view>

#include "app/Tidehaul.h"
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

bool DataFileWriter::FileSave(const LineList& MasterMemo, const LineList& SecondMemo,
                              bool AppendData, const std::string& MasterFileName,
                              const std::string& SecondFileName, const std::string& SavePath,
                              const std::string& UnpairedFileName, SaveReport* report) {
  SaveReport done;
  bool result = false;
  try {
    StringList StrList;
    StringList Unpaired;
    UnionFileSave(MasterMemo, SecondMemo, StrList, &Unpaired);
    done.unpaired = Unpaired.lines.size();
    result = UnionFileSaveNumberOne(StrList, MasterFileName, SavePath, AppendData);
    if (result) {
      done.secondError = WriteOneFile(StrList, SecondFileName, SavePath, AppendData);
      done.secondWritten = done.secondError == 0;
      if (done.unpaired > 0) {
        done.unpairedError = WriteOneFile(Unpaired, UnpairedFileName, SavePath, true);
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

DataFileWriter::StringList& DataFileWriter::UnionFileSave(const LineList& MasterMemo,
                                                          const LineList& SecondMemo,
                                                          StringList& StrList,
                                                          StringList* Unpaired) {
  const TimeStampPairing pairing = PairByTimeStamp(MasterMemo, SecondMemo);
  std::string AddStr;
  std::size_t heldOwn = 0;
  std::string joined;
  for (std::size_t i = 0; i < MasterMemo.count(); ++i) {
    if (TooLong(MasterMemo, i)) {
      continue;
    }
    const std::string_view line = MasterMemo.line(i);
    if (HasSdTag(line)) {
      continue;
    }
    std::string_view partner;
    const std::size_t k = pairing.partnerOf[i];
    if (k != TimeStampPairing::kNone && !TooLong(SecondMemo, k)) {
      partner = SecondMemo.line(k).substr(TimeStampPairing::kStampLength);
    }
    if (line.size() >= kListHold) {
      AddStr.append(line).append(partner);
      heldOwn += line.size();
      continue;
    }
    if (AddStr.empty() && partner.empty()) {
      StrList.add(line);
      continue;
    }
    const std::size_t own = heldOwn + line.size();
    joined.assign(AddStr).append(line).append(partner);
    StrList.addOwned(std::move(joined), own);
    joined.clear();
    AddStr.clear();
    heldOwn = 0;
  }
  if (!AddStr.empty()) {
    StrList.addOwned(std::move(AddStr), heldOwn);
  }
  if (Unpaired != nullptr) {
    for (const std::size_t k : pairing.unpaired) {
      if (!TooLong(SecondMemo, k)) {
        // Written as they are: nothing may be glued to them.
        Unpaired->lines.push_back({SecondMemo.line(k), 0});
      }
    }
  }
  return StrList;
}

bool DataFileWriter::UnionFileSaveNumberOne(const StringList& DumpStringList,
                                            const std::string& FileName,
                                            const std::string& SavePath, bool AppendData) {
  return WriteOneFile(DumpStringList, FileName, SavePath, AppendData) == 0;
}

int DataFileWriter::WriteOneFile(const StringList& list, const std::string& FileName,
                                 const std::string& SavePath, bool AppendData) {
  if (FileName.empty()) {
    return -1;
  }
  PlatformServices& sys = u_.rt.sys;
  const std::string SFName = SavePath + "/" + FileName;

  bool append = false;
  // The size to cut back to when a write fails; -1 when there is nothing to keep.
  std::int64_t before = -1;
  if (!sys.fileExists(SavePath)) {
    // One level only; a folder that exists already or lacks its parent is no error here.
    sys.createDirectory(SavePath);
    if (AppendData && sys.fileExists(SFName)) {
      int error = 0;
      const std::int64_t size = sys.fileSize(SFName, error);
      if (size < 0) {
        return error;
      }
      before = DropEndMarks(sys, SFName, size, error);
      if (before < 0) {
        return error;
      }
      append = true;
    } else if (AppendData) {
      before = 0;  // made by this save
    }
  }
  // A save path that names a file falls through to a rewrite, which fails.

  bool opened = false;
  auto flush = [&](std::string& chunk) {
    const int error =
        (opened || append) ? sys.appendFile(SFName, chunk) : sys.rewriteFile(SFName, chunk);
    opened = true;
    chunk.clear();
    return error;
  };
  auto rollBack = [&](int error) {
    if (before >= 0 && opened) {
      sys.truncateFile(SFName, before);
    }
    return error;
  };
  std::string chunk;
  std::string held;
  for (const StringList::Line& line : list.lines) {
    if (line.ownLength >= kWriteHold) {
      held.append(line.text);
      continue;
    }
    chunk.append(held).append(line.text).append("\r\n");
    held.clear();
    if (chunk.size() >= kChunk) {
      if (const int error = flush(chunk); error != 0) {
        return rollBack(error);
      }
    }
  }
  if (!held.empty()) {
    chunk.append(held).append("\r\n");
  }
  // Always once: an empty list still creates the file.
  if (const int error = flush(chunk); error != 0) {
    return rollBack(error);
  }
  // On the disk before the logger is told to delete its copy.
  if (const int error = sys.syncFile(SFName); error != 0) {
    return rollBack(error);
  }
  return 0;
}

}  // namespace th
