#include "link/ReceivePath.h"

#include <algorithm>

#include "link/LineAssembly.h"

namespace th {

void ReceivePath::onArrival(int count) {
  received_.clear();
  port_.read(received_, count);
  in_.lastArrival_ = clock_.tick();
  in_.count_ += static_cast<std::uint32_t>(count);
  const std::u16string_view rest(received_);
  std::size_t at = 0;
  while (at < rest.size()) {
    const std::size_t cr = std::min(rest.find(u'\r', at), rest.size());
    if (!AddLineChars(in_.partial_, rest.substr(at, cr - at), maxLine_)) {
      in_.lineCut_ = true;
    }
    if (cr == rest.size()) {
      break;
    }
    at = cr + 1;
    completeLine();
    if (in_.last_ == in_.echo_) {
      in_.echoBytes_ += static_cast<std::int32_t>(in_.last_.size()) + 2;  // with its CR LF
    }
    handleLine(in_.last_);
  }
}

void ReceivePath::completeLine() {
  // The two texts trade their storage, so a line costs no allocation.
  in_.last_.swap(in_.partial_);
  in_.partial_.clear();
  PatchYear(in_.last_, year_);
}

void ReceivePath::handleLine(const Text& line) {
  if (line.empty()) {
    return;
  }
  if (ContainsUpperCased(line, u"CARRIER")) {
    line_.up = false;
  }
  view_.showReceived(line.size() > kShownLimit ? line.substr(0, kShownLimit) : line);
  const Route route = in_.route();
  LineList* pane = in_.pane(route);
  if (pane == nullptr) {
    return;
  }
  if (route == Route::ReceiveLog || Contains(line, u"-")) {
    pane->appendText(line);
  }
}

void ReceivePath::flushPartialLine() {
  if (in_.partial_.empty()) {
    return;
  }
  completeLine();
  handleLine(in_.last_);
}

}  // namespace th
