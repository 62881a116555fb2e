#include "device/port_info.h"

#include "base/clock.h"
#include "base/date_time.h"
#include "core/comm_port_driver.h"
#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "device/device_types.h"

#include <QUrl>
#include <utility>

TPortInfo::TPortInfo(TExchangeCore& aCore, QObject* aParent)
    : QObject(aParent), FCore(aCore), FDevicePassword(QString::fromLatin1(kUnknownPassword)),
      FUserPassword(QString::fromLatin1(kDefaultDevicePassword)) {
  SetOperation(0);
}

TPortInfo::~TPortInfo() = default;

void TPortInfo::SetVisible(bool aValue) {
  FVisible = aValue;
  Q_EMIT VisibleChanged(aValue);
}

void TPortInfo::Execute() {
  Q_EMIT Executed(this);
}

bool TPortInfo::HasSpecialIdentity() const {
  return FDevicePID_VID.contains(QLatin1String(kSpecialUsbIdentity));
}

QString TPortInfo::DeviceVer() const {
  return HasSpecialIdentity() ? QStringLiteral("1") : FDeviceVer;
}

void TPortInfo::SetDeviceName(const QString& aValue) {
  const bool changed = aValue != FDeviceName;
  IExchangeHost& host = FCore.Host();
  if (changed) {
    if (HasSpecialIdentity()) {
      FDeviceVer = QStringLiteral("1");
      FReadLocked = -1;
      host.ControlsLoadSettings(QStringLiteral("1"));
    } else {
      SetReadLocked(false);
    }
  }
  FDeviceName = aValue;
  FDataPrint.ID = aValue;
  Q_EMIT RepaintRequested();
  if (changed) {
    RequestDeviceInfo();
    host.RefreshCaption();
  }
}

void TPortInfo::SetDeviceVer(const QString& aValue) {
  const bool changed = aValue != FDeviceVer;
  if (changed)
    DropHeldLetters();
  IExchangeHost& host = FCore.Host();
  if (aValue.isEmpty())
    host.ControlsLoadSettings(QString());
  FDeviceVer = aValue;
  FDataPrint.DeviceVer = aValue;
  FDataPrint.DeviceName = DeviceDisplayName(aValue, FDeviceSubVer);
  FSettingsVersion = 1;
  host.SetSettingsVersionLabel(QStringLiteral("v1"));
  if (IsSettingsGeneration2(DeviceVer())) {
    FSettingsVersion = 2;
    host.SetSettingsVersionLabel(QStringLiteral("v2"));
  }
  Q_EMIT RepaintRequested();
  if (changed) {
    host.ControlsLoadSettings(FDeviceVer);
    host.CommandsUpdate();
    RequestDeviceInfo();
    host.RefreshCaption();
    host.UpdateTypeInfo();
  }
}

void TPortInfo::SetDeviceSubVer(const QString& aValue) {
  const bool changed = aValue != FDeviceSubVer;
  FDeviceSubVer = aValue;
  FDataPrint.DeviceSubVer = aValue;
  if (changed)
    RequestDeviceInfo();
}

void TPortInfo::SetDeviceIMEI(const QString& aValue) {
  FWaitInfo = false;
  const bool changed = aValue != FDeviceIMEI;
  FDeviceIMEI = aValue;
  FDataPrint.IMEI = aValue;
  if (changed)
    RequestDeviceInfo();
}

void TPortInfo::SetDeviceMAC(const QString& aValue) {
  const bool changed = aValue != FDeviceMAC;
  FDeviceMAC = aValue;
  FDataPrint.MAC = aValue;
  if (changed)
    RequestDeviceInfo();
}

void TPortInfo::SetDeviceSOFT(const QString& aValue) {
  const bool changed = aValue != FDeviceSOFT;
  FDeviceSOFT = aValue;
  FDataPrint.DeviceSOFT = aValue;
  if (changed)
    RequestDeviceInfo();
}

void TPortInfo::ClearIdentity() {
  SetDeviceName(QString());
  SetDeviceVer(QString());
  SetDeviceSubVer(QString());
  // Emptying the IMEI is not the device reporting one: the identity poll keeps waiting for it.
  const bool waiting = FWaitInfo;
  SetDeviceIMEI(QString());
  FWaitInfo = waiting;
  SetDeviceICCID(QString());
  SetDeviceSOFT(QString());
  SetDataPrint(TDeviceData{});
}

void TPortInfo::SetDevicePassword(const QString& aValue) {
  FDevicePassword = aValue;
  SetReadLocked(false);
  FCore.Host().PasswordEditChange();
}

void TPortInfo::SetActive(bool aValue) {
  if (!(aValue && FActive)) {
    SetOperation(0);
    FWaitInfo = true;
    FStoped = false;
    FActiveTime = FCore.Clock().Now();
  }
  if (!aValue)
    DropHeldLetters();
  FActive = aValue;
  FCore.Host().CommandsUpdate();
  Q_EMIT RepaintRequested();
}

void TPortInfo::SetSelected(bool aValue) {
  FSelected = aValue;
  Q_EMIT RepaintRequested();
}

void TPortInfo::SetStoped(bool aValue) {
  FStoped = aValue;
  if (FCom) {
    if (aValue)
      FCom->Disconnect();
    else
      FCom->Connect();
  }
  Q_EMIT RepaintRequested();
}

void TPortInfo::SetOperation(quint8 aValue) {
  // The window checks the preconditions and starts the operation; a refusal keeps the old value.
  if (FCore.Host().StartOperation(this, aValue))
    FOperation = aValue;
}

bool TPortInfo::WriteLocked() const {
  return FReadLocked == 1 || FDevicePassword != FUserPassword;
}

bool TPortInfo::ReadLocked() const {
  return DeviceVer() == QLatin1String("1") && WriteLocked();
}

void TPortInfo::SetReadLocked(bool aValue) {
  if (aValue) {
    FReadLocked = 1;
    return;
  }
  const int before = FReadLocked;
  FReadLocked = 0;
  // The lock kept the settings back; now they can be read.
  if (before != 0 && !FHaveSettings)
    FCore.Host().CommandsExec(QStringLiteral("SettingsGet"));
}

void TPortInfo::SetHaveSettings(bool aValue) {
  FHaveSettings = aValue;
  SetReadLocked(false);
  FCore.Host().ShowSettingsLocked(!aValue);
}

bool TPortInfo::WaitInfo() const {
  return !(!FDeviceName.isEmpty() && !FDeviceVer.isEmpty() && !FDeviceSOFT.isEmpty() && !FWaitInfo);
}

void TPortInfo::RequestDeviceInfo() {
  if (FUpdating || FDeviceName.isEmpty() || FDeviceVer.isEmpty() || FDeviceIMEI.isEmpty() ||
      FDeviceSOFT.isEmpty())
    return;
  IExchangeHost& host = FCore.Host();
  if (!host.InternetConnected()) {
    host.MainHintShow(0, host.Translate(QStringLiteral("mes_nointernet")));
    return;
  }
  FUpdating = true;
  // Devices report what they like: a "#" or "&" in a value must not cut or split the query.
  auto encoded = [](const QString& aValue) { return QString::fromLatin1(QUrl::toPercentEncoding(aValue)); };
  host.StartDeviceInfoRequest(
      this, QStringLiteral("/info_device.php?idsn=%1&type=%2&imei=%3&soft=%4")
                .arg(encoded(FDeviceName), encoded(FDeviceVer), encoded(FDeviceIMEI), encoded(FDeviceSOFT)));
}

void TPortInfo::SendAnsiString(const QByteArray& aString) {
  if (RepeatsPendingRead(aString))
    return;
  FLetters.append(aString);
  InnerSend();
}

void TPortInfo::DropHeldLetters() {
  // Only a sensor's send gate holds strings back. They were meant for the device that was
  // there; a later reply on this port may come from another one.
  FLetters.clear();
  FHeldText.clear();
  FReplyWaitSince = -1;
}

namespace {

// Requests of the sensor masters' protocol begin so; everything else is text of the line protocol.
bool IsSensorRequest(const QByteArray& aBytes) {
  return aBytes.startsWith("\x31\x10");
}

} // namespace

bool TPortInfo::HeardSinceActive() const {
  const TDateTime since = ToTDateTime(FActiveTime);
  const TPacketArray& index = FCore.PacketIndex();
  // Newest first: on a talking port the answer is found at once, on a silent one few entries exist.
  for (auto it = index.crbegin(); it != index.crend() && it->Time >= since; ++it)
    if (it->State == psComplete)
      return true;
  return false;
}

bool TPortInfo::TextAllowed() const {
  // The debug switch of the fuel page talks text to a master on purpose.
  return DeviceVer() != QLatin1String("250") || FCore.Version() == vtVersion1;
}

bool TPortInfo::RepeatsPendingRead(const QByteArray& aString) const {
  if (DeviceVer() != QLatin1String("250") || !IsSensorRequest(aString) || aString.size() < 3)
    return false;
  // Only questions: a write or a restart asked twice is meant twice.
  const quint8 command = quint8(aString.at(2));
  if (command != 0xB0 && command != 0xB1 && command != 0xB4 && command != 0xB8)
    return false;
  return FLetters.contains(aString) || (FReplyWaitSince >= 0 && AwaitingReply() && FReplyRequest == aString);
}

bool TPortInfo::HoldsAutomaticText() const {
  if (!FActive || FCore.Version() != vtDetect || FCore.Host().Q() != this)
    return false;
  // The probe goes after its wait and the master answers within the answer time; past both, a
  // silent port is no master.
  if (FActiveTime.msecsTo(FCore.Clock().Now()) > TExchangeCore::kProbeWaitMs + kReplyTimeoutMs)
    return false;
  // Once probed, only the answer's outcome (detection) settles it: the first bytes of a master's
  // answer must not let text through before the rest.
  return FCore.Probed(this) || !HeardSinceActive();
}

void TPortInfo::SendAutomatic(const QByteArray& aString) {
  if (HoldsAutomaticText()) {
    FHeldText.append(aString);
    return;
  }
  SendAnsiString(aString);
}

void TPortInfo::ReleaseHeldText() {
  if (FHeldText.isEmpty() || HoldsAutomaticText())
    return;
  const QList<QByteArray> held = std::exchange(FHeldText, {});
  // A master is never sent text (the send path drops it); any other device gets it in order.
  for (const QByteArray& text : held)
    SendAnsiString(text);
}

bool TPortInfo::AwaitingReply() const {
  const TPacketArray& view = FCore.ViewIndex();
  if (view.empty())
    return false;
  const TPacket& last = view.back();
  return last.State == psSent && last.Position != FGivenUpPosition && last.Size >= 2 &&
         FCore.TrafficLog().View(last.Position, 2) == QByteArrayView("\x31\x10", 2);
}

void TPortInfo::InnerSend() {
  // Text that must not go now is dropped, not kept: it would reach the device out of its time.
  while (!FLetters.isEmpty() && !IsSensorRequest(FLetters.first()) && !TextAllowed())
    FLetters.removeFirst();
  if (FLetters.isEmpty())
    return;
  // A sensor answers one request at a time: the next waits until the last one's reply is in.
  if (DeviceVer() == QLatin1String("250") && (AwaitingReply() || SettlingRetry()))
    return;
  const QByteArray letter = FLetters.takeFirst();
  if (!FCom || !FCom->SendData(letter.constData(), int(letter.size())))
    return;
  FCore.LogSent(letter);
  if (DeviceVer() == QLatin1String("250") && IsSensorRequest(letter)) {
    FReplyWaitSince = FCore.Clock().MonotonicMs();
    FReplyRequest = letter;
    FReplyRetried = false;
  }
}

int TPortInfo::AnswersSinceRetry() const {
  int answers = 0;
  const TPacketArray& view = FCore.ViewIndex();
  for (auto it = view.crbegin(); it != view.crend() && it->Position > FRetryPosition; ++it)
    if (it->State == psComplete || it->State == psRecognised)
      ++answers;
  return answers;
}

bool TPortInfo::SettlingRetry() const {
  if (!FReplyRetried || FReplyWaitSince < 0 || AwaitingReply())
    return false;
  return AnswersSinceRetry() < 2 && FCore.Clock().MonotonicMs() - FReplyWaitSince < kReplyTimeoutMs;
}

void TPortInfo::CheckReplyTimeout() {
  if (FReplyWaitSince < 0)
    return;
  if (!AwaitingReply()) {
    if (SettlingRetry())
      return;
    FReplyWaitSince = -1;
    // Settled by the quiet time: what waited behind the retried request goes now.
    if (FReplyRetried)
      InnerSend();
    return;
  }
  const qint64 now = FCore.Clock().MonotonicMs();
  if (now - FReplyWaitSince < kReplyTimeoutMs)
    return;
  if (!FReplyRetried) {
    FReplyRetried = true;
    if (FCom && FCom->SendData(FReplyRequest.constData(), int(FReplyRequest.size()))) {
      FRetryPosition = FCore.TrafficLog().Size();
      FCore.LogSent(FReplyRequest);
      FReplyWaitSince = now;
      return;
    }
  }
  FGivenUpPosition = FCore.ViewIndex().back().Position;
  FReplyWaitSince = -1;
  IExchangeHost& host = FCore.Host();
  host.MainHintShow(0, host.Translate(QStringLiteral("mes_sensornoreply")));
  InnerSend();
}
