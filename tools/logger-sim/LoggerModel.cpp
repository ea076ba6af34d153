#include "tools/logger-sim/LoggerModel.h"

#include <algorithm>

#include "tools/logger-sim/Escape.h"

namespace th::sim {

LoggerModel::LoggerModel(ModelConfig config, LoggerFiles files, EventSink sink, WallClock wall)
    : config_(std::move(config)),
      files_(std::move(files)),
      journal_(sink),
      out_(std::move(sink),
           [this](const FileEnd& end, std::int64_t now) { fileCommands_.readEnded(end, now); }),
      replies_(config_, out_, journal_),
      unplug_(config_.unplugAfter),
      records_(config_, files_, journal_),
      fileCommands_(config_, files_, journal_, replies_, records_, unplug_),
      logger_(config_, journal_, replies_, fileCommands_, std::move(wall),
              [this] { callEnded(); }) {
  if (config_.modem) {
    modem_.emplace(config_, journal_, replies_);
  }
}

std::string LoggerModel::take(std::int64_t now, std::size_t max) {
  records_.runTimers(now);
  return out_.take(now, max);
}

std::optional<std::int64_t> LoggerModel::nextDue(std::int64_t now) const {
  std::optional<std::int64_t> due = out_.nextDue(now);
  for (const auto& t : {records_.nextDue(), unplug_.due()}) {
    if (t && (!due || *t < *due)) {
      due = t;
    }
  }
  return due;
}

void LoggerModel::receive(std::string_view bytes, std::int64_t now) {
  if (bytes.empty()) {
    return;
  }
  records_.runTimers(now);
  journal_.event(now, "RX", escapeBytes(bytes));
  for (const char ch : bytes) {
    const LineInput::Step step = input_.feed(ch, modem_ && modem_->online());
    if (!step.rejected.empty()) {
      journal_.reject(now, step.rejected);
    }
    if (step.escape) {
      modem_->hangup(now);
      logger_.leaveTerminal();
      logger_.lineBack();
    } else if (step.lineEnded) {
      handleLine(input_.lastLine(), now);
    }
  }
}

void LoggerModel::handleLine(const std::string& line, std::int64_t now) {
  if (modem_ && !modem_->online()) {
    if (modem_->commandLine(line, now)) {
      logger_.lineBack();
    }
    return;
  }
  logger_.line(line, now);
}

void LoggerModel::callEnded() {
  if (modem_) {
    modem_->goOffline();
    logger_.leaveTerminal();
  }
}

void LoggerModel::lineOpened(std::int64_t now) {
  ++journal_.state().opens;
  journal_.event(now, "OPEN", "");
  journal_.changed();
}

void LoggerModel::lineClosed(std::int64_t now) {
  ++journal_.state().closes;
  journal_.event(now, "CLOSE", "");
  portGone();
}

void LoggerModel::portGone() {
  replies_.dropQueued();
  input_.forget();
  logger_.lineBack();
  callEnded();  // a port closing drops DTR: a modem hangs up
  journal_.changed();
}

void LoggerModel::unplugged(std::int64_t now) {
  ++journal_.state().unplugs;
  journal_.event(now, "UNPLUG", "");
  journal_.state().plugged = false;
  unplug_.happened();
  // For the logger (and its modem) this is a port that closed.
  portGone();
}

void LoggerModel::pluggedIn(std::int64_t now, std::string_view device) {
  journal_.event(now, "PLUG", escapeBytes(device));
  journal_.state().plugged = true;
  journal_.changed();
}

}  // namespace th::sim
