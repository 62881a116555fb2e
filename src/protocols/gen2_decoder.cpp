#include "protocols/gen2_decoder.h"

#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "i18n/code_tables.h"
#include "protocols/decode_observer.h"
#include "protocols/status_decoder.h"
#include "protocols/status_host.h"

#include <cmath>
#include <limits>

namespace {

constexpr qint64 kHeaderSize = 8;
constexpr qint64 kTrailerSize = 2;

// Where each record type's last field ends, from the first byte of the record: a body too short
// for it leaves the record undecoded rather than reading the next record's bytes as its fields.
qint64 FieldsEnd(quint32 aType) {
  switch (aType) {
  case TGen2Decoder::kPosition:
    return 31;
  case TGen2Decoder::kTime:
    return 16;
  case TGen2Decoder::kModem:
    return 22;
  case TGen2Decoder::kPower:
  case TGen2Decoder::kInputsOutputs:
    return 12;
  default:
    return -1;
  }
}

const QString kModemSection = QStringLiteral("_GSMModem");
const QString kPinSection = QStringLiteral("_InputOutput");

} // namespace

TGen2Decoder::TGen2Decoder(TExchangeCore& aCore, IStatusHost& aStatusHost)
    : FCore(aCore), FStatusHost(aStatusHost), FQuiet(&aCore.Host(), &aStatusHost) {}

bool TGen2Decoder::Quiet() const {
  return FCore.Version() == vtDetect;
}

IExchangeHost& TGen2Decoder::Host() const {
  return Quiet() ? FQuiet : FCore.Host();
}

IStatusHost& TGen2Decoder::StatusHost() const {
  return Quiet() ? static_cast<IStatusHost&>(FQuiet) : FStatusHost;
}

void TGen2Decoder::Install() {
  FCore.SetDecoder(2, [this](int aIndex) { OnPacketEventV2(aIndex); });
}

QString TGen2Decoder::ModemStateText(quint8 aState) {
  // The devices' own wording; these are not dictionary texts.
  switch (aState) {
  case 0:
    return QStringLiteral("Отсутствует");
  case 1:
    return QStringLiteral("регистрация в домашней сети");
  case 2:
    return QStringLiteral("поиск сети");
  case 3:
    return QStringLiteral("регистрация отклонена");
  case 4:
  case 7:
    return QStringLiteral("резерв");
  case 5:
    return QStringLiteral("регистрация в роуминге");
  case 6:
    return QStringLiteral("ошибка ПИН");
  case 9:
    return QStringLiteral("GPRS активирован в домашней сети");
  case 13:
    return QStringLiteral("GPRS активирован в роуминге");
  default:
    return QString();
  }
}

double TGen2Decoder::ShortestDouble(float aValue) {
  if (!std::isfinite(aValue))
    return double(aValue);
  for (int digits = 1; digits < 9; ++digits) {
    const double candidate = QString::number(double(aValue), 'g', digits).toDouble();
    if (float(candidate) == aValue)
      return candidate;
  }
  return double(aValue);
}

bool TGen2Decoder::RoundHalfEven(double aValue, qint64* aResult) {
  if (!std::isfinite(aValue) || std::fabs(aValue) > double(std::numeric_limits<qint32>::max()))
    return false;
  double whole = std::floor(aValue);
  const double fraction = aValue - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0))
    whole += 1.0;
  *aResult = qint64(whole);
  return true;
}

void TGen2Decoder::Set(const QString& aIdent, const QVariant& aValue, qint64 aAt, qint64 aSize) {
  if (FObserver)
    FObserver->Field(aIdent, aAt, aSize);
  Host().VisualSetValue(aIdent, aValue, 1, QString(), clValuePlaceholder);
}

void TGen2Decoder::SetLine(const QString& aSection, const QString& aIdent, const QVariant& aValue, qint64 aAt,
                           qint64 aSize) {
  if (FObserver)
    FObserver->Field(aIdent, aAt, aSize);
  TDynamicItem item;
  item.Section = aSection;
  item.Ident = aIdent;
  item.Caption = Host().Translate(aIdent);
  item.Value = aValue;
  StatusHost().SetDynamicItem(item);
}

void TGen2Decoder::OnPacketEventV2(int aIndex) {
  TPacketArray& index = FCore.Gen2Index();
  if (aIndex < 0 || aIndex >= int(index.size()) || index[aIndex].State != psComplete)
    return;
  const TPacket packet = index[aIndex];
  const TMemoryStreamEx& log = FCore.TrafficLog();
  if (packet.Size < kHeaderSize + kTrailerSize) {
    if (FObserver)
      FObserver->Stopped(packet.Size, QStringLiteral("insp_stop_short"), QString());
    return;
  }
  const qint64 p = packet.Position;
  const quint32 type = log.AsCardinal(p + 2);
  const qint64 fieldsEnd = FieldsEnd(type);
  // The body is what lies between the header and the two trailing bytes.
  if (fieldsEnd < 0 || fieldsEnd > packet.Size - kTrailerSize) {
    if (FObserver)
      FObserver->Stopped(fieldsEnd < 0 ? 2 : packet.Size - kTrailerSize,
                         fieldsEnd < 0 ? QStringLiteral("insp_stop_type") : QStringLiteral("insp_stop_body"),
                         fieldsEnd < 0 ? QString() : QString::number(fieldsEnd + kTrailerSize));
    return;
  }

  bool recognised = false;
  switch (type) {
  case kPosition:
    recognised = DecodePosition(log, p);
    break;
  case kTime:
    recognised = DecodeTime(log, p);
    break;
  case kModem:
    recognised = DecodeModem(log, p);
    break;
  case kPower:
    recognised = DecodePower(log, p);
    break;
  case kInputsOutputs:
    recognised = DecodeInputsOutputs(log, p);
    break;
  default:
    break;
  }
  // The decoding above may have sent or switched things; the entry is found again by number.
  if (recognised && aIndex < int(FCore.Gen2Index().size()))
    FCore.Gen2Index()[aIndex].State = psRecognised;
}

bool TGen2Decoder::DecodePosition(const TMemoryStreamEx& aLog, qint64 p) {
  Set(QStringLiteral("_Latitude"), ShortestDouble(aLog.AsSingle(p + 12)), 12, 4);
  Set(QStringLiteral("_Longitude"), ShortestDouble(aLog.AsSingle(p + 16)), 16, 4);
  // A receiver without a fix reports no altitude at all (NaN): the last one stays.
  qint64 altitude = 0;
  if (RoundHalfEven(double(aLog.AsSingle(p + 20)), &altitude))
    Set(QStringLiteral("_Altitude"), altitude, 20, 4);
  Set(QStringLiteral("_Speed"), aLog.AsWord(p + 24) / 100.0, 24, 2);
  Set(QStringLiteral("_Azimuth"), aLog.AsWord(p + 26) / 100.0, 26, 2);
  Set(QStringLiteral("_HDOP"), aLog.AsWord(p + 28) / 100.0, 28, 2);
  Set(QStringLiteral("_Satellites"), int(aLog.AsByte(p + 30)), 30, 1);
  return true;
}

bool TGen2Decoder::DecodeTime(const TMemoryStreamEx& aLog, qint64 p) {
  Set(QStringLiteral("_InternalTtime"), StatusText::DeviceClockText(aLog.AsCardinal(p + 8)), 8, 4);
  Set(QStringLiteral("_Uptime"), StatusText::DurationText(aLog.AsCardinal(p + 12)), 12, 4);
  return true;
}

bool TGen2Decoder::DecodeModem(const TMemoryStreamEx& aLog, qint64 p) {
  const QString state = ModemStateText(aLog.AsByte(p + 8));
  if (!state.isEmpty())
    Set(QStringLiteral("_ModemStatus"), state, 8, 1);
  SetLine(kModemSection, QStringLiteral("ML"), int(aLog.AsByte(p + 9)), 9, 1);
  const int network = aLog.AsWord(p + 10);
  SetLine(kModemSection, QStringLiteral("ML1"),
          CountryName(QString::number(network / 100).rightJustified(3, u'0')), 10, 2);
  SetLine(kModemSection, QStringLiteral("ML2"), OperatorName(QString::number(network)), 10, 2);
  SetLine(kModemSection, QStringLiteral("_ModemInSMS"), int(aLog.AsWord(p + 18)), 18, 2);
  SetLine(kModemSection, QStringLiteral("_ModemOutSMS"), int(aLog.AsWord(p + 20)), 20, 2);
  return true;
}

bool TGen2Decoder::DecodePower(const TMemoryStreamEx& aLog, qint64 p) {
  Set(QStringLiteral("_ExternalVoltage"), aLog.AsWord(p + 8) / 1000.0, 8, 2);
  Set(QStringLiteral("_BatteryVoltage"), aLog.AsWord(p + 10) / 1000.0, 10, 2);
  return true;
}

bool TGen2Decoder::DecodeInputsOutputs(const TMemoryStreamEx& aLog, qint64 p) {
  const quint16 inputs = aLog.AsWord(p + 8);
  const quint16 outputs = aLog.AsWord(p + 10);
  for (int n = 0; n < 8; ++n)
    SetLine(kPinSection, QStringLiteral("ID%1").arg(n), int((inputs >> n) & 1), 8, 2);
  for (int n = 0; n < 8; ++n)
    SetLine(kPinSection, QStringLiteral("OD%1").arg(n), int((outputs >> n) & 1), 10, 2);
  return true;
}
