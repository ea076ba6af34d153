#pragma once
// The tool's logic, composed: one object per part, each reaching the shared
// runtime and the parts it calls through this unit. Construction wires the
// port's arrival notification to the receive path.
#include "app/AppShell.h"
#include "app/EventLog.h"
#include "app/Runtime.h"
#include "app/SettingsFile.h"
#include "download/DataFileWriter.h"
#include "download/DownloadJob.h"
#include "download/FileFetch.h"
#include "link/Connection.h"
#include "link/Disconnection.h"
#include "link/ReceivePath.h"
#include "link/Waiter.h"
#include "protocol/ClockCommands.h"
#include "protocol/FileCommands.h"
#include "protocol/TerminalCommands.h"

namespace th {

class Tidehaul {
 public:
  explicit Tidehaul(Runtime& runtime);
  Tidehaul(const Tidehaul&) = delete;
  Tidehaul& operator=(const Tidehaul&) = delete;

  Runtime& rt;
  Waiter waiter;
  ReceivePath receive;
  EventLog log;
  SettingsFile settings;
  ClockCommands clock;
  Connection connection;
  Disconnection disconnection;
  TerminalCommands terminal;
  FileCommands files;
  DataFileWriter writer;
  FileFetch fetch;
  DownloadJob job;
  AppShell shell;
};

}  // namespace th
