#include "tools/logger-sim/FileCommands.h"

#include <algorithm>
#include <cstdio>

#include "tools/logger-sim/Escape.h"
#include "tools/logger-sim/LineParser.h"
#include "tools/logger-sim/ReadShape.h"

namespace th::sim {

void FileCommands::dir(std::int64_t now) {
  if (config_.dirReply == DirReply::None) {
    journal_.note(now, "no listing");
    return;
  }
  const std::string& cwd = journal_.state().cwd;
  const LoggerFiles::Listing listing = files_.list(cwd);
  std::string text = " Directory of " + files_.folderPath(cwd) + "\r\n";
  for (const auto& folder : listing.folders) {
    text += "[" + folder + "]\r\n";
  }
  std::size_t total = 0;
  for (const auto* file : listing.files) {
    const std::string name = file->path.substr(file->path.rfind('\\') + 1);
    char buf[64];
    std::snprintf(buf, sizeof buf, " %10zu", file->data->size());
    text += name;
    text.append(name.size() < 12 ? 12 - name.size() : 0, ' ');
    text += buf;
    text += "\r\n";
    total += file->data->size();
  }
  const char* count = config_.dirReply == DirReply::NoMarker ? " Files  " : " File(s)  ";
  text += "   " + std::to_string(listing.files.size()) + count + std::to_string(total) + " bytes";
  replies_.reply(Cmd::Dir, text, now);
}

bool FileCommands::isFirstDataFile(const std::string& path) const {
  return UpperAscii(path) == UpperAscii(DataFilePath(config_.id, 0));
}

void FileCommands::cd(std::string_view arg, std::int64_t now) {
  const std::string target = LoggerFiles::resolve(journal_.state().cwd, arg);
  if (!files_.isFolder(target)) {
    journal_.note(now, "no such folder: " + EscapeBytes(target));
  } else {
    journal_.state().cwd = files_.folderPath(target);
    journal_.changed();
  }
  records_.reached(Moment::Cd, now);
}

void FileCommands::fsize(std::string_view arg, std::int64_t now) {
  const std::string path = LoggerFiles::resolve(journal_.state().cwd, arg);
  const LoggerFiles::File* file = files_.find(path);
  std::size_t announced = 0;
  if (file == nullptr) {
    journal_.note(now, "missing file: " + EscapeBytes(path));
  } else {
    announced = AnnouncedSize(config_, *file->data);
  }
  if (const auto text = SizeReplyText(config_, announced)) {
    replies_.reply(Cmd::Fsize, *text, now);
  } else {
    journal_.note(now, "no size reply");
  }
  if (isFirstDataFile(path)) {
    records_.reached(Moment::Size, now);
  }
}

bool FileCommands::fread(std::string_view arg, bool dropHalf, std::int64_t now) {
  const std::string path = LoggerFiles::resolve(journal_.state().cwd, arg);
  const LoggerFiles::File* file = files_.find(path);
  if (file == nullptr) {
    journal_.note(now, "missing file: " + EscapeBytes(path));
    return false;
  }
  if (replies_.muted(Cmd::Fread)) {
    journal_.note(now, "muted: fread");
    return false;
  }
  const std::size_t size = file->data->size();
  FileSend send;
  send.path = file->path;
  send.data = file->data;
  send.rate = config_.rate;
  send.tag = ++readTag_;
  std::size_t limit = size;
  if (config_.freadStop) {
    limit = config_.freadStop->bytesOf(size);
  }
  bool drop = dropHalf;
  if (drop) {
    limit = std::min(limit, size / 2);
  }
  const LineFaults::ReadFate fate = faults_.readStarts(size, send.tag);
  if (fate.carrierAt) {
    limit = std::min(limit, *fate.carrierAt);
    drop = true;
  }
  if (limit < size) {
    journal_.note(now, "file read stops after " + std::to_string(limit) + " of " +
                           std::to_string(size) + " bytes");
  }
  if (fate.unplugAt) {
    limit = std::min(limit, *fate.unplugAt);
    journal_.note(
        now, "unplug after " + std::to_string(limit) + " of " + std::to_string(size) + " bytes");
  }
  send.limit = limit;
  ShapeRead(config_, send, AnnouncedSize(config_, *file->data));
  replies_.sendFile(now + replies_.delayFor(Cmd::Fread), std::move(send));
  return drop;
}

void FileCommands::readEnded(const FileEnd& end, std::int64_t now) {
  journal_.state().reads.push_back({end.path, now, end.sent, end.size});
  journal_.changed();
  faults_.readEnded(end.tag, now);
  if (isFirstDataFile(end.path)) {
    if (config_.appendDuringFetch) {
      records_.write(now);
    }
    records_.reached(Moment::Read, now);
  }
}

void FileCommands::del(std::string_view arg, std::int64_t now) {
  const std::string path = LoggerFiles::resolve(journal_.state().cwd, arg);
  const LoggerFiles::File* file = files_.find(path);
  if (file == nullptr) {
    journal_.note(now, "missing file: " + EscapeBytes(path));
    return;
  }
  const Deletion gone{file->path, now, file->data->size(), file->lines};
  journal_.countOf(gone.path).deleted += gone.lines;
  files_.remove(path);
  journal_.state().deleted.push_back(gone.path);
  journal_.state().deletions.push_back(gone);
  journal_.event(now, "DEL", EscapeBytes(gone.path));
  journal_.changed();
  journal_.filesChanged();
  if (isFirstDataFile(gone.path)) {
    records_.reached(Moment::Del, now);
  }
}

}  // namespace th::sim
