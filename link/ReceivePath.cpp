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
  noteBareLineFeeds(rest);
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

void ReceivePath::noteBareLineFeeds(std::u16string_view bytes) {
  for (std::size_t lf = bytes.find(u'\n'); lf != std::u16string_view::npos;
       lf = bytes.find(u'\n', lf + 1)) {
    if ((lf == 0 ? previous_ : bytes[lf - 1]) != u'\r') {
      ++in_.bareLineFeeds_;
    }
  }
  if (!bytes.empty()) {
    previous_ = bytes.back();
  }
}

Text ReceivePath::takePartialLine() {
  Text line;
  line.swap(in_.partial_);
  return line;
}

void ReceivePath::fileLine(Text line) {
  if (line.empty()) {
    return;
  }
  in_.last_ = std::move(line);
  PatchYear(in_.last_, year_);
  handleLine(in_.last_);
}

}  // namespace th
