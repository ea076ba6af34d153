#pragma once
// The event log on a rig with real files in a temporary directory.
#include <gtest/gtest.h>

#include "tests/support/NullPort.h"
#include "tests/support/Rig.h"

namespace th::test {

class EventLogTest : public ::testing::Test {
 protected:
  std::string log() const { return ReadWholeFile(r.dir.path() / "LogFile.Log"); }
  void logLine(const Text& text) { r.tool.log.write(text); }
  NullPort port;
  Rig r{port};
};

}  // namespace th::test
