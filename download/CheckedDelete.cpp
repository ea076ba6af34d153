#include "download/CheckedDelete.h"

#include "download/FileRead.h"
#include "platform/ScopeExit.h"

namespace th {

Text CheckedDelete::run(const std::vector<FetchedFile*>& files, std::int32_t progressMax,
                        const std::function<void(const FetchedFile&)>& gone) {
  watch_.expect(u"CD \\");
  for (const FetchedFile* file : files) {
    watch_.expect(u"FSIZE " + file->path);
    watch_.expect(u"DEL " + file->path);
  }
  p_.files.beginDelete(progressMax);
  const OnScopeExit end([this] { p_.files.endDelete(); });
  Text failure;
  for (FetchedFile* file : files) {
    bool stray = false;
    Text why = mayDelete(*file, stray);
    if (why.empty()) {
      p_.files.deleteFile(file->path, 1);
      why = confirm(*file);
    }
    if (file->deleted) {
      gone(*file);
    }
    if (!why.empty()) {
      file->keptBecause = why;
      if (failure.empty()) {
        failure = why;
      }
    }
    if (stray) {
      break;
    }
  }
  return failure;
}

Text CheckedDelete::mayDelete(const FetchedFile& file, bool& stray) {
  const SizeReply now = p_.terminal.askSize(file.path);
  watch_.expect(now.line);
  // The reply comes after whatever the logger still had to send.
  if (const Text unexpected = watch_.unexpected(); !unexpected.empty()) {
    stray = true;
    return u"bytes after the read: " + Excerpt(unexpected);
  }
  const std::int32_t size = file.announced.size;
  if (!now.replied) {
    return u"no size reply for " + file.path + u" before the delete";
  }
  if (now.size < 0) {
    return u"unusable size reply for " + file.path + u" before the delete";
  }
  if (now.size != size) {
    return file.path + (now.size > size ? u" grew from " : u" changed from ") + IntToText(size) +
           u" to " + IntToText(now.size) + u" bytes";
  }
  return {};
}

Text CheckedDelete::confirm(FetchedFile& file) {
  const std::int32_t size = file.announced.size;
  SizeReply after = p_.terminal.askSize(file.path);
  watch_.expect(after.line);
  if (after.replied && after.size == size) {
    // The first DEL was not taken: the file is still the one read, and the
    // size was just asked again.
    if (const Text unexpected = watch_.unexpected(); !unexpected.empty()) {
      return u"bytes after the read: " + Excerpt(unexpected);
    }
    p_.files.deleteFile(file.path, 2);
    after = p_.terminal.askSize(file.path);
    watch_.expect(after.line);
  }
  // Files only grow: a smaller one is a new file begun after the delete.
  if (after.replied && after.size >= 0 && after.size < size) {
    file.deleted = true;
    return {};
  }
  if (!after.replied) {
    return u"no size reply for " + file.path + u" after the delete";
  }
  if (after.size == size) {
    return u"DEL " + file.path + u" not taken";
  }
  return file.path + u" holds " + IntToText(after.size) + u" bytes after the delete";
}

}  // namespace th
