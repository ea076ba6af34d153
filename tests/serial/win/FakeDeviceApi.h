#pragma once
// A driver behind the port's DeviceApi that does what Wine cannot show: waits
// that stay pending until the test completes them, or complete again and
// again, or fail as a removed adapter does; cancels that never end; refused
// rates; failing queue counts. Thread-safe: the event thread and the test
// call it at once. Its events are the real ones of the OVERLAPPED blocks.
#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <string>

#include "serial/win/DeviceApi.h"

namespace th::test {

class FakeDeviceApi : public DeviceApi {
 public:
  // The device's handle value (never a real one).
  static HANDLE Device() { return FromInteger<HANDLE>(0x4D0); }

  // What a WaitCommEvent call does.
  struct WaitStep {
    enum Kind { Pend, Complete, Fail } kind;
    DWORD value;  // the events of Complete, the error of Fail
  };
  static WaitStep Pend() { return {WaitStep::Pend, 0}; }
  static WaitStep Complete(DWORD events) { return {WaitStep::Complete, events}; }
  static WaitStep Fail(DWORD error) { return {WaitStep::Fail, error}; }

  // The next waits, in order; the last one given repeats.
  void scriptWaits(std::deque<WaitStep> steps);
  // Ends the pending wait with these events, or with this error.
  void completePending(DWORD events);
  void failPending(DWORD error);
  // Whether a wait is pending now.
  bool pending();
  // With false, neither SetCommMask(0) nor CancelIoEx ends a pending wait or
  // transfer: the driver keeps them.
  void setCancelsEnd(bool end) { write(cancelsEnd_, end); }
  // Bytes in the input queue, as ClearCommError reports them and ReadFile
  // takes them.
  void setInput(std::string bytes);
  // The next ClearCommError calls fail with these codes, in order.
  void failQueueCounts(std::deque<DWORD> errors);
  void setModemStatus(DWORD status) { write(modemStatus_, status); }
  // SetCommState fails with ERROR_INVALID_PARAMETER for these rates.
  void refuseRates(std::set<DWORD> rates);
  // EscapeCommFunction and GetCommModemStatus fail with this code (0: work).
  void refuseModemLines(DWORD error) { write(modemLineError_, error); }
  // WriteFile stays pending until cancelled (or for ever, see setCancelsEnd).
  void setWritesPend(bool pend) { write(writesPend_, pend); }
  // A request the driver kept after its cancel ends now: the events of a
  // wait and the bytes of a write are written into the blocks it was given.
  void endKeptRequests();
  // From now on every call counts in callsAfterClose().
  void markClosed() { write(closed_, true); }

  int waitCalls() { return read(waitCalls_); }
  int callsAfterClose() { return read(callsAfterClose_); }
  DWORD mask() { return read(mask_); }
  DWORD lastEscape() { return read(lastEscape_); }

  HANDLE createFile(const wchar_t* path) override;
  BOOL closeHandle(HANDLE device) override;
  BOOL setupComm(HANDLE device, DWORD inQueue, DWORD outQueue) override;
  BOOL setCommState(HANDLE device, DCB* dcb) override;
  BOOL setCommTimeouts(HANDLE device, COMMTIMEOUTS* timeouts) override;
  BOOL setCommMask(HANDLE device, DWORD mask) override;
  BOOL waitCommEvent(HANDLE device, DWORD* mask, OVERLAPPED* overlapped) override;
  BOOL clearCommError(HANDLE device, DWORD* errors, COMSTAT* status) override;
  BOOL getCommModemStatus(HANDLE device, DWORD* status) override;
  BOOL escapeCommFunction(HANDLE device, DWORD function) override;
  BOOL purgeComm(HANDLE device, DWORD flags) override;
  BOOL readFile(HANDLE device, void* buffer, DWORD size, OVERLAPPED* overlapped) override;
  BOOL writeFile(HANDLE device, const void* data, DWORD size, OVERLAPPED* overlapped) override;
  BOOL getOverlappedResult(HANDLE device, OVERLAPPED* overlapped, DWORD* done, BOOL wait) override;
  BOOL cancelIoEx(HANDLE device, OVERLAPPED* overlapped) override;

 private:
  struct Request {
    OVERLAPPED* overlapped = nullptr;
    DWORD* mask = nullptr;   // a wait's
    void* buffer = nullptr;  // a write's
    DWORD size = 0;
    DWORD error = 0;  // its result once ended
    DWORD done = 0;
  };
  template <typename T>
  T read(const T& field) {
    std::lock_guard lock(lock_);
    return field;
  }
  template <typename T>
  void write(T& field, T value) {
    std::lock_guard lock(lock_);
    field = value;
  }
  // Counts a call; the lock is held.
  void called();
  static HANDLE EventOf(OVERLAPPED* overlapped);
  static void Signal(OVERLAPPED* overlapped);
  void endPending(DWORD events, DWORD error);
  BOOL failWith(DWORD error);

  std::mutex lock_;
  std::deque<WaitStep> waits_{Pend()};
  Request wait_;
  Request write_;
  std::deque<Request> kept_;
  bool cancelsEnd_ = true;
  std::string input_;
  std::deque<DWORD> queueErrors_;
  DWORD modemStatus_ = 0;
  std::set<DWORD> refusedRates_;
  DWORD modemLineError_ = 0;
  bool writesPend_ = false;
  bool closed_ = false;
  int waitCalls_ = 0;
  int callsAfterClose_ = 0;
  DWORD mask_ = 0;
  DWORD lastEscape_ = 0;
};

}  // namespace th::test
