#include "platform/ExceptionRoute.h"

namespace th {

bool ExceptionRoute::run(const std::function<void()>& fn) {
  try {
    fn();
    return true;
  } catch (...) {
    std::exception_ptr error = std::current_exception();
    if (handler_) {
      try {
        handler_(error);
        return true;
      } catch (...) {
        error = std::current_exception();
      }
    }
    if (!kept_) {
      kept_ = error;
    }
    return false;
  }
}

void ExceptionRoute::rethrowKept() {
  if (!kept_) {
    return;
  }
  std::exception_ptr error = kept_;
  kept_ = nullptr;
  std::rethrow_exception(error);
}

}  // namespace th
