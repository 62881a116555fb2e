#include "protocols/gen3_decoder.h"

#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "device/port_info.h"
#include "protocols/decode_observer.h"
#include "protocols/fuel_host.h"
#include "updates/crypto/checksums.h"

namespace {

constexpr char kRequestSign[] = "\x31\x10";
constexpr qint64 kSlotRecordSize = 16;
constexpr qint64 kSearchEntrySize = 8;

QString Ident(const char* aStem, int k, int aField) {
  return QStringLiteral("%1_%2_%3").arg(QLatin1String(aStem)).arg(k).arg(aField);
}

QString Clock(quint32 aSeconds) {
  // Hours run on past a day: the master counts its uptime this way.
  return QStringLiteral("%1:%2:%3")
      .arg(aSeconds / 3600, 2, 10, QLatin1Char('0'))
      .arg(aSeconds / 60 % 60, 2, 10, QLatin1Char('0'))
      .arg(aSeconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

namespace Gen3 {

QByteArray Request(quint8 aCommand, const QByteArray& aParameters) {
  return AppendCrc8(QByteArray(kRequestSign, 2) + char(aCommand) + aParameters);
}

bool IsRequest(QByteArrayView aBytes) {
  return aBytes.startsWith(QByteArrayView(kRequestSign, 2));
}

QString StatusKey(quint8 aCode, bool* aPositive) {
  *aPositive = aCode == 0;
  switch (aCode) {
  case 0:
    return QStringLiteral("mes_SUCCESS");
  case 250:
    return QStringLiteral("mes_ERROR_NOT_SUPPROTED");
  case 251:
    return QStringLiteral("mes_ERROR_INVALID_HANDLE");
  case 252:
    return QStringLiteral("mes_ERROR_INTERNAL");
  case 253:
    return QStringLiteral("mes_ERROR_NOT_CONNECTED");
  case 254:
    return QStringLiteral("mes_ERROR_NOT_FOUND");
  case 255:
    return QStringLiteral("mes_ERROR_SIZE");
  default:
    return QString();
  }
}

QString SensorTypeName(quint8 aType) {
  switch (aType) {
  case 1:
    return QStringLiteral("LLS");
  case 2:
    return QStringLiteral("Bridge");
  case 3:
    return QStringLiteral("Escort");
  case 4:
    return QStringLiteral("Thermo");
  default:
    return QStringLiteral("type #") + QString::number(aType);
  }
}

} // namespace Gen3

TGen3Decoder::TGen3Decoder(TExchangeCore& aCore, IFuelHost& aFuelHost)
    : FCore(aCore), FFuelHost(aFuelHost), FQuiet(&aCore.Host(), nullptr) {}

bool TGen3Decoder::Quiet() const {
  return FCore.Version() == vtDetect;
}

IExchangeHost& TGen3Decoder::Host() const {
  return Quiet() ? FQuiet : FCore.Host();
}

void TGen3Decoder::Install() {
  FCore.SetDecoder(3, [this](int aIndex) { OnPacketEventV3(aIndex); });
}

void TGen3Decoder::Set(const QString& aIdent, const QVariant& aValue, qint64 aAt, qint64 aSize) {
  if (FObserver)
    FObserver->Field(aIdent, aAt, aSize);
  Host().VisualSetValue(aIdent, aValue, 1, QString(), clValuePlaceholder);
}

void TGen3Decoder::OnPacketEventV3(int aIndex) {
  TPacketArray& index = FCore.Gen3Index();
  if (aIndex < 0 || aIndex >= int(index.size()) || index[aIndex].State != psComplete)
    return;
  const TPacket packet = index[aIndex];
  // The framer cut the answer to its command's length; anything shorter is not an answer.
  if (packet.Size < 4) {
    if (FObserver)
      FObserver->Stopped(packet.Size, QStringLiteral("insp_stop_short"), QString());
    return;
  }
  const qint64 p = packet.Position;
  bool recognised = true;
  switch (FCore.TrafficLog().AsByte(p + 2)) {
  case Gen3::kMasterInfo:
    MasterInfo(p);
    break;
  case Gen3::kSlotList:
    SlotList(p);
    break;
  case Gen3::kWriteSlot:
  case Gen3::kWriteSensor:
  case Gen3::kRestart:
    Status(p);
    break;
  case Gen3::kSensorData:
    recognised = SensorData(aIndex, p);
    break;
  case Gen3::kSearch:
    Search(p, packet.Size);
    break;
  default:
    recognised = false;
    if (FObserver)
      FObserver->Stopped(2, QStringLiteral("insp_stop_command"), QString());
    break;
  }
  // Requests sent meanwhile were appended after the entry; its number still holds.
  if (recognised)
    FCore.Gen3Index()[aIndex].State = psRecognised;
}

void TGen3Decoder::MasterInfo(qint64 p) {
  const TMemoryStreamEx& log = FCore.TrafficLog();
  if (TPortInfo* port = Host().Q())
    port->SetDeviceName(log.AsHEX(p + 3, 6));
  Set(QStringLiteral("master_1"), log.AsHEX(p + 3, 6, QStringLiteral(" "), true), 3, 6);
  Set(QStringLiteral("master_2"), log.AsText(p + 9, 4), 9, 4);
  Set(QStringLiteral("master_3"), int(log.AsByte(p + 13)), 13, 1);
  Set(QStringLiteral("master_4"), Clock(log.AsCardinal(p + 14)), 14, 4);
}

void TGen3Decoder::SlotList(qint64 p) {
  const TMemoryStreamEx& log = FCore.TrafficLog();
  for (int k = 1; k <= Gen3::kSlots; ++k) {
    const qint64 at = 3 + kSlotRecordSize * (k - 1);
    const qint64 record = p + at;
    const QString address = log.AsHEX(record, 6, QStringLiteral(" "), true);
    const int parameter2 = log.AsByte(record + 6);
    const int parameter3 = log.AsByte(record + 7);
    for (const char* stem : {"master", "sensor"}) {
      Set(Ident(stem, k, 1), address, at, 6);
      Set(Ident(stem, k, 2), parameter2, at + 6, 1);
      Set(Ident(stem, k, 3), parameter3, at + 7, 1);
    }
  }
  if (TPortInfo* port = Host().Q()) {
    for (int slot = 0; slot < Gen3::kSlots; ++slot)
      port->SendAnsiString(Gen3::Request(Gen3::kSensorData, QByteArray(1, char(slot))));
    // The master's information (its uptime above all) is as old as the last time it was asked:
    // every reading of the settings asks it again.
    port->SendAnsiString(Gen3::Request(Gen3::kMasterInfo));
  }
}

// The answer does not say which slot it describes: the request it answers does. Only our own
// request for a slot that exists counts; noise the framer kept between them does not.
bool TGen3Decoder::SensorData(int aIndex, qint64 p) {
  const TPacketArray& index = FCore.Gen3Index();
  const TMemoryStreamEx& log = FCore.TrafficLog();
  int before = aIndex - 1;
  while (before >= 0 && index[before].State == psOpen)
    --before;
  const TPacket* request = before >= 0 ? &index[before] : nullptr;
  if (!request || request->State != psSent || request->Size != 5 || log.AsByte(request->Position) != 0x31 ||
      log.AsByte(request->Position + 1) != 0x10 || log.AsByte(request->Position + 2) != Gen3::kSensorData ||
      log.AsByte(request->Position + 3) >= Gen3::kSlots) {
    if (FObserver)
      FObserver->Stopped(-1, QStringLiteral("insp_stop_norequest"), QString());
    return false;
  }
  const int slot = log.AsByte(request->Position + 3);
  const int k = slot + 1;
  Set(Ident("sensor", k, 4), int(log.AsByte(p + 3)), 3, 1);
  Set(Ident("sensor", k, 5), int(log.AsWord(p + 4)), 4, 2);
  Set(Ident("sensor", k, 6), int(log.AsWord(p + 6)), 6, 2);
  Set(Ident("sensor", k, 7), qint64(log.AsCardinal(p + 8)), 8, 4);
  Set(Ident("sensor", k, 8), qint64(log.AsCardinal(p + 12)), 12, 4);
  return true;
}

void TGen3Decoder::Status(qint64 p) {
  bool positive = false;
  const QString key = Gen3::StatusKey(FCore.TrafficLog().AsByte(p + 3), &positive);
  if (!key.isEmpty()) {
    IExchangeHost& host = Host();
    host.MainHintShow(positive ? 1 : 0, host.Translate(key));
  }
}

void TGen3Decoder::Search(qint64 p, qint64 aSize) {
  const TMemoryStreamEx& log = FCore.TrafficLog();
  IExchangeHost& host = Host();
  const int count = log.AsByte(p + 3);
  const bool section = !Quiet() && FFuelHost.ClearSensorResults();
  if (count == 0)
    host.MainHintShow(0, host.Translate(QStringLiteral("mes_sensornotfound")));
  if (!section)
    return;
  // The framer sized the answer by its count; the check keeps a reader inside it all the same.
  for (int u = 0; u < count && 4 + kSearchEntrySize * (u + 1) <= aSize; ++u) {
    const qint64 entry = p + 4 + kSearchEntrySize * u;
    const QString caption = Gen3::SensorTypeName(log.AsByte(entry)) + QStringLiteral(" / ") +
                            QString::number(log.AsShortInt(entry + 7)) + QStringLiteral(" dB");
    FFuelHost.AddSensorResult(QStringLiteral("FindResultSensors") + QString::number(u), caption,
                              log.AsHEX(entry + 1, 6, QStringLiteral(" "), true));
  }
}
