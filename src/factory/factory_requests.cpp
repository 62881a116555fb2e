#include "factory/factory_requests.h"

#include "device/lot_number.h"
#include "updates/crypto/aes128ctr.h"
#include "updates/crypto/checksums.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QUrl>
#include <cmath>

namespace FactoryRequests {

namespace {

QString Encoded(const QString& aValue) {
  return QString::fromLatin1(QUrl::toPercentEncoding(aValue));
}

bool AllOf(const QString& aText, bool (*aTest)(QChar)) {
  for (const QChar c : aText) {
    if (!aTest(c))
      return false;
  }
  return !aText.isEmpty();
}

bool IsHexDigit(QChar c) {
  return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
         (c >= QLatin1Char('a') && c <= QLatin1Char('f')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool IsDecimalDigit(QChar c) {
  return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

// A number without a fraction that fits 64 bits. Converting any other double to an integer is
// undefined, and a service may answer 1e300.
bool WholeNumber(double aNumber, qint64* aWhole) {
  if (!(std::fabs(aNumber) < 9.2e18) || std::trunc(aNumber) != aNumber)
    return false;
  *aWhole = qint64(aNumber);
  return true;
}

// A member as text, looked up by its lower-case name first and its upper-case name after.
QString Member(const QJsonObject& aObject, const QString& aName) {
  QJsonValue value = aObject.value(aName);
  if (value.isUndefined())
    value = aObject.value(aName.toUpper());
  if (value.isString())
    return value.toString();
  if (value.isDouble()) {
    const double number = value.toDouble();
    qint64 whole = 0;
    return WholeNumber(number, &whole) ? QString::number(whole) : QString::number(number);
  }
  return QString();
}

} // namespace

QString FirmwareOf(const QString& aSoftVersion) {
  const qsizetype bar = aSoftVersion.indexOf(QLatin1Char('|'));
  return bar < 0 ? QString() : aSoftVersion.mid(bar + 1, 4);
}

bool IsMac(const QString& aMac) {
  return aMac.size() == 12 && AllOf(aMac, IsHexDigit);
}

QString MacWithColons(const QString& aMac) {
  if (!IsMac(aMac))
    return aMac;
  QStringList groups;
  for (int i = 0; i < 12; i += 2)
    groups << aMac.mid(i, 2);
  return groups.join(QLatin1Char(':'));
}

QString RegistrationQuery(const TRegistration& r) {
  QString query = QStringLiteral("ver=2&mac=") + Encoded(r.Mac) + QStringLiteral("&nop=") +
                  TLotNumber::Text(r.Lot) + QStringLiteral("&fws=") + Encoded(r.Firmware) +
                  QStringLiteral("&sts=V1&tos=") + Encoded(r.Type);
  if (r.WithExtras)
    query += QStringLiteral("&vo1=") + Encoded(r.Imei) + QStringLiteral("&vo2=") + Encoded(r.Iccid) +
             QStringLiteral("&vo3=") + Encoded(r.Serial);
  return query + QStringLiteral("&crc=") + QString::number(Crc32Text(query));
}

QString RegistrationPath(const TRegistration& aRegistration, const QString& aKey, const QString& aIV) {
  // Base64 may hold "+" and "/"; the service takes the text as it is, so it goes unescaped.
  return QStringLiteral("/factory_qmr.php?") +
         TAES128CTR::Encrypt(RegistrationQuery(aRegistration), aKey, aIV);
}

QByteArray JsonString(const QString& aText) {
  // Escaped as text and turned into UTF-8 once at the end: a character outside the basic plane is
  // two UTF-16 units, and converting them one by one would replace both halves.
  QString out = QStringLiteral("\"");
  for (const QChar c : aText) {
    const char16_t u = c.unicode();
    switch (u) {
    case u'"':
      out += QLatin1String("\\\"");
      break;
    case u'\\':
      out += QLatin1String("\\\\");
      break;
    case u'\n':
      out += QLatin1String("\\n");
      break;
    case u'\r':
      out += QLatin1String("\\r");
      break;
    case u'\t':
      out += QLatin1String("\\t");
      break;
    default:
      if (u < 0x20)
        out += QLatin1String("\\u") + QString::number(u, 16).rightJustified(4, QLatin1Char('0'));
      else
        out += c;
    }
  }
  out += QLatin1Char('"');
  return out.toUtf8();
}

QByteArray TestServiceBody(const TTestDevice& d) {
  // Built as text: a JSON object of Qt's would sort the members.
  return "{\"iccid\":" + JsonString(d.Iccid) + ",\"fw\":" + JsonString(d.Firmware) +
         ",\"hw\":\"1\",\"mac\":" + JsonString(MacWithColons(d.Mac)) +
         ",\"description\":" + JsonString(TLotNumber::Text(d.Lot)) + ",\"imei\":" + JsonString(d.Imei) +
         ",\"type\":\"type1\"}";
}

TRegistrationAnswer ParseRegistrationAnswer(const QByteArray& aBody) {
  TRegistrationAnswer answer;
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(aBody, &error);
  if (error.error != QJsonParseError::NoError) {
    answer.Form = TRegistrationAnswer::ParseError;
    answer.ParseErrorText = error.errorString();
    return answer;
  }
  if (!document.isObject()) {
    answer.Form = TRegistrationAnswer::NotObject;
    return answer;
  }
  const QJsonObject object = document.object();
  answer.Answer = Member(object, QStringLiteral("ans")).toLower();
  answer.Serial = Member(object, QStringLiteral("sn"));
  answer.Quantity = Member(object, QStringLiteral("quantity"));
  return answer;
}

QString ParseTestServiceSerial(const QByteArray& aBody) {
  const QJsonDocument document = QJsonDocument::fromJson(aBody);
  if (!document.isObject())
    return QString();
  const QJsonValue sn = document.object().value(QStringLiteral("sn"));
  if (sn.isString())
    return sn.toString();
  qint64 whole = 0;
  if (sn.isDouble() && WholeNumber(sn.toDouble(), &whole) && whole >= 0)
    return QString::number(whole);
  return QString();
}

bool IsHexSerial(const QString& aSerial) {
  return aSerial.size() <= 8 && AllOf(aSerial, IsHexDigit);
}

QByteArray FctCommand(const QString& aHexSerial) {
  const quint32 s = aHexSerial.toUInt(nullptr, 16);
  return "fct " + QByteArray::number(s >> 16) + ' ' + QByteArray::number(s & 0xFFFF) + "\r\n";
}

bool IsDecimalSerial(const QString& aSerial) {
  bool ok = false;
  aSerial.toULongLong(&ok);
  return ok && AllOf(aSerial, IsDecimalDigit);
}

QByteArray SnCommand(const QString& aDecimalSerial) {
  return "sn " + QByteArray::number(aDecimalSerial.toULongLong()) + "\r\n";
}

} // namespace FactoryRequests
