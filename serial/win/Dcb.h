#pragma once
// Port settings as the Windows communications API takes them.
#include "platform/win/WinApi.h"
#include "serial/PortSettings.h"

namespace th::win {

// The device control block: the rate and frame of `settings`, DTR and RTS
// driven as its line controls say, binary mode, no parity check, NUL bytes
// kept, no XON/XOFF (its limits at a quarter of the input queue).
DCB MakeDcb(const PortSettings& settings);
COMMTIMEOUTS MakeCommTimeouts(const PortSettings& settings);

}  // namespace th::win
