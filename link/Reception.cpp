#include "link/Reception.h"

namespace th {

bool Reception::lastLineHas(std::u16string_view upperToken) const {
  return ContainsUpperCased(last_, upperToken);
}

LineList* Reception::pane(Route route) const {
  switch (route) {
    case Route::ReceiveLog:
      return &panes_.receiveLog;
    case Route::Download1:
      return &panes_.download1;
    case Route::Download2:
      return &panes_.download2;
    case Route::Nowhere:
      break;
  }
  return nullptr;
}

void Reception::clearPane(Route route) {
  if (LineList* lines = pane(route)) {
    lines->clear();
  }
}

void Reception::beginRead(const Text& command) {
  count_ = 0;
  lineCut_ = false;
  bareLineFeeds_ = 0;
  echo_ = command;
  echoBytes_ = 0;
}

}  // namespace th
