#pragma once
// One logger file read into its download pane, and what came judged: whole
// lines of the file only, exactly the announced bytes, nothing after.
#include <cstdint>

#include "download/AfterReadWatch.h"
#include "download/FetchParts.h"

namespace th {

class FileRead {
 public:
  // After a read, the line counts as settled once no byte came for this long
  // and the announced size has come...
  static constexpr std::uint32_t kSettleQuietMs = 300;
  // ...or this long after the read, whatever still arrives.
  static constexpr std::uint32_t kSettleLimitMs = 3000;

  FileRead(const FetchParts& parts, AfterReadWatch& watch, FetchNote note)
      : p_(parts), watch_(watch), note_(std::move(note)) {}

  // Reads `file`, whose size was announced, and judges what came:
  // - whole when the pane holds the file's lines, each complete: no line cut
  //   by a lost line, the receive limit or a pane's limit, no line feed
  //   without its CR, and either exactly the announced bytes or exactly the
  //   size the logger gives once the read is over (the file grew before it
  //   was read);
  // - exact when, beyond that, the bytes are the announced size.
  // A line begun before the read is no part of the file: it is dropped (and
  // noted). A last line without its end is filed only when the file is whole.
  // Otherwise `file.keptBecause` says why. Raises what the port raises.
  void read(FetchedFile& file);

 private:
  void settle(std::int32_t size);
  // Bytes received since the read began, less the echo of its command.
  std::int64_t fileBytes() const;
  // Why the read's own lines cannot be whole, or an empty text.
  Text lineFault(const FetchedFile& file, std::int64_t got) const;
  // The size asked once the read is over: sets whether what came is the
  // whole file, and returns why it may not be deleted (empty when it may).
  Text judgeBySize(FetchedFile& file, std::int64_t got);

  FetchParts p_;
  AfterReadWatch& watch_;
  FetchNote note_;
};

// "read of <path> stopped at <got> of <size> bytes"
Text ReadStopped(const Text& path, std::int64_t got, std::int32_t size);
// The start of a text that came from the line, short enough for a log entry.
Text Excerpt(const Text& text);

}  // namespace th
