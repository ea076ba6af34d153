#pragma once
// The exception kinds that the logic raises and catches by kind.
#include <stdexcept>
#include <string>

#include "platform/Text.h"

namespace th {

// Base of every failure the tool reports; the message is UTF-8.
class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  Text message() const { return FromUtf8(what()); }
};

// A file operation failed; errorCode is the system's code (errno on Linux,
// GetLastError on Windows), or 100 for a short read.
class EInOutError : public Exception {
 public:
  EInOutError(int errorCode, const std::string& message)
      : Exception(message), errorCode(errorCode) {}
  // Message from the system's error code, as the log shows it (per-OS file).
  static EInOutError fromErrno(int errorCode);
  static EInOutError readBeyondEnd();
  int errorCode;
};

// The progress bar refuses a maximum below its minimum.
class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace th
