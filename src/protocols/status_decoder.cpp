// Record grammar, the value texts every key group shares, and dispatch of the generation-1 status
// records; each key group has a file of its own.

#include "protocols/status_decoder.h"

#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "device/port_info.h"
#include "i18n/language_locale.h"
#include "protocols/decode_observer.h"
#include "protocols/status_host.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QLocale>
#include <algorithm>

// ---------------------------------------------------------------------------------------------
// Record grammar

bool TStatusRecord::Parse(const QString& aText) {
  QStringView text(aText);
  if (text.startsWith(u'>'))
    text = text.mid(1);
  const qsizetype equals = text.indexOf(u'=');
  if (equals < 0)
    return false;
  FKey = text.left(equals).toString();
  FValue = text.mid(equals + 1).toString();
  const qsizetype lineEnd = FValue.indexOf(QLatin1String("\r\n"));
  if (lineEnd >= 0)
    FValue.remove(lineEnd, 2);

  FFields.clear();
  const QString& v = FValue;
  const qsizetype n = v.size();
  qsizetype i = 0;
  while (i < n) {
    QString field;
    if (v[i] == u'"') {
      // A quoted field may hold ";"; an unclosed quote runs to the end of the value.
      for (++i; i < n; ++i) {
        if (v[i] != u'"') {
          field += v[i];
        } else if (i + 1 < n && v[i + 1] == u'"') {
          field += u'"';
          ++i;
        } else {
          ++i;
          break;
        }
      }
    }
    // Plain text, or whatever follows a closing quote up to the next ";": kept, not dropped.
    qsizetype end = v.indexOf(u';', i);
    if (end < 0)
      end = n;
    field += QStringView(v).mid(i, end - i);
    FFields.append(field);
    i = end;
    if (i < n) {
      ++i;
      if (i == n)
        FFields.append(QString());
    }
  }
  return true;
}

const QString& TStatusRecord::F(int aIndex) const {
  static const QString empty;
  return aIndex >= 0 && aIndex < FFields.size() ? FFields[aIndex] : empty;
}

// ---------------------------------------------------------------------------------------------
// Text helpers

namespace StatusText {

bool DigitsOnly(QStringView aText) {
  for (const QChar c : aText)
    if (c < u'0' || c > u'9')
      return false;
  return true;
}

qint64 AsInteger(QStringView aText) {
  bool ok = false;
  const qint64 value = aText.toLongLong(&ok);
  return ok ? value : 0;
}

qint64 ToNumber(QStringView aText) {
  bool ok = false;
  const qint64 value = aText.toLongLong(&ok);
  if (!ok)
    throw TStatusValueError("not a number: \"" + aText.toString().toStdString() + "\"");
  return value;
}

QString PadInt(qint64 aValue, int aDigits) {
  // The magnitude of the most negative value does not fit a qint64; quint64 holds it.
  const quint64 magnitude = aValue < 0 ? 0 - quint64(aValue) : quint64(aValue);
  const QString digits = QString::number(magnitude).rightJustified(aDigits, u'0');
  return aValue < 0 ? QLatin1Char('-') + digits : digits;
}

QString LocaleFixed(double aValue, int aDecimals) {
  QLocale locale;
  locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
  return locale.toString(aValue, 'f', aDecimals);
}

QString DurationText(qint64 aSeconds) {
  const qint64 days = aSeconds / 86400;
  QString text = days != 0 ? PadInt(days, 2) + QLatin1Char(' ') : QString();
  text += PadInt(aSeconds / 3600 % 24, 2) + QLatin1Char(':') + PadInt(aSeconds / 60 % 60, 2) +
          QLatin1Char(':') + PadInt(aSeconds % 60, 2);
  return text;
}

QString Gauge(qint64 aLevel, int aWidth) {
  const int bars = int(std::clamp<qint64>(aLevel, 0, aWidth));
  return QString(bars, u'|') + QString(aWidth - bars, u'.');
}

QString DeviceClockText(qint64 aSeconds) {
  const QLocale locale = DateLocale();
  // The long time format of some locales names the time zone; the device clock has none.
  QString timeFormat;
  bool quoted = false;
  for (const QChar c : locale.timeFormat(QLocale::LongFormat)) {
    if (c == u'\'')
      quoted = !quoted;
    if (quoted || c != u't')
      timeFormat += c;
  }
  const QDateTime at = QDateTime::fromSecsSinceEpoch(aSeconds, Qt::UTC);
  return locale.toString(at.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
         locale.toString(at.time(), timeFormat.trimmed());
}

std::optional<QString> SentShare(qint64 aWrite, qint64 aSend, qint64 aSize) {
  if (aSize == 0)
    return std::nullopt;
  if (aWrite == aSend)
    return QStringLiteral("100 %");
  const double share = aSend < aWrite ? 100.0 - double(aWrite - aSend) * 100.0 / double(aSize)
                                      : double(aSend - aWrite) * 100.0 / double(aSize);
  return LocaleFixed(share, 2) + QLatin1String(" %");
}

std::optional<QString> FileShare(qint64 aWrite, qint64 aSend, qint64 aSize) {
  if (aWrite == 0)
    return std::nullopt;
  if (aWrite == aSend)
    return QStringLiteral("100 %");
  if (aSend < aWrite)
    return LocaleFixed(double(aSend) * 100.0 / double(aWrite), 2) + QLatin1String(" %");
  if (aSize == 0)
    return std::nullopt;
  return LocaleFixed(double(aSend - aWrite) * 100.0 / double(aSize), 2) + QLatin1String(" %");
}

} // namespace StatusText

using namespace StatusText;

// ---------------------------------------------------------------------------------------------
// Decoder

TStatusDecoderV1::TStatusDecoderV1(TExchangeCore& aCore, IStatusHost& aStatusHost)
    : FCore(aCore), FStatusHost(aStatusHost),
      FQuiet(&aCore.Host(), &aStatusHost), FServerAddress{QStringLiteral("WEB"), {}, {}, {}, {}} {}

TStatusDecoderV1::~TStatusDecoderV1() = default;

void TStatusDecoderV1::Install() {
  FCore.SetDecoder(1, [this](int aIndex) { OnPacketEventV1(aIndex); });
}

const TStatusDecoderV1::TTable& TStatusDecoderV1::Table() {
  static const TTable table = [] {
    TTable t;
    AddIdentityKeys(t);
    AddStatusKeys(t);
    AddStorageKeys(t);
    AddCanKeys(t);
    AddSensorKeys(t);
    return t;
  }();
  return table;
}

bool TStatusDecoderV1::IsPinKey(const QString& aKey) {
  if (aKey.size() != 3 && aKey.size() != 4)
    return false;
  if (aKey[0] != u'I' && aKey[0] != u'O')
    return false;
  if (!QStringView(u"123ADFIU").contains(aKey[1]))
    return false;
  return DigitsOnly(QStringView(aKey).mid(2));
}

void TStatusDecoderV1::OnPacketEventV1(int aIndex) {
  TPacketArray& index = FCore.Gen1Index();
  if (aIndex < 0 || aIndex >= int(index.size()) || index[std::size_t(aIndex)].State != psComplete)
    return;
  try {
    const TPacket packet = index[std::size_t(aIndex)];
    TStatusRecord record;
    if (!record.Parse(FCore.TrafficLog().AsText(packet.Position, packet.Size)))
      return;
    const TTable& table = Table();
    const auto found = table.constFind(record.Key());
    if (found != table.cend()) {
      if (found->Recognises)
        index[std::size_t(aIndex)].State = psRecognised;
      (this->*(found->Handler))(record, found->Arg);
    } else if (IsPinKey(record.Key())) {
      index[std::size_t(aIndex)].State = psRecognised;
      OnPin(record);
    }
  } catch (const std::exception& e) {
    // Whatever the handler showed before it failed stays; the record only counts as unknown.
    // (A handler's send may have grown the index, so it is looked up again.)
    FCore.Gen1Index()[std::size_t(aIndex)].State = psComplete;
    if (FObserver)
      FObserver->Stopped(-1, QStringLiteral("insp_stop_error"), QString::fromUtf8(e.what()));
  } catch (...) {
    FCore.Gen1Index()[std::size_t(aIndex)].State = psComplete;
    if (FObserver)
      FObserver->Stopped(-1, QStringLiteral("insp_stop_error"), QString());
  }
}

void TStatusDecoderV1::DeliverQueued() {
  QCoreApplication::sendPostedEvents(&FQueue, QEvent::MetaCall);
}

bool TStatusDecoderV1::Handles(const QString& aKey) {
  return Table().contains(aKey) || IsPinKey(aKey);
}

bool TStatusDecoderV1::Quiet() const {
  // Until the generation is known every packet is decoded only to count it; the winner's packets
  // are decoded again for real once detection has decided.
  return FCore.Version() == vtDetect;
}

IExchangeHost& TStatusDecoderV1::Host() const {
  return Quiet() ? FQuiet : FCore.Host();
}

IStatusHost& TStatusDecoderV1::StatusHost() const {
  return Quiet() ? static_cast<IStatusHost&>(FQuiet) : FStatusHost;
}

TPortInfo* TStatusDecoderV1::Port() const {
  return Host().Q();
}

QString TStatusDecoderV1::DeviceType() const {
  const TPortInfo* port = Port();
  return port ? port->DeviceVer() : QString();
}

QString TStatusDecoderV1::Text(const QString& aKey) const {
  return Host().Translate(aKey);
}

void TStatusDecoderV1::Set(const QString& aIdent, const QVariant& aValue, TColorRef aColor, int aAction,
                           const QString& aAlter) {
  Host().VisualSetValue(aIdent, aValue, aAction, aAlter, aColor);
}

void TStatusDecoderV1::Clear(const QString& aIdent) {
  Set(aIdent, QVariant());
}
