#include "serial/SerialSettings.h"

#include "serial/SerialPort.h"

namespace th {

namespace {

int EvenSize(int value) {
  return value > 0 && value % 2 != 0 ? value - 1 : value;
}

}  // namespace

void TSerialBuffer::Assign(const TSerialBuffer& source) {
  FInputSize = source.FInputSize;
  FOutputSize = source.FOutputSize;
  SerialPort.ApplyBuffer();
}

void TSerialBuffer::SetInputSize(int value) {
  value = EvenSize(value);
  if (value == FInputSize) {
    return;
  }
  FInputSize = value;
  SerialPort.ApplyBuffer();
}

void TSerialBuffer::SetOutputSize(int value) {
  value = EvenSize(value);
  if (value == FOutputSize) {
    return;
  }
  FOutputSize = value;
  SerialPort.ApplyBuffer();
}

void TSerialParity::Assign(const TSerialParity& source) {
  FBits = source.FBits;
  FCheck = source.FCheck;
  FReplace = source.FReplace;
  FReplaceChar = source.FReplaceChar;
  SerialPort.ApplyDCB();
}

void TSerialParity::SetBits(TParityBits value) {
  if (value == FBits) {
    return;
  }
  FBits = value;
  SerialPort.ApplyDCB();
}

void TSerialParity::SetCheck(bool value) {
  if (value == FCheck) {
    return;
  }
  FCheck = value;
  SerialPort.ApplyDCB();
}

void TSerialParity::SetReplace(bool value) {
  if (value == FReplace) {
    return;
  }
  FReplace = value;
  SerialPort.ApplyDCB();
}

void TSerialParity::SetReplaceChar(char16_t value) {
  if (value == FReplaceChar) {
    return;
  }
  FReplaceChar = value;
  SerialPort.ApplyDCB();
}

void TSerialTimeouts::Assign(const TSerialTimeouts& source) {
  FReadInterval = source.FReadInterval;
  FReadTotalMultiplier = source.FReadTotalMultiplier;
  FReadTotalConstant = source.FReadTotalConstant;
  FWriteTotalMultiplier = source.FWriteTotalMultiplier;
  FWriteTotalConstant = source.FWriteTotalConstant;
  SerialPort.ApplyTimeouts();
}

void TSerialTimeouts::Set(int& field, int value) {
  if (value == field) {
    return;
  }
  field = value;
  SerialPort.ApplyTimeouts();
}

void TSerialTimeouts::SetReadInterval(int value) {
  Set(FReadInterval, value);
}
void TSerialTimeouts::SetReadTotalMultiplier(int value) {
  Set(FReadTotalMultiplier, value);
}
void TSerialTimeouts::SetReadTotalConstant(int value) {
  Set(FReadTotalConstant, value);
}
void TSerialTimeouts::SetWriteTotalMultiplier(int value) {
  Set(FWriteTotalMultiplier, value);
}
void TSerialTimeouts::SetWriteTotalConstant(int value) {
  Set(FWriteTotalConstant, value);
}

void TSerialFlowControl::Assign(const TSerialFlowControl& source) {
  FOutCTSFlow = source.FOutCTSFlow;
  FOutDSRFlow = source.FOutDSRFlow;
  FControlDTR = source.FControlDTR;
  FControlRTS = source.FControlRTS;
  FXonXoffOut = source.FXonXoffOut;
  FXonXoffIn = source.FXonXoffIn;
  FDSRSensitivity = source.FDSRSensitivity;
  FTxContinueOnXoff = source.FTxContinueOnXoff;
  FXonChar = source.FXonChar;
  FXoffChar = source.FXoffChar;
  SerialPort.ApplyDCB();
}

template <typename T>
void TSerialFlowControl::Set(T& field, T value) {
  if (value == field) {
    return;
  }
  field = value;
  SerialPort.ApplyDCB();
}

void TSerialFlowControl::SetOutCTSFlow(bool value) {
  Set(FOutCTSFlow, value);
}
void TSerialFlowControl::SetOutDSRFlow(bool value) {
  Set(FOutDSRFlow, value);
}
void TSerialFlowControl::SetControlDTR(TDTRFlowControl value) {
  Set(FControlDTR, value);
}
void TSerialFlowControl::SetControlRTS(TRTSFlowControl value) {
  Set(FControlRTS, value);
}
void TSerialFlowControl::SetXonXoffOut(bool value) {
  Set(FXonXoffOut, value);
}
void TSerialFlowControl::SetXonXoffIn(bool value) {
  Set(FXonXoffIn, value);
}
void TSerialFlowControl::SetDSRSensitivity(bool value) {
  Set(FDSRSensitivity, value);
}
void TSerialFlowControl::SetTxContinueOnXoff(bool value) {
  Set(FTxContinueOnXoff, value);
}
void TSerialFlowControl::SetXonChar(std::uint8_t value) {
  Set(FXonChar, value);
}
void TSerialFlowControl::SetXoffChar(std::uint8_t value) {
  Set(FXoffChar, value);
}

TFlowControl TSerialFlowControl::FlowControl() const {
  if (FControlRTS == rtsHandshake && FOutCTSFlow && !FXonXoffIn && !FXonXoffOut) {
    return fcHardware;
  }
  if (FControlRTS == rtsDisable && !FOutCTSFlow && FXonXoffIn && FXonXoffOut) {
    return fcSoftware;
  }
  if (FControlRTS == rtsDisable && !FOutCTSFlow && !FXonXoffIn && !FXonXoffOut) {
    return fcNone;
  }
  return fcCustom;
}

void TSerialFlowControl::SetFlowControl(TFlowControl value) {
  if (value != fcCustom) {
    FControlRTS = rtsDisable;
    FOutCTSFlow = false;
    FXonXoffIn = false;
    FXonXoffOut = false;
    if (value == fcHardware) {
      FControlRTS = rtsHandshake;
      FOutCTSFlow = true;
    } else if (value == fcSoftware) {
      FXonXoffIn = true;
      FXonXoffOut = true;
    }
  }
  SerialPort.ApplyDCB();
}

}  // namespace th
