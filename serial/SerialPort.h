#pragma once
// The serial port component: its settings, the device, reads and writes, the
// control lines, and (through TSerialThread) the arrival notification on the
// main thread. All operations run on the main thread.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/EventLoop.h"
#include "platform/Text.h"
#include "serial/SerialDevice.h"
#include "serial/SerialError.h"
#include "serial/SerialSettings.h"
#include "serial/SerialTypes.h"

namespace th {

class TSerialThread;

class TCustomSerialPort {
 public:
  using TRxCharEvent = std::function<void(TCustomSerialPort& Sender, int Count)>;
  using TRxBufEvent = std::function<void(TCustomSerialPort& Sender, const std::string& Buffer)>;
  using TNotifyEvent = std::function<void(TCustomSerialPort& Sender)>;
  using TLineEvent = std::function<void(TCustomSerialPort& Sender, bool OnOff)>;

  // Notifications are handed to `loop`'s thread, which must be the caller's.
  explicit TCustomSerialPort(EventLoop& loop);
  virtual ~TCustomSerialPort();
  TCustomSerialPort(const TCustomSerialPort&) = delete;
  TCustomSerialPort& operator=(const TCustomSerialPort&) = delete;

  // While the initial settings are applied nothing reaches a device, and
  // Connected only records the wish; Loaded acts on it.
  void BeginLoad() { FLoading = true; }
  virtual void Loaded();

  bool Connected() const { return FConnected; }
  void SetConnected(bool value);
  void Open();
  void Close();

  // One byte per character (the low eight bits); returns the count written.
  int WriteStr(const Text& Str);
  // Up to Count bytes that have already arrived, one character each.
  int ReadStr(Text& Str, int Count);
  int InputCount();
  void SetDTR(bool OnOff);
  void SetRTS(bool OnOff);
  TSerialSignals Signals();

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  // Applies the buffer sizes, the line settings and the time-outs, in this order.
  virtual void SetupSerialPort();
  virtual void ApplyBuffer();
  virtual void ApplyDCB();
  virtual void ApplyTimeouts();

  TBaudRate BaudRate() const { return FBaudRate; }
  void SetBaudRate(TBaudRate value);
  int CustomBaudRate() const { return FCustomBaudRate; }
  void SetCustomBaudRate(int value);
  const Text& Port() const { return FPort; }
  // While open, closes and reopens on the new name.
  void SetPort(const Text& value);
  TStopBits StopBits() const { return FStopBits; }
  void SetStopBits(TStopBits value);
  TDataBits DataBits() const { return FDataBits; }
  void SetDataBits(TDataBits value);
  bool DiscardNull() const { return FDiscardNull; }
  void SetDiscardNull(bool value);
  char16_t EventChar() const { return FEventChar; }
  void SetEventChar(char16_t value);
  // A change while open takes effect at the next Open.
  TSerialEvents Events() const { return FEvents; }
  void SetEvents(TSerialEvents value) { FEvents = value; }
  // Error 14 while open.
  TSyncMethod SyncMethod() const { return FSyncMethod; }
  void SetSyncMethod(TSyncMethod value);
  TThreadPriority EventThreadPriority() const { return FEventThreadPriority; }
  void SetEventThreadPriority(TThreadPriority value);
  bool TriggersOnRxChar() const { return FTriggersOnRxChar; }
  void SetTriggersOnRxChar(bool value);
  unsigned StoredProps() const { return FStoredProps; }
  void SetStoredProps(unsigned value) { FStoredProps = value; }

  TSerialBuffer& Buffer() { return FBuffer; }
  const TSerialBuffer& Buffer() const { return FBuffer; }
  void SetBuffer(const TSerialBuffer& value) { FBuffer.Assign(value); }
  TSerialParity& Parity() { return FParity; }
  const TSerialParity& Parity() const { return FParity; }
  void SetParity(const TSerialParity& value) { FParity.Assign(value); }
  TSerialTimeouts& Timeouts() { return FTimeouts; }
  const TSerialTimeouts& Timeouts() const { return FTimeouts; }
  void SetTimeouts(const TSerialTimeouts& value) { FTimeouts.Assign(value); }
  TSerialFlowControl& FlowControl() { return FFlowControl; }
  const TSerialFlowControl& FlowControl() const { return FFlowControl; }
  void SetFlowControl(const TSerialFlowControl& value) { FFlowControl.Assign(value); }

  // Where "COMn" is looked up first on a system without a device namespace
  // of its own; the executable's directory by default.
  void SetDeviceDirectory(std::string directory) { FDeviceDirectory = std::move(directory); }
  const std::string& DeviceDirectory() const { return FDeviceDirectory; }
  // The open device, or kNoDevice.
  DeviceHandle Handle() const { return FHandle; }
  // The event thread while one runs (for measurements), else null.
  const TSerialThread* EventThread() const { return FEventThread.get(); }
  EventLoop& Loop() const { return FLoop; }

  TRxCharEvent OnRxChar;
  TRxBufEvent OnRxBuf;
  TNotifyEvent OnBeforeOpen;
  TNotifyEvent OnAfterOpen;
  TNotifyEvent OnBeforeClose;
  TNotifyEvent OnAfterClose;
  TLineEvent OnCTSChange;
  TLineEvent OnDSRChange;
  TLineEvent OnRLSDChange;
  // The open device hung up or failed (adapter unplugged, far end gone): raised
  // once on the main thread after the bytes that came before it were reported.
  // No byte arrives until the port is opened again; the port stays open.
  TNotifyEvent OnHangup;

 protected:
  virtual void CreateHandle();
  virtual void DestroyHandle();
  virtual void DoBeforeOpen();
  virtual void DoAfterOpen();
  virtual void DoBeforeClose();
  virtual void DoAfterClose();
  virtual void DoRxChar(int Count);
  virtual void DoRxBuf(const std::string& Buffer);
  virtual void DoCTSChange(bool OnOff);
  virtual void DoDSRChange(bool OnOff);
  virtual void DoRLSDChange(bool OnOff);
  virtual void DoHangup();

 private:
  friend class TSerialThread;

  [[noreturn]] static void CallException(int code, int osError);
  bool CanApply() const { return FConnected && FUpdateCount == 0 && !FLoading; }
  void CallAfterOpen();
  void CallBeforeClose();
  // Closes the device and forgets its descriptor; no virtual call, so the
  // destructor can use it.
  void ReleaseHandle();
  void DestroyEventThread();
  void ReapRetiredThreads(bool wait);
  // Runs on the main thread for one batch of the event thread.
  void CallRxChar();

  EventLoop& FLoop;
  std::unique_ptr<TSerialThread> FEventThread;
  // Threads stopped by a Close that ran inside their own notification: they
  // end once that notification returns.
  std::vector<std::unique_ptr<TSerialThread>> FRetiredThreads;
  bool FThreadCreated = false;
  DeviceHandle FHandle = kNoDevice;
  // Bytes read from the open device; the event thread reads it.
  std::atomic<std::uint64_t> FBytesTaken{0};
  // How long the event thread may hold arrived bytes back at most (see
  // QuarterQueueFillMs); set whenever the line or the queues are applied.
  std::atomic<std::uint32_t> FHoldBackLimitMs{0};
  int FUpdateCount = 0;
  int FDispatching = 0;
  bool FClosing = false;
  bool FLoading = false;
  bool FConnectWhenLoaded = false;
  bool FTriggersOnRxChar = true;
  TThreadPriority FEventThreadPriority = tpNormal;
  bool FHasLink = false;
  bool FConnected = false;
  TBaudRate FBaudRate = br9600;
  int FCustomBaudRate = 9600;
  Text FPort = u"COM1";
  TStopBits FStopBits = sbOneStopBit;
  TDataBits FDataBits = dbEight;
  bool FDiscardNull = false;
  char16_t FEventChar = 0;
  TSerialEvents FEvents = TSerialEvents::All();
  TSerialBuffer FBuffer{*this};
  TSerialParity FParity{*this};
  TSerialTimeouts FTimeouts{*this};
  TSerialFlowControl FFlowControl{*this};
  TSyncMethod FSyncMethod = smThreadSync;
  unsigned FStoredProps = 1U << spBasic;
  std::string FDeviceDirectory;
  // The write time limit as last applied to the open device.
  std::uint32_t FWriteMultiplier = 0;
  std::uint32_t FWriteConstant = 0;
};

// Adds nothing: the settings are set through the base class.
class TSerialPort : public TCustomSerialPort {
 public:
  using TCustomSerialPort::TCustomSerialPort;
};

}  // namespace th
