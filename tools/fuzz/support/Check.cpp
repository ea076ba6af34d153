#include "tools/fuzz/support/Check.h"

#include <cstdio>
#include <cstdlib>

namespace th::fuzz {

namespace {

FailureHandler& Handler() {
  static FailureHandler handler;
  return handler;
}

}  // namespace

void SetFailureHandler(FailureHandler handler) {
  Handler() = std::move(handler);
}

void Fail(const std::string& what) {
  if (Handler()) {
    Handler()(what);  // expected to throw
  }
  std::fprintf(stderr, "oracle: %s\n", what.c_str());
  std::abort();
}

}  // namespace th::fuzz
