#pragma once
#include <cstdint>
#include <string>

#include "download/TimeStampPairing.h"
#include "platform/LineList.h"
#include "platform/PlatformServices.h"

namespace th {

// Appends the download buffers to the device's data files. Lines are bytes
// as they came off the line and are written back unchanged, each with CR LF.
// A save is worked out first (what each file gains, and its size before and
// after), so that the fetch journal can note it before a byte is written;
// then each file is appended all or nothing: a failed write cuts it back to
// the size it had, so no cut line is left for the next job to glue its first
// line to.
class DataFileWriter {
 public:
  // What a save takes from the two download panes.
  struct Lines {
    PaneSpan first;
    PaneSpan second;

    static Lines all(const LineList& first, const LineList& second) {
      return {PaneSpan::all(first), PaneSpan::all(second)};
    }
  };

  // One data file of a save.
  struct FileAppend {
    std::string name;           // in the save folder; empty: none
    std::string path;           // folder, the system's separator, name
    std::int64_t before = -1;   // its size readied for the append; -1 when it is rewritten
    std::int64_t gains = 0;     // bytes the save adds
    std::size_t lines = 0;      // lines the save adds
    bool lineEndAdded = false;  // it did not end with CR LF and got one first
    bool written = false;
    int error = 0;  // the system's error code when it failed; kNoName, kOutOfMemory

    std::int64_t after() const { return (before < 0 ? 0 : before) + gains; }
  };

  // A save worked out before anything is appended.
  struct Plan {
    TimeStampPairing pairing;
    bool append = true;
    FileAppend unpaired;  // buffer-2 lines without a partner, written first
    FileAppend first;
    FileAppend second;
    std::size_t firstTaken = 0;   // buffer-1 lines that reach the data files
    std::size_t secondTaken = 0;  // buffer-2 lines that reach a data file
  };

  // What a save did beyond its result (the first file).
  struct SaveReport {
    std::size_t lines = 0;  // lines appended to the first file
    bool secondWritten = false;
    int secondError = 0;       // the system's error code when the second file failed, or kNoName
    std::size_t unpaired = 0;  // buffer-2 lines without a buffer-1 partner
    bool unpairedWritten = false;  // ...and they are in their own file
    int unpairedError = 0;
  };

  // Failures that are no error code of the system.
  static constexpr int kNoName = -1;
  static constexpr int kOutOfMemory = -2;

  explicit DataFileWriter(PlatformServices& files) : sys_(files) {}

  // Works out the save and readies the files: the folder is made (one level)
  // when missing; a file to append to loses a final run of end-of-file marks
  // and gets a CR LF when it does not end with one. Each buffer-1 line is
  // joined with its buffer-2 partner (the partner less its time stamp);
  // lines containing "SD" are left out; lines of 1024 bytes or more are held
  // and put in front of the next shorter one, and list lines whose buffer-1
  // part has 4096 bytes or more are held for the next shorter list line, all
  // decided on the buffer-1 line; held text left at the end becomes a line of
  // its own. Lines longer than a pane hands over whole are left out rather
  // than cut. Buffer-2 lines without a partner go to the unpaired file.
  Plan prepare(const Lines& lines, bool append, const std::string& file1, const std::string& file2,
               const std::string& folder, const std::string& unpairedFile);
  // Appends what the plan says: the unpaired lines, the first file, the
  // second, each synced. The first file is written only when the unpaired
  // lines were, and a failure of the first cuts the unpaired file back too.
  // True when the first file was written completely. Never raises.
  bool write(Plan& plan, const Lines& lines);

  // prepare and write in one.
  bool save(const LineList& first, const LineList& second, bool append, const std::string& file1,
            const std::string& file2, const std::string& folder,
            const std::string& unpairedFile = {}, SaveReport* report = nullptr);

 private:
  // Readies one file for the save; `error` set when it cannot be.
  FileAppend ready(const std::string& name, const std::string& folder, bool append);
  // Appends (or rewrites) one file from `emit`'s lines; cuts it back on a failure.
  template <typename Lines>
  void writeOne(FileAppend& file, bool append, const Lines& eachLine);

  PlatformServices& sys_;
};

}  // namespace th
