#include "download/DataFileWriter.h"

#include <algorithm>
#include <string_view>

#include "app/Tidehaul.h"

namespace th {

namespace {

constexpr std::size_t kListHold = 1024;   // building: longer lines wait for a short one
constexpr std::size_t kWriteHold = 4096;  // writing: the same with a larger limit
constexpr std::size_t kSecondSkip = 17;   // buffer-2 lines repeat buffer 1's time stamp
constexpr std::size_t kEofWindow = 128;   // where an end-of-file mark is looked for
constexpr char kEofMark = 26;
constexpr std::size_t kChunk = std::size_t{64} * 1024;  // output buffer

bool HasSdTag(std::string_view line) {
  return line.find("SD") != std::string_view::npos;
}

// Cuts an existing file at the first end-of-file mark among its last 128 bytes,
// so appended lines are not hidden behind it. 0 or the errno value.
int CutAtEofMark(PlatformServices& sys, const std::string& path) {
  int error = 0;
  const std::int64_t size = sys.fileSize(path, error);
  if (size < 0) {
    return error;
  }
  const std::int64_t start =
      std::max<std::int64_t>(0, size - static_cast<std::int64_t>(kEofWindow));
  std::string tail;
  error = sys.readFileAt(path, start, static_cast<std::size_t>(size - start), tail);
  if (error != 0) {
    return error;
  }
  const std::size_t mark = tail.find(kEofMark);
  if (mark == std::string::npos) {
    return 0;
  }
  return sys.truncateFile(path, start + static_cast<std::int64_t>(mark));
}

}  // namespace

bool DataFileWriter::FileSave(const LineList& MasterMemo, const LineList& SecondMemo,
                              bool AppendData, const std::string& MasterFileName,
                              const std::string& SecondFileName, const std::string& SavePath,
                              bool* bothWritten) {
  bool result = false;
  bool second = false;
  try {
    StringList StrList;
    UnionFileSave(MasterMemo, SecondMemo, StrList);
    result = UnionFileSaveNumberOne(StrList, MasterFileName, SavePath, AppendData);
    if (result) {
      second = UnionFileSaveNumberOne(StrList, SecondFileName, SavePath, AppendData);
    }
  } catch (...) {
    // A list that could not be built completely is not written at all: a
    // partial save must not pass for a complete one.
  }
  if (bothWritten != nullptr) {
    *bothWritten = result && second;
  }
  return result;
}

DataFileWriter::StringList& DataFileWriter::UnionFileSave(const LineList& MasterMemo,
                                                          const LineList& SecondMemo,
                                                          StringList& StrList) {
  const std::size_t count = std::max(MasterMemo.count(), SecondMemo.count());
  std::string AddStr;
  std::string joined;
  for (std::size_t i = 0; i < count; ++i) {
    std::string_view line;
    const bool paired = i < MasterMemo.count() && i < SecondMemo.count();
    if (paired) {
      const std::string_view partner = SecondMemo.line(i);
      joined.assign(MasterMemo.line(i));
      joined.append(partner.substr(std::min(kSecondSkip, partner.size())));
      line = joined;
    } else if (i < MasterMemo.count()) {
      line = MasterMemo.line(i);
    } else {
      line = SecondMemo.line(i);
    }
    if (HasSdTag(line)) {
      continue;
    }
    if (line.size() >= kListHold) {
      AddStr.append(line);
      continue;
    }
    if (AddStr.empty() && !paired) {
      StrList.add(line);
    } else {
      AddStr.append(line);
      StrList.addOwned(std::move(AddStr));
      AddStr.clear();
    }
  }
  if (!AddStr.empty()) {
    StrList.addOwned(std::move(AddStr));
  }
  return StrList;
}

bool DataFileWriter::UnionFileSaveNumberOne(const StringList& DumpStringList,
                                            const std::string& FileName,
                                            const std::string& SavePath, bool AppendData) {
  if (FileName.empty()) {
    return false;
  }
  PlatformServices& sys = u_.rt.sys;
  const std::string SFName = SavePath + "/" + FileName;

  bool append = false;
  if (!sys.fileExists(SavePath)) {
    // One level only; a folder that exists already or lacks its parent is no error here.
    sys.createDirectory(SavePath);
    if (AppendData && sys.fileExists(SFName)) {
      if (CutAtEofMark(sys, SFName) != 0) {
        return false;
      }
      append = true;
    }
  }
  // A save path that names a file falls through to a rewrite, which fails.

  bool opened = false;
  auto flush = [&](std::string& chunk) {
    const int error =
        (opened || append) ? sys.appendFile(SFName, chunk) : sys.rewriteFile(SFName, chunk);
    opened = true;
    chunk.clear();
    return error == 0;
  };
  std::string chunk;
  std::string held;
  for (const std::string_view line : DumpStringList.lines) {
    if (line.size() >= kWriteHold) {
      held.append(line);
      continue;
    }
    chunk.append(held).append(line).append("\r\n");
    held.clear();
    if (chunk.size() >= kChunk && !flush(chunk)) {
      return false;
    }
  }
  if (!held.empty()) {
    chunk.append(held).append("\r\n");
  }
  // Always once: an empty list still creates the file.
  return flush(chunk);
}

}  // namespace th
