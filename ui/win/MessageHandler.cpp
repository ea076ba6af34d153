#include "ui/win/MessageHandler.h"

#include <stdexcept>
#include <string>

namespace th {

LRESULT CALLBACK MessageHandler::procedure(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  auto* handler = FromInteger<MessageHandler*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (handler == nullptr) {
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  try {
    return handler->handleMessage(message, wParam, lParam);
  } catch (...) {
    // Nothing unwinds through the system's frames: a window that cannot draw
    // or scroll shows less, and the data it shows is unharmed.
    return 0;
  }
}

void MessageHandler::attach(HWND window) {
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void MessageHandler::detach(HWND window) {
  ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
}

void RegisterHandledClass(WNDCLASSEXW windowClass, const char* owner) {
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &MessageHandler::procedure;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  if (::RegisterClassExW(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    throw std::runtime_error(std::string(owner) + ": RegisterClassExW failed");
  }
}

}  // namespace th
