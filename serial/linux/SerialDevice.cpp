// The serial device on Linux: a tty reached through its descriptor.
#include "serial/SerialDevice.h"

#include <pthread.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include "serial/linux/LinuxSerialDevice.h"
#include "serial/linux/LinuxTermios2.h"
#include "serial/linux/PortName.h"

namespace th::device {

namespace {
int Fd(DeviceHandle handle) {
  return static_cast<int>(handle);
}
}  // namespace

int Open(const Text& port, const std::string& directory, const LineConfig& config,
         DeviceHandle& handle) {
  handle = kNoDevice;
  const std::string path = DevicePathForPort(port, directory);
  if (path.empty()) {
    return ENOENT;
  }
  int fd = -1;
  if (const int error = tty::OpenExclusive(path, fd); error != 0) {
    return error;
  }
  handle = fd;
  // Linux raises DTR and RTS on open; the line modes say where they start,
  // and disabled means low until SetDTR/SetRTS raise them.
  tty::SetDTR(fd, config.DtrControl() != 0);
  tty::SetRTS(fd, config.RtsControl() == 1 || config.RtsControl() == 2);
  return 0;
}

std::string DefaultDirectory() {
  return ExecutableDirectory();
}

int Close(DeviceHandle handle, std::uint32_t perByteMs, std::uint32_t constantMs) {
  return tty::CloseDevice(Fd(handle), perByteMs, constantMs);
}

int ApplyBuffer(DeviceHandle handle, const LineConfig&) {
  // The tty layer's queues are not sized per port (the kernel keeps at least
  // 4 KiB in the line discipline and up to 64 KiB in flip buffers); what is
  // left to do is to check the device.
  return tty::CheckHandle(Fd(handle));
}

int ApplyLine(DeviceHandle handle, const LineConfig& config) {
  return tty::ApplyLine(Fd(handle), config);
}

int ApplyTimeouts(DeviceHandle handle, const LineConfig&) {
  // Reads never wait (VMIN 0, VTIME 0, O_NONBLOCK); Write enforces the write
  // limit itself.
  return tty::CheckHandle(Fd(handle));
}

int SetDTR(DeviceHandle handle, bool on) {
  return tty::SetDTR(Fd(handle), on);
}

int SetRTS(DeviceHandle handle, bool on) {
  return tty::SetRTS(Fd(handle), on);
}

int GetModemLines(DeviceHandle handle, TSerialSignals& lines) {
  return tty::GetModemLines(Fd(handle), lines);
}

int InputCount(DeviceHandle handle, int& count) {
  return tty::InputCount(Fd(handle), count);
}

int ReadAvailable(DeviceHandle handle, int count, std::string& out) {
  return tty::ReadAvailable(Fd(handle), count, out);
}

int Write(DeviceHandle handle, const char* data, int count, std::int64_t timeoutMs, int& written) {
  return tty::WriteAll(Fd(handle), data, count, timeoutMs, written);
}

void NameCurrentThread(const char* name) {
  ::pthread_setname_np(::pthread_self(), name);
}

std::uint64_t CurrentThreadId() {
  return static_cast<std::uint64_t>(::syscall(SYS_gettid));
}

}  // namespace th::device
