#include "app/LastResort.h"

#include <utility>

namespace th {

void LastResort::handle(std::exception_ptr failure) {
  Text message;
  try {
    std::rethrow_exception(std::move(failure));
  } catch (const std::exception& e) {
    message = FromUtf8(e.what());
  } catch (...) {
    message = u"Unknown exception";
  }
  try {
    const Text entry = message + u" - " + log_.stamp();
    view_.showFailure(entry);
    log_.write(entry);
  } catch (...) {
    // The entry is lost; the program ends all the same.
  }
  loop_.quit();
}

}  // namespace th
