// The input/output error texts for Windows error codes.
#include "platform/Errors.h"

namespace th {

EInOutError EInOutError::fromErrno(int errorCode) {
  switch (errorCode) {
    case 2:  // ERROR_FILE_NOT_FOUND
      return {errorCode, "File not found"};
    case 3:  // ERROR_PATH_NOT_FOUND
      return {errorCode, "Invalid filename"};
    case 4:  // ERROR_TOO_MANY_OPEN_FILES
      return {errorCode, "Too many open files"};
    case 5:  // ERROR_ACCESS_DENIED
      return {errorCode, "File access denied"};
    default:
      return {errorCode, "I/O error " + std::to_string(errorCode)};
  }
}

}  // namespace th
