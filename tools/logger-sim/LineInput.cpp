#include "tools/logger-sim/LineInput.h"

#include "tools/logger-sim/Escape.h"

namespace th::sim {

LineInput::Step LineInput::feed(char ch, bool escapeArmed) {
  Step step;
  if (swallowEsc_) {
    swallowEsc_ = false;
    if (ch == '\x1b') {
      return step;
    }
  }
  if (expectLf_) {
    expectLf_ = false;
    if (ch == '\n') {
      return step;
    }
    step.rejected = "line end: CR without LF after " + EscapeBytes(lastLine_);
  } else if (ch == '\n') {
    step.rejected = "line end: LF without CR";
    return step;
  }
  if (escapeArmed && ch == '+') {
    if (++plusRun_ == 3) {
      plusRun_ = 0;
      line_.clear();
      swallowEsc_ = true;
      step.escape = true;
    } else {
      line_ += ch;
    }
    return step;
  }
  plusRun_ = 0;
  if (ch == '\r') {
    lastLine_ = std::move(line_);
    line_.clear();
    expectLf_ = true;
    step.lineEnded = true;
    return step;
  }
  if (line_.size() >= kMaxLine) {
    step.rejected = "line too long: dropped";
    line_.clear();
  }
  line_ += ch;
  return step;
}

void LineInput::forget() {
  line_.clear();
  plusRun_ = 0;
  swallowEsc_ = false;
  expectLf_ = false;
}

}  // namespace th::sim
