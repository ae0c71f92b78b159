#include "comm/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

serial_port::~serial_port() { close(); }

bool serial_port::is_loss_errno(int e) { return e == EIO || e == ENXIO || e == ENODEV; }

speed_t serial_port::baud_constant(int baud_idx) {
  switch (baud_idx) {
    case 0: return B9600;
    case 1: return B19200;
    case 2: return B38400;
    case 3: return B57600;
    case 4: return B115200;
    default: return B0;
  }
}

bool serial_port::build_termios(termios& t, int baud_idx, int parity) {
  const speed_t speed = baud_constant(baud_idx);
  if (speed == B0 || parity < 0 || parity > 2) return false;
  cfmakeraw(&t);
  t.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
  t.c_cflag |= CS8 | CLOCAL | CREAD;
  t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | ISTRIP | PARMRK | IGNPAR);
  if (parity == 1) t.c_cflag |= PARENB | PARODD;
  if (parity == 2) t.c_cflag |= PARENB;
  if (parity != 0) t.c_iflag |= INPCK;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);
  return true;
}

bool serial_port::open(const std::string& path) {
  close();
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    last_errno_ = errno;
    return false;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    last_errno_ = errno == EWOULDBLOCK ? EBUSY : errno;
    ::close(fd);
    return false;
  }
  ioctl(fd, TIOCEXCL);  // advisory on top of the lock; root may still open
  fd_ = fd;
  return true;
}

bool serial_port::configure(int baud_idx, int parity) {
  configured_ = false;
  if (fd_ < 0) return false;
  termios t{};
  if (tcgetattr(fd_, &t) != 0) {
    last_errno_ = errno;
    return false;
  }
  if (!build_termios(t, baud_idx, parity)) {
    last_errno_ = EINVAL;
    return false;
  }
  if (tcsetattr(fd_, TCSANOW, &t) != 0) {
    last_errno_ = errno;
    return false;
  }
  // tcsetattr succeeds when any part was taken; check that all of it was.
  termios back{};
  if (tcgetattr(fd_, &back) != 0) {
    last_errno_ = errno;
    return false;
  }
  const tcflag_t mask = CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS;
  if ((back.c_cflag & mask) != (t.c_cflag & mask) || cfgetospeed(&back) != cfgetospeed(&t)) {
    last_errno_ = EINVAL;
    return false;
  }
  settings_ = t;
  configured_ = true;
  return true;
}

void serial_port::set_min_bytes(int n) {
  // With VTIME 0 the driver reports the line readable once VMIN bytes are
  // there (VMIN 0 counts as 1). A driver that refuses keeps the old minimum:
  // the waits then end at their time limits at the latest.
  const auto vmin = static_cast<cc_t>(std::clamp(n, 1, kMaxMinBytes));
  if (fd_ < 0 || !configured_ || settings_.c_cc[VMIN] == vmin) return;
  termios t = settings_;
  t.c_cc[VMIN] = vmin;
  if (tcsetattr(fd_, TCSANOW, &t) == 0) settings_ = t;
}

void serial_port::close() {
  configured_ = false;
  if (fd_ >= 0) {
    ::close(fd_);  // releases the lock too
    fd_ = -1;
  }
}

bool serial_port::purge() {
  if (fd_ < 0) return false;
  if (tcflush(fd_, TCIOFLUSH) != 0) {
    last_errno_ = errno;
    return false;
  }
  return true;
}

int serial_port::rx_count() {
  if (fd_ < 0) return -1;
  int n = 0;
  if (ioctl(fd_, FIONREAD, &n) != 0) {
    last_errno_ = errno;
    return -1;
  }
  return n;
}

int serial_port::tx_queued() {
  if (fd_ < 0) return 0;
  int n = 0;
  if (ioctl(fd_, TIOCOUTQ, &n) != 0) return 0;
  return n;
}

int serial_port::read_available(unsigned char* buf, int max) {
  if (fd_ < 0) return -1;
  ssize_t n = ::read(fd_, buf, static_cast<size_t>(max));
  if (n < 0) {
    if (errno == EAGAIN || errno == EINTR) return 0;
    last_errno_ = errno;
    return -1;
  }
  return static_cast<int>(n);
}

bool serial_port::write_all(const unsigned char* buf, int len) {
  if (fd_ < 0) return false;
  int done = 0;
  for (int round = 0; done < len && round < 100; ++round) {
    ssize_t n = ::write(fd_, buf + done, static_cast<size_t>(len - done));
    if (n > 0) {
      done += static_cast<int>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      last_errno_ = errno;
      return false;
    }
    pollfd p{fd_, POLLOUT, 0};
    ::poll(&p, 1, 10);
  }
  return done == len;
}

bool serial_port::wait_readable(int timeout_ms) {
  if (fd_ < 0) return false;
  pollfd p{fd_, POLLIN, 0};
  int r = ::poll(&p, 1, timeout_ms < 0 ? 0 : timeout_ms);
  if (r > 0 && (p.revents & POLLIN)) return true;
  // A hung-up line (the other end of a pseudo-terminal closed) reports at
  // once; do not let a waiting receiver spin on it.
  if (r > 0 && timeout_ms > 0) ::usleep(1000);
  return false;
}
