#pragma once
// An object that handles the messages of a window it made. The window's class
// has MessageHandler::procedure as its procedure, which finds the object in
// the window's user data and hands it each message; before the object attaches
// itself and after it detaches, the system's default procedure answers.
#include "platform/win/WinApi.h"

namespace th {

class MessageHandler {
 public:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 protected:
  MessageHandler() = default;
  ~MessageHandler() = default;
  MessageHandler(const MessageHandler&) = delete;
  MessageHandler& operator=(const MessageHandler&) = delete;

  // Messages to `window` reach handleMessage from now on.
  void attach(HWND window);
  // Messages to `window` no longer reach this object.
  static void detach(HWND window);

  virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// Registers a window class with MessageHandler::procedure; `windowClass` gives
// its name, look and style. A class registered before is kept. Failing, it
// throws a runtime_error that names `owner`.
void RegisterHandledClass(WNDCLASSEXW windowClass, const char* owner);

}  // namespace th
