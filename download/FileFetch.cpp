#include "download/FileFetch.h"

#include <algorithm>

#include "download/CheckedDelete.h"
#include "platform/Errors.h"

namespace th {

namespace {

Text ErrorText(std::exception_ptr e) {
  try {
    std::rethrow_exception(std::move(e));
  } catch (const std::exception& x) {
    return u"error " + FromUtf8(x.what());
  } catch (...) {
    return u"error";
  }
}

Text ErrorCodeText(int error) {
  if (error == DataFileWriter::kNoName) {
    return u"no file name";
  }
  if (error == DataFileWriter::kOutOfMemory) {
    return u"out of memory";
  }
  return EInOutError::fromErrno(error).message();
}

void KeepFirst(Text& failure, const Text& text) {
  if (failure.empty()) {
    failure = text;
  }
}

Text Shown(const std::string& path) {
  return DecodeAnsi(path);
}

}  // namespace

void FileFetch::fetch(const FetchSettings& device, JobReport& report) {
  if (!p_.line.up) {
    return;
  }
  report.fetchRan = true;
  bool terminalOpened = false;
  Run run;
  Text failure;
  const FetchNote note = [&](const Text& text) { log(device, text); };
  try {
    FetchJournal journal(p_.sys, device.saveFolder, device.dataFile1);
    std::vector<Text> notes;
    journal.load(notes);
    std::for_each(notes.begin(), notes.end(), note);

    p_.reception.routeTo(Route::ReceiveLog);
    // Set first: a write error inside the opening may leave the logger in terminal mode.
    terminalOpened = true;
    p_.terminal.openTerminal(device.loggerId);
    AfterReadWatch watch(p_.panes.receiveLog, p_.reception);
    FileRead reader(p_, watch, note);
    try {
      transfer(device, reader, watch, run);
    } catch (...) {
      KeepFirst(run.failure, ErrorText(std::current_exception()));
      // Whatever was being assembled when the port failed is a cut line.
      p_.receivePath.dropPartialLine();
    }
    const bool saved = save(device, journal, run);
    p_.waiter.wait(300);
    std::vector<FetchedFile*> deletable;
    for (FetchedFile& file : run.files) {
      if (saved && file.exact && file.received > 0) {
        deletable.push_back(&file);
      }
    }
    if (!deletable.empty() && p_.stop.endWaits) {
      KeepFirst(run.failure, u"delete left out");
    } else if (!deletable.empty()) {
      const std::string id = TextToBytes(device.loggerId);
      CheckedDelete remover(p_, watch);
      const Text kept =
          remover.run(deletable, deletable.back()->announced.size, [&](const FetchedFile& gone) {
            if (const int e = journal.forget(id, TextToBytes(gone.path)); e != 0) {
              note(u"Fetch journal " + Shown(journal.path()) + u" not written, " +
                   ErrorCodeText(e));
            }
          });
      KeepFirst(run.failure, kept);
    }
    failure = run.failure;
  } catch (...) {
    failure = run.failure.empty() ? ErrorText(std::current_exception()) : run.failure;
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
  fillReport(run, failure, report);
  if (terminalOpened) {
    try {
      p_.terminal.closeTerminal(device.loggerId);
    } catch (...) {
      // The line is gone; the job brings it down next.
    }
  }
}

bool FileFetch::askSize(const Text& path, Route route, AfterReadWatch& watch, Run& run) {
  p_.reception.routeTo(Route::ReceiveLog);
  FetchedFile file;
  file.path = path;
  file.route = route;
  file.announced = p_.terminal.askSize(path);
  watch.expect(u"FSIZE " + path);
  watch.expect(file.announced.line);
  run.files.push_back(file);
  if (!file.announced.replied) {
    KeepFirst(run.failure, u"no size reply for " + path);
    return false;
  }
  if (file.announced.size < 0) {
    KeepFirst(run.failure, u"unusable size reply for " + path);
    return false;
  }
  return true;
}

void FileFetch::transfer(const FetchSettings& device, FileRead& reader, AfterReadWatch& watch,
                         Run& run) {
  const Text& id = device.loggerId;
  if (!p_.terminal.listDirectory()) {
    run.failure = u"no listing";
    return;
  }
  if (!askSize(u"\\SL" + id + u"\\SL" + id + u"0.TXT", Route::Download1, watch, run)) {
    return;
  }
  p_.waiter.wait(500);
  p_.panes.download1.clear();
  FetchedFile& first = run.files.back();
  reader.read(first);
  KeepFirst(run.failure, first.keptBecause);
  if (!first.whole || !device.secondFile) {
    return;
  }

  p_.waiter.wait(500);
  const bool sized = askSize(u"\\SL" + id + u"\\SL" + id + u"1.TXT", Route::Download2, watch, run);
  p_.waiter.wait(500);
  p_.panes.download2.clear();
  FetchedFile& second = run.files.back();
  if (!sized) {
    return;
  }
  if (second.announced.size == 0) {
    // Read only with a positive size: an empty file has nothing to save or delete.
    second.whole = true;
    second.exact = true;
    return;
  }
  reader.read(second);
  KeepFirst(run.failure, second.keptBecause);
}

std::size_t FileFetch::savedBefore(const FetchSettings& device, const FetchJournal& journal,
                                   const FetchedFile& file) {
  const JournalEntry* entry = journal.find(TextToBytes(device.loggerId), TextToBytes(file.path));
  if (entry == nullptr) {
    return 0;
  }
  const LineList& pane = file.pane(p_.panes);
  const auto n = static_cast<std::size_t>(entry->lines);
  if (n <= pane.count() && pane.raw(0) == entry->first && pane.raw(n - 1) == entry->last) {
    return n;
  }
  // A logger that was reset, or a new file under the old name.
  log(device, file.path + u" does not start as the fetch journal says, all its lines saved");
  return 0;
}

std::vector<JournalEntry> FileFetch::entriesAfter(const FetchSettings& device,
                                                  const FetchJournal& journal,
                                                  const Run& run) const {
  const std::string id = TextToBytes(device.loggerId);
  std::vector<JournalEntry> entries = journal.entries();
  for (const FetchedFile& file : run.files) {
    const std::string path = TextToBytes(file.path);
    std::erase_if(entries, [&](const JournalEntry& e) { return e.sameFile(id, path); });
    const LineList& pane = file.read ? file.pane(p_.panes) : noLines_;
    if (pane.count() > 0) {
      entries.push_back({id, path, static_cast<std::int64_t>(pane.count()),
                         std::string(pane.raw(0)), std::string(pane.raw(pane.count() - 1))});
    }
  }
  return entries;
}

bool FileFetch::save(const FetchSettings& device, FetchJournal& journal, Run& run) {
  const std::size_t files = device.secondFile ? 2 : 1;
  const bool whole =
      run.files.size() == files &&
      std::all_of(run.files.begin(), run.files.end(), [](const FetchedFile& f) { return f.whole; });
  if (!whole) {
    // Nothing of a fetch that brought less than whole files is saved: the
    // logger keeps them, and the next fetch reads them again.
    return false;
  }
  for (FetchedFile& file : run.files) {
    file.skipped = file.read ? savedBefore(device, journal, file) : 0;
  }
  auto span = [&](std::size_t i) {
    if (i >= run.files.size() || !run.files[i].read) {
      return PaneSpan::all(noLines_);
    }
    const LineList& pane = run.files[i].pane(p_.panes);
    return PaneSpan{pane, run.files[i].skipped, pane.count()};
  };
  const DataFileWriter::Lines lines{span(0), span(1)};
  const std::string& folder = device.saveFolder;
  DataFileWriter::Plan plan =
      p_.writer.prepare(lines, true, device.dataFile1 + ".TXT", device.dataFile2 + ".TXT", folder,
                        device.dataFile1 + "_unpaired.TXT");
  for (const DataFileWriter::FileAppend* file : {&plan.unpaired, &plan.first, &plan.second}) {
    if (file->lineEndAdded) {
      log(device, u"Data file " + Shown(file->path) + u" did not end with a line end, one added");
    }
  }
  std::vector<JournalAppend> appends;
  for (const DataFileWriter::FileAppend* file : {&plan.unpaired, &plan.first, &plan.second}) {
    if (file->error == 0 && file->before >= 0 && (file->lines > 0 || file == &plan.first)) {
      appends.push_back({file->name, file->before, file->after()});
    }
  }
  std::vector<JournalEntry> after = entriesAfter(device, journal, run);
  const bool noted = plan.first.gains > 0 || plan.unpaired.gains > 0 || after != journal.entries();
  if (noted) {
    if (const int e = journal.beginSave(appends, std::move(after)); e != 0) {
      KeepFirst(run.failure, u"data files not written to " + Shown(folder) +
                                 u", fetch journal not written, " + ErrorCodeText(e));
      return false;
    }
  }
  const bool written = p_.writer.write(plan, lines);
  const int ended = noted ? journal.endSave(written) : 0;
  if (plan.unpaired.lines > 0 && !plan.unpaired.written) {
    KeepFirst(run.failure, u"lines without partner not written to " + Shown(plan.unpaired.path) +
                               u", " + ErrorCodeText(plan.unpaired.error));
    return false;
  }
  if (!written) {
    KeepFirst(run.failure, u"data files not written to " + Shown(folder));
    return false;
  }
  run.saved = static_cast<std::int64_t>(plan.first.lines);
  run.files[0].saved = plan.firstTaken;
  if (run.files.size() > 1) {
    run.files[1].saved = plan.secondTaken;
  }
  for (const DataFileWriter::FileAppend* file : {&plan.first, &plan.second, &plan.unpaired}) {
    if (file->written) {
      run.dataFiles.push_back(file->path);
    }
  }
  // The first data file holds every line, so the delete does not wait for
  // the second; the failure is still worth a line in the log.
  if (!plan.second.written) {
    log(device, u"Data file " + Shown(JoinPath(folder, plan.second.name)) + u" not written, " +
                    ErrorCodeText(plan.second.error));
  }
  if (ended != 0) {
    KeepFirst(run.failure,
              u"fetch journal " + Shown(journal.path()) + u" not written, " + ErrorCodeText(ended));
    return false;
  }
  return true;
}

void FileFetch::fillReport(const Run& run, const Text& failure, JobReport& report) {
  report.fetchComplete = failure.empty();
  report.failure = failure;
  report.recordsSaved = run.saved;
  report.dataFiles = run.dataFiles;
  for (const FetchedFile& fetched : run.files) {
    FileReport file;
    file.path = fetched.path;
    file.announcedSize = fetched.announced.size;
    file.bytesReceived = fetched.received;
    file.recordsSaved = static_cast<std::int64_t>(fetched.saved);
    file.recordsSkipped = static_cast<std::int64_t>(fetched.skipped);
    file.deleted = fetched.deleted;
    if (!fetched.deleted) {
      file.keptBecause = !fetched.keptBecause.empty() ? fetched.keptBecause
                         : !failure.empty()           ? failure
                                                      : Text(u"nothing to delete");
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
