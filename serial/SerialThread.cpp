#include "serial/SerialThread.h"

#include "platform/EventLoop.h"
#include "serial/SerialPort.h"

namespace th {

TSerialThread::TSerialThread(TCustomSerialPort& ASerialPort)
    : FSerialPort(ASerialPort),
      FLoop(ASerialPort.Loop()),
      FWatched(ASerialPort.Events()),
      FWatcher(ASerialPort.Handle(), ASerialPort.Events(), ASerialPort.FBytesTaken,
               ASerialPort.FHoldBackLimitMs) {
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
}

void TSerialThread::Stop() {
  // Also a thread that Close leaves behind while its own notification runs
  // must hand nothing more to the main thread, which may have opened the port
  // again meanwhile.
  {
    std::lock_guard lock(FHandOverLock);
    FStopping = true;
  }
  FWatcher.Stop();
}

void TSerialThread::Execute() {
  device::NameCurrentThread(kName);
  FSystemThreadId.store(device::CurrentThreadId());
  for (;;) {
    const DeviceWatcher::Event event = FWatcher.Wait();
    if (event == DeviceWatcher::Event::End) {
      break;
    }
    // A hang-up (unplugged adapter, closed far end) is reported once, and
    // ends the thread: the device would report it again on every wait.
    if (event == DeviceWatcher::Event::Hangup) {
      HandOverHangup();
      break;
    }
    if (!FWatched.Contains(evRxChar)) {
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
