// Generation-2 records through the real receive path: every record type to idents and texts,
// bodies too short for their fields, unknown types, and altitudes that are not numbers.

#include "protocols/gen2_decoder.h"
#include "status_fixture.h"

#include <QLocale>
#include <QTest>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

class TBody {
public:
  TBody& U8(int aValue) {
    FBytes += char(aValue & 0xFF);
    return *this;
  }
  TBody& U16(qint64 aValue) { return U8(int(aValue)).U8(int(aValue >> 8)); }
  TBody& U32(qint64 aValue) { return U16(aValue & 0xFFFF).U16((aValue >> 16) & 0xFFFF); }
  TBody& F32(float aValue) {
    quint32 bits = 0;
    std::memcpy(&bits, &aValue, sizeof bits);
    return U32(bits);
  }
  QByteArray Bytes() const { return FBytes; }

private:
  QByteArray FBytes;
};

// 55 AA, type, body length, body and two trailing bytes that nobody checks.
QByteArray Record(quint32 aType, const QByteArray& aBody) {
  return QByteArray("\x55\xAA", 2) + TBody().U32(aType).U16(aBody.size()).Bytes() + aBody + "\xEE\xEE";
}

QByteArray Position(float aAltitude, int aTail = 1) {
  QByteArray body = TBody()
                        .U32(1700000000)
                        .F32(55.7512f)
                        .F32(37.6184f)
                        .F32(aAltitude)
                        .U16(4512)
                        .U16(18050)
                        .U16(120)
                        .U8(9)
                        .Bytes();
  // aTail 1 is the device's spare byte; 0 ends the body at the satellites; -1 cuts them off.
  if (aTail > 0)
    body += QByteArray(aTail, '\0');
  else if (aTail < 0)
    body.chop(-aTail);
  return Record(TGen2Decoder::kPosition, body);
}

QStringList PositionCalls(const QString& aAltitude) {
  QStringList calls{"_Latitude=f:55.7512", "_Longitude=f:37.6184"};
  if (!aAltitude.isEmpty())
    calls << "_Altitude=i:" + aAltitude;
  return calls << "_Speed=f:45.12"
               << "_Azimuth=f:180.5"
               << "_HDOP=f:1.2"
               << "_Satellites=i:9";
}

QString Line(const QString& aSection, const QString& aIdent, const QString& aCaption, const QString& aValue) {
  return QStringLiteral("item %1/%2 '%3' = %4").arg(aSection, aIdent, aCaption, aValue);
}

QByteArray Modem(int aState, int aSignal, int aNetwork, int aIn, int aOut, int aBodySize = 14) {
  QByteArray body = TBody().U8(aState).U8(aSignal).U16(aNetwork).U32(0).U16(0).U16(aIn).U16(aOut).Bytes();
  body.resize(aBodySize);
  return Record(TGen2Decoder::kModem, body);
}

QStringList ModemLines(const QString& aSignal, const QString& aCountry, const QString& aOperator,
                       const QString& aIn, const QString& aOut) {
  const QString s = QStringLiteral("_GSMModem");
  return {Line(s, "ML", "Signal level", "i:" + aSignal), Line(s, "ML1", "Country", "s:" + aCountry),
          Line(s, "ML2", "Operator", "s:" + aOperator), Line(s, "_ModemInSMS", "SMS received", "i:" + aIn),
          Line(s, "_ModemOutSMS", "SMS sent", "i:" + aOut)};
}

QStringList PinLines(quint16 aInputs, quint16 aOutputs) {
  QStringList lines;
  for (int n = 0; n < 8; ++n)
    lines << Line("_InputOutput", QStringLiteral("ID%1").arg(n), QStringLiteral("Input %1").arg(n),
                  QStringLiteral("i:%1").arg((aInputs >> n) & 1));
  for (int n = 0; n < 8; ++n)
    lines << Line("_InputOutput", QStringLiteral("OD%1").arg(n), QStringLiteral("Output %1").arg(n),
                  QStringLiteral("i:%1").arg((aOutputs >> n) & 1));
  return lines;
}

struct TGen2Rig {
  TStatusRecorder Host;
  TManualClock Clock;
  TExchangeCore Core{Host, Clock};
  TGen2Decoder Decoder{Core, Host};

  TGen2Rig() {
    Core.SetVersion(vtVersion2);
    Decoder.Install();
    Host.Calls.clear();
  }
  // States of the packets the bytes closed.
  QList<int> Feed(const QByteArray& aBytes) {
    const std::size_t at = Core.Gen2Index().size();
    Core.QReceiveData(nullptr, aBytes.constData(), int(aBytes.size()));
    QList<int> states;
    for (std::size_t i = at; i < Core.Gen2Index().size(); ++i)
      states << Core.Gen2Index()[i].State;
    return states;
  }
};

} // namespace

class TestGen2Decoder : public QObject {
  Q_OBJECT

private Q_SLOTS:
  void initTestCase();
  void records_data();
  void records();
  void recordsInOneChunkAndSplit();
  void languageOfLines();
};

void TestGen2Decoder::initTestCase() {
  // A comma locale would show in the texts the decoder builds itself (it builds none with numbers).
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
}

void TestGen2Decoder::records_data() {
  QTest::addColumn<QByteArray>("record");
  QTest::addColumn<int>("state");
  QTest::addColumn<QStringList>("calls");

  QTest::newRow("position") << Position(151.6f) << 2 << PositionCalls("152");
  QTest::newRow("altitude half down to even") << Position(150.5f) << 2 << PositionCalls("150");
  QTest::newRow("altitude half up to even") << Position(151.5f) << 2 << PositionCalls("152");
  QTest::newRow("negative altitude half") << Position(-2.5f) << 2 << PositionCalls("-2");
  QTest::newRow("NaN altitude keeps the last")
      << Position(std::numeric_limits<float>::quiet_NaN()) << 2 << PositionCalls("");
  QTest::newRow("huge altitude keeps the last") << Position(3.0e12f) << 2 << PositionCalls("");
  QTest::newRow("infinite altitude keeps the last")
      << Position(std::numeric_limits<float>::infinity()) << 2 << PositionCalls("");
  QTest::newRow("position body ends at its last field") << Position(10.0f, 0) << 2 << PositionCalls("10");
  QTest::newRow("position body one byte short") << Position(10.0f, -1) << 1 << QStringList{};

  QTest::newRow("time: a day, an hour, a minute, a second")
      << Record(TGen2Decoder::kTime, TBody().U32(1700000000).U32(90061).Bytes()) << 2
      << QStringList{"_InternalTtime=s:14/11/2023 22:13:20", "_Uptime=s:01 01:01:01"};
  QTest::newRow("time: under a minute")
      << Record(TGen2Decoder::kTime, TBody().U32(0).U32(59).Bytes()) << 2
      << QStringList{"_InternalTtime=s:01/01/1970 00:00:00", "_Uptime=s:00:00:59"};
  QTest::newRow("time: zero uptime is shown")
      << Record(TGen2Decoder::kTime, TBody().U32(0).U32(0).Bytes()) << 2
      << QStringList{"_InternalTtime=s:01/01/1970 00:00:00", "_Uptime=s:00:00:00"};
  QTest::newRow("time: uptime cut off")
      << Record(TGen2Decoder::kTime, TBody().U32(0).U16(0).Bytes()) << 1 << QStringList{};

  QTest::newRow("modem") << Modem(9, 17, 25001, 3, 1) << 2
                         << QStringList{"_ModemStatus=s:GPRS активирован в домашней сети"} +
                                ModemLines("17", "Россия", "MTS", "3", "1");
  QTest::newRow("modem state 8 leaves the status")
      << Modem(8, 0, 25099, 0, 65535) << 2 << ModemLines("0", "Россия", "BeeLine/VimpelCom", "0", "65535");
  QTest::newRow("modem unknown network") << Modem(1, 5, 25098, 0, 0) << 2
                                         << QStringList{"_ModemStatus=s:регистрация в домашней сети"} +
                                                ModemLines("5", "Россия", "#25098", "0", "0");
  QTest::newRow("modem without network")
      << Modem(0, 0, 0, 0, 0) << 2
      << QStringList{"_ModemStatus=s:Отсутствует"} + ModemLines("0", "", "#0", "0", "0");
  QTest::newRow("modem body without SMS counts") << Modem(9, 17, 25001, 3, 1, 12) << 1 << QStringList{};

  QTest::newRow("power") << Record(TGen2Decoder::kPower, TBody().U16(12345).U16(4100).Bytes()) << 2
                         << QStringList{"_ExternalVoltage=f:12.345", "_BatteryVoltage=f:4.1"};
  QTest::newRow("power without battery")
      << Record(TGen2Decoder::kPower, TBody().U16(12345).U8(1).Bytes()) << 1 << QStringList{};

  QTest::newRow("inputs 0 and 2, output 7")
      << Record(TGen2Decoder::kInputsOutputs, TBody().U16(0x0005).U16(0x0080).Bytes()) << 2
      << PinLines(0x0005, 0x0080);
  QTest::newRow("high bits are not pins")
      << Record(TGen2Decoder::kInputsOutputs, TBody().U16(0xFF00).U16(0xFF01).Bytes()) << 2 << PinLines(0, 1);

  QTest::newRow("unknown type") << Record(0x00020003, TBody().U32(1).U32(2).Bytes()) << 1 << QStringList{};
  QTest::newRow("empty body") << Record(TGen2Decoder::kPower, QByteArray()) << 1 << QStringList{};
}

void TestGen2Decoder::records() {
  QFETCH(QByteArray, record);
  QFETCH(int, state);
  QFETCH(QStringList, calls);

  TGen2Rig rig;
  rig.Host.Dictionary.SetLanguage(TDictionary::lnEnglish);
  QCOMPARE(rig.Feed(record), QList<int>{state});
  QCOMPARE(rig.Host.Calls, calls);
  // The decoder only listens.
  QVERIFY(rig.Core.OutByteTotal() == 0);
}

void TestGen2Decoder::recordsInOneChunkAndSplit() {
  const QByteArray power = Record(TGen2Decoder::kPower, TBody().U16(12000).U16(4000).Bytes());
  const QByteArray unknown = Record(0x00990001, QByteArray(3, '\1'));
  const QByteArray stream = unknown + power + Position(1.0f);

  TGen2Rig whole;
  QCOMPARE(whole.Feed(stream), (QList<int>{1, 2, 2}));
  const QStringList calls = whole.Host.Calls;
  QCOMPARE(calls.size(), 2 + PositionCalls("1").size());

  // Byte by byte the same records are decoded once each, in the same order.
  TGen2Rig split;
  for (const char c : stream)
    split.Feed(QByteArray(1, c));
  QCOMPARE(split.Host.Calls, calls);
  QStringList states;
  for (const TPacket& p : split.Core.Gen2Index())
    states << QString::number(p.State);
  QCOMPARE(states, (QStringList{"1", "2", "2"}));
}

void TestGen2Decoder::languageOfLines() {
  TGen2Rig rig;
  rig.Host.Dictionary.SetLanguage(TDictionary::lnRussian);
  rig.Feed(Record(TGen2Decoder::kInputsOutputs, TBody().U16(1).U16(0).Bytes()));
  QCOMPARE(rig.Host.Calls.first(), Line("_InputOutput", "ID0", "Вход 0", "i:1"));
}

QTEST_GUILESS_MAIN(TestGen2Decoder)
#include "tst_gen2_decoder.moc"
