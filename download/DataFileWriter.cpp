#include "download/DataFileWriter.h"
