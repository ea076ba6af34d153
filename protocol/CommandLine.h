#pragma once
// Helpers shared by the terminal-mode and file commands.
#include <cstdint>

#include "app/Tidehaul.h"

namespace th {

// Writes a command line followed by CR LF.
inline void WriteCommandLine(Tidehaul& u, const Text& line) {
  u.rt.port.write(line + u"\r\n");
}

// The logger id as stored: its bytes go onto the line unchanged.
inline Text LoggerId(const Tidehaul& u, std::int32_t index) {
  return BytesToText(u.rt.device(index).DeviceSet.LogID.bytes());
}

// Runs `restore` when the scope ends, also when an error passes through.
template <typename F>
class OnScopeExit {
 public:
  explicit OnScopeExit(F f) : f_(std::move(f)) {}
  OnScopeExit(const OnScopeExit&) = delete;
  OnScopeExit& operator=(const OnScopeExit&) = delete;
  ~OnScopeExit() { f_(); }

 private:
  F f_;
};

}  // namespace th
