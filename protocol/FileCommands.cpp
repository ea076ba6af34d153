#include "protocol/FileCommands.h"
