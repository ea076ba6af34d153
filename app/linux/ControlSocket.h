#pragma once
// The control channel on Linux: an abstract Unix-domain stream socket on which
// the parent program names the device. A small service thread accepts and reads
// with poll, so a silent or stalled client never holds up the main thread; each
// complete message is handed to the main thread through the event loop, and the
// reply goes out only after the handler has run there.
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/ControlFrame.h"
#include "platform/ControlMessage.h"
#include "platform/EventLoop.h"

namespace th {

class ControlSocket {
 public:
  using Handler = std::function<void(const ControlMessage&)>;

  // One message: dwData (8 bytes LE), cbData (4 bytes LE), cbData bytes.
  static constexpr std::size_t kHeaderSize = ControlFrame::kHeaderSize;
  static constexpr std::uint32_t kMaxData = ControlFrame::kMaxData;
  // A client that sends nothing for this long loses its connection.
  static constexpr int kStallMs = 1000;
  // The whole message must be in this long after the connection, however it
  // trickles in: each byte renews the stall limit, not this one.
  static constexpr int kFrameMs = 2000;
  // Connections being read at once; one more makes the longest-waiting give way.
  static constexpr std::size_t kMaxClients = 32;

  // "TfTidehaul.<pid>" of this process.
  static std::string defaultName();

  // The handler runs on the main thread, from the loop's message processing.
  ControlSocket(EventLoop& loop, Handler handler);
  ~ControlSocket();
  ControlSocket(const ControlSocket&) = delete;
  ControlSocket& operator=(const ControlSocket&) = delete;

  // Binds the abstract name and starts serving; 0 or the errno value.
  int listen(const std::string& name);

 private:
  struct Shared;
  void serve(const std::weak_ptr<Shared>& weak);

  EventLoop& loop_;
  std::shared_ptr<Shared> shared_;
  int listenFd_ = -1;
  int stopFd_ = -1;
  uid_t uid_;
  std::thread thread_;
};

}  // namespace th
