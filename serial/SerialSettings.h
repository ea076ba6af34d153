#pragma once
// The port component's settings groups. Each setter stores its value and, when
// the value changed, has the port apply its group (which does nothing while the
// port is closed or inside BeginUpdate/EndUpdate).
#include <cstdint>

#include "serial/SerialTypes.h"

namespace th {

class TCustomSerialPort;

class TSerialBuffer {
 public:
  explicit TSerialBuffer(TCustomSerialPort& port) : SerialPort(port) {}
  TSerialBuffer(const TSerialBuffer&) = delete;
  TSerialBuffer& operator=(const TSerialBuffer&) = delete;

  // Copies every field, then applies the group once.
  void Assign(const TSerialBuffer& source);

  int InputSize() const { return FInputSize; }
  int OutputSize() const { return FOutputSize; }
  // A positive odd size is lowered by one.
  void SetInputSize(int value);
  void SetOutputSize(int value);

  TCustomSerialPort& SerialPort;

 private:
  int FInputSize = 1024;
  int FOutputSize = 1024;
};

class TSerialParity {
 public:
  explicit TSerialParity(TCustomSerialPort& port) : SerialPort(port) {}
  TSerialParity(const TSerialParity&) = delete;
  TSerialParity& operator=(const TSerialParity&) = delete;

  void Assign(const TSerialParity& source);

  TParityBits Bits() const { return FBits; }
  bool Check() const { return FCheck; }
  bool Replace() const { return FReplace; }
  char16_t ReplaceChar() const { return FReplaceChar; }
  void SetBits(TParityBits value);
  void SetCheck(bool value);
  void SetReplace(bool value);
  void SetReplaceChar(char16_t value);

  TCustomSerialPort& SerialPort;

 private:
  TParityBits FBits = prNone;
  bool FCheck = false;
  bool FReplace = false;
  char16_t FReplaceChar = 0;
};

class TSerialTimeouts {
 public:
  explicit TSerialTimeouts(TCustomSerialPort& port) : SerialPort(port) {}
  TSerialTimeouts(const TSerialTimeouts&) = delete;
  TSerialTimeouts& operator=(const TSerialTimeouts&) = delete;

  void Assign(const TSerialTimeouts& source);

  // Milliseconds; -1 stands for the largest value (MAXDWORD).
  int ReadInterval() const { return FReadInterval; }
  int ReadTotalMultiplier() const { return FReadTotalMultiplier; }
  int ReadTotalConstant() const { return FReadTotalConstant; }
  int WriteTotalMultiplier() const { return FWriteTotalMultiplier; }
  int WriteTotalConstant() const { return FWriteTotalConstant; }
  void SetReadInterval(int value);
  void SetReadTotalMultiplier(int value);
  void SetReadTotalConstant(int value);
  void SetWriteTotalMultiplier(int value);
  void SetWriteTotalConstant(int value);

  TCustomSerialPort& SerialPort;

 private:
  void Set(int& field, int value);

  int FReadInterval = -1;
  int FReadTotalMultiplier = 0;
  int FReadTotalConstant = 0;
  int FWriteTotalMultiplier = 100;
  int FWriteTotalConstant = 1000;
};

class TSerialFlowControl {
 public:
  explicit TSerialFlowControl(TCustomSerialPort& port) : SerialPort(port) {}
  TSerialFlowControl(const TSerialFlowControl&) = delete;
  TSerialFlowControl& operator=(const TSerialFlowControl&) = delete;

  void Assign(const TSerialFlowControl& source);

  bool OutCTSFlow() const { return FOutCTSFlow; }
  bool OutDSRFlow() const { return FOutDSRFlow; }
  TDTRFlowControl ControlDTR() const { return FControlDTR; }
  TRTSFlowControl ControlRTS() const { return FControlRTS; }
  bool XonXoffOut() const { return FXonXoffOut; }
  bool XonXoffIn() const { return FXonXoffIn; }
  bool DSRSensitivity() const { return FDSRSensitivity; }
  bool TxContinueOnXoff() const { return FTxContinueOnXoff; }
  std::uint8_t XonChar() const { return FXonChar; }
  std::uint8_t XoffChar() const { return FXoffChar; }
  void SetOutCTSFlow(bool value);
  void SetOutDSRFlow(bool value);
  void SetControlDTR(TDTRFlowControl value);
  void SetControlRTS(TRTSFlowControl value);
  void SetXonXoffOut(bool value);
  void SetXonXoffIn(bool value);
  void SetDSRSensitivity(bool value);
  void SetTxContinueOnXoff(bool value);
  void SetXonChar(std::uint8_t value);
  void SetXoffChar(std::uint8_t value);

  // Derived from ControlRTS, OutCTSFlow and the XON/XOFF flags.
  TFlowControl FlowControl() const;
  // Always re-applies the line settings, even when nothing changed.
  void SetFlowControl(TFlowControl value);

  TCustomSerialPort& SerialPort;

 private:
  template <typename T>
  void Set(T& field, T value);

  bool FOutCTSFlow = false;
  bool FOutDSRFlow = false;
  TDTRFlowControl FControlDTR = dtrDisable;
  TRTSFlowControl FControlRTS = rtsDisable;
  bool FXonXoffOut = false;
  bool FXonXoffIn = false;
  bool FDSRSensitivity = false;
  bool FTxContinueOnXoff = false;
  std::uint8_t FXonChar = 17;
  std::uint8_t FXoffChar = 19;
};

}  // namespace th
