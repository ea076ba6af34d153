// The input/output error texts for errno values.
#include <cerrno>

#include "platform/Errors.h"

namespace th {

EInOutError EInOutError::fromErrno(int errorCode) {
  switch (errorCode) {
    case ENOENT:
      return {errorCode, "File not found"};
    case ENOTDIR:
    case ENAMETOOLONG:
      return {errorCode, "Invalid filename"};
    case EMFILE:
    case ENFILE:
      return {errorCode, "Too many open files"};
    case EACCES:
    case EPERM:
    case EROFS:
      return {errorCode, "File access denied"};
    default:
      return {errorCode, "I/O error " + std::to_string(errorCode)};
  }
}

}  // namespace th
