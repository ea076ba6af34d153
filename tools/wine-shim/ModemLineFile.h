#pragma once
// The far end's side of a test pseudo-terminal's modem lines (ModemLineState.h):
// it creates the state file, sets CTS, DSR, DCD and RI, injects a break or
// line errors, and reads and waits for DTR and RTS as the program on the near
// end sets them through the shim.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/wine-shim/ModemLineState.h"

namespace th::modemlines {

class ModemLineFile {
 public:
  // The state file of the pseudo-terminal slave `slavePath` ("/dev/pts/N") in
  // `directory`, every line off; null with the reason in `error` when it
  // cannot be made (no such directory, not a pseudo-terminal).
  static std::unique_ptr<ModemLineFile> Create(const std::string& directory,
                                               const std::string& slavePath, std::uint32_t options,
                                               std::string& error);
  // The directory of the session (TIDEHAUL_MODEM_LINES), or "" outside one.
  static std::string SessionDirectory();
  // Removes the file: the shim no longer answers for the port.
  ~ModemLineFile();
  ModemLineFile(const ModemLineFile&) = delete;
  ModemLineFile& operator=(const ModemLineFile&) = delete;

  // TIOCM_CTS, TIOCM_DSR, TIOCM_CAR and TIOCM_RNG; each line that changes
  // counts as a change of that line, as a UART counts it.
  void setLines(std::uint32_t lines);
  std::uint32_t lines() const;
  // A break, or line errors, as the UART would count them.
  void count(Counter counter, std::uint32_t times = 1);

  // TIOCM_DTR and TIOCM_RTS as the program set them.
  std::uint32_t dte() const;
  // Waits until (dte() & mask) == want or `timeoutMs` passed; dte() then.
  std::uint32_t waitDte(std::uint32_t mask, std::uint32_t want, int timeoutMs) const;
  // How many times the program changed DTR or RTS so far.
  std::uint32_t dteChanges() const;
  // Waits until dteChanges() differs from `seen` or `timeoutMs` passed; the
  // count then.
  std::uint32_t waitDteChange(std::uint32_t seen, int timeoutMs) const;
  // The values DTR and RTS took after change number `from` (at most the last
  // kHistory of them), in order.
  std::vector<std::uint32_t> dteHistory(std::uint32_t from) const;
  // Calls the shim answered for this port.
  std::uint32_t answered() const;

 private:
  ModemLineFile(std::string path, State* state, int wake);
  void changed();

  std::string path_;
  State* state_;
  // A FIFO (path_ + ".wake") that gets a byte on each line change, so that a
  // shim in a long sleep wakes at once.
  int wake_;
};

}  // namespace th::modemlines
