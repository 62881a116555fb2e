#include "pty_port.h"

#include <QSocketNotifier>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr qsizetype kMaxPending = 16 * 1024;

QString SystemError(const char* aWhat) {
  return QString::fromLatin1(aWhat) + ": " + QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

TPtyPort::TPtyPort(QObject* aParent) : QObject(aParent) {}

TPtyPort::~TPtyPort() {
  delete FReadNotifier;
  delete FWriteNotifier;
  delete FWatchNotifier;
  if (FWatch >= 0)
    ::close(FWatch);
  if (FSlave >= 0)
    ::close(FSlave);
  if (FMaster >= 0)
    ::close(FMaster);
}

bool TPtyPort::Open(QString* aError) {
  FMaster = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (FMaster < 0) {
    *aError = SystemError("posix_openpt");
    return false;
  }
  if (::grantpt(FMaster) != 0 || ::unlockpt(FMaster) != 0) {
    *aError = SystemError("grantpt/unlockpt");
    return false;
  }
  const char* name = ::ptsname(FMaster);
  if (name == nullptr) {
    *aError = SystemError("ptsname");
    return false;
  }
  FSlavePath = QString::fromLocal8Bit(name);
  FSlave = ::open(name, O_RDWR | O_NOCTTY);
  if (FSlave < 0) {
    *aError = SystemError("open slave");
    return false;
  }
  // Raw: no echo of what the client writes, no CR/LF translation of binary frames.
  termios tio{};
  if (::tcgetattr(FSlave, &tio) != 0) {
    *aError = SystemError("tcgetattr");
    return false;
  }
  ::cfmakeraw(&tio);
  if (::tcsetattr(FSlave, TCSANOW, &tio) != 0) {
    *aError = SystemError("tcsetattr");
    return false;
  }
  ::fcntl(FMaster, F_SETFL, ::fcntl(FMaster, F_GETFL) | O_NONBLOCK);

  FReadNotifier = new QSocketNotifier(FMaster, QSocketNotifier::Read);
  connect(FReadNotifier, &QSocketNotifier::activated, this, &TPtyPort::ReadMaster);
  FWriteNotifier = new QSocketNotifier(FMaster, QSocketNotifier::Write);
  FWriteNotifier->setEnabled(false);
  connect(FWriteNotifier, &QSocketNotifier::activated, this, &TPtyPort::Flush);

  // Our own descriptor was opened before the watch starts, so only clients are counted.
  FWatch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (FWatch >= 0 && ::inotify_add_watch(FWatch, name, IN_OPEN | IN_CLOSE) < 0) {
    ::close(FWatch);
    FWatch = -1;
  }
  if (FWatch >= 0) {
    FWatchNotifier = new QSocketNotifier(FWatch, QSocketNotifier::Read);
    connect(FWatchNotifier, &QSocketNotifier::activated, this, &TPtyPort::ReadWatch);
  }
  return true;
}

void TPtyPort::ReadWatch() {
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(FWatch, buffer, sizeof buffer);
    if (n <= 0)
      break;
    for (ssize_t at = 0; at < n;) {
      inotify_event event;
      std::memcpy(&event, buffer + at, sizeof event);
      if ((event.mask & IN_OPEN) != 0)
        ++FClients;
      if ((event.mask & IN_CLOSE) != 0 && FClients > 0 && --FClients == 0)
        Discard();
      at += ssize_t(sizeof(inotify_event)) + ssize_t(event.len);
    }
  }
}

void TPtyPort::ReadMaster() {
  // A client that writes has opened the terminal first, and the one before it has closed it even
  // earlier: taking those events now keeps the discard of a finished session from also taking the
  // answer to the new one.
  if (FWatch >= 0)
    ReadWatch();
  QByteArray bytes;
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::read(FMaster, chunk, sizeof chunk);
    if (n > 0) {
      bytes.append(chunk, n);
      continue;
    }
    if (n < 0 && errno == EINTR)
      continue;
    break; // EAGAIN: all read; EIO cannot happen while our slave descriptor is open
  }
  if (!bytes.isEmpty())
    Q_EMIT Received(bytes);
}

void TPtyPort::Write(const QByteArray& aBytes) {
  if (FMaster < 0 || !HasClient())
    return;
  // Whole writes or nothing, so the client never sees a record cut short here.
  if (FPending.size() + aBytes.size() > kMaxPending)
    return;
  FPending += aBytes;
  Flush();
}

void TPtyPort::Flush() {
  while (!FPending.isEmpty()) {
    const ssize_t n = ::write(FMaster, FPending.constData(), static_cast<size_t>(FPending.size()));
    if (n > 0) {
      FPending.remove(0, n);
      continue;
    }
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0 && errno != EAGAIN)
      FPending.clear(); // the line is gone; waiting would only spin
    break;
  }
  FWriteNotifier->setEnabled(!FPending.isEmpty());
}

void TPtyPort::Discard() {
  FPending.clear();
  // Bytes written in the last moments before the close may still be on their way into the
  // terminal and escape this; everything older goes.
  ::tcflush(FSlave, TCIFLUSH);
}
