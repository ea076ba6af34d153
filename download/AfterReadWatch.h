#pragma once
// Once a file is read, only the echoes of the commands the fetch sends and
// their replies may come: anything else (the rest of a file, a record the
// logger still had to send) says the read was not the whole file, and no
// file may be deleted then.
#include <string>
#include <vector>

#include "link/Reception.h"
#include "platform/LineList.h"
#include "platform/Text.h"

namespace th {

class AfterReadWatch {
 public:
  AfterReadWatch(const LineList& receiveLog, const Reception& reception)
      : log_(receiveLog), in_(reception) {}

  // Watches from here on (once; later calls change nothing).
  void start();
  // A line that may come: a command's echo, a reply.
  void expect(const Text& line);
  // The first line that came unexpected since the start, or the line still
  // being assembled; empty when there is none.
  Text unexpected() const;

 private:
  const LineList& log_;
  const Reception& in_;
  bool started_ = false;
  std::size_t from_ = 0;
  std::vector<std::string> expected_;
};

}  // namespace th
