#pragma once
// A record file as the reader sees it: its size when it was opened and reads
// at an offset. Real files come from OpenRecordFile (per operating system);
// tests and the fuzz target hold the bytes in memory.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace th::status {

class RecordSource {
 public:
  virtual ~RecordSource() = default;
  // The size when the file was opened: later appends are not read.
  virtual std::int64_t size() const = 0;
  // Reads exactly `count` bytes from `offset` on; false (with the system's
  // words in `why`) when that fails.
  virtual bool readAt(std::int64_t offset, char* out, std::size_t count, std::string& why) = 0;
};

// Bytes held in memory.
class MemorySource : public RecordSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  std::int64_t size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  bool readAt(std::int64_t offset, char* out, std::size_t count, std::string& why) override;

 private:
  std::string_view bytes_;
};

struct OpenedFile {
  enum class Outcome { Opened, Missing, NotRegular, Failed };
  Outcome outcome = Outcome::Failed;
  std::unique_ptr<RecordSource> source;
  // The file's identity on its volume: a file renamed between two opens is
  // the same file.
  std::string identity;
  std::string why;  // the system's words, for Failed
};

// Opens an existing regular file for reading only, sharing it with a writer
// that appends to it or renames it. Anything else in its place (a FIFO, a
// device, a folder) is refused without blocking.
OpenedFile OpenRecordFile(const std::string& path);

// Why `path` cannot serve as a station folder (it is missing, not a folder,
// or cannot be listed), or "" when it can.
std::string FolderProblem(const std::string& path);

// The system's separator between a folder and a name in it.
char PathSeparator();

}  // namespace th::status
