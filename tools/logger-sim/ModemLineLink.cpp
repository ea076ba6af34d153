#include "tools/logger-sim/ModemLineLink.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <array>
#include <utility>

namespace th::sim {

namespace {

// RI stays up this long for each RING the modem says.
constexpr std::int64_t kRingMs = 200;
// How long the waiter sleeps at most before it looks whether to stop.
constexpr int kWaiterSliceMs = 200;

std::string Names(std::uint32_t lines) {
  constexpr std::array<std::pair<std::uint32_t, const char*>, 6> kNames = {{{TIOCM_DTR, "DTR"},
                                                                            {TIOCM_RTS, "RTS"},
                                                                            {TIOCM_CTS, "CTS"},
                                                                            {TIOCM_DSR, "DSR"},
                                                                            {TIOCM_CAR, "DCD"},
                                                                            {TIOCM_RNG, "RI"}}};
  std::string out;
  for (const auto& [line, name] : kNames) {
    if ((lines & line) != 0) {
      out += out.empty() ? "" : " ";
      out += name;
    }
  }
  return out.empty() ? "-" : out;
}

}  // namespace

ModemLineLink::~ModemLineLink() {
  stopping_ = true;
  if (waiter_.joinable()) {
    waiter_.join();
  }
  for (const int fd : wake_) {
    if (fd >= 0) {
      ::close(fd);
    }
  }
}

bool ModemLineLink::setUp(const std::string& slave, std::string& error) {
  const std::string directory = modemlines::ModemLineFile::SessionDirectory();
  if (directory.empty()) {
    error = "--modem-lines needs a session with the modem-line shim (" +
            std::string(modemlines::kDirectoryVariable) + ")";
    return false;
  }
  file_ = modemlines::ModemLineFile::Create(directory, slave,
                                            stretched_ ? modemlines::kLongSleeps : 0, error);
  if (!file_) {
    return false;
  }
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = "--modem-lines: no pipe";
    return false;
  }
  seen_ = file_->dteChanges();
  set(TIOCM_CTS | TIOCM_DSR, 0);
  waiter_ = std::thread([this, seen = seen_]() mutable {
    while (!stopping_) {
      const std::uint32_t now = file_->waitDteChange(seen, kWaiterSliceMs);
      if (now != seen) {
        seen = now;
        [[maybe_unused]] const ssize_t n = ::write(wake_[1], "x", 1);
      }
    }
  });
  return true;
}

void ModemLineLink::dteChanged(LoggerModel& model, std::int64_t now) {
  std::array<char, 64> drained{};
  while (::read(wake_[0], drained.data(), drained.size()) > 0) {
  }
  const std::vector<std::uint32_t> values = file_->dteHistory(seen_);
  seen_ += static_cast<std::uint32_t>(values.size());
  for (const std::uint32_t lines : values) {
    sink_(now, "DTE", Names(lines));
    // A modem drops the call when DTR falls while it is online.
    if ((dte_ & TIOCM_DTR) != 0 && (lines & TIOCM_DTR) == 0 && model.state().online) {
      model.dtrDropped(now);
    }
    dte_ = lines;
  }
}

void ModemLineLink::update(const LoggerModel& model, bool idle, std::int64_t now) {
  std::uint32_t lines = TIOCM_CTS | TIOCM_DSR;
  if (ringEnds_ && now < *ringEnds_) {
    lines |= TIOCM_RNG;
  } else {
    ringEnds_.reset();
  }
  // The carrier comes and goes with what the modem says about it (CONNECT,
  // NO CARRIER): once that has gone out.
  const bool online = model.config().modem && model.state().online;
  const bool carrier = (file_->lines() & TIOCM_CAR) != 0;
  if (idle ? online : carrier) {
    lines |= TIOCM_CAR;
  }
  set(lines, now);
}

void ModemLineLink::event(std::int64_t now, std::string_view kind, std::string_view text) {
  if (kind == "TX" && text.find("RING") != std::string_view::npos) {
    ringEnds_ = now + kRingMs;
  }
}

void ModemLineLink::set(std::uint32_t lines, std::int64_t now) {
  if (lines == file_->lines()) {
    return;
  }
  file_->setLines(lines);
  sink_(now, "DCE", Names(lines));
}

}  // namespace th::sim
