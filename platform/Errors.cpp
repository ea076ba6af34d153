#include "platform/Errors.h"

namespace th {

EInOutError EInOutError::readBeyondEnd() {
  return {100, "Read beyond end of file"};
}

}  // namespace th
