#include "download/FileFetch.h"

#include <algorithm>

#include "platform/Errors.h"
#include "platform/PlatformServices.h"

namespace th {

namespace {

Text ReadStopped(const Text& file, std::int64_t got, std::int32_t size) {
  return u"read of " + file + u" stopped at " + IntToText(got) + u" of " + IntToText(size) +
         u" bytes";
}

Text ErrorText(std::exception_ptr e) {
  try {
    std::rethrow_exception(std::move(e));
  } catch (const std::exception& x) {
    return u"error " + FromUtf8(x.what());
  } catch (...) {
    return u"error";
  }
}

Text ErrnoText(int error) {
  return error < 0 ? Text(u"no file name") : EInOutError::fromErrno(error).message();
}

void KeepFirst(Text& failure, Text text) {
  if (failure.empty()) {
    failure = std::move(text);
  }
}

}  // namespace

void FileFetch::fetch(const FetchSettings& device, JobReport& report) {
  if (!p_.line.up) {
    return;
  }
  report.fetchRan = true;
  bool terminalOpened = false;
  bool deleted = false;
  Text failure;
  Outcome out;
  try {
    p_.reception.routeTo(Route::ReceiveLog);
    // Set first: a write error inside the opening may leave the logger in terminal mode.
    terminalOpened = true;
    p_.terminal.openTerminal(device.loggerId);
    try {
      transfer(device, out);
    } catch (...) {
      KeepFirst(out.failure, ErrorText(std::current_exception()));
      // Whatever was being assembled when the port failed is a cut line.
      p_.receivePath.dropPartialLine();
    }
    failure = saveAndDelete(device, out, deleted);
  } catch (...) {
    failure = ErrorText(std::current_exception());
  }
  p_.reception.routeTo(Route::ReceiveLog);
  if (!failure.empty()) {
    // A closed window ends every wait; say so rather than blame the logger.
    if (p_.stop.endWaits) {
      failure = u"stopped, " + failure;
    }
    failure = u"File fetch incomplete, " + failure + u", logger files kept";
    log(device, failure);
  }
  fillReport(out, failure, deleted, report);
  if (terminalOpened) {
    try {
      p_.terminal.closeTerminal(device.loggerId);
    } catch (...) {
      // The line is gone; the job brings it down next.
    }
  }
}

void FileFetch::transfer(const FetchSettings& device, Outcome& out) {
  Reception& in = p_.reception;
  const Text& id = device.loggerId;
  const Text firstFile = u"\\SL" + id + u"\\SL" + id + u"0.TXT";

  if (!p_.terminal.listDirectory()) {
    out.failure = u"no listing";
    return;
  }
  const SizeReply first = p_.terminal.askSize(firstFile);
  lastSize_ = first.size;
  out.asked.push_back({firstFile, first.size});
  if (!first.replied) {
    out.failure = u"no size reply for " + firstFile;
    return;
  }
  // An unusable size still gets its one-step read, so nothing that arrives is lost.
  if (first.size < 0) {
    out.failure = u"unusable size reply for " + firstFile;
  }
  p_.waiter.wait(500);
  p_.panes.download1.clear();
  out.firstFilled = true;
  in.routeTo(Route::Download1);
  if (!readOne(firstFile, first.size, out)) {
    return;
  }
  if (!device.secondFile) {
    return;
  }

  const Text secondFile = u"\\SL" + id + u"\\SL" + id + u"1.TXT";
  p_.waiter.wait(500);
  lastSize_ = 0;
  in.routeTo(Route::ReceiveLog);
  const SizeReply second = p_.terminal.askSize(secondFile);
  lastSize_ = second.size;
  out.asked.push_back({secondFile, second.size});
  p_.waiter.wait(500);
  p_.panes.download2.clear();
  out.secondFilled = true;
  in.routeTo(Route::Download2);
  if (!second.replied) {
    KeepFirst(out.failure, u"no size reply for " + secondFile);
  } else if (second.size < 0) {
    KeepFirst(out.failure, u"unusable size reply for " + secondFile);
  } else if (second.size == 0) {
    out.read.push_back({secondFile, 0});
  } else {
    readOne(secondFile, second.size, out);
  }
}

bool FileFetch::readOne(const Text& path, std::int32_t size, Outcome& out) {
  const Reception& in = p_.reception;
  p_.files.readFile(path, size);
  // The read counts as complete with bytes still missing, and its count
  // includes echoes and prompts, so the file's last bytes may still be on
  // their way: let the line settle first, then judge by the file's own bytes.
  settle(size);
  const std::int64_t got = fileBytes();
  if (!out.asked.empty()) {
    out.asked.back().received = got;
  }
  bool complete = size >= 0 && got + 5 > size && !p_.line.lost && !in.lineCut();
  if (complete && in.lineOpen() && got < size) {
    // A last line without its end, and bytes still missing: it may be cut.
    complete = false;
  }
  if (complete) {
    // What is still being assembled is the file's last line, sent without its end.
    p_.receivePath.flushPartialLine();
  } else {
    p_.receivePath.dropPartialLine();
  }
  const LineList& pane = in.route() == Route::Download2 ? p_.panes.download2 : p_.panes.download1;
  if (in.lineCut()) {
    KeepFirst(out.failure,
              u"line of more than " + IntToText(ReceivePath::kMaxLine) + u" characters in " + path);
    return false;
  }
  if (pane.longest() > LineList::kReadLimit) {
    KeepFirst(out.failure, u"line of " + IntToText(static_cast<std::int64_t>(pane.longest())) +
                               u" characters in " + path);
    return false;
  }
  if (!complete) {
    KeepFirst(out.failure, (p_.line.lost ? u"line lost, " : u"") + ReadStopped(path, got, size));
    return false;
  }
  out.read.push_back({path, size});
  return true;
}

std::int64_t FileFetch::fileBytes() const {
  return std::int64_t{p_.reception.bytesCounted()} - p_.reception.echoBytes();
}

void FileFetch::settle(std::int32_t size) {
  const std::uint32_t start = p_.waiter.tick();
  while (!p_.stop.endWaits && !p_.line.lost) {
    const std::uint32_t now = p_.waiter.tick();
    const std::uint32_t spent = now - start;
    if (spent >= kSettleLimitMs) {
      return;
    }
    const std::uint32_t quiet = now - p_.reception.lastArrival();
    if (quiet >= kSettleQuietMs && fileBytes() >= size) {
      return;
    }
    // A wait returns once more than the given time has passed; while bytes
    // are missing, wake up once per quiet period to look again.
    const std::uint32_t untilQuiet =
        quiet >= kSettleQuietMs ? kSettleQuietMs : kSettleQuietMs - quiet;
    p_.waiter.wait(static_cast<std::int32_t>(std::min(untilQuiet, kSettleLimitMs - spent)) - 1);
  }
}

Text FileFetch::saveAndDelete(const FetchSettings& device, Outcome& out, bool& deleted) {
  const std::string& folder = device.saveFolder;
  const std::string& name1 = device.dataFile1;
  const std::string& name2 = device.dataFile2;
  const std::string unpairedName = name1 + "_unpaired.TXT";
  // Only what this fetch received: lines an earlier job left in a pane were
  // saved by that job.
  const LineList noLines;
  DataFileWriter::SaveReport report;
  const bool first = p_.writer.save(out.firstFilled ? p_.panes.download1 : noLines,
                                    out.secondFilled ? p_.panes.download2 : noLines, true,
                                    name1 + ".TXT", name2 + ".TXT", folder, unpairedName, &report);
  if (!first) {
    KeepFirst(out.failure, u"data files not written to " + DecodeAnsi(folder));
  } else {
    out.saved = report.lines;
    out.dataFiles.push_back(JoinPath(folder, name1 + ".TXT"));
    if (report.secondWritten) {
      out.dataFiles.push_back(JoinPath(folder, name2 + ".TXT"));
    }
    if (report.unpairedWritten) {
      out.dataFiles.push_back(JoinPath(folder, unpairedName));
    }
    // The first data file holds every line, so the delete does not wait for
    // the second; the failure is still worth a line in the log.
    if (!report.secondWritten) {
      log(device, u"Data file " + DecodeAnsi(folder + "/" + name2 + ".TXT") + u" not written, " +
                      ErrnoText(report.secondError));
    }
    if (report.unpaired > 0 && !report.unpairedWritten) {
      KeepFirst(out.failure, u"lines without partner not written to " +
                                 DecodeAnsi(folder + "/" + unpairedName) + u", " +
                                 ErrnoText(report.unpairedError));
    }
  }
  p_.waiter.wait(300);
  if (!out.failure.empty()) {
    return out.failure;
  }
  if (Text changed = sizesUnchanged(out.read); !changed.empty()) {
    return changed;
  }
  p_.files.deleteFiles(device.loggerId, 1, lastSize_, out.read.size() > 1);
  deleted = true;
  return {};
}

Text FileFetch::sizesUnchanged(const std::vector<ReadFile>& read) {
  for (const ReadFile& file : read) {
    p_.reception.routeTo(Route::ReceiveLog);
    const SizeReply now = p_.terminal.askSize(file.path);
    lastSize_ = now.size;
    if (!now.replied) {
      return u"no size reply for " + file.path + u" before the delete";
    }
    if (now.size < 0) {
      return u"unusable size reply for " + file.path + u" before the delete";
    }
    if (now.size != file.size) {
      return file.path + (now.size > file.size ? u" grew from " : u" changed from ") +
             IntToText(file.size) + u" to " + IntToText(now.size) + u" bytes";
    }
  }
  return {};
}

void FileFetch::fillReport(const Outcome& out, const Text& failure, bool deleted,
                           JobReport& report) {
  report.fetchComplete = failure.empty() && deleted;
  report.failure = failure;
  report.recordsSaved = static_cast<std::int64_t>(out.saved);
  report.dataFiles = out.dataFiles;
  for (const AskedFile& asked : out.asked) {
    FileReport file;
    file.path = asked.path;
    file.announcedSize = asked.size;
    file.bytesReceived = asked.received;
    file.deleted = deleted;
    if (!deleted) {
      file.keptBecause = failure;
    }
    report.files.push_back(std::move(file));
  }
}

void FileFetch::log(const FetchSettings& device, const Text& entry) {
  try {
    const Text line = device.deviceName + u" : " + entry + u" -" + p_.log.stamp();
    p_.view.showFailure(line);
    p_.log.write(line);
  } catch (...) {
    // Errors of the fetch stay silent; the entry is lost.
  }
}

}  // namespace th
