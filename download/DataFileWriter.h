#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/LineList.h"
#include "platform/PlatformServices.h"

namespace th {

// Appends the download buffers to the device's two data files. Lines are bytes
// as they came off the line and are written back unchanged, each with CR LF.
// Each file is appended all or nothing: a failed write cuts it back to the size
// it had, so no cut line is left for the next job to glue its first line to.
class DataFileWriter {
 public:
  // The lines to write. Lines taken as they are point into the panes, which do
  // not change while the writer runs (it pumps no messages); only joined or
  // composed lines are stored here, so a large fetch is not held twice.
  struct WriteList {
    struct Line {
      std::string_view text;
      // The part that came from buffer 1: the hold rules look at it alone, so
      // the channels joined from buffer 2 never glue two records together.
      std::size_t ownLength;
    };
    std::vector<Line> lines;
    std::deque<std::string> owned;

    void add(std::string_view line) { lines.push_back({line, line.size()}); }
    void addOwned(std::string line) {
      const std::size_t own = line.size();
      addOwned(std::move(line), own);
    }
    void addOwned(std::string line, std::size_t ownLength) {
      owned.push_back(std::move(line));
      lines.push_back({owned.back(), ownLength});
    }
  };

  // What a save did beyond its result (the first file).
  struct SaveReport {
    std::size_t lines = 0;  // lines appended to the first file
    bool secondWritten = false;
    int secondError = 0;           // errno value when the second file failed; -1 for no name
    std::size_t unpaired = 0;      // buffer-2 lines without a buffer-1 partner
    bool unpairedWritten = false;  // ...and they are in their own file
    int unpairedError = 0;
  };

  explicit DataFileWriter(PlatformServices& files) : sys_(files) {}

  // Builds the list once and writes it to both files; the second only when the
  // first was written. Buffer-2 lines without a partner go to unpairedFile
  // (after the first file), where they cannot pass for records of buffer 1.
  // True when the first file was written completely. Never raises.
  bool save(const LineList& first, const LineList& second, bool append, const std::string& file1,
            const std::string& file2, const std::string& folder,
            const std::string& unpairedFile = {}, SaveReport* report = nullptr);

  // Each buffer-1 line joined with its buffer-2 partner (the line with the same
  // time stamp) less the partner's first 17 characters; lines containing "SD"
  // left out; lines of 1024 bytes or more held and put in front of the next
  // shorter one, all decided on the buffer-1 line. Held text left at the end
  // becomes a line of its own. Lines longer than a pane hands over whole are
  // left out rather than cut. Buffer-2 lines without a partner go to `unpaired`.
  WriteList& buildList(const LineList& first, const LineList& second, WriteList& list,
                       WriteList* unpaired = nullptr);

  // Writes the list to folder + "/" + fileName, appending or rewriting. List
  // lines whose buffer-1 part has 4096 bytes or more are held for the next
  // shorter one; held text left at the end is written as a line of its own.
  // False on any error and for an empty name.
  bool writeFile(const WriteList& list, const std::string& fileName, const std::string& folder,
                 bool append);

 private:
  // writeFile with the errno value of the failure (-1: no name).
  // `lines` counts the lines written.
  int writeOne(const WriteList& list, const std::string& fileName, const std::string& folder,
               bool appendData, std::size_t* lines = nullptr);

  PlatformServices& sys_;
};

}  // namespace th
