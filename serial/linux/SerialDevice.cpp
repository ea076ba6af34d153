// The serial device on Linux: a tty reached through its descriptor.
#include "serial/SerialDevice.h"

#include <cerrno>

#include "serial/linux/PortName.h"
#include "serial/linux/Termios2.h"
#include "serial/linux/Tty.h"

namespace th {

namespace {
int Fd(DeviceHandle handle) {
  return static_cast<int>(handle);
}
}  // namespace

SerialDevice::~SerialDevice() {
  if (isOpen()) {
    close(0, 0);
  }
}

std::string SerialDevice::DefaultDirectory() {
  return ExecutableDirectory();
}

bool SerialDevice::Gone(int error) {
  // A tty whose far end hung up or whose adapter went away fails with EIO;
  // a device that vanished with ENXIO or ENODEV.
  return error == EIO || error == ENXIO || error == ENODEV;
}

int SerialDevice::open(const PortSettings& settings, const std::string& directory) {
  const std::string path = DevicePathForPort(settings.name, directory);
  if (path.empty()) {
    return ENOENT;
  }
  int fd = -1;
  if (const int error = tty::OpenExclusive(path, fd); error != 0) {
    return error;
  }
  handle_ = fd;
  // Linux raises DTR and RTS on open; the line controls say where they
  // start, and disabled means low until setDtr/setRts raise them.
  tty::SetDtr(fd, settings.dtr != LineControl::Disabled);
  tty::SetRts(fd, settings.rts == LineControl::Enabled || settings.rts == LineControl::Handshake);
  return 0;
}

int SerialDevice::close(std::uint32_t perByteMs, std::uint32_t constantMs) {
  const int fd = Fd(handle_);
  handle_ = kNoDevice;
  return tty::CloseDevice(fd, perByteMs, constantMs);
}

int SerialDevice::applyQueues(const PortSettings&) {
  // The tty layer's queues are not sized per port (the kernel keeps at least
  // 4 KiB in the line discipline and up to 64 KiB in flip buffers); what is
  // left to do is to check the device.
  return tty::CheckHandle(Fd(handle_));
}

int SerialDevice::applyLine(const PortSettings& settings) {
  return tty::ApplyLine(Fd(handle_), settings);
}

int SerialDevice::applyTimeouts(const PortSettings&) {
  // Reads never wait (VMIN 0, VTIME 0, O_NONBLOCK); write() enforces the
  // write limit itself.
  return tty::CheckHandle(Fd(handle_));
}

int SerialDevice::setDtr(bool on) {
  return tty::SetDtr(Fd(handle_), on);
}

int SerialDevice::setRts(bool on) {
  return tty::SetRts(Fd(handle_), on);
}

int SerialDevice::modemLines(ModemLines& lines) {
  return tty::GetModemLines(Fd(handle_), lines);
}

int SerialDevice::inputCount(int& count) {
  return tty::InputCount(Fd(handle_), count);
}

int SerialDevice::read(int count, std::string& out) {
  return tty::ReadAvailable(Fd(handle_), count, out);
}

int SerialDevice::write(const char* data, int count, std::int64_t timeoutMs, int& written) {
  return tty::WriteAll(Fd(handle_), data, count, timeoutMs, written);
}

}  // namespace th
