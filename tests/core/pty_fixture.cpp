#include "pty_fixture.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

TPtyPeer::TPtyPeer() {
  char name[256] = {};
  if (::openpty(&FMaster, &FSlave, name, nullptr, nullptr) != 0) {
    FMaster = -1;
    FSlave = -1;
    return;
  }
  FSlavePath = QString::fromLocal8Bit(name);
  // Programs the test starts must not inherit the device's end: while they hold a copy, closing
  // it here would not hang the line up.
  ::fcntl(FMaster, F_SETFD, FD_CLOEXEC);
  ::fcntl(FSlave, F_SETFD, FD_CLOEXEC);
  // Raw both ways: no echo of what the test writes, no CR/LF translation of binary data.
  termios tio{};
  if (::tcgetattr(FSlave, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::tcsetattr(FSlave, TCSANOW, &tio);
  }
  ::fcntl(FMaster, F_SETFL, ::fcntl(FMaster, F_GETFL) | O_NONBLOCK);
}

TPtyPeer::~TPtyPeer() {
  CloseMaster();
  if (FSlave >= 0)
    ::close(FSlave);
}

bool TPtyPeer::Write(const QByteArray& aBytes) {
  if (FMaster < 0)
    return false;
  const QDeadlineTimer deadline(10000);
  qsizetype done = 0;
  while (done < aBytes.size()) {
    const ssize_t n = ::write(FMaster, aBytes.constData() + done, static_cast<size_t>(aBytes.size() - done));
    if (n > 0) {
      done += n;
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR)
      return false;
    if (deadline.hasExpired())
      return false;
    // The pty is full until the driver reads, which needs the event loop.
    QCoreApplication::processEvents();
    QThread::msleep(1);
  }
  return true;
}

QByteArray TPtyPeer::Received() {
  if (FMaster >= 0) {
    char chunk[4096];
    for (;;) {
      const ssize_t n = ::read(FMaster, chunk, sizeof chunk);
      if (n <= 0)
        break;
      FReceived.append(chunk, n);
    }
  }
  return FReceived;
}

QByteArray TPtyPeer::ReceivedBlocking(qsizetype aSize, int aTimeoutMs) {
  const QDeadlineTimer deadline(aTimeoutMs);
  while (Received().size() < aSize && FMaster >= 0 && !deadline.hasExpired()) {
    pollfd pfd{FMaster, POLLIN, 0};
    ::poll(&pfd, 1, static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
  }
  return FReceived;
}

bool TPtyPeer::WaitQueuedForDriver(int aTimeoutMs) const {
  if (FSlave < 0)
    return false;
  pollfd pfd{FSlave, POLLIN, 0};
  return ::poll(&pfd, 1, aTimeoutMs) == 1 && (pfd.revents & POLLIN) != 0;
}

void TPtyPeer::CloseMaster() {
  if (FMaster >= 0)
    ::close(FMaster);
  FMaster = -1;
}

termios TPtyPeer::SlaveTermios() const {
  termios tio{};
  if (FSlave >= 0)
    ::tcgetattr(FSlave, &tio);
  return tio;
}
