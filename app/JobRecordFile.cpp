#include "app/JobRecordFile.h"

#include "platform/Errors.h"

namespace th {

void JobRecordFile::append(std::string_view line, const Text& who) {
  const std::string folder = sys_.executableDirectory();
  const std::string path = folder + "Jobs.jsonl";
  // A size that cannot be read fails the append below, which says so.
  int ignored = 0;
  if (sys_.fileExists(path) && sys_.fileSize(path, ignored) >= kRotateAt) {
    if (const int error = sys_.renameFile(path, folder + "Jobs.1.jsonl"); error != 0) {
      log(who, u"Job record file not rotated, ", error);
    }
  }
  if (const int error = write(path, line); error != 0) {
    log(who, u"Job record not written, ", error);
  }
}

int JobRecordFile::write(const std::string& path, std::string_view line) {
  std::int64_t size = 0;
  std::string bytes;
  if (sys_.fileExists(path)) {
    int error = 0;
    size = sys_.fileSize(path, error);
    if (size < 0) {
      return error;
    }
    // A power cut during an append leaves a cut line: the record starts a line of its own.
    std::string last;
    if (size > 0) {
      if (error = sys_.readFileAt(path, size - 1, 1, last); error != 0) {
        return error;
      }
      if (last != "\n") {
        bytes.push_back('\n');
      }
    }
  }
  bytes += line;
  if (const int error = sys_.appendFile(path, bytes); error != 0) {
    // What a full disk took of the line is taken back.
    int ignored = 0;
    if (sys_.fileSize(path, ignored) > size) {
      sys_.truncateFile(path, size);
    }
    return error;
  }
  return sys_.syncFile(path);
}

void JobRecordFile::log(const Text& who, const Text& what, int error) {
  try {
    log_.write(who + u" : " + what + EInOutError::fromErrno(error).message() + u" -" +
               log_.stamp());
  } catch (...) {
    // The event log cannot be written either: the entry is lost.
  }
}

}  // namespace th
