#pragma once
// The calls on a Linux tty that the port component makes. Each returns 0 or
// the errno value of the failed call; none throws.
#include <cstdint>
#include <string>

#include "serial/SerialDevice.h"

namespace th::tty {

// Opens without becoming the controlling terminal and without blocking, then
// takes the port for this process alone (flock, then TIOCEXCL).
int OpenExclusive(const std::string& path, int& fd);
// Lets queued output go out (DrainOutput with the write limit), discards
// input, and output only when it did not go out in time (a close with output
// queued can block for the driver's closing wait), gives up the exclusive
// flag and closes. The descriptor is gone afterwards even when close()
// reports an error.
int CloseDevice(int fd, std::uint32_t perByteMs, std::uint32_t constantMs);

// Bytes still in the output queue (TIOCOUTQ).
int OutputCount(int fd, int& count);

// The handle is open; fails with EBADF otherwise.
int CheckHandle(int fd);

// Devices without modem-control lines (pseudo-terminals) take changes as
// no-ops and report every line off.
int SetDtr(int fd, bool on);
int SetRts(int fd, bool on);
int GetModemLines(int fd, ModemLines& lines);

int InputCount(int fd, int& count);
// Takes what has arrived, up to `count` bytes, without waiting.
int ReadAvailable(int fd, int count, std::string& out);
// Writes all bytes unless `timeoutMs` (negative: no limit) runs out first;
// `written` holds the count that went out either way.
int WriteAll(int fd, const char* data, int count, long long timeoutMs, int& written);

}  // namespace th::tty
