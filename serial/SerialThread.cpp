#include "serial/SerialThread.h"

#include <pthread.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <system_error>

#include "platform/EventLoop.h"
#include "serial/SerialPort.h"

namespace th {

TSerialThread::TSerialThread(TCustomSerialPort& ASerialPort)
    : FSerialPort(ASerialPort), FLoop(ASerialPort.Loop()), FWatched(ASerialPort.Events()) {
  FStopEvent = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  FEpoll = ::epoll_create1(EPOLL_CLOEXEC);
  if (FStopEvent < 0 || FEpoll < 0) {
    const int error = errno;
    CloseDescriptors();
    throw std::system_error(error, std::generic_category(), "serial event thread");
  }
  epoll_event stop{};
  stop.events = EPOLLIN;
  stop.data.fd = FStopEvent;
  // Edge-triggered: each new arrival is reported once, also while older bytes
  // are still unread, and a hang-up is reported once instead of forever.
  epoll_event device{};
  device.events = EPOLLIN | EPOLLET;
  device.data.fd = ASerialPort.Handle();
  if (::epoll_ctl(FEpoll, EPOLL_CTL_ADD, FStopEvent, &stop) != 0 ||
      ::epoll_ctl(FEpoll, EPOLL_CTL_ADD, ASerialPort.Handle(), &device) != 0) {
    const int error = errno;
    CloseDescriptors();
    throw std::system_error(error, std::generic_category(), "serial event thread");
  }
  // Last, so that everything above is complete before Execute begins.
  FThread = std::thread([this] { Execute(); });
}

TSerialThread::~TSerialThread() {
  Stop();
  unsigned handedOver = 0;
  {
    std::lock_guard lock(FHandOverLock);
    handedOver = FHandedOver;  // final: no hand-over begins after Stop
  }
  // A batch already handed over blocks the thread until the main thread runs
  // it: run it here, with the port still open. Only synchronized calls run;
  // window events wait until Close has returned.
  while (FRun < handedOver && !Ended()) {
    FLoop.processSynchronizedCalls();
    if (FRun < handedOver && !Ended()) {
      FLoop.waitForSynchronizedCall(1000);
    }
  }
  FThread.join();
  CloseDescriptors();
}

void TSerialThread::CloseDescriptors() {
  if (FEpoll >= 0) {
    ::close(FEpoll);
  }
  if (FStopEvent >= 0) {
    ::close(FStopEvent);
  }
  FEpoll = -1;
  FStopEvent = -1;
}

void TSerialThread::Stop() {
  // Also a thread that Close leaves behind while its own notification runs
  // must hand nothing more to the main thread, which may have opened the port
  // again meanwhile.
  {
    std::lock_guard lock(FHandOverLock);
    FStopping = true;
  }
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = ::write(FStopEvent, &one, sizeof one);
}

void TSerialThread::Execute() {
  ::pthread_setname_np(::pthread_self(), kName);
  const int device = FSerialPort.Handle();
  std::array<epoll_event, 2> ready{};
  for (;;) {
    const int n = ::epoll_wait(FEpoll, ready.data(), static_cast<int>(ready.size()), -1);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      break;  // a failed wait ends the thread quietly
    }
    bool stop = false;
    bool arrived = false;
    bool gone = false;
    for (int i = 0; i < n; ++i) {
      const epoll_event& e = ready[static_cast<std::size_t>(i)];
      if (e.data.fd == FStopEvent) {
        stop = true;
      } else if (e.data.fd == device) {
        arrived = arrived || (e.events & EPOLLIN) != 0;
        gone = gone || (e.events & (EPOLLHUP | EPOLLERR)) != 0;
      }
    }
    // A stop request wins over an arrival or a hang-up reported with it.
    if (stop) {
      break;
    }
    // A hang-up (unplugged adapter, closed far end) is reported once, and
    // ends the thread: the device would report it again on every wait.
    if (gone) {
      HandOverHangup();
      break;
    }
    if (!arrived || !FWatched.Contains(evRxChar)) {
      continue;
    }
    if (!HandOverArrival()) {
      break;
    }
  }
  FEnded.store(true, std::memory_order_release);
}

bool TSerialThread::HandOverArrival() {
  FEvents = TSerialEvents();
  FEvents.Include(evRxChar);
  try {
    return HandOver([this] { DoEvents(); });
  } catch (...) {
    // Notifications end until the port is opened again; the port stays open.
    FException = std::current_exception();
    return false;
  }
}

void TSerialThread::HandOverHangup() {
  // Bytes may have come with the hang-up, or be left from an earlier batch:
  // this is the receive path's last chance to read them. On a device that
  // refuses every call once hung up the batch fails; the hang-up is still
  // reported.
  if (FWatched.Contains(evRxChar)) {
    HandOverArrival();
  }
  try {
    HandOver([this] { DoHangupEvent(); });
  } catch (...) {
    if (!FException) {
      FException = std::current_exception();
    }
  }
}

bool TSerialThread::HandOver(const std::function<void()>& call) {
  {
    std::lock_guard lock(FHandOverLock);
    if (FStopping) {
      return false;
    }
    ++FHandedOver;
  }
  FLoop.synchronize([this, &call] {
    ++FRun;
    call();
  });
  return true;
}

void TSerialThread::DoHangupEvent() {
  // Runs on the main thread. A Close in progress or done has no use for it.
  if (!FSerialPort.Connected() || FSerialPort.FClosing) {
    return;
  }
  // Counted as a notification: a Close made by the handler must not wait
  // for this thread, which waits for the handler.
  ++FSerialPort.FDispatching;
  try {
    FSerialPort.DoHangup();
  } catch (...) {
    --FSerialPort.FDispatching;
    throw;
  }
  --FSerialPort.FDispatching;
}

void TSerialThread::DoEvents() {
  // Runs on the main thread. A Close that ran inside an earlier notification
  // of this batch leaves nothing to report.
  if (!FSerialPort.Connected()) {
    return;
  }
  ++FSerialPort.FDispatching;
  try {
    if (FEvents.Contains(evRxChar)) {
      FSerialPort.CallRxChar();
    }
  } catch (...) {
    --FSerialPort.FDispatching;
    throw;
  }
  --FSerialPort.FDispatching;
}

}  // namespace th
