#pragma once
// Deletes on the logger the files that were read exactly and saved, each only
// while it is still what was read: its size is asked again right before each
// DEL line, and nothing but the replies may have come since the read. The
// protocol has no read-and-delete in one step, so a record the logger writes
// between the size reply and the DEL line is still lost: the window is one
// reply long.
#include <vector>

#include "download/AfterReadWatch.h"
#include "download/FetchParts.h"

namespace th {

class CheckedDelete {
 public:
  CheckedDelete(const FetchParts& parts, AfterReadWatch& watch) : p_(parts), watch_(watch) {}

  // Two root lines, then per file: the size, DEL, the size again; a second
  // DEL only when the file still holds what was read (the first was not
  // taken), none when it is gone or began anew. Sets each file's `deleted`
  // or `keptBecause`; `gone` learns each file deleted. Returns why a file was
  // kept (the first reason), or an empty text. Raises what the port raises.
  Text run(const std::vector<FetchedFile*>& files, std::int32_t progressMax,
           const std::function<void(const FetchedFile&)>& gone);

 private:
  // Why the file may not be deleted now, or an empty text; `stray` set when
  // the reason holds for every file.
  Text mayDelete(const FetchedFile& file, bool& stray);
  // After a DEL: the file is gone, began anew, or why it is still there.
  Text confirm(FetchedFile& file);

  FetchParts p_;
  AfterReadWatch& watch_;
};

}  // namespace th
