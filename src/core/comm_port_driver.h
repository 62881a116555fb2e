#pragma once

#include <QByteArray>
#include <QObject>
#include <QRecursiveMutex>
#include <QString>
#include <functional>

class QSerialPort;
class QTimer;

enum TPortBaudRate {
  br110,
  br300,
  br600,
  br1200,
  br2400,
  br4800,
  br9600,
  br14400,
  br19200,
  br38400,
  br56000,
  br57600,
  br115200
};
enum TPortStopBits { sb1BITS, sb1HALFBITS, sb2BITS };
enum TPortParity { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
enum TPortHwHandshaking { hhNONE, hhRTSCTS };
enum TPortSwHandshaking { shNONE, shXONXOFF };

class TCommPortDriver;

// The bytes are valid only during the call.
using TPortReceiveDataEvent = std::function<void(TCommPortDriver* Sender, const char* DataPtr, int DataSize)>;

// Line speed in baud for each TPortBaudRate value.
int BaudRateValue(TPortBaudRate aRate);

// One serial port: opens it exclusively at the configured line parameters, hands every batch of
// received bytes to the receive event (at most PortInBufSize bytes per delivery, or cut at EndByte
// when a delimiter is set) and writes synchronously. Knows nothing of protocols.
//
// Reads are event-driven (readyRead) when PortPollingDelay is 0, else polled at that period.
// A port that vanishes or fails is closed on the next turn of the event loop and ConnectionLost is
// emitted once. The receive event may send through the same driver; a delivery never starts inside
// another delivery or a send on the same call stack (a nested event loop in the receive event gets
// its bytes after it returns). Do not delete the driver from inside the receive event (deleteLater).
class TCommPortDriver : public QObject {
  Q_OBJECT
public:
  explicit TCommPortDriver(QObject* aParent = nullptr);
  ~TCommPortDriver() override;

  // True when connected, also when it already was (no reopen).
  virtual bool Connect();
  virtual void Disconnect();
  virtual bool Connected() const;
  // True only when every byte was handed to the device within 100 ms + 2 ms per byte; false when
  // not connected. Bytes not taken in time are dropped, never sent late.
  virtual bool SendData(const char* DataPtr, int DataSize);
  bool SendString(const QByteArray& aString);

  // Device path (e.g. /dev/ttyACM0). Ignored while connected.
  QString Port() const { return FPort; }
  void SetPort(const QString& aPort);

  TPortBaudRate PortSpeed() const { return FPortBaudRate; }
  void SetPortSpeed(TPortBaudRate aValue);
  quint8 PortDataBits() const { return FPortDataBits; }
  void SetPortDataBits(int aValue); // clamped to 5..8
  TPortStopBits PortStopBits() const { return FPortStopBits; }
  void SetPortStopBits(TPortStopBits aValue);
  TPortParity PortParity() const { return FPortParity; }
  void SetPortParity(TPortParity aValue);
  TPortHwHandshaking PortHwHandshaking() const { return FPortHwHandshaking; }
  void SetPortHwHandshaking(TPortHwHandshaking aValue);
  TPortSwHandshaking PortSwHandshaking() const { return FPortSwHandshaking; }
  void SetPortSwHandshaking(TPortSwHandshaking aValue);
  quint16 PortInBufSize() const { return FPortInBufSize; }
  void SetPortInBufSize(quint16 aValue); // drops bytes held for the delimiter; 0 is taken as 1
  quint16 PortOutBufSize() const { return FPortOutBufSize; }
  void SetPortOutBufSize(quint16 aValue);
  quint16 PortPollingDelay() const { return FPortPollingDelay; }
  void SetPortPollingDelay(quint16 aValue);
  const TPortReceiveDataEvent& OnReceiveData() const { return FPortReceiveData; }
  void SetOnReceiveData(TPortReceiveDataEvent aEvent) { FPortReceiveData = std::move(aEvent); }
  int EndByte() const { return FEndByte; }
  void SetEndByte(int aValue); // negative -> -1, above 255 -> 255

  // The open port's file descriptor, 0 when not connected.
  quintptr Handle() const { return FPortHandle; }

Q_SIGNALS:
  // The port failed or vanished while connected; the driver has already disconnected.
  void ConnectionLost();

protected:
  // Hands bytes to the receive event, cut by PortInBufSize and EndByte like bytes read from the
  // port; the replay driver delivers through this too. Called from inside a delivery, the bytes
  // are copied and delivered after it.
  void DeliverReceived(const char* DataPtr, int DataSize);

private:
  void ApplyParameters();
  void ReadAvailable();
  void StartPolling();
  void StopPolling();
  void HandleError(int aError);
  // True when the device end of the line is gone (hung up or in error).
  bool LineHungUp() const;

  void OnReadyRead();
  void EnterBusy();
  void LeaveBusy();
  void ScheduleService();
  void ServicePending();
  void FlushDeferred();
  void ConsumeBuffered(int aCount);
  void Invoke(const QByteArray& aFrame);
  void ReportLost();
  void FinishLost(quint64 aConnectionId);
  void ClosePort();

  quintptr FPortHandle = 0;
  QString FPort;
  TPortBaudRate FPortBaudRate = br115200;
  quint8 FPortDataBits = 8;
  TPortStopBits FPortStopBits = sb1BITS;
  TPortParity FPortParity = ptNONE;
  TPortHwHandshaking FPortHwHandshaking = hhNONE;
  TPortSwHandshaking FPortSwHandshaking = shNONE;
  quint16 FPortInBufSize = 4096;
  quint16 FPortOutBufSize = 4096;
  TPortReceiveDataEvent FPortReceiveData;
  quint16 FPortPollingDelay = 0;
  int FEndByte = -1;
  QByteArray FInBuffer;
  quint16 FOffsetBuffer = 0;
  QRecursiveMutex FCriticalSection;

  QSerialPort* FSerial = nullptr;
  QTimer* FPollTimer = nullptr;

  // Deliveries and sends of this driver on the call stack.
  int FBusyDepth = 0;
  // Bytes handed to DeliverReceived while busy, in order.
  QByteArray FDeferred;
  bool FReceiving = false;
  // Setting the line up: settings the device cannot take are tolerated.
  bool FApplying = false;
  // A read or delivery was refused while busy; it runs once the stack unwinds.
  bool FDrainPending = false;
  bool FServiceQueued = false;
  // The port failed; it is closed on the next turn of the event loop.
  bool FLostPending = false;
  // ConnectionLost waits for the delivery on the stack to end.
  bool FLostSignalPending = false;
  // Tells a queued close of a failed port from a later connection.
  quint64 FConnectionId = 0;
};
