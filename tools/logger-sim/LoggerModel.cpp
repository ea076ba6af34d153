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
      faults_(config_),
      records_(config_, files_, journal_),
      fileCommands_(config_, files_, journal_, replies_, records_, faults_),
      logger_(config_, journal_, replies_, fileCommands_, faults_, std::move(wall),
              [this] { callEnded(); }) {
  if (config_.modem) {
    modem_.emplace(config_, journal_, replies_, faults_);
  }
}

void LoggerModel::checkIdle(std::int64_t now) {
  if (replies_.idle()) {
    faults_.outputIdle(now);
  }
}

std::string LoggerModel::take(std::int64_t now, std::size_t max) {
  records_.runTimers(now);
  std::string out = out_.take(now, max);
  checkIdle(now);
  return out;
}

std::optional<std::int64_t> LoggerModel::nextDue(std::int64_t now) const {
  std::optional<std::int64_t> due = out_.nextDue(now);
  for (const auto& t : {records_.nextDue(), faults_.unplugDue()}) {
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
  journal_.event(now, "RX", EscapeBytes(bytes));
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
  checkIdle(now);
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

void LoggerModel::dtrDropped(std::int64_t now) {
  if (!modem_ || !modem_->online()) {
    return;
  }
  modem_->dtrDropped(now);
  logger_.leaveTerminal();
  logger_.lineBack();
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
  faults_.unplugged();
  // For the logger (and its modem) this is a port that closed.
  portGone();
}

void LoggerModel::pluggedIn(std::int64_t now, std::string_view device) {
  journal_.event(now, "PLUG", EscapeBytes(device));
  journal_.state().plugged = true;
  journal_.changed();
}

}  // namespace th::sim
