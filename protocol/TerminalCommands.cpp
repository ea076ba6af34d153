#include "protocol/TerminalCommands.h"
