#pragma once
// Open failures of the settings file as the platform reports them, with the
// message each system error must give; each system's tests name their codes.
#include <vector>

namespace th::test {

struct OpenErrorCase {
  int error;
  const char* message;
};

// Fails the test for each case whose error does not raise EInOutError with
// that message and code.
void ExpectOpenErrorMessages(const std::vector<OpenErrorCase>& cases);

}  // namespace th::test
