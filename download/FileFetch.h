#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "download/FetchJournal.h"
#include "download/FetchParts.h"
#include "download/FileRead.h"
#include "download/JobReport.h"
#include "download/JobSettings.h"

namespace th {

// Fetches the logger's current data files, saves them and deletes them on the
// logger, so that every record ends up in the data files exactly once.
class FileFetch {
 public:
  explicit FileFetch(const FetchParts& parts) : p_(parts) {}

  // On a line that is up: terminal mode on, listing, size, read (a second
  // file for more than 60 channels), save, delete, terminal mode off.
  // - Lines are saved only when every file read came whole (FileRead), and
  //   only those the fetch journal does not name as saved by an earlier job.
  // - The journal notes the save before the data files are appended and
  //   again once they are synced, before any delete.
  // - A file is deleted only when exactly its announced bytes came, and its
  //   size is still that right before each DEL line (CheckedDelete).
  // Otherwise the logger keeps its files and the event log gets one entry.
  // Terminal mode is switched off whenever it was switched on. Nothing raises
  // out of it. `report` learns what it did.
  void fetch(const FetchSettings& device, JobReport& report);

 private:
  // What one fetch learnt so far.
  struct Run {
    std::vector<FetchedFile> files;  // every file asked about, in order
    Text failure;                    // the first reason the fetch fell short
    std::int64_t saved = 0;          // lines appended to the first data file
    std::vector<std::string> dataFiles;
  };

  // Listing, sizes and reads. Raises what the port raises.
  void transfer(const FetchSettings& device, FileRead& reader, AfterReadWatch& watch, Run& run);
  // Asks the size of a file and notes it; false (and the failure) when the
  // size is not known. Its echo and reply may come after a read.
  bool askSize(const Text& path, Route route, AfterReadWatch& watch, Run& run);
  // Saves the lines of every file read that the journal does not name.
  // False when nothing may be deleted.
  bool save(const FetchSettings& device, FetchJournal& journal, Run& run);
  // Pane lines of `file` that an earlier job saved, by the journal.
  std::size_t savedBefore(const FetchSettings& device, const FetchJournal& journal,
                          const FetchedFile& file);
  // The journal's entries once this fetch's lines are saved.
  std::vector<JournalEntry> entriesAfter(const FetchSettings& device, const FetchJournal& journal,
                                         const Run& run) const;
  static void fillReport(const Run& run, const Text& failure, JobReport& report);
  void log(const FetchSettings& device, const Text& entry);

  FetchParts p_;
  const LineList noLines_;
};

}  // namespace th
