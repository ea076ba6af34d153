#pragma once
// What the file fetch and its steps work with, and what they learn of each
// logger file.
#include <cstdint>
#include <functional>
#include <vector>

#include "download/DataFileWriter.h"
#include "link/LineStatus.h"
#include "link/ReceivePath.h"
#include "link/Reception.h"
#include "link/StopRequest.h"
#include "link/Waiter.h"
#include "platform/EventLog.h"
#include "platform/LineList.h"
#include "platform/PlatformServices.h"
#include "platform/Text.h"
#include "platform/View.h"
#include "protocol/FileCommands.h"
#include "protocol/TerminalCommands.h"

namespace th {

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
  PlatformServices& sys;
};

// One logger file of a fetch.
struct FetchedFile {
  Text path;
  Route route = Route::Download1;  // the pane its lines go to
  SizeReply announced;             // the size reply before the read
  bool read = false;               // its read command was sent
  std::int64_t received = 0;       // its bytes, echoes left out
  // The pane holds the file's lines, each whole: they may be saved.
  bool whole = false;
  // ...and exactly the announced bytes came: the file may be deleted.
  bool exact = false;
  Text keptBecause;         // why it may not be deleted; empty when it may
  std::size_t skipped = 0;  // pane lines an earlier job saved
  std::size_t saved = 0;    // pane lines this fetch saved
  bool deleted = false;

  const LineList& pane(const Panes& panes) const {
    return route == Route::Download2 ? panes.download2 : panes.download1;
  }
};

// Log entries of the fetch: "<device> : <text> -<date time>".
using FetchNote = std::function<void(const Text&)>;

}  // namespace th
