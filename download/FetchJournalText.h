#pragma once
// The fetch journal's content and its text: how far the lines of each logger
// file that is still on the logger are saved, and the save in progress.
//
//   Tidehaul fetch journal 1
//   file \SL01\SL010.TXT          one block per logger file
//   logger 01
//   lines 120                     lines saved, counted from the file's start
//   first 24-05-06 14:00:00,...   the first of them
//   last 24-05-06 15:50:00,...    the last of them
//   saving 1200 4800 CR000.TXT    a save in progress: a data file's size
//   saving 1200 4800 CR001.TXT      before and after its append
//   after                         the blocks as they are once it is done
//   file \SL01\SL010.TXT
//   ...
//
// Lines end with CR LF; a value is the rest of its line, as bytes.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace th {

// How far the lines of one logger file are saved.
struct JournalEntry {
  std::string loggerId;
  std::string path;        // the logger's path of the file
  std::int64_t lines = 0;  // download-pane lines from the file's start
  std::string first;       // the first of them, as the pane holds it
  std::string last;        // the last of them

  bool sameFile(const std::string& id, const std::string& filePath) const {
    return loggerId == id && path == filePath;
  }
  friend bool operator==(const JournalEntry&, const JournalEntry&) = default;
};

// A data file's append of a save in progress.
struct JournalAppend {
  std::string name;  // in the save folder
  std::int64_t before = 0;
  std::int64_t after = 0;
  friend bool operator==(const JournalAppend&, const JournalAppend&) = default;
};

struct JournalContent {
  std::vector<JournalEntry> entries;
  // A save in progress: its appends in writing order, and the entries once it is done.
  std::vector<JournalAppend> saving;
  std::vector<JournalEntry> entriesAfter;

  friend bool operator==(const JournalContent&, const JournalContent&) = default;
};

// The journal's text. An entry whose texts hold a line end cannot be written
// and is left out (its file is then saved whole again: a duplicate, not a loss).
std::string FormatJournal(const JournalContent& content);
// False when the text is not a whole journal in this form.
bool ParseJournal(std::string_view text, JournalContent& content);

}  // namespace th
