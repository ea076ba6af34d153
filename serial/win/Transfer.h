#pragma once
// One overlapped read or write on a Windows port, bounded in time. Its
// OVERLAPPED block and buffer live on the heap: a driver that does not end a
// cancelled request within kCancelLimitMs may still write into them, so they
// are then left to it, with their event, and never freed.
#include <memory>
#include <string>

#include "serial/win/DeviceApi.h"

namespace th::win {

class Transfer {
 public:
  explicit Transfer(DeviceApi& api);
  ~Transfer();
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  // Reads up to `count` bytes into `out`, waiting at most `limitMs`
  // (INFINITE: no limit) before cancelling. 0, or the error code of a failure.
  int read(HANDLE device, DWORD count, DWORD limitMs, std::string& out);
  // Writes `count` bytes, waiting at most `limitMs`; `done` gets the count
  // that went out, also when the limit cut the write short (no error then).
  int write(HANDLE device, const char* data, DWORD count, DWORD limitMs, DWORD& done);

 private:
  struct Block;
  // Ends the request that `started` began; see read and write.
  int finish(HANDLE device, BOOL started, DWORD limitMs, DWORD& done);

  DeviceApi& api_;
  HANDLE event_;
  std::unique_ptr<Block> block_;
};

}  // namespace th::win
