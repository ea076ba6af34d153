#pragma once
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace th {

class Tidehaul;
class LineList;

// Appends the download buffers to the device's two data files. Lines are bytes
// as they came off the line and are written back unchanged, each with CR LF.
class DataFileWriter {
 public:
  // The lines to write. Lines taken as they are point into the panes, which do
  // not change while the writer runs (it pumps no messages); only joined or
  // composed lines are stored here, so a large fetch is not held twice.
  struct StringList {
    std::vector<std::string_view> lines;
    std::deque<std::string> owned;

    void add(std::string_view line) { lines.push_back(line); }
    void addOwned(std::string line) {
      owned.push_back(std::move(line));
      lines.emplace_back(owned.back());
    }
  };

  explicit DataFileWriter(Tidehaul& unit) : u_(unit) {}

  // Builds the list once and writes it to both files; the second only when the
  // first was written. True when the first file was written completely;
  // `bothWritten`, when given, tells whether the second was too. Never raises.
  bool FileSave(const LineList& MasterMemo, const LineList& SecondMemo, bool AppendData,
                const std::string& MasterFileName, const std::string& SecondFileName,
                const std::string& SavePath, bool* bothWritten = nullptr);

  // Line i of buffer 1 joined with line i of buffer 2 less its first 17
  // characters; lines containing "SD" left out; lines of 1024 bytes or more held
  // and put in front of the next shorter one. Held text left at the end becomes
  // a line of its own.
  StringList& UnionFileSave(const LineList& MasterMemo, const LineList& SecondMemo,
                            StringList& StrList);

  // Writes the list to SavePath + "/" + FileName, appending or rewriting. List
  // lines of 4096 bytes or more are held for the next shorter one; held text
  // left at the end is written as a line of its own. False on any error and
  // for an empty name.
  bool UnionFileSaveNumberOne(const StringList& DumpStringList, const std::string& FileName,
                              const std::string& SavePath, bool AppendData);

 private:
  Tidehaul& u_;
};

}  // namespace th
