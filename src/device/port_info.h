#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

class TCommPortDriver;
class TExchangeCore;

// The password a new device is assumed to have, the default of the password field, and the
// password of generation-3 sensors.
inline constexpr char kDefaultDevicePassword[] = "111111";
// The service adapter behind this USB identity is always device type "1".
inline constexpr char kSpecialUsbIdentity[] = "VID_0483&PID_5742";
// Three CR LF pairs: no typed password can equal it, so a new record is write-locked.
inline constexpr char kUnknownPassword[] = "\r\n\r\n\r\n";

// Identity handed to sticker printing.
struct TDeviceData {
  QString ID;
  QString IMEI;
  QString ICCID1;
  QString ICCID2;
  QString MAC;
  QString DeviceVer;
  QString DeviceSubVer;
  QString DeviceName;
  QString DeviceSOFT;
  QString ID_HEX;
  QString WiFiAC;
};

// One device port: driver, what is known of the device behind it, passwords and locks, storage
// counters, the running operation and the queue of text waiting to be sent.
//
// It plays the part of an action of the port column (caption, hint, visible, enabled, Execute);
// the window draws its button from the signals.
class TPortInfo : public QObject {
  Q_OBJECT
public:
  explicit TPortInfo(TExchangeCore& aCore, QObject* aParent = nullptr);
  ~TPortInfo() override;

  // Action part.
  QString Caption() const { return FCaption; }
  void SetCaption(const QString& aValue) { FCaption = aValue; }
  QString Hint() const { return FHint; }
  void SetHint(const QString& aValue) { FHint = aValue; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool aValue);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool aValue) { FEnabled = aValue; }
  void Execute();

  QString PortName() const { return FPortName; }
  void SetPortName(const QString& aValue) { FPortName = aValue; }
  TCommPortDriver* Com() const { return FCom; }
  void SetCom(TCommPortDriver* aValue) { FCom = aValue; }

  QString DeviceName() const { return FDeviceName; }
  void SetDeviceName(const QString& aValue);
  // "1" for the special USB identity whatever the device reported; everything that tests the
  // device type goes through here.
  QString DeviceVer() const;
  // The type as the device reported it, without the service adapter's override.
  QString FDeviceVerField() const { return FDeviceVer; }
  void SetDeviceVer(const QString& aValue);
  QString DeviceSubVer() const { return FDeviceSubVer; }
  void SetDeviceSubVer(const QString& aValue);
  QString DeviceIMEI() const { return FDeviceIMEI; }
  void SetDeviceIMEI(const QString& aValue);
  QString DeviceICCID() const { return FDeviceICCID; }
  void SetDeviceICCID(const QString& aValue) { FDeviceICCID = aValue; }
  QString DeviceMAC() const { return FDeviceMAC; }
  void SetDeviceMAC(const QString& aValue);
  QString DeviceSOFT() const { return FDeviceSOFT; }
  void SetDeviceSOFT(const QString& aValue);
  QString DevicePID_VID() const { return FDevicePID_VID; }
  void SetDevicePID_VID(const QString& aValue) { FDevicePID_VID = aValue; }
  QString DevicePassword() const { return FDevicePassword; }
  void SetDevicePassword(const QString& aValue);
  QString UserPassword() const { return FUserPassword; }
  void SetUserPassword(const QString& aValue) { FUserPassword = aValue; }

  bool Active() const { return FActive; }
  void SetActive(bool aValue);
  // Forgets who the device is (name, type, versions, IMEI, ICCID, sticker data), as selection does.
  void ClearIdentity();
  bool Selected() const { return FSelected; }
  void SetSelected(bool aValue);
  bool Stoped() const { return FStoped; }
  void SetStoped(bool aValue);
  bool Exist() const { return FExist; }
  void SetExist(bool aValue) { FExist = aValue; }
  quint8 Operation() const { return FOperation; }
  void SetOperation(quint8 aValue);
  bool ReadLocked() const;
  void SetReadLocked(bool aValue);
  // 1 refused, 0 accepted, -1 the service adapter waits for a typed password.
  int ReadLockState() const { return FReadLocked; }
  bool WriteLocked() const;
  bool HaveSettings() const { return FHaveSettings; }
  void SetHaveSettings(bool aValue);
  quint8 SettingsVersion() const { return FSettingsVersion; }
  void SetSettingsVersion(quint8 aValue) { FSettingsVersion = aValue; }
  const TDeviceData& DataPrint() const { return FDataPrint; }
  void SetDataPrint(const TDeviceData& aValue) { FDataPrint = aValue; }
  QDateTime ActiveTime() const { return FActiveTime; }
  bool Updating() const { return FUpdating; }
  void SetUpdating(bool aValue) { FUpdating = aValue; }

  // Identity still incomplete: keeps the identity poll running.
  bool WaitInfo() const;
  // Asks the device information site about the device, once per record.
  void RequestDeviceInfo();
  void UpdateStyle() { Q_EMIT StyleUpdateRequested(); }

  // Queues one 8-bit string and sends what the gate lets through.
  void SendAnsiString(const QByteArray& aString);
  // Text the program sends of its own accord (type requests, the resume line), as opposed to what
  // the user typed or chose. A selected port that is not yet known and has said nothing may be a
  // sensor master, which must hear the probe first and never any text: such text is held until
  // the port has spoken, been found to be a master (then it is dropped), or stayed silent through
  // the probe and its answer time.
  void SendAutomatic(const QByteArray& aString);
  // Run on the data timer for the selected port: sends the held text once it may go.
  void ReleaseHeldText();
  int HeldTextCount() const { return int(FHeldText.size()); }
  // Sends at most one queued string.
  void InnerSend();
  int QueuedCount() const { return int(FLetters.size()); }

  // A sensor master's request that has waited this long for its answer is asked once more, and
  // then given up.
  static constexpr qint64 kReplyTimeoutMs = 1500;
  // Run on the data timer for the selected port: a lost answer must not hold back every later
  // request.
  void CheckReplyTimeout();
  // Bytes have come from the device since the port became active.
  bool HeardSinceActive() const;

  // Storage counters and the running reading (filled by the status decoder and the operations).
  qint32 FMemoryWrite = 0;
  qint32 FMemorySend1 = 0;
  qint32 FMemorySend2 = 0;
  qint32 FMemorySend3 = 0;
  qint32 FMemorySend4 = 0;
  qint32 FMemoryIndex = 0;
  qint32 FMemoryCount = 0;
  qint32 FMemoryOffset = 0;
  // When the reading last moved on, in steady-clock milliseconds: a time of day would stop the
  // re-request and the failure from firing across midnight.
  qint64 FMemoryTime = 0;
  QString FMemoryFile;
  qint32 FFileWrite = 0;
  qint32 FFileSend1 = 0;
  qint32 FFileSend2 = 0;
  qint32 FFileSend3 = 0;
  qint32 FFileSend4 = 0;
  qint32 FFileIndex = 0;
  qint32 FFileCount = 0;
  qint32 FFileOffset = 0;
  QString FFileDir;

  // The device answered a settings write: aOk when it saved them.
  void ReportSettingsSaved(bool aOk) { Q_EMIT SettingsSaved(aOk); }

Q_SIGNALS:
  void Executed(TPortInfo* aPort);
  void RepaintRequested();
  void SettingsSaved(bool aOk);
  void VisibleChanged(bool aVisible);
  void StyleUpdateRequested();

private:
  bool HasSpecialIdentity() const;
  // Forgets the strings the send gate holds back: the port is left, or its device type changes.
  void DropHeldLetters();
  // The last entry in view is a sensor request that has not been answered.
  bool AwaitingReply() const;
  // A request asked twice may be answered twice: after the first answer to a retried request the
  // next request waits for the second answer, or for a quiet time, so that the second answer is
  // never taken for the next request's.
  bool SettlingRetry() const;
  // Entries that came in since the retry went out.
  int AnswersSinceRetry() const;
  // Whether text of the line protocol may go to this port now (a sensor master never gets it).
  bool TextAllowed() const;
  // A master answers a question the same however often it is asked: a read that is already queued
  // or waiting for its answer is not asked again (the settings page and its loading both ask for
  // the slot list when a master is found).
  bool RepeatsPendingRead(const QByteArray& aString) const;
  // Whether automatic text must wait (see SendAutomatic).
  bool HoldsAutomaticText() const;

  TExchangeCore& FCore;
  QString FCaption;
  QString FHint;
  bool FVisible = true;
  bool FEnabled = true;

  QDateTime FActiveTime;
  bool FWaitInfo = false;
  QString FPortName;
  QString FDeviceName;
  QString FDeviceVer;
  QString FDeviceSubVer;
  QString FDeviceIMEI;
  QString FDeviceICCID;
  QString FDeviceMAC;
  QString FDeviceSOFT;
  QString FDevicePID_VID;
  bool FHaveSettings = false;
  int FReadLocked = 0;
  QString FDevicePassword;
  QString FUserPassword;
  bool FExist = false;
  TCommPortDriver* FCom = nullptr;
  bool FActive = false;
  bool FSelected = false;
  bool FStoped = false;
  quint8 FOperation = 0;
  quint8 FSettingsVersion = 1;
  TDeviceData FDataPrint;
  QList<QByteArray> FLetters;
  QList<QByteArray> FHeldText;
  // The sensor master's request waiting for its answer: when it left (steady clock, -1 when none
  // waits), the bytes for the one retry, and whether that retry has gone.
  qint64 FReplyWaitSince = -1;
  QByteArray FReplyRequest;
  bool FReplyRetried = false;
  // Where the retry lies in the log.
  qint64 FRetryPosition = -1;
  // Where the request given up on last lies in the log: it no longer holds the gate.
  qint64 FGivenUpPosition = -1;
  bool FUpdating = false;
};
