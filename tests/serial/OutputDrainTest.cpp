// The wait for queued output at Close. A pseudo-terminal does not pace its
// output, so the output queue is played by a counter with a known rate.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>

#include "serial/OutputDrain.h"

namespace th::test {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A queue of `bytes` that sends one byte every `msPerByte` from its creation.
struct PacedQueue {
  int bytes;
  int msPerByte;
  Clock::time_point start = Clock::now();
  int polls = 0;

  int operator()(int& count) {
    ++polls;
    const auto sent =
        std::chrono::duration_cast<milliseconds>(Clock::now() - start).count() / msPerByte;
    count = bytes - static_cast<int>(sent);
    if (count < 0) {
      count = 0;
    }
    return 0;
  }
};

TEST(SerialOutputDrain, WaitsUntilTheLastByteLeftWithoutSpinning) {
  PacedQueue queue{8, 15};  // 8 bytes at about 670 baud
  const auto start = Clock::now();
  EXPECT_TRUE(DrainOutput([&](int& count) { return queue(count); }, 100, 1000));
  const auto took = Clock::now() - start;
  EXPECT_GE(took, milliseconds(120));
  EXPECT_LT(took, milliseconds(400));
  EXPECT_LE(queue.polls, 60);  // sleeps between polls (at most one per 2 ms here)
}

TEST(SerialOutputDrain, GivesUpAfterTheWriteLimitForTheQueuedBytes) {
  int polls = 0;
  const auto stalled = [&](int& count) {
    ++polls;
    count = 4;
    return 0;
  };
  const auto start = Clock::now();
  EXPECT_FALSE(DrainOutput(stalled, 25, 50));  // 4 x 25 + 50 = 150 ms
  const auto took = Clock::now() - start;
  EXPECT_GE(took, milliseconds(150));
  EXPECT_LT(took, milliseconds(500));
  EXPECT_LE(polls, 80);
}

TEST(SerialOutputDrain, EmptyQueueOrAGoneDeviceEndsAtOnce) {
  int polls = 0;
  EXPECT_TRUE(DrainOutput(
      [&](int& count) {
        ++polls;
        count = 0;
        return 0;
      },
      100, 1000));
  EXPECT_EQ(polls, 1);
  const auto start = Clock::now();
  EXPECT_FALSE(DrainOutput(
      [&](int& count) {
        ++polls;
        count = 0;
        return EIO;  // hung up
      },
      100, 1000));
  EXPECT_EQ(polls, 2);
  EXPECT_LT(Clock::now() - start, milliseconds(50));
}

}  // namespace
}  // namespace th::test
