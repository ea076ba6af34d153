#pragma once
// The fetch journal of a device: "<FileName1>.fetch-journal" in its save
// folder. It says, for each logger file whose lines were saved but which is
// still on the logger, how far its lines are saved, so that a later fetch of
// the same file saves only what is new. It is written whole to a temporary
// file in the same folder, synced, and renamed over the old one: before the
// data files are appended (noting the save in progress and the data files'
// sizes around it), once they are synced (before any delete), and after the
// deletes. A save that a killed run left in progress is finished or undone
// by the next load, from the data files' sizes.
#include <string>
#include <vector>

#include "download/FetchJournalText.h"
#include "platform/PlatformServices.h"
#include "platform/Text.h"

namespace th {

class FetchJournal {
 public:
  static constexpr const char* kSuffix = ".fetch-journal";
  // Where an unreadable journal is set aside (replacing an older one).
  static constexpr const char* kUnreadableSuffix = ".fetch-journal.unreadable";
  // A journal larger than this is taken for unreadable.
  static constexpr std::size_t kMaxBytes = std::size_t{1} << 20;

  // `folder` the save folder, `dataFile1` the first data file's name there
  // (FileName1 + ".TXT"); the journal is named after FileName1.
  FetchJournal(PlatformServices& sys, std::string folder, const std::string& fileName1);

  // Reads the journal; a save that an earlier run left in progress is
  // finished or undone, and the result written back; an unreadable journal is
  // set aside and the fetch starts from none. Adds what the log should say to
  // `notes`.
  void load(std::vector<Text>& notes);

  // The entry of a logger file, or nullptr.
  const JournalEntry* find(const std::string& loggerId, const std::string& path) const;
  const std::vector<JournalEntry>& entries() const { return content_.entries; }

  // Notes a save about to be written: the data files' appends, and the
  // entries once it is done. 0 or the error code.
  int beginSave(std::vector<JournalAppend> appends, std::vector<JournalEntry> after);
  // The save is done (`written`) or was cut back: the journal says so.
  // 0 or the error code.
  int endSave(bool written);
  // A logger file is gone: its entry goes. 0 or the error code.
  int forget(const std::string& loggerId, const std::string& path);

  std::string path() const { return path_; }

 private:
  // Finishes or undoes the save in progress; adds what it did to `notes`.
  void settleSave(std::vector<Text>& notes);
  // The second data file gets what the first gained, when its own append did not finish.
  bool copyAppend(const JournalAppend& from, const JournalAppend& to);
  int store();
  std::string inFolder(const std::string& name) const { return JoinPath(folder_, name); }

  PlatformServices& sys_;
  std::string folder_;
  std::string dataFile1_;
  std::string path_;
  std::string aside_;
  JournalContent content_;
};

}  // namespace th
