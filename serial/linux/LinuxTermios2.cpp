// Only the kernel's termios2 header here: glibc's <termios.h> redefines the
// same structures.
#include "serial/linux/LinuxTermios2.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

#include <cerrno>

extern "C" int ioctl(int fd, unsigned long request, ...) noexcept;

namespace th::tty {

int ApplyLine(int fd, const LineConfig& config) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) {
    return errno;
  }

  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                      IUCLC | IXON | IXOFF | IXANY | IMAXBEL | INPCK | IGNPAR);
  if (config.Has(LineConfig::fParity)) {
    t.c_iflag |= INPCK;
  }
  if (config.Has(LineConfig::fOutX)) {
    t.c_iflag |= IXON;
  }
  if (config.Has(LineConfig::fInX)) {
    t.c_iflag |= IXOFF;
  }
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ECHOE | ECHOK | ICANON | ISIG | IEXTEN);

  t.c_cflag &=
      ~static_cast<tcflag_t>(CBAUD | CIBAUD | CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
  // The line never waits for carrier: the modem's answers are read as data.
  t.c_cflag |= CREAD | CLOCAL;
  switch (config.ByteSize) {
    case 5:
      t.c_cflag |= CS5;
      break;
    case 6:
      t.c_cflag |= CS6;
      break;
    case 7:
      t.c_cflag |= CS7;
      break;
    default:
      t.c_cflag |= CS8;
      break;
  }
  if (config.StopBits != 0) {
    t.c_cflag |= CSTOPB;  // one and a half is two on Linux
  }
  switch (config.Parity) {
    case 1:
      t.c_cflag |= PARENB | PARODD;
      break;
    case 2:
      t.c_cflag |= PARENB;
      break;
    case 3:
      t.c_cflag |= PARENB | CMSPAR | PARODD;
      break;
    case 4:
      t.c_cflag |= PARENB | CMSPAR;
      break;
    default:
      break;
  }
  if (config.Has(LineConfig::fOutxCtsFlow) || config.RtsControl() == 2) {
    t.c_cflag |= CRTSCTS;
  }

  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = config.BaudRate;
  t.c_ospeed = config.BaudRate;

  t.c_cc[VSTART] = static_cast<cc_t>(config.XonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(config.XoffChar);
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
  out.InputRate = t.c_ispeed;
  out.OutputRate = t.c_ospeed;
  out.CustomRate = (t.c_cflag & CBAUD) == BOTHER;
  switch (t.c_cflag & CSIZE) {
    case CS5:
      out.DataBits = 5;
      break;
    case CS6:
      out.DataBits = 6;
      break;
    case CS7:
      out.DataBits = 7;
      break;
    default:
      out.DataBits = 8;
      break;
  }
  if ((t.c_cflag & PARENB) == 0) {
    out.Parity = 0;
  } else if ((t.c_cflag & CMSPAR) != 0) {
    out.Parity = (t.c_cflag & PARODD) != 0 ? 3 : 4;
  } else {
    out.Parity = (t.c_cflag & PARODD) != 0 ? 1 : 2;
  }
  out.StopBits = (t.c_cflag & CSTOPB) != 0 ? 2 : 1;
  const tcflag_t cookedIn = ICRNL | INLCR | IGNCR | ISTRIP | IUCLC | PARMRK | BRKINT;
  out.Raw = (t.c_lflag & (ECHO | ICANON | ISIG | IEXTEN)) == 0 && (t.c_oflag & OPOST) == 0 &&
            (t.c_iflag & cookedIn) == 0;
  out.Receiver = (t.c_cflag & CREAD) != 0;
  out.Local = (t.c_cflag & CLOCAL) != 0;
  out.HardwareFlow = (t.c_cflag & CRTSCTS) != 0;
  out.XonXoffOut = (t.c_iflag & IXON) != 0;
  out.XonXoffIn = (t.c_iflag & IXOFF) != 0;
  out.ParityCheck = (t.c_iflag & INPCK) != 0;
  out.XonChar = t.c_cc[VSTART];
  out.XoffChar = t.c_cc[VSTOP];
  out.MinChars = t.c_cc[VMIN];
  out.Time = t.c_cc[VTIME];
  return 0;
}

}  // namespace th::tty
