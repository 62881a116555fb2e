// The factory services: their answers, the commands the flows make of the serials in them, and
// the registration texts built from what a device reported.
//
// Input: one byte choosing the surface, then its text (an answer body) or the values a device
// could report (length-prefixed strings, a lot number, whether the extras go along).

#include "factory/factory_requests.h"
#include "updates/crypto/aes128ctr.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QUrl>
#include <fuzzer/FuzzedDataProvider.h>

using namespace FactoryRequests;

namespace {

void Check(bool aHolds) {
  if (!aHolds)
    __builtin_trap();
}

// "<prefix><decimal>[ <decimal>]\r\n" with every number at most aMax.
void CheckCommand(const QByteArray& aCommand, const QByteArray& aPrefix, int aNumbers, quint64 aMax) {
  Check(aCommand.startsWith(aPrefix) && aCommand.endsWith("\r\n"));
  const QList<QByteArray> numbers =
      aCommand.mid(aPrefix.size(), aCommand.size() - aPrefix.size() - 2).split(' ');
  Check(numbers.size() == aNumbers);
  for (const QByteArray& n : numbers) {
    bool ok = false;
    Check(!n.isEmpty() && n.toULongLong(&ok) <= aMax && ok);
  }
}

QString Text(FuzzedDataProvider& aInput) {
  return QString::fromUtf8(aInput.ConsumeRandomLengthString(64));
}

// What the registration query carries: the device's values are percent-encoded, so nothing it
// reported can add, drop or reorder fields, and each decodes back to what was reported.
void CheckRegistration(const TRegistration& r) {
  const QString query = RegistrationQuery(r);
  const QStringList fields = query.split(QLatin1Char('&'));
  QStringList keys{QStringLiteral("ver"), QStringLiteral("mac"), QStringLiteral("nop"),
                   QStringLiteral("fws"), QStringLiteral("sts"), QStringLiteral("tos")};
  QStringList values{QStringLiteral("2"), r.Mac, QString(), r.Firmware, QStringLiteral("V1"), r.Type};
  if (r.WithExtras) {
    keys << QStringLiteral("vo1") << QStringLiteral("vo2") << QStringLiteral("vo3");
    values << r.Imei << r.Iccid << r.Serial;
  }
  keys << QStringLiteral("crc");
  Check(fields.size() == keys.size());
  for (qsizetype i = 0; i < fields.size(); ++i) {
    const qsizetype eq = fields.at(i).indexOf(QLatin1Char('='));
    Check(eq > 0 && fields.at(i).left(eq) == keys.at(i));
    const QString value = QUrl::fromPercentEncoding(fields.at(i).mid(eq + 1).toLatin1());
    if (i < values.size() && keys.at(i) != QLatin1String("nop"))
      Check(value == values.at(i));
  }
  // The path carries the query encrypted; the service decrypts it back to the same text.
  const QString key = QStringLiteral("0123456789abcdef");
  const QString iv = QStringLiteral("fedcba9876543210");
  const QString path = RegistrationPath(r, key, iv);
  const QString prefix = QStringLiteral("/factory_qmr.php?");
  Check(path.startsWith(prefix));
  const QByteArray sealed = QByteArray::fromBase64(path.mid(prefix.size()).toLatin1());
  Check(TAES128CTR::Apply(sealed, key, iv) == query.toUtf8());
}

// The test service's body is one JSON object whose members are the values given.
void CheckTestBody(const TTestDevice& d) {
  const QJsonDocument document = QJsonDocument::fromJson(TestServiceBody(d));
  Check(document.isObject());
  const QJsonObject o = document.object();
  Check(o.size() == 7);
  Check(o.value(QStringLiteral("iccid")).toString() == d.Iccid);
  Check(o.value(QStringLiteral("fw")).toString() == d.Firmware);
  Check(o.value(QStringLiteral("imei")).toString() == d.Imei);
  Check(o.value(QStringLiteral("mac")).toString() == MacWithColons(d.Mac));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  FuzzedDataProvider input(aData, aSize);
  switch (input.ConsumeIntegralInRange<int>(0, 3)) {
  case 0: {
    const std::string body = input.ConsumeRemainingBytesAsString();
    const TRegistrationAnswer answer = ParseRegistrationAnswer(QByteArray::fromStdString(body));
    if (answer.Form == TRegistrationAnswer::Object && IsHexSerial(answer.Serial))
      CheckCommand(FctCommand(answer.Serial), "fct ", 2, 0xFFFF);
    break;
  }
  case 1: {
    const std::string body = input.ConsumeRemainingBytesAsString();
    const QString serial = ParseTestServiceSerial(QByteArray::fromStdString(body));
    if (IsDecimalSerial(serial))
      CheckCommand(SnCommand(serial), "sn ", 1, ~quint64(0));
    break;
  }
  case 2: {
    TRegistration r;
    r.Mac = Text(input);
    r.Firmware = FirmwareOf(Text(input));
    r.Type = Text(input);
    r.Imei = Text(input);
    r.Iccid = Text(input);
    r.Serial = Text(input);
    r.Lot = input.ConsumeIntegral<quint16>();
    r.WithExtras = input.ConsumeBool();
    CheckRegistration(r);
    break;
  }
  default: {
    TTestDevice d;
    d.Iccid = Text(input);
    d.Firmware = Text(input);
    d.Mac = Text(input);
    d.Imei = Text(input);
    d.Lot = input.ConsumeIntegral<quint16>();
    CheckTestBody(d);
    break;
  }
  }
  return 0;
}
