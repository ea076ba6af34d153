#pragma once
// The tool's parts, each constructed with the collaborators it uses: the one
// place that knows them all. The program's entry makes the platform's pieces
// (event loop, window, port, services, panes) and hands them in.
#include "app/AppShell.h"
#include "app/JobRecordFile.h"
#include "app/LastResort.h"
#include "app/SettingsFile.h"
#include "download/DataFileWriter.h"
#include "download/DownloadJob.h"
#include "download/FileFetch.h"
#include "link/Connection.h"
#include "link/Disconnection.h"
#include "link/LineStatus.h"
#include "link/ReceivePath.h"
#include "link/Reception.h"
#include "link/StepCounter.h"
#include "link/StopRequest.h"
#include "link/Waiter.h"
#include "platform/EventLog.h"
#include "platform/EventLoop.h"
#include "platform/LineList.h"
#include "platform/PlatformServices.h"
#include "platform/Port.h"
#include "platform/View.h"
#include "protocol/ClockCommands.h"
#include "protocol/FileCommands.h"
#include "protocol/TerminalCommands.h"

namespace th {

class Tool {
 public:
  // Wires the port's notifications to the receive path.
  Tool(EventLoop& loop, View& view, Port& port, PlatformServices& sys, Panes& panes);
  Tool(const Tool&) = delete;
  Tool& operator=(const Tool&) = delete;

  // What the parts share on purpose.
  StopRequest stop;
  LineStatus line;
  StepCounter steps;

  Reception reception;
  Waiter waiter;
  ReceivePath receivePath;
  EventLog log;
  SettingsFile settings;
  Disconnection disconnection;
  ClockCommands clock;
  Connection connection;
  TerminalCommands terminal;
  FileCommands files;
  DataFileWriter writer;
  FileFetch fetch;
  DownloadJob job;
  LastResort lastResort;
  JobRecordFile records;
  AppShell shell;
};

}  // namespace th
