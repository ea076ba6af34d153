#pragma once
#include "platform/Port.h"
#include "platform/Text.h"

namespace th {

// Writes a command line followed by CR LF.
inline void WriteCommandLine(Port& port, const Text& line) {
  port.write(line + u"\r\n");
}

}  // namespace th
