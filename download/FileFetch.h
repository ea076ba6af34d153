#pragma once
#include <cstdint>
#include <vector>

#include "download/DataFileWriter.h"
#include "download/JobReport.h"
#include "download/JobSettings.h"
#include "link/LineStatus.h"
#include "link/ReceivePath.h"
#include "link/Reception.h"
#include "link/StopRequest.h"
#include "link/Waiter.h"
#include "platform/EventLog.h"
#include "platform/LineList.h"
#include "platform/Text.h"
#include "platform/View.h"
#include "protocol/FileCommands.h"
#include "protocol/TerminalCommands.h"

namespace th {

// What the fetch works with.
struct FetchParts {
  TerminalCommands& terminal;
  FileCommands& files;
  DataFileWriter& writer;
  Reception& reception;
  ReceivePath& receivePath;
  const LineStatus& line;
  const StopRequest& stop;
  Waiter& waiter;
  Panes& panes;
  View& view;
  EventLog& log;
};

// Fetches the logger's current data files, saves them and deletes them on the logger.
class FileFetch {
 public:
  // After a read, the line counts as settled once no byte came for this long
  // and the announced size has come...
  static constexpr std::uint32_t kSettleQuietMs = 300;
  // ...or this long after the read, whatever still arrives.
  static constexpr std::uint32_t kSettleLimitMs = 3000;

  explicit FileFetch(const FetchParts& parts) : p_(parts) {}

  // On a line that is up: terminal mode on, listing, size, read (a second file
  // for more than 60 channels), save, delete, terminal mode off. The delete runs
  // only after a complete fetch whose files have not grown since they were
  // read, and names only the files read; otherwise the logger keeps its files
  // and the event log gets one entry. Terminal mode is switched off whenever it
  // was switched on. Nothing raises out of it. `report` learns what it did.
  void fetch(const FetchSettings& device, JobReport& report);

 private:
  struct ReadFile {
    Text path;
    std::int32_t size;
  };
  // A file the fetch asked about, for the report.
  struct AskedFile {
    Text path;
    std::int32_t size = -1;
    std::int64_t received = 0;
  };
  // What the reads of one fetch left for the save and the delete.
  struct Outcome {
    Text failure;                  // why the fetch is incomplete, or empty
    bool firstFilled = false;      // download buffer 1 holds this fetch's lines
    bool secondFilled = false;     // download buffer 2 does
    std::vector<ReadFile> read;    // files read completely, with their sizes
    std::vector<AskedFile> asked;  // every file asked about, in order
    std::size_t saved = 0;         // lines appended to the first data file
    std::vector<std::string> dataFiles;
  };
  // What the report learns of a fetch that ended; `deleted` when it deleted.
  static void Report(const Outcome& out, const Text& failure, bool deleted, JobReport& report);

  // Listing, sizes and reads. Raises what the port raises.
  void transfer(const FetchSettings& device, Outcome& out);
  // One read of `size` announced bytes into the pane the route selects, then
  // the settle: true when the file came completely; otherwise `out.failure`
  // says why (unless it already did).
  bool readOne(const Text& path, std::int32_t size, Outcome& out);
  // Waits until no byte has come for kSettleQuietMs and at least `size` bytes
  // of the file have come, at most kSettleLimitMs.
  void settle(std::int32_t size);
  // Bytes received since the read began, less the echo of its command.
  std::int64_t fileBytes() const;
  // Saves what this fetch received whatever happened before, then deletes on
  // the logger when nothing failed. Returns the failure, or an empty text;
  // `deleted` tells whether the delete ran.
  Text saveAndDelete(const FetchSettings& device, Outcome& out, bool& deleted);
  // The sizes again, right before the delete: a file that grew since it was
  // read holds a record nobody has. Returns the failure, or an empty text.
  Text sizesUnchanged(const std::vector<ReadFile>& read);
  void log(const FetchSettings& device, const Text& entry);

  FetchParts p_;
  // The size the last size query reported (-1: none or unusable): the delete
  // shows its progress against it.
  std::int32_t lastSize_ = 0;
};

}  // namespace th
