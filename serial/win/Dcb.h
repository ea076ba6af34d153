#pragma once
// The pure line configuration as the Windows communications API takes it.
#include "platform/win/WinApi.h"
#include "serial/LineConfig.h"
#include "serial/SerialTypes.h"

namespace th::win {

// The device control block of `config`, field by field.
DCB MakeDcb(const LineConfig& config);
COMMTIMEOUTS MakeCommTimeouts(const LineConfig& config);
// The platform's event mask for a set of line events (EV_RXCHAR and so on).
DWORD EventsToMask(TSerialEvents events);

}  // namespace th::win
