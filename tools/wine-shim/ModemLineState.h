#pragma once
// The modem lines of one test pseudo-terminal, shared through a small file
// between its far end (which creates it) and the modem-line shim loaded into
// the program on the near end (tools/wine-shim/ModemLinesShim.cpp). A pty has
// no modem lines of its own: the kernel refuses TIOCMGET and its kin with
// ENOTTY, and the shim answers them from here instead.
//
// The file is <directory>/ptsN for /dev/pts/N, where the directory is named by
// TIDEHAUL_MODEM_LINES. Every field is a 32-bit atomic, so the processes that
// map the file share it without locks; the far end waits on `dteChanges` and
// the shim on `dceChanges` with futexes.
#include <atomic>
#include <cstdint>
#include <string>

namespace th::modemlines {

// The environment variable that names the directory of the state files.
inline constexpr const char* kDirectoryVariable = "TIDEHAUL_MODEM_LINES";
inline constexpr std::uint32_t kMagic = 0x4D4C5331;  // "MLS1"

// Flags of State::options.
// Wine's pending wait sleeps 1 ms between looks at the lines; with this flag
// the shim lets that sleep last until the far end changes a line or bytes
// arrive, up to 50 ms (for CPU figures).
inline constexpr std::uint32_t kLongSleeps = 1U << 0;

// The order of the counters of struct serial_icounter_struct.
enum Counter : std::uint32_t {
  kCts,
  kDsr,
  kRing,
  kCarrier,
  kRx,
  kTx,
  kFrame,
  kOverrun,
  kParity,
  kBreak,
  kBufferOverrun,
  kCounters
};

inline constexpr std::uint32_t kHistory = 64;

struct State {
  std::atomic<std::uint32_t> magic;
  std::atomic<std::uint32_t> options;
  // TIOCM_DTR and TIOCM_RTS as the program set them.
  std::atomic<std::uint32_t> dte;
  // One more for each change of `dte`; each new value is also kept in
  // history[dteChanges % kHistory] (written before the count moves on).
  std::atomic<std::uint32_t> dteChanges;
  std::atomic<std::uint32_t> history[kHistory];
  // TIOCM_CTS, TIOCM_DSR, TIOCM_CAR and TIOCM_RNG as the far end set them.
  std::atomic<std::uint32_t> dce;
  // One more for each change of `dce` or of a counter (TIOCMIWAIT waits on it).
  std::atomic<std::uint32_t> dceChanges;
  std::atomic<std::uint32_t> counters[kCounters];
  // Calls the shim answered for this port.
  std::atomic<std::uint32_t> answered;
};

static_assert(std::atomic<std::uint32_t>::is_always_lock_free);

// The state file of the pseudo-terminal /dev/pts/`number` in `directory`.
inline std::string StatePath(const std::string& directory, unsigned number) {
  return directory + "/pts" + std::to_string(number);
}
// The file that counts the calls the shims of a whole session answered.
inline std::string SessionCountPath(const std::string& directory) {
  return directory + "/answered";
}

}  // namespace th::modemlines
