#pragma once
// What a fuzz target does when its oracle disagrees with the code: under
// libFuzzer it aborts, so the input is saved as a finding; the replay test of
// the normal suite turns it into a test failure instead.
#include <functional>
#include <string>

namespace th::fuzz {

using FailureHandler = std::function<void(const std::string& what)>;

// The default prints `what` and aborts.
void SetFailureHandler(FailureHandler handler);
[[noreturn]] void Fail(const std::string& what);

inline void Expect(bool ok, const char* what) {
  if (!ok) {
    Fail(what);
  }
}

}  // namespace th::fuzz
