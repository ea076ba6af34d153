#include "serial/SerialPort.h"

#include <cerrno>
#include <utility>

#include "serial/LineConfig.h"
#include "serial/SerialThread.h"
#include "serial/linux/LinuxSerialDevice.h"
#include "serial/linux/LinuxTermios2.h"
#include "serial/linux/PortName.h"

namespace th {

TCustomSerialPort::TCustomSerialPort(EventLoop& loop)
    : FLoop(loop), FDeviceDirectory(device::DefaultDirectory()) {}

TCustomSerialPort::~TCustomSerialPort() {
  try {
    Close();
  } catch (...) {
    // A component that goes away cannot report; the device is released below.
  }
  if (FEventThread) {
    DestroyEventThread();
  }
  ReapRetiredThreads(true);
  ReleaseHandle();
}

void TCustomSerialPort::CallException(int code, int osError) {
  throw ESerialPort::Make(code, osError);
}

void TCustomSerialPort::Loaded() {
  FLoading = false;
  if (!FConnectWhenLoaded) {
    return;
  }
  FConnectWhenLoaded = false;
  try {
    Open();
  } catch (...) {
    // No caller to hand it to: it goes to the application's handler.
    FLoop.post([error = std::current_exception()] { std::rethrow_exception(error); });
  }
}

void TCustomSerialPort::SetConnected(bool value) {
  if (FLoading) {
    FConnectWhenLoaded = value;
    return;
  }
  if (value) {
    Open();
  } else {
    Close();
  }
}

void TCustomSerialPort::Open() {
  if (FConnected) {
    return;
  }
  ReapRetiredThreads(false);
  DoBeforeOpen();
  CreateHandle();
  FConnected = true;
  try {
    SetupSerialPort();
    if (!FEvents.Empty()) {
      FEventThread = std::make_unique<TSerialThread>(*this);
      FThreadCreated = true;
    }
  } catch (...) {
    DestroyHandle();
    FConnected = false;
    throw;
  }
  CallAfterOpen();
}

void TCustomSerialPort::Close() {
  if (!FConnected || FClosing) {
    return;
  }
  FClosing = true;
  try {
    CallBeforeClose();
    // Reads and writes complete before they return, so no transfer is
    // pending here that would need aborting.
    if (FThreadCreated) {
      DestroyEventThread();
    }
    FThreadCreated = false;
  } catch (...) {
    FClosing = false;
    throw;
  }
  FClosing = false;
  DestroyHandle();
  FConnected = false;
  DoAfterClose();
}

void TCustomSerialPort::CreateHandle() {
  DeviceHandle handle = kNoDevice;
  const int error = device::Open(FPort, FDeviceDirectory, MakeLineConfig(*this), handle);
  if (error != 0) {
    CallException(SError_OpenFailed, error);
  }
  FHandle = handle;
  FBytesTaken.store(0);
}

void TCustomSerialPort::DestroyHandle() {
  ReleaseHandle();
}

void TCustomSerialPort::ReleaseHandle() {
  if (FHandle == kNoDevice) {
    return;
  }
  // The system has released the device whatever its close reports; the
  // number may soon name another file, which must never receive our writes.
  const DeviceHandle handle = std::exchange(FHandle, kNoDevice);
  // Output still queued gets the time a write of it would have; without a
  // write limit, the 100 ms a byte plus 1000 ms of this system's settings,
  // so that a stalled line cannot hold Close forever.
  const bool noLimit = FWriteMultiplier == 0 && FWriteConstant == 0;
  device::Close(handle, noLimit ? 100 : FWriteMultiplier, noLimit ? 1000 : FWriteConstant);
}

void TCustomSerialPort::DestroyEventThread() {
  std::unique_ptr<TSerialThread> thread = std::move(FEventThread);
  if (FDispatching > 0) {
    // Close from inside a notification: the thread is blocked on that very
    // notification, so waiting for it here would never end.
    thread->Stop();
    FRetiredThreads.push_back(std::move(thread));
    return;
  }
  thread.reset();
}

void TCustomSerialPort::ReapRetiredThreads(bool wait) {
  for (auto it = FRetiredThreads.begin(); it != FRetiredThreads.end();) {
    if (wait || (*it)->Ended()) {
      it = FRetiredThreads.erase(it);
    } else {
      ++it;
    }
  }
}

void TCustomSerialPort::CallAfterOpen() {
  DoAfterOpen();
  DoCTSChange(Signals().CTS);
  DoDSRChange(Signals().DSR);
  DoRLSDChange(Signals().RLSD);
}

void TCustomSerialPort::CallBeforeClose() {
  DoCTSChange(false);
  DoDSRChange(false);
  DoRLSDChange(false);
  DoBeforeClose();
}

void TCustomSerialPort::EndUpdate() {
  if (FUpdateCount <= 0) {
    return;
  }
  if (--FUpdateCount == 0) {
    SetupSerialPort();
  }
}

void TCustomSerialPort::SetupSerialPort() {
  ApplyBuffer();
  ApplyDCB();
  ApplyTimeouts();
}

void TCustomSerialPort::ApplyBuffer() {
  if (!CanApply()) {
    return;
  }
  const LineConfig config = MakeLineConfig(*this);
  const int error = device::ApplyBuffer(FHandle, config);
  if (error != 0) {
    CallException(SError_SetupComFailed, error);
  }
  FHoldBackLimitMs.store(QuarterQueueFillMs(config));
}

void TCustomSerialPort::ApplyDCB() {
  if (!CanApply()) {
    return;
  }
  const LineConfig config = MakeLineConfig(*this);
  const int error = device::ApplyLine(FHandle, config);
  if (error != 0) {
    CallException(SError_SetStateFailed, error);
  }
  FHoldBackLimitMs.store(QuarterQueueFillMs(config));
}

void TCustomSerialPort::ApplyTimeouts() {
  if (!CanApply()) {
    return;
  }
  // The write limit is also kept here: the device's own may not hold on
  // every system, so WriteStr bounds the write itself.
  const LineConfig config = MakeLineConfig(*this);
  const int error = device::ApplyTimeouts(FHandle, config);
  if (error != 0) {
    CallException(SError_TimeoutsFailed, error);
  }
  FWriteMultiplier = config.WriteTotalTimeoutMultiplier;
  FWriteConstant = config.WriteTotalTimeoutConstant;
}

int TCustomSerialPort::WriteStr(const Text& Str) {
  if (Str.empty()) {
    return 0;
  }
  if (FHandle == kNoDevice) {
    CallException(SError_PortNotOpen, 0);
  }
  const std::string bytes = TextToBytes(Str);
  // Both zero means no limit, as on Windows.
  std::int64_t limitMs = -1;
  if (FWriteMultiplier != 0 || FWriteConstant != 0) {
    limitMs =
        static_cast<std::int64_t>(FWriteMultiplier) * static_cast<std::int64_t>(bytes.size()) +
        static_cast<std::int64_t>(FWriteConstant);
  }
  int written = 0;
  const int error =
      device::Write(FHandle, bytes.data(), static_cast<int>(bytes.size()), limitMs, written);
  if (written > 0 && FEventThread) {
    FEventThread->Sent();
  }
  if (error != 0) {
    CallException(SError_WriteFailed, error);
  }
  return written;
}

int TCustomSerialPort::ReadStr(Text& Str, int Count) {
  if (Count <= 0) {
    Str.clear();
    return 0;
  }
  if (FHandle == kNoDevice) {
    CallException(SError_PortNotOpen, 0);
  }
  std::string bytes;
  const int error = device::ReadAvailable(FHandle, Count, bytes);
  FBytesTaken.fetch_add(bytes.size());
  if (error != 0) {
    CallException(SError_ReadFailed, error);
  }
  AssignBytes(Str, bytes);
  return static_cast<int>(bytes.size());
}

int TCustomSerialPort::InputCount() {
  int count = 0;
  const int error = device::InputCount(FHandle, count);
  if (error != 0) {
    CallException(SError_ClearComFailed, error);
  }
  return count;
}

void TCustomSerialPort::SetDTR(bool OnOff) {
  const int error = device::SetDTR(FHandle, OnOff);
  if (error != 0) {
    CallException(SError_EscapeComFailed, error);
  }
}

void TCustomSerialPort::SetRTS(bool OnOff) {
  const int error = device::SetRTS(FHandle, OnOff);
  if (error != 0) {
    CallException(SError_EscapeComFailed, error);
  }
}

TSerialSignals TCustomSerialPort::Signals() {
  TSerialSignals lines;
  const int error = device::GetModemLines(FHandle, lines);
  if (error != 0) {
    CallException(SError_ModemStatFailed, error);
  }
  return lines;
}

void TCustomSerialPort::CallRxChar() {
  int Count = InputCount();
  if (Count > 0 && (!FTriggersOnRxChar || FHasLink)) {
    std::string bytes;
    const int error = device::ReadAvailable(FHandle, Count, bytes);
    FBytesTaken.fetch_add(bytes.size());
    if (error != 0) {
      CallException(SError_ReadFailed, error);
    }
    DoRxBuf(bytes);
    Count = 0;
  }
  if (Count > 0) {
    DoRxChar(Count);
  }
}

void TCustomSerialPort::SetBaudRate(TBaudRate value) {
  if (value == FBaudRate) {
    return;
  }
  FBaudRate = value;
  ApplyDCB();
}

void TCustomSerialPort::SetCustomBaudRate(int value) {
  if (value == FCustomBaudRate) {
    return;
  }
  FCustomBaudRate = value;
  ApplyDCB();
}

void TCustomSerialPort::SetPort(const Text& value) {
  if (value == FPort) {
    return;
  }
  FPort = value;
  if (FConnected && !FLoading) {
    Close();
    Open();
  }
}

void TCustomSerialPort::SetStopBits(TStopBits value) {
  if (value == FStopBits) {
    return;
  }
  FStopBits = value;
  ApplyDCB();
}

void TCustomSerialPort::SetDataBits(TDataBits value) {
  if (value == FDataBits) {
    return;
  }
  FDataBits = value;
  ApplyDCB();
}

void TCustomSerialPort::SetDiscardNull(bool value) {
  if (value == FDiscardNull) {
    return;
  }
  FDiscardNull = value;
  ApplyDCB();
}

void TCustomSerialPort::SetEventChar(char16_t value) {
  if (value == FEventChar) {
    return;
  }
  FEventChar = value;
  ApplyDCB();
}

void TCustomSerialPort::SetSyncMethod(TSyncMethod value) {
  if (value == FSyncMethod) {
    return;
  }
  if (FConnected) {
    CallException(SError_ConnChangeProp, 0);
  }
  FSyncMethod = value;
}

void TCustomSerialPort::SetEventThreadPriority(TThreadPriority value) {
  if (value == FEventThreadPriority) {
    return;
  }
  if (FConnected) {
    CallException(SError_ConnChangeProp, 0);
  }
  FEventThreadPriority = value;
}

void TCustomSerialPort::SetTriggersOnRxChar(bool value) {
  if (value == FTriggersOnRxChar) {
    return;
  }
  if (FHasLink) {
    CallException(SError_HasLink, 0);
  }
  FTriggersOnRxChar = value;
}

void TCustomSerialPort::DoBeforeOpen() {
  if (OnBeforeOpen) {
    OnBeforeOpen(*this);
  }
}
void TCustomSerialPort::DoAfterOpen() {
  if (OnAfterOpen) {
    OnAfterOpen(*this);
  }
}
void TCustomSerialPort::DoBeforeClose() {
  if (OnBeforeClose) {
    OnBeforeClose(*this);
  }
}
void TCustomSerialPort::DoAfterClose() {
  if (OnAfterClose) {
    OnAfterClose(*this);
  }
}
void TCustomSerialPort::DoRxChar(int Count) {
  if (OnRxChar) {
    OnRxChar(*this, Count);
  }
}
void TCustomSerialPort::DoRxBuf(const std::string& Buffer) {
  if (OnRxBuf) {
    OnRxBuf(*this, Buffer);
  }
}
void TCustomSerialPort::DoCTSChange(bool OnOff) {
  if (OnCTSChange) {
    OnCTSChange(*this, OnOff);
  }
}
void TCustomSerialPort::DoDSRChange(bool OnOff) {
  if (OnDSRChange) {
    OnDSRChange(*this, OnOff);
  }
}
void TCustomSerialPort::DoRLSDChange(bool OnOff) {
  if (OnRLSDChange) {
    OnRLSDChange(*this, OnOff);
  }
}
void TCustomSerialPort::DoHangup() {
  if (OnHangup) {
    OnHangup(*this);
  }
}

}  // namespace th
