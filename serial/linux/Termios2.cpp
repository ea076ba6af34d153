// Only the kernel's termios2 header here: glibc's <termios.h> redefines the
// same structures.
#include "serial/linux/Termios2.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cerrno>

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept;

namespace th::tty {

int ApplyLine(int fd, const PortSettings& settings) {
  if (settings.dataBits < 5 || settings.dataBits > 8) {
    return EINVAL;
  }
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) {
    return errno;
  }

  // Raw: no translation, no echo, no signals, no software handshaking, NUL
  // bytes and parity errors passed on as they came.
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                      IUCLC | IXON | IXOFF | IXANY | IMAXBEL | INPCK | IGNPAR);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ECHOE | ECHOK | ICANON | ISIG | IEXTEN);

  t.c_cflag &=
      ~static_cast<tcflag_t>(CBAUD | CIBAUD | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
  // The line never waits for carrier: the modem's answers are read as data.
  t.c_cflag |= CREAD | CLOCAL;
  constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
  t.c_cflag |= kSizes[settings.dataBits - 5];
  if (settings.stopBits != StopBits::One) {
    t.c_cflag |= CSTOPB;  // one and a half is two on Linux
  }
  switch (settings.parity) {
    case Parity::Odd:
      t.c_cflag |= PARENB | PARODD;
      break;
    case Parity::Even:
      t.c_cflag |= PARENB;
      break;
    case Parity::Mark:
      t.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case Parity::Space:
      t.c_cflag |= PARENB | CMSPAR;
      break;
    case Parity::None:
      break;
  }
  if (settings.rts == LineControl::Handshake) {
    t.c_cflag |= CRTSCTS;
  }

  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = settings.baudRate;
  t.c_ospeed = settings.baudRate;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;

  if (ioctl(fd, TCSETS2, &t) != 0) {
    return errno;
  }
  return 0;
}

int ReadLine(int fd, LineReadback& out) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) {
    return errno;
  }
  out.inputRate = t.c_ispeed;
  out.outputRate = t.c_ospeed;
  out.customRate = (t.c_cflag & CBAUD) == BOTHER;
  switch (t.c_cflag & CSIZE) {
    case CS5:
      out.dataBits = 5;
      break;
    case CS6:
      out.dataBits = 6;
      break;
    case CS7:
      out.dataBits = 7;
      break;
    default:
      out.dataBits = 8;
      break;
  }
  if ((t.c_cflag & PARENB) == 0) {
    out.parity = 0;
  } else if ((t.c_cflag & CMSPAR) != 0) {
    out.parity = (t.c_cflag & PARODD) != 0 ? 3 : 4;
  } else {
    out.parity = (t.c_cflag & PARODD) != 0 ? 1 : 2;
  }
  out.stopBits = (t.c_cflag & CSTOPB) != 0 ? 2 : 1;
  const tcflag_t cookedIn = ICRNL | INLCR | IGNCR | ISTRIP | IUCLC | PARMRK | BRKINT;
  out.raw = (t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN)) == 0 && (t.c_oflag & OPOST) == 0 &&
            (t.c_iflag & cookedIn) == 0;
  out.receiver = (t.c_cflag & CREAD) != 0;
  out.local = (t.c_cflag & CLOCAL) != 0;
  out.hardwareFlow = (t.c_cflag & CRTSCTS) != 0;
  out.xonXoffOut = (t.c_iflag & IXON) != 0;
  out.xonXoffIn = (t.c_iflag & IXOFF) != 0;
  out.parityCheck = (t.c_iflag & INPCK) != 0;
  out.minChars = t.c_cc[VMIN];
  out.time = t.c_cc[VTIME];
  return 0;
}

}  // namespace th::tty
