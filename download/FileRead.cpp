#include "download/FileRead.h"

#include <algorithm>

namespace th {

Text Excerpt(const Text& text) {
  constexpr std::size_t kShown = 40;
  return text.size() <= kShown ? text : text.substr(0, kShown) + u"...";
}

Text ReadStopped(const Text& path, std::int64_t got, std::int32_t size) {
  return u"read of " + path + u" stopped at " + IntToText(got) + u" of " + IntToText(size) +
         u" bytes";
}

void FileRead::read(FetchedFile& file) {
  Reception& in = p_.reception;
  ReceivePath& receive = p_.receivePath;
  const std::int32_t size = file.announced.size;
  in.routeTo(file.route);
  // Whatever the line holds now came before the read: a prompt, noise.
  if (const Text before = receive.takePartialLine(); !before.empty()) {
    note_(u"Text before the read of " + file.path + u" left out: " + Excerpt(before));
  }
  file.read = true;
  p_.files.readFile(file.path, size);
  // The read counts as complete with bytes still missing, and its count
  // includes echoes and prompts, so the file's last bytes may still be on
  // their way: let the line settle first, then judge by the file's own bytes.
  settle(size);
  const std::int64_t got = fileBytes();
  file.received = got;
  // A last line without its end waits until the file is known to be whole;
  // taken out, it cannot have a reply glued to it.
  Text last = receive.takePartialLine();
  in.routeTo(Route::ReceiveLog);
  watch_.start();
  file.keptBecause = lineFault(file, got);
  if (!file.keptBecause.empty()) {
    return;
  }
  file.exact = got == size && last.empty();
  file.whole = file.exact;
  if (!file.exact) {
    file.keptBecause = judgeBySize(file, got);
  }
  if (file.whole && !last.empty()) {
    in.routeTo(file.route);
    receive.fileLine(std::move(last));
    in.routeTo(Route::ReceiveLog);
  }
}

Text FileRead::lineFault(const FetchedFile& file, std::int64_t got) const {
  const Reception& in = p_.reception;
  const LineList& pane = file.pane(p_.panes);
  if (p_.line.lost) {
    return u"line lost, " + ReadStopped(file.path, got, file.announced.size);
  }
  if (in.lineCut()) {
    return u"line of more than " + IntToText(ReceivePath::kMaxLine) + u" characters in " +
           file.path;
  }
  if (in.bareLineFeeds() > 0) {
    return u"line feed without carriage return in " + file.path;
  }
  if (pane.longest() > LineList::kReadLimit) {
    return u"line of " + IntToText(static_cast<std::int64_t>(pane.longest())) + u" characters in " +
           file.path;
  }
  return {};
}

Text FileRead::judgeBySize(FetchedFile& file, std::int64_t got) {
  const std::int32_t size = file.announced.size;
  if (p_.stop.endWaits) {
    // No reply would be waited for.
    return got < size ? ReadStopped(file.path, got, size)
                      : file.path + u" not known whole, the read was stopped";
  }
  // The logger answers once it has sent what it had to send: whatever of the
  // file was still on its way is in by the reply.
  const SizeReply now = p_.terminal.askSize(file.path);
  watch_.expect(u"FSIZE " + file.path);
  watch_.expect(now.line);
  if (const Text stray = watch_.unexpected(); !stray.empty()) {
    return u"bytes after the read of " + file.path + u": " + Excerpt(stray);
  }
  if (now.replied && now.size >= 0 && got == now.size) {
    file.whole = true;
    file.exact = got == size;
    if (!file.exact) {
      return file.path + (now.size > size ? u" grew from " : u" changed from ") + IntToText(size) +
             u" to " + IntToText(now.size) + u" bytes";
    }
    return {};
  }
  if (got < size) {
    return ReadStopped(file.path, got, size);
  }
  return file.path + u" sent " + IntToText(got) + u" bytes for a size of " + IntToText(size);
}

std::int64_t FileRead::fileBytes() const {
  return std::int64_t{p_.reception.bytesCounted()} - p_.reception.echoBytes();
}

void FileRead::settle(std::int32_t size) {
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

}  // namespace th
