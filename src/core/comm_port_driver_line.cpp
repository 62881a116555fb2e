// The line settings: speed, framing, flow control and buffers, kept while the port is closed and
// handed to it whenever it is open.

#include "core/comm_port_driver.h"

#include <QMutexLocker>
#include <QSerialPort>
#include <QTimer>
#include <algorithm>

namespace {

QSerialPort::Parity ToQtParity(TPortParity aParity) {
  switch (aParity) {
  case ptODD:
    return QSerialPort::OddParity;
  case ptEVEN:
    return QSerialPort::EvenParity;
  case ptMARK:
    return QSerialPort::MarkParity;
  case ptSPACE:
    return QSerialPort::SpaceParity;
  case ptNONE:
    break;
  }
  return QSerialPort::NoParity;
}

QSerialPort::StopBits ToQtStopBits(TPortStopBits aStopBits) {
  switch (aStopBits) {
  case sb1HALFBITS:
    return QSerialPort::OneAndHalfStop;
  case sb2BITS:
    return QSerialPort::TwoStop;
  case sb1BITS:
    break;
  }
  return QSerialPort::OneStop;
}

} // namespace

int BaudRateValue(TPortBaudRate aRate) {
  switch (aRate) {
  case br110:
    return 110;
  case br300:
    return 300;
  case br600:
    return 600;
  case br1200:
    return 1200;
  case br2400:
    return 2400;
  case br4800:
    return 4800;
  case br9600:
    return 9600;
  case br14400:
    return 14400;
  case br19200:
    return 19200;
  case br38400:
    return 38400;
  case br56000:
    return 56000;
  case br57600:
    return 57600;
  case br115200:
    return 115200;
  }
  return 115200;
}

void TCommPortDriver::SetPort(const QString& aPort) {
  QMutexLocker locker(&FCriticalSection);
  if (!Connected())
    FPort = aPort;
}

void TCommPortDriver::SetPortSpeed(TPortBaudRate aValue) {
  QMutexLocker locker(&FCriticalSection);
  FPortBaudRate = aValue;
  ApplyParameters();
}

void TCommPortDriver::SetPortDataBits(int aValue) {
  QMutexLocker locker(&FCriticalSection);
  FPortDataBits = static_cast<quint8>(std::clamp(aValue, 5, 8));
  ApplyParameters();
}

void TCommPortDriver::SetPortStopBits(TPortStopBits aValue) {
  QMutexLocker locker(&FCriticalSection);
  FPortStopBits = aValue;
  ApplyParameters();
}

void TCommPortDriver::SetPortParity(TPortParity aValue) {
  QMutexLocker locker(&FCriticalSection);
  FPortParity = aValue;
  ApplyParameters();
}

void TCommPortDriver::SetPortHwHandshaking(TPortHwHandshaking aValue) {
  QMutexLocker locker(&FCriticalSection);
  FPortHwHandshaking = aValue;
  ApplyParameters();
}

void TCommPortDriver::SetPortSwHandshaking(TPortSwHandshaking aValue) {
  QMutexLocker locker(&FCriticalSection);
  FPortSwHandshaking = aValue;
  ApplyParameters();
}

void TCommPortDriver::SetPortInBufSize(quint16 aValue) {
  QMutexLocker locker(&FCriticalSection);
  // A buffer without room would never read again.
  FPortInBufSize = std::max<quint16>(aValue, 1);
  FInBuffer = QByteArray(FPortInBufSize, '\0');
  FOffsetBuffer = 0;
  ApplyParameters();
}

void TCommPortDriver::SetPortOutBufSize(quint16 aValue) {
  QMutexLocker locker(&FCriticalSection);
  FPortOutBufSize = aValue;
  ApplyParameters();
}

void TCommPortDriver::SetPortPollingDelay(quint16 aValue) {
  QMutexLocker locker(&FCriticalSection);
  if (aValue == FPortPollingDelay)
    return;
  const bool connected = Connected() && FSerial->isOpen();
  if (connected)
    StopPolling();
  FPortPollingDelay = aValue;
  if (connected)
    StartPolling();
}

void TCommPortDriver::SetEndByte(int aValue) {
  QMutexLocker locker(&FCriticalSection);
  FEndByte = std::clamp(aValue, -1, 255);
}

void TCommPortDriver::ApplyParameters() {
  if (!FSerial || !FSerial->isOpen())
    return;
  // A pty or a simple USB bridge rejects some settings (custom speeds, modem lines); the port
  // still carries bytes, so only a failure of another kind counts.
  FApplying = true;
  FSerial->setBaudRate(BaudRateValue(FPortBaudRate));
  FSerial->setDataBits(static_cast<QSerialPort::DataBits>(FPortDataBits));
  FSerial->setParity(ToQtParity(FPortParity));
  FSerial->setStopBits(ToQtStopBits(FPortStopBits));
  // One flow-control setting in QSerialPort: the hardware lines win when both are asked for.
  if (FPortHwHandshaking == hhRTSCTS)
    FSerial->setFlowControl(QSerialPort::HardwareControl);
  else if (FPortSwHandshaking == shXONXOFF)
    FSerial->setFlowControl(QSerialPort::SoftwareControl);
  else
    FSerial->setFlowControl(QSerialPort::NoFlowControl);
  FSerial->setDataTerminalReady(true);
  // Linux raises RTS with DTR when a port opens; the devices expect it low unless it carries the
  // hardware handshake, which then owns the line.
  if (FPortHwHandshaking != hhRTSCTS)
    FSerial->setRequestToSend(false);
  // The output buffer size has no counterpart here: the kernel owns the transmit queue.
  FSerial->setReadBufferSize(FPortInBufSize);
  FApplying = false;
  if (!FLostPending)
    FSerial->clearError();
}
