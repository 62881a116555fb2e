// Opening and closing the port, sending, and the receive path: notified or polled reads, deliveries
// that never nest inside one another, and a line that is lost.

#include "core/comm_port_driver.h"

#include <QDeadlineTimer>
#include <QMetaObject>
#include <QMutexLocker>
#include <QScopeGuard>
#include <QSerialPort>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <limits>
#include <poll.h>
#include <utility>

namespace {

// Room for the kernel to take the bytes: a stalled line (flow control held off, device gone)
// must not freeze the caller for long, a slow but moving one must not fail.
constexpr qint64 SendBaseTimeoutMs = 100;
constexpr qint64 SendTimeoutPerByteMs = 2;

} // namespace

TCommPortDriver::TCommPortDriver(QObject* aParent) : QObject(aParent) {
  FInBuffer.resize(FPortInBufSize);
  FSerial = new QSerialPort(this);
  FPollTimer = new QTimer(this);
  connect(FPollTimer, &QTimer::timeout, this, &TCommPortDriver::ReadAvailable);
  // Queued: readyRead is emitted from inside QSerialPort's read notifier and from inside
  // waitForBytesWritten. Reading there would nest a delivery inside a send, and a receive event
  // that disconnects would delete the notifier that is still running.
  connect(FSerial, &QSerialPort::readyRead, this, &TCommPortDriver::OnReadyRead, Qt::QueuedConnection);
  // Direct: the first error must be seen at once, before the rest of a hang-up flood.
  connect(FSerial, &QSerialPort::errorOccurred, this,
          [this](QSerialPort::SerialPortError aError) { HandleError(static_cast<int>(aError)); });
}

TCommPortDriver::~TCommPortDriver() {
  TCommPortDriver::Disconnect();
  // The port goes before the members its signals would touch.
  delete FSerial;
  FSerial = nullptr;
  delete FPollTimer;
  FPollTimer = nullptr;
}

bool TCommPortDriver::Connect() {
  QMutexLocker locker(&FCriticalSection);
  if (Connected())
    return true;
  if (FPort.isEmpty())
    return false;

  FSerial->setPortName(FPort);
  if (!FSerial->open(QIODevice::ReadWrite)) {
    FSerial->clearError();
    return false;
  }
  ++FConnectionId;
  FLostPending = false;
  FOffsetBuffer = 0;

  ApplyParameters();
  // Qt before 6.6 keeps what the device sent before the port was opened. A driver that cannot
  // flush is no reason to give up on the port.
  FApplying = true;
  FSerial->clear();
  FApplying = false;
  FPortHandle = static_cast<quintptr>(FSerial->handle());

  if (FLostPending) {
    // The device failed while being set up: it was never reported as connected.
    ClosePort();
    return false;
  }
  StartPolling();
  return true;
}

void TCommPortDriver::Disconnect() {
  QMutexLocker locker(&FCriticalSection);
  if (FSerial && FSerial->isOpen())
    ClosePort();
  FPortHandle = 0;
}

bool TCommPortDriver::Connected() const {
  return FPortHandle != 0 && FPortHandle != ~quintptr(0);
}

bool TCommPortDriver::SendData(const char* DataPtr, int DataSize) {
  QMutexLocker locker(&FCriticalSection);
  if (!Connected() || !FSerial->isOpen() || FLostPending || DataSize < 0)
    return false;
  if (DataSize == 0)
    return true;
  if (!DataPtr)
    return false;

  EnterBusy();
  const auto leave = qScopeGuard([this] { LeaveBusy(); });

  if (FSerial->write(DataPtr, DataSize) != DataSize)
    return false;
  // write() only fills QSerialPort's buffer; the bytes reach the device in the waits below.
  const QDeadlineTimer deadline(SendBaseTimeoutMs + SendTimeoutPerByteMs * DataSize);
  while (FSerial->isOpen() && FSerial->bytesToWrite() > 0 && !FLostPending) {
    const qint64 left = deadline.remainingTime();
    if (left <= 0 || !FSerial->waitForBytesWritten(static_cast<int>(left)))
      break;
  }
  if (!FSerial->isOpen() || FLostPending)
    return false;
  if (FSerial->bytesToWrite() > 0) {
    // Nothing is retried: the rest of a late half-sent frame would only confuse the device.
    FSerial->clear(QSerialPort::Output);
    FSerial->clearError();
    return false;
  }
  return true;
}

bool TCommPortDriver::SendString(const QByteArray& aString) {
  if (aString.size() > std::numeric_limits<int>::max())
    return false;
  return SendData(aString.constData(), static_cast<int>(aString.size()));
}

void TCommPortDriver::DeliverReceived(const char* DataPtr, int DataSize) {
  QMutexLocker locker(&FCriticalSection);
  if (!DataPtr || DataSize <= 0)
    return;
  FDeferred.append(DataPtr, DataSize);
  if (FBusyDepth > 0) {
    FDrainPending = true;
    return;
  }
  EnterBusy();
  const auto leave = qScopeGuard([this] { LeaveBusy(); });
  FlushDeferred();
}

void TCommPortDriver::OnReadyRead() {
  if (FPortPollingDelay == 0)
    ReadAvailable();
}

void TCommPortDriver::ReadAvailable() {
  QMutexLocker locker(&FCriticalSection);
  if (FBusyDepth > 0) {
    // Bytes stay in QSerialPort's buffer; readyRead will not come again for them.
    FDrainPending = true;
    return;
  }
  FDrainPending = false;
  EnterBusy();
  const auto leave = qScopeGuard([this] { LeaveBusy(); });

  FlushDeferred();
  // Read until QSerialPort holds nothing: it signals only new data, and its buffer is capped at
  // PortInBufSize, so bytes left behind would wait for the next byte from the device.
  while (FReceiving && FSerial->isOpen() && !FLostPending && FSerial->bytesAvailable() > 0) {
    const int room = FPortInBufSize - FOffsetBuffer;
    if (room <= 0)
      break; // ConsumeBuffered never leaves the buffer full
    const qint64 n = FSerial->read(FInBuffer.data() + FOffsetBuffer, room);
    if (n < 0) {
      ReportLost();
      break;
    }
    if (n == 0)
      break;
    ConsumeBuffered(static_cast<int>(n));
  }
}

void TCommPortDriver::StartPolling() {
  FReceiving = true;
  if (FPortPollingDelay > 0)
    FPollTimer->start(FPortPollingDelay);
  // Bytes that arrived while not receiving produced their readyRead already.
  FDrainPending = true;
  ScheduleService();
}

void TCommPortDriver::StopPolling() {
  FReceiving = false;
  if (FPollTimer)
    FPollTimer->stop();
}

void TCommPortDriver::HandleError(int aError) {
  const auto error = static_cast<QSerialPort::SerialPortError>(aError);
  if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError)
    return;
  QMutexLocker locker(&FCriticalSection);
  // Errors of a failed open are Connect's result; errors after the close are of no interest.
  if (!FSerial || !FSerial->isOpen())
    return;
  if (FApplying && error == QSerialPort::UnsupportedOperationError)
    return;
  // Qt 6.4 calls any empty read a read error. A device that is gone hangs the line up; a read
  // that merely came up empty (a busy machine wakes the reader late) leaves it standing, and
  // dropping the port then would lose every send until it is found again.
  if (error == QSerialPort::ReadError && !LineHungUp()) {
    FSerial->clearError();
    return;
  }
  ReportLost();
}

bool TCommPortDriver::LineHungUp() const {
  pollfd line{static_cast<int>(FSerial->handle()), POLLIN, 0};
  if (line.fd < 0)
    return true;
  const int ready = ::poll(&line, 1, 0);
  return ready < 0 || (line.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

void TCommPortDriver::EnterBusy() {
  ++FBusyDepth;
}

void TCommPortDriver::LeaveBusy() {
  if (--FBusyDepth == 0 && (FDrainPending || FLostSignalPending))
    ScheduleService();
}

void TCommPortDriver::ScheduleService() {
  if (FServiceQueued)
    return;
  FServiceQueued = true;
  QMetaObject::invokeMethod(this, &TCommPortDriver::ServicePending, Qt::QueuedConnection);
}

void TCommPortDriver::ServicePending() {
  bool emitLost = false;
  {
    QMutexLocker locker(&FCriticalSection);
    FServiceQueued = false;
    // Still inside a delivery (a nested event loop): LeaveBusy schedules again.
    if (FBusyDepth > 0)
      return;
    emitLost = std::exchange(FLostSignalPending, false);
  }
  if (emitLost)
    Q_EMIT ConnectionLost();
  ReadAvailable();
}

void TCommPortDriver::FlushDeferred() {
  while (!FDeferred.isEmpty()) {
    const int room = FPortInBufSize - FOffsetBuffer;
    if (room <= 0)
      break; // ConsumeBuffered never leaves the buffer full
    const int n = static_cast<int>(std::min<qsizetype>(room, FDeferred.size()));
    std::memcpy(FInBuffer.data() + FOffsetBuffer, FDeferred.constData(), static_cast<size_t>(n));
    FDeferred.remove(0, n);
    ConsumeBuffered(n);
  }
}

void TCommPortDriver::ConsumeBuffered(int aCount) {
  FOffsetBuffer = static_cast<quint16>(FOffsetBuffer + aCount);
  // The state is settled before each call out: the receive event may resize the buffer, change
  // the delimiter or disconnect, and the loop reads everything afresh afterwards.
  for (;;) {
    const int held = FOffsetBuffer;
    int frameSize = 0;
    if (FEndByte < 0) {
      frameSize = held;
    } else {
      const char* begin = FInBuffer.constData();
      const void* hit = std::memchr(begin, FEndByte, static_cast<size_t>(held));
      if (hit)
        frameSize = static_cast<int>(static_cast<const char*>(hit) - begin) + 1;
      else if (held >= FPortInBufSize)
        frameSize = held; // a full buffer without a delimiter would otherwise stop reading for good
    }
    if (frameSize == 0)
      return;
    const QByteArray frame(FInBuffer.constData(), frameSize);
    const int rest = held - frameSize;
    if (rest > 0)
      std::memmove(FInBuffer.data(), FInBuffer.constData() + frameSize, static_cast<size_t>(rest));
    FOffsetBuffer = static_cast<quint16>(rest);
    Invoke(frame);
  }
}

void TCommPortDriver::Invoke(const QByteArray& aFrame) {
  if (!FPortReceiveData)
    return;
  // A copy: the receive event may replace itself.
  const TPortReceiveDataEvent event = FPortReceiveData;
  event(this, aFrame.constData(), static_cast<int>(aFrame.size()));
}

void TCommPortDriver::ReportLost() {
  if (FLostPending)
    return;
  FLostPending = true;
  StopPolling();
  // Closing here would delete QSerialPort's notifier from inside its own event.
  const quint64 connectionId = FConnectionId;
  QMetaObject::invokeMethod(
      this, [this, connectionId] { FinishLost(connectionId); }, Qt::QueuedConnection);
}

void TCommPortDriver::FinishLost(quint64 aConnectionId) {
  {
    QMutexLocker locker(&FCriticalSection);
    if (aConnectionId != FConnectionId || !FLostPending)
      return; // disconnected or reconnected meanwhile
    ClosePort();
    if (FBusyDepth > 0) {
      FLostSignalPending = true;
      return;
    }
  }
  Q_EMIT ConnectionLost();
}

void TCommPortDriver::ClosePort() {
  StopPolling();
  if (FSerial->isOpen())
    FSerial->close();
  FSerial->clearError();
  FPortHandle = 0;
  FOffsetBuffer = 0;
  FLostPending = false;
  ++FConnectionId;
}
