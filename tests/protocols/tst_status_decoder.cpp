// Generation-1 status records: grammar, every key group through the real receive path, decoder
// state, host hooks, failures and the once-only decoding of a packet.

#include "status_fixture.h"

#include <QCoreApplication>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <functional>

namespace {

const QString kDots32 = QString(32, u'.');

QString Gauge(int aBars, int aWidth) {
  return QString(aBars, u'|') + QString(aWidth - aBars, u'.');
}

} // namespace

class TestStatusDecoder : public QObject {
  Q_OBJECT

private Q_SLOTS:
  void initTestCase();
  void grammar_data();
  void grammar();
  void records_data();
  void records();
  void everyIdentShownHasAText();
  void decodedOnce();
  void failuresLeaveRecordUnrecognised();
  void portCounters();
  void timeRecordRefresh();
  void factorySteps_data();
  void factorySteps();
  void testResultOnlyWhileTesting_data();
  void testResultOnlyWhileTesting();
  void answers();
  void withoutPort();
  void scanReportsAreQueued();
};

void TestStatusDecoder::initTestCase() {
  // A comma locale shows which numbers follow the locale and which keep the device's ".".
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
}

void TestStatusDecoder::grammar_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("parsed");
  QTest::addColumn<QString>("key");
  QTest::addColumn<QStringList>("fields");

  QTest::newRow("plain") << ">GS=1;2;3\r\n" << true << "GS" << QStringList{"1", "2", "3"};
  QTest::newRow("no start sign") << "K=1" << true << "K" << QStringList{"1"};
  QTest::newRow("trailing separator") << ">A=1;\r\n" << true << "A" << QStringList{"1", ""};
  QTest::newRow("only a separator") << ">A=;\r\n" << true << "A" << QStringList{"", ""};
  QTest::newRow("empty value") << ">A=\r\n" << true << "A" << QStringList{};
  QTest::newRow("quotes") << ">A=\"x;y\";\"say \"\"hi\"\"\";z\r\n"
                          << true << "A" << QStringList{"x;y", "say \"hi\"", "z"};
  QTest::newRow("text after closing quote") << ">A=\"q\"t;z\r\n" << true << "A" << QStringList{"qt", "z"};
  QTest::newRow("unclosed quote") << ">A=\"abc;d\r\n" << true << "A" << QStringList{"abc;d"};
  QTest::newRow("spaces do not split") << ">A=a b; c\r\n" << true << "A" << QStringList{"a b", " c"};
  QTest::newRow("equals in value") << ">K=a=b\r\n" << true << "K" << QStringList{"a=b"};
  QTest::newRow("no equals") << ">ABC\r\n" << false << "" << QStringList{};
}

void TestStatusDecoder::grammar() {
  QFETCH(QString, text);
  QFETCH(bool, parsed);
  QFETCH(QString, key);
  QFETCH(QStringList, fields);

  TStatusRecord record;
  QCOMPARE(record.Parse(text), parsed);
  if (!parsed)
    return;
  QCOMPARE(record.Key(), key);
  QStringList got;
  for (int i = 0; i < record.Count(); ++i)
    got << record.F(i);
  QCOMPARE(got, fields);
  QCOMPARE(record.F(record.Count()), QString()); // a field that does not exist is empty
}

namespace {

using TRecordRowSink =
    std::function<void(const char* aName, const QString& aType, const QStringList& aRecords,
                       const QStringList& aExpected, int aState)>;

// The records of every key group and what the monitor receives from them (one row each).
void RecordRows(const TRecordRowSink& aSink) {
  const auto row = [&](const char* aName, const QString& aType, const QStringList& aRecords,
                       const QStringList& aExpected,
                       int aState = 2) { aSink(aName, aType, aRecords, aExpected, aState); };

  // Position and identity.
  row("GS", "", {"GS=7;45;130;12;90;1"},
      {"_Satellites=s:7", "_Speed=s:45", "_Altitude=s:130", "_HDOP=f:1.2", "_Azimuth=s:90",
       "_DataSource=s:satellites (GNSS)"});
  row("GS sources", "", {"GS=1;2;3;4;5;3", "GS=1;2;3;4;5"},
      {"_Satellites=s:1", "_Speed=s:2", "_Altitude=s:3", "_HDOP=f:0.4", "_Azimuth=s:5",
       "_DataSource=s:Wi-Fi access points {link}", "_Satellites=s:1", "_Speed=s:2", "_Altitude=s:3",
       "_HDOP=f:0.4", "_Azimuth=s:5"});
  row("GK no fix", "", {"GK=0.000000;0.000000"}, {"_Latitude=-", "_Longitude=-"});
  row("GK one zero", "", {"GK=0.000000;37.6"}, {"_Latitude=s:0.000000", "_Longitude=s:37.6"});
  row("DI", "", {"DI=303;2;5;1"}, {"_DeviceSubVer=s:1", "_DeviceType=s:303", "_SoftVersion=s:303:1|2.05"});
  row("DI above 65535", "", {"DI=70000;1;1;1", "DI=99999999999999999999;1;1;1", "DI=30a;1;1;1"}, {});
  row("UVI", "", {"UVI=303;2;5;1"}, {"_DeviceSubVer=s:1", "_DeviceType=s:303"});
  row("DN hex on 303", "303", {"DN=12345"}, {"_DeviceID=s:12345", "_DeviceIDHEX=s:3039"});
  row("DN other type", "213", {"DN=12345", "DN=12a"}, {"_DeviceID=s:12345"});
  row("MN", "", {"MN=123456789012345", "MN=12345678901234", "MN=12345678901234x"},
      {"_DeviceIMEI=s:123456789012345"});
  row("versions", "", {"USW=2.05", "USW=2.0b", "UHW=1.1", "SID1=8970", "SID1=89x", "WFM=", "WAP=ap"},
      {"_SoftVersion=s:2.05", "_HardVersion=s:1.1", "_ModemSIMICCID1=s:8970", "_ModuleWiFiAP=s:ap"});

  // Status words.
  row("DS all well", "303", {"DS=3967"},
      {"_InternalMemory=-", "_ExternalMemory=-", "_RealTimeClock=s:OK", "_ModemStatus=s:OK",
       "_ModemSIM=s:active", "_ModemPIN=s:not required", "_ModemSIM2=-", "_ModemPIN2=-",
       "_NavigationStatus=s:OK"});
  row("DS faults, no clock on 213", "213", {"DS=88"},
      {"_InternalMemory=s:no settings {red}", "_ExternalMemory=s:Error {red}",
       "_ModemStatus=s:no Answer {red}", "_ModemSIM=s:active", "_ModemPIN=s:PIN Required {white}",
       "_ModemSIM2=-", "_ModemPIN2=-", "_NavigationStatus=s:Error {red}",
       "_AccelerometerStatus=s:Error {red}"});
  row("DS second SIM in use", "", {"DS=204992"},
      {"_InternalMemory=s:no settings {red}", "_ExternalMemory=s:Error {red}",
       "_ModemStatus=s:power off {white}", "_ModemSIM=s:installed", "_ModemPIN=-", "_ModemSIM2=s:active",
       "_ModemPIN2=-", "_NavigationStatus=s:Error {red}", "_AccelerometerStatus=s:Error {red}"});
  row("DS2=4", "", {"DS2=4"},
      {"_NavigationStatus=s:off {grey}", "_ModemStatus=s:on", "_ModemSIM=s:no SIM card {red}",
       "_ModemSIM2=s:no SIM card {red}", "_Server0=s:not used {grey ~WEB}", "_Server1=s:not used {grey}",
       "_Server2=s:not used {grey}", "_Server3=s:not used {grey}", "_Server4=s:not used {grey}",
       "_ModuleReadings=s:park", "_Bluetooth=s:off {grey}"});
  row("DS2 second SIM, server 0 up", "", {"MD=h;1;t", "DS2=36708991"},
      {"_Server1=s:h:1 (t)", "_NavigationStatus=s:satellites finded", "_ModemSIM=s:home network {grey}",
       "_ModemSIM2=s:home network", "_Server0=s:in contact with server {~WEB}",
       "_Server1=s:not used {grey ~h:1}", "_Server2=s:not used {grey}", "_Server3=s:not used {grey}",
       "_Server4=s:in contact with server", "_ModuleReadings=s:Test error {red}", "_Bluetooth=s:on"});
  row("MS", "", {"MS=8", "MS=3", "MS=10"},
      {"_ModemNetworkState=s:waiting for connection {white}", "_ModemNetworkState=s:network registration",
       "_ModemNetworkState=s:10 {red}"});
  row("DF", "", {"DF=0;2", "DF=x"},
      {"_SettingsStatus=s:no assignments", "_SoftStatus=s:confirmation {red}", "_SettingsStatus=-",
       "_SoftStatus=-"});
  row("WS", "", {"WS=5;-70", "WS=10;1"},
      {"_ModuleWiFiStatus=s:scanning networks ... {yellow}", "_ModuleWiFiLevel=s:-70", "_ModuleWiFiStatus=-",
       "_ModuleWiFiLevel=s:1"});

  // Time, power and modem.
  row("TW a day and more", "", {"TW=1700000000;90061"},
      {"_InternalTtime=s:14.11.23 22:13:20", "_Uptime=s:01 01:01:01", "UpdateTypeInfo"});
  row("TW under an hour", "", {"TW=0;3599"},
      {"_InternalTtime=s:01.01.70 00:00:00", "_Uptime=s:00:59:59", "UpdateTypeInfo"});
  row("TW no uptime", "", {"TW=0;0", "TW=0;-5"},
      {"_InternalTtime=s:01.01.70 00:00:00", "_Uptime=-", "_InternalTtime=s:01.01.70 00:00:00", "_Uptime=-"});
  row("TM", "", {"TM=2;3600", "TM=2;86400", "TM=10;0"},
      {"_ModuleReadings=s:park", "_RestTime=-", "_ModuleReadings=s:park", "_RestTime=s:01 00:00:00",
       "_ModuleReadings=-", "_RestTime=-"});
  row("PB", "", {"PB=7990;3600", "PB=8000;3599"},
      {"_ExternalVoltage=f:7.99 {a0 red}", "_BatteryVoltage=f:3.6", "_ExternalVoltage=f:8",
       "_BatteryVoltage=f:3.59 {a0 red}"});
  row("ACC", "", {"ACC=1500;12;3;-4", "ACC=1000;", "ACC="},
      {"_Accelerometer=s:g: 1.500   Tilt: 12   x: 3   y: -4",
       "_Accelerometer=s:g: 1.000   Tilt: ", "_Accelerometer=s:g: 0.000"});
  row("ML", "", {"ML=7;250;01", "ML=7;0;0", "ML=31;999;99"},
      {"_ModemSignal=s:" + Gauge(7, 32) + " {~7}", "_ModemOperator=s:MTS",
       "_ModemSignal=s:" + Gauge(7, 32) + " {~7}", "_ModemOperator=-",
       "_ModemSignal=s:" + Gauge(31, 32) + " {~31}", "_ModemOperator=s:#99999"});
  row("MO", "", {"MO=MegaFon;25002", "MO=X;00000"},
      {"_ModemSignal=s:" + kDots32, "_ModemOperator=s:MegaFon - Россия", "_ModemSignal=s:" + kDots32,
       "_ModemOperator=-"});
  row("SMS", "", {"SMS=10;8;12", "SMS=5;5;0"},
      {"_ModemInOutSMS=s:10 / 12", "_ModemErrorSMS=s:2", "_ModemInOutSMS=s:5 / 0", "_ModemErrorSMS=-"});
  row("IG", "", {"IG=0", "IG=1", "IG=2"}, {"_Ignition=s: {a0 grey}", "_Ignition=s:"});
  row("SYS", "", {"SYS=1;x"}, {"_System=s:1 | 0"});
  row("APN quoted fields", "", {"APN=\"a;b\";\"say \"\"hi\"\"\";x"},
      {"_StringAPN=s:a;b", "_LoginAPN=s:say \"hi\"", "_PasswordAPN=s:x"});
  row("byte per character", "", {QStringLiteral("APN=caf\u00E9")},
      {QStringLiteral("_StringAPN=s:caf\u00E9"), "_LoginAPN=s:", "_PasswordAPN=s:"});

  // Servers and stored data.
  row("MD2 not configured", "", {"MD2=;0;x", "RW2=100;150;1000;0", "FS2=50;100;1000;0"}, {});
  row("MD2 configured again", "", {"MD2=;0;x", "MD2=srv;5000;b", "RW2=100;150;1000;0", "FS2=50;100;1000;0"},
      {"_Server2=s:srv:5000 (b)", "_StrorageSendServer2=s:95,00 %", "_FileSendServer2=s:50,00 %"});
  row("MD3 port 0", "", {"MD3=srv;0;b", "RW3=100;150;1000;0"}, {"_Server3=s:srv:0 (b)"});
  row("MD repeated", "", {"MD0=1", "MD0=1", "MD=h;1;t", "MD1=h;1;t"},
      {"_Server0=s:WEB SERVER", "_Server1=s:h:1 (t)"});
  row("RW1 shares", "", {"RW1=100;150;1000;0", "RW1=900;100;1000;0", "RW1=5;5;1000;0", "RW1=1;2;0;0"},
      {"_StrorageSendServer1=s:95,00 %", "_StrorageSendServer1=s:80,00 %", "_StrorageSendServer1=s:100 %"});
  row("RW", "", {"RW=10/20;300", "RW=7;1"},
      {"_StrorageWrite=s:300", "_StrorageSendServer1=s:10", "_StrorageSendServer2=s:20", "_StrorageWrite=s:1",
       "_StrorageSendServer1=s:", "_StrorageSendServer2=s:7"});
  row("FS1 shares", "", {"FS1=50;100;1000;0", "FS1=900;100;1000;0", "FS1=0;10;0;0", "FS1=5;0;9;0"},
      {"_FileWrite=s:5,00 %", "_FileSendServer1=s:50,00 %", "_FileWrite=s:100 %",
       "_FileSendServer1=s:80,00 %", "_FileSendServer1=s:0,00 %", "_FileWrite=s:100 %"});
  row("whole values", "", {"WSP=a;b;\"c\""}, {"_PointWIFI=s:a;b;\"c\""});

  // Vehicle bus.
  row("CAN singles", "", {"CC=123456", "CG=455", "CH=2500", "CV=v1.2"},
      {"_CanMileage=f:1234.56", "_CanFuelPercent=f:45.5", "_CanEngineRPM=i:2500", "_CanProgram=s:v1.2"});
  row("CAN numbered", "", {"CAN=53;100", "CAN=66;5", "CAN=051;3", "CAN=215;abc", "CAN=59;x"},
      {"_CanMileage=f:1", "_CanPar215=s:abc", "_CanSpeed=i:0"});
  row("CS flags", "", {"CS=1048832"},
      {"_CanSecurity=i:1048832", "_CAN_S_DRIVER_DOOR_OPEN=s:", "_CAN_S_PASSENGER_DOOR_OPEN=s: {a0 grey}",
       "_CAN_S_TRUNK_OPEN=s: {a0 grey}", "_CAN_S_COVER_OPEN=s: {a0 grey}",
       "_CAN_S_HAND_BRAKE_ON=s: {a0 grey}", "_CAN_S_FOOT_BRAKE_ON=s: {a0 grey}",
       "_CAN_S_ENGINE_ON=s: {a0 grey}", "_CAN_S_WEBASTO=s: {a0 grey}", "_CAN_S_IGNITION_ON=s: {a0 grey}",
       "_CAN_S_FACTORY_ALARM=s: {a0 grey}", "_CAN_S_FACTORY_LOCKED=s: {a0 grey}",
       "_CAN_S_KEY_INSERTED=s: {a0 grey}", "_CAN_S_DYNAMIC_IGNITION_ON=s:"});
  row("CBS and CBR", "", {"CBS=0;;3;9", "CBR=2;500", "CBR=5;1"},
      {"_CanState1=s:Bus not uses {grey}", "_CanLogState3=s:Calculation of bus speed {yellow}",
       "_CanLogSpeed2=s:500"});
  row("VELODAT", "", {"VELODAT=0;0001F465", "VELODAT=0;05A0FF69", "VELODAT=0;0a0b0c70", "VELODAT=0;12345G78"},
      {"_KestPar101=f:50", "_KestPar105_1=s:11111111", "_KestPar105_2=s:10100000", "_KestPar105_3=i:5",
       "_KestPar112=s:0A 0B 0C"});

  // Inputs, outputs and sensors.
  row("pins", "", {"I15=1", "IA2=3300", "ID7=1", "O10=1", "I32=2", "IF12=50", "IX1=1"},
      {"item _InputOutput/5 _InOut 'PIN 5. In [mode 1]'! = s: {E_ units:}",
       "item _InputOutput/2 _InOut 'PIN 2. In analog'! = s:3300 {units:mV}",
       "item _InputOutput/7 _InOut 'PIN 7. In discrete'! = s:1 {units:}", "ValueOut:1",
       "item _InputOutput/0 _InOut 'PIN 0. Out [mode 1]'! = s: {E_ units:}",
       QStringLiteral("item _InputOutput/2 _InOut 'PIN 2. In [mode 3]'! = s:ожидание {yellow Y_ units:}"),
       "item _InputOutput/12 _InOut 'PIN 12. In frequency'! = s:50 {units:Hz}"},
      1);
  row("LLS", "",
      {"LLS=3;1;2048;250;55", "LLS=2;12;100;20;37", "LLS=0;1;100;20;5", "LLS=4;1;1;1;1", "LLS=3;123;1;1;1"},
      {QStringLiteral("item _SensorDUT/[ZRA] FLS 1 '[ZRA] FLS 1' = s:2048 | 55 % | -6 °C"),
       QStringLiteral("item _SensorDUT/[BLE] FLS 12 '[BLE] FLS 12' = s:100 | 3,7 V | 20 °C"),
       QStringLiteral("item _SensorDUT/[232] FLS 1 '[232] FLS 1' = s:100 | 5 Hz | 20 °C")});
  row("MBR", "", {"MBR=1;0;17;345", "MBR=3;0;17;345", "MBR=0;0;70000;1"},
      {"item _SensorMB/[485]  MBR 17 '[485] Modbus register 17' = s:345"});
  row("ZRE and ZREM", "", {"ZRE=2;36;21;0", "ZREM=2;80;21;1", "ZRE=22;1;1;1"},
      {QStringLiteral("item _SensorOWT/[ZRE] FLS 2 '[ZRE] FLS 2' = s:21 °C | 3,6 V | Open"),
       QStringLiteral("item _SensorOWT/[ZREm] FLS 2 '[ZREm] FLS 2' = s:21 °C | 80 % | Closed")});
  row("OWT and ZRM", "", {"OWT=1;28FF;23", "ZRM=12;34;1500", "ZRM=12;34", "ZRM=;34;1"},
      {QStringLiteral("item _SensorOWT/[OWT] FLS 1 '[OWT] FLS 1' = s:23 °C | 28FF"),
       QStringLiteral("item _SensorOWK/[ZRM] 12:34 'iBeacon' = s:(01,50 м) MA: 00012, MI: 00034"),
       "item _SensorOWK/[ZRM] 12:34 'iBeacon' = s:MA: 00012, MI: 00034"});
  row("relays, UPC, keys", "", {"RLE=1;1", "RLE=2;0", "UPC=3;0", "OWK=1;ABCD", "ADK=1;2"},
      {"item _SensorRELAY/RELAY1 'Relay 1' = s:on", "item _SensorRELAY/RELAY2 'Relay 2' = s:off",
       "item _SensorUPC/UPC3 'UPC 3' = s:off", "item _SensorOWK/OWK1 '1-Wire key 1' = s:ABCD",
       "_SensorADM=s:1 | 2"});
  row("BLE slots", "", {"BLE=3;AA:BB;-60", "BLE=11;x;y"}, {"_BLE3=s:AA:BB [-60 dBm]"});

  // Factory test and progress.
  row("TEST", "", {"TEST=GNSS;OK", "TEST=1-Wire;ERROR", "TEST=MEM;SKIP", "TEST=FOO;OK", "TEST=gnss;OK"},
      {"_TestGNSS=s:OK", "_Test1WIRE2=s:ERROR {red}", "_TestMEM=s:SKIP {lgrey}"});
  row("UP", "", {"UP=512;1024", "UP=1;0"}, {"_UPD_progress=s:" + Gauge(25, 50), "_UPD_load=s:0,5/1,0 KB"});

  // Unknown keys and records that fail.
  row("unknown key", "", {"XYZ=1"}, {}, 1);
  row("keys are case sensitive", "", {"gk=0.000000;0.000000"}, {}, 1);
  row("DN beyond 64 bits", "303", {"DN=99999999999999999999999"}, {"_DeviceID=s:99999999999999999999999"}, 1);
  row("LLS non-number", "", {"LLS=3;1;2048;x;55"}, {}, 1);
  row("MBR empty address", "", {"MBR=0;0;;1"}, {}, 1);
  row("ZRE empty voltage", "", {"ZRE=2;;21;0"}, {}, 1);
}

} // namespace

void TestStatusDecoder::records_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<QStringList>("records");
  QTest::addColumn<QStringList>("expected");
  QTest::addColumn<int>("state"); // of the last record
  RecordRows([](const char* aName, const QString& aType, const QStringList& aRecords,
                const QStringList& aExpected,
                int aState) { QTest::newRow(aName) << aType << aRecords << aExpected << aState; });
}

void TestStatusDecoder::records() {
  QFETCH(QString, type);
  QFETCH(QStringList, records);
  QFETCH(QStringList, expected);
  QFETCH(int, state);

  TStatusRig rig;
  if (!type.isEmpty())
    rig.Identity(type);
  int last = -1;
  for (const QString& record : records)
    last = rig.Feed(record);
  QCOMPARE(rig.Host.Calls, expected);
  QCOMPARE(last, state);
}

void TestStatusDecoder::everyIdentShownHasAText() {
  // The idents the decoder puts values on, and the sections it adds lines to, are monitor
  // captions: each needs a text in both languages, or the technician reads the bare key.
  QSet<QString> idents;
  const QRegularExpression value(QStringLiteral("^(_[^= ]+)="));
  const QRegularExpression section(QStringLiteral("^item (_[^/]+)/"));
  RecordRows([&](const char*, const QString& aType, const QStringList& aRecords, const QStringList&, int) {
    TStatusRig rig;
    if (!aType.isEmpty())
      rig.Identity(aType);
    for (const QString& record : aRecords)
      rig.Feed(record);
    for (const QString& call : rig.Host.Calls)
      for (const QRegularExpression& pattern : {value, section})
        if (const QRegularExpressionMatch m = pattern.match(call); m.hasMatch())
          idents.insert(m.captured(1));
  });
  QVERIFY(idents.size() > 100);
  const TDictionary dictionary;
  QStringList bare;
  for (const QString& ident : idents)
    if (dictionary.Translate(0, ident) == ident || dictionary.Translate(1, ident) == ident)
      bare << ident;
  bare.sort();
  QVERIFY2(bare.isEmpty(), qPrintable(bare.join(QStringLiteral(", "))));
}

void TestStatusDecoder::decodedOnce() {
  // Records arrive byte by byte while the generation is still being detected; detection then
  // frames the stretch again. Every record must reach the monitor, the port and the device once:
  // the records that decided detection too, and their answers must not go out twice.
  TStatusRecorder host;
  TManualClock clock;
  TExchangeCore core(host, clock);
  TStatusDecoderV1 decoder(core, host);
  TFakeDriver driver;
  driver.Connect();
  TPortInfo port(core);
  port.SetCom(&driver);
  host.Port = &port;
  QHash<qint64, int> calls;
  core.SetDecoder(1, [&](int i) {
    ++calls[core.Gen1Index()[std::size_t(i)].Position];
    decoder.OnPacketEventV1(i);
  });

  const QByteArray stream = ">SR=1\r\n>TMP=21\r\n>TMP=22\r\n>TMP=23\r\n>TMP=24\r\n";
  for (const char c : stream)
    core.QReceiveData(nullptr, &c, 1);
  QCOMPARE(core.Version(), vtVersion1);
  QCOMPARE(host.Calls.filter(QStringLiteral("_Temperature=")),
           (QStringList{"_Temperature=s:21", "_Temperature=s:22", "_Temperature=s:23", "_Temperature=s:24"}));
  QCOMPARE(host.Calls.filter(QStringLiteral("Hint1:")),
           QStringList{QStringLiteral("Hint1:") + host.Translate("SR1")});
  QCOMPARE(driver.Written, QList<QByteArray>{QByteArray(">D 15;0\r\n")});
  // The deciding record went to the decoder twice (quietly, then for real); the rest once.
  QCOMPARE(calls.size(), 5);
  QCOMPARE(calls.value(0), 2);
  for (auto it = calls.cbegin(); it != calls.cend(); ++it)
    if (it.key() != 0)
      QCOMPARE(it.value(), 1);

  // Handing a recognised packet over once more changes nothing.
  host.Calls.clear();
  for (int i = 0; i < int(core.Gen1Index().size()); ++i)
    decoder.OnPacketEventV1(i);
  QCOMPARE(host.Calls, QStringList());
}

void TestStatusDecoder::failuresLeaveRecordUnrecognised() {
  TStatusRig rig;
  TPacketArray& index = rig.Core.Gen1Index();

  // An entry that points past the end of the traffic log: the read throws inside the decoder.
  index.push_back(TPacket{0, rig.Core.TrafficLog().Size() + 10, 8, psComplete});
  QVERIFY_THROWS_NO_EXCEPTION(rig.Decoder.OnPacketEventV1(int(index.size()) - 1));
  QCOMPARE(index.back().State, quint8(psComplete));
  QVERIFY_THROWS_NO_EXCEPTION(rig.Decoder.OnPacketEventV1(-1));
  QVERIFY_THROWS_NO_EXCEPTION(rig.Decoder.OnPacketEventV1(int(index.size())));

  // A settings image the window rejects: the record fails, but the answer still counts.
  rig.Host.FailImage = true;
  QCOMPARE(rig.Feed(QStringLiteral("SF=\"AAD//w==\"")), int(psComplete));
  QVERIFY(rig.Port->HaveSettings());
  QVERIFY(rig.Core.SettingsReady());

  // The decoder goes on with the next record.
  QCOMPARE(rig.Feed(QStringLiteral("TMP=5")), int(psRecognised));
}

void TestStatusDecoder::portCounters() {
  TStatusRig rig;
  TPortInfo& port = *rig.Port;
  rig.Feed(QStringLiteral("RW3=100;150;1000;7"));
  QCOMPARE(port.FMemorySend3, 100);
  QCOMPARE(port.FMemoryWrite, 150);
  QCOMPARE(port.FMemoryCount, 1000);
  QCOMPARE(port.FMemoryOffset, 7);

  // A server that is not configured shows no share, but its counters still count.
  rig.Feed(QStringLiteral("MD2=;0;x"));
  QCOMPARE(rig.Decoder.ServerAddress(2), QStringLiteral("-"));
  rig.Feed(QStringLiteral("RW2=11;12;13;14"));
  rig.Feed(QStringLiteral("FS2=21;22;23;24"));
  QCOMPARE(port.FMemorySend2, 11);
  QCOMPARE(port.FMemoryWrite, 12);
  QCOMPARE(port.FFileSend2, 21);
  QCOMPARE(port.FFileWrite, 22);
  QCOMPARE(port.FFileCount, 23);
  QCOMPARE(port.FFileOffset, 24);

  rig.Feed(QStringLiteral("RW=5/6;4000000000")); // beyond 32 bits: not a counter value
  QCOMPARE(port.FMemoryWrite, 0);
}

void TestStatusDecoder::timeRecordRefresh() {
  TStatusRig rig;
  const auto refreshes = [&] { return rig.Host.Count(QStringLiteral("UpdateTypeInfo")); };

  // A device without uptime is asked again at the eleventh record, then every 31st.
  for (int i = 0; i < 10; ++i)
    rig.Feed(QStringLiteral("TW=0;5"));
  QCOMPARE(refreshes(), 0);
  rig.Feed(QStringLiteral("TW=0;5"));
  QCOMPARE(refreshes(), 1);
  QCOMPARE(rig.Decoder.UptimeThreshold(), 35);

  // Then whenever 30 s of its own time have passed.
  rig.Feed(QStringLiteral("TW=0;35"));
  QCOMPARE(refreshes(), 1);
  rig.Feed(QStringLiteral("TW=0;36"));
  QCOMPARE(refreshes(), 2);
  QCOMPARE(rig.Decoder.TimeRecordCounter(), 0);

  // A negative uptime never triggers on its own.
  for (int i = 0; i < 30; ++i)
    rig.Feed(QStringLiteral("TW=0;-1"));
  QCOMPARE(refreshes(), 2);
  rig.Feed(QStringLiteral("TW=0;-1"));
  QCOMPARE(refreshes(), 3);
}

void TestStatusDecoder::factorySteps_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("imei");
  QTest::addColumn<int>("updateOperation");
  QTest::addColumn<QString>("record");
  QTest::addColumn<QStringList>("expected"); // the hooks called beyond the value itself

  QTest::newRow("BTM 303") << "303"
                           << "0"
                           << "" << 0 << "BTM=AA" << QStringList{"Operation:6"};
  QTest::newRow("BTM 306") << "306"
                           << "0"
                           << "" << 0 << "BTM=AA" << QStringList{"Operation:9"};
  QTest::newRow("BTM 304") << "304"
                           << "0"
                           << "" << 0 << "BTM=AA" << QStringList{};
  QTest::newRow("BTM device has ID") << "303"
                                     << "77"
                                     << "" << 0 << "BTM=AA" << QStringList{};
  QTest::newRow("BTM update running") << "303"
                                      << "0"
                                      << "" << 4 << "BTM=AA" << QStringList{};
  QTest::newRow("BTM empty") << "303"
                             << "0"
                             << "" << 0 << "BTM=" << QStringList{};
  QTest::newRow("SID0 304") << "304"
                            << "0"
                            << "123456789012345" << 0 << "SID0=8970" << QStringList{"Operation:8"};
  QTest::newRow("SID0 304 no IMEI") << "304"
                                    << "0"
                                    << "" << 0 << "SID0=8970" << QStringList{};
  QTest::newRow("INFO 304 flow 8") << "304"
                                   << "0"
                                   << "" << 8 << "TEST=INFO;OK" << QStringList{"Stage:3"};
  QTest::newRow("INFO 305 flow 9") << "305"
                                   << "0"
                                   << "" << 9 << "TEST=INFO;OK" << QStringList{"Stage:3"};
  QTest::newRow("INFO 305 flow 8") << "305"
                                   << "0"
                                   << "" << 8 << "TEST=INFO;OK" << QStringList{};
  QTest::newRow("INFO failed") << "304"
                               << "0"
                               << "" << 8 << "TEST=INFO;ERROR" << QStringList{};
}

void TestStatusDecoder::factorySteps() {
  QFETCH(QString, type);
  QFETCH(QString, name);
  QFETCH(QString, imei);
  QFETCH(int, updateOperation);
  QFETCH(QString, record);
  QFETCH(QStringList, expected);

  TStatusRig rig;
  if (!imei.isEmpty())
    rig.Port->SetDeviceIMEI(imei);
  rig.Identity(type, name);
  rig.Host.Operation = quint8(updateOperation);
  rig.Host.Stage = 2; // a running flow waits for its test
  QCOMPARE(rig.Feed(record), int(psRecognised));
  QCOMPARE(rig.Host.Calls.filter(QRegularExpression(QStringLiteral("^(Operation|Stage):"))), expected);
}

void TestStatusDecoder::testResultOnlyWhileTesting_data() {
  QTest::addColumn<int>("stage");
  QTest::addColumn<bool>("moves");
  QTest::newRow("starting") << 1 << false;
  QTest::newRow("testing") << 2 << true;
  QTest::newRow("registering") << 3 << false;
  QTest::newRow("checking") << 4 << false;
}

// A second or late INFO result must not send a flow back to registration.
void TestStatusDecoder::testResultOnlyWhileTesting() {
  QFETCH(int, stage);
  QFETCH(bool, moves);
  TStatusRig rig;
  rig.Identity(QStringLiteral("305"), QStringLiteral("0"));
  rig.Host.Operation = 9;
  rig.Host.Stage = quint8(stage);
  rig.Feed(QStringLiteral("TEST=INFO;OK"));
  QCOMPARE(rig.Host.Calls.contains(QStringLiteral("Stage:3")), moves);
}

void TestStatusDecoder::answers() {
  TStatusRig rig;
  rig.Feed(QStringLiteral("SR=1"));
  QCOMPARE(rig.Host.Hints, (QList<QPair<int, QString>>{{1, QStringLiteral("Settings saved successfully")}}));
  QCOMPARE(rig.Driver.Written, QList<QByteArray>{">D 15;0\r\n"});
  rig.Feed(QStringLiteral("SR=0"));
  QCOMPARE(rig.Host.Hints.last(), (QPair<int, QString>{0, QStringLiteral("Save error")}));
  QCOMPARE(rig.Driver.Written.size(), 1);

  rig.Host.Calls.clear();
  QVERIFY(!rig.Core.SettingsReady());
  QCOMPARE(rig.Feed(QStringLiteral("SF=\"AAD//w==\"")), int(psRecognised));
  QCOMPARE(rig.Host.Calls, QStringList{"Image:AAD//w=="});
  QVERIFY(rig.Core.SettingsReady());
  QVERIFY(rig.Port->HaveSettings());

  // A firmware frame goes to the transfer whole, and its packet stays unrecognised.
  rig.Host.Calls.clear();
  QCOMPARE(rig.Feed(QStringLiteral("UPD=\"WwE=\"")), int(psComplete));
  QCOMPARE(rig.Host.Calls, QStringList{"UPD:\"WwE=\""});

  rig.Port->SetDeviceSOFT(QStringLiteral("303:1|2.05"));
  rig.Host.Calls.clear();
  rig.Feed(QStringLiteral("USR=7"));
  QCOMPARE(rig.Host.Calls, QStringList{"_SoftVersion=s:303:1|2.05 | 7"});
}

void TestStatusDecoder::withoutPort() {
  TStatusRig rig(false);
  for (const char* record : {"SR=1", "SF=\"AAD//w==\"", "USR=7", "RW1=1;2;3;4", "RW=1/2;3", "FS1=1;2;3;4"})
    QCOMPARE(rig.Feed(QLatin1String(record)), int(psRecognised));
  QCOMPARE(rig.Feed(QStringLiteral("UPD=\"WwE=\"")), int(psComplete));
  QCOMPARE(rig.Host.Calls, QStringList());
  QVERIFY(!rig.Core.SettingsReady());
  rig.Feed(QStringLiteral("BTM=AA")); // no factory step without a port, but the value shows
  QCOMPARE(rig.Host.Calls, QStringList{"_BluetoothMAC=s:AA"});
}

void TestStatusDecoder::scanReportsAreQueued() {
  TStatusRig rig;
  rig.Feed(QStringLiteral("BLESCAN=AA:BB;-60;AgEG"));
  rig.Feed(QStringLiteral("BLESCAN=AA:BB;-60;A"));
  rig.Feed(QStringLiteral("WIFISCAN=11:22;-50;SG9tZSBXaS1GaQ=="));
  rig.Feed(QStringLiteral("WIFISCAN=11:22;-50;%%%"));
  rig.Feed(QStringLiteral("LBSSCAN=250;01;-70;1234;5678"));
  rig.Feed(QStringLiteral("LBSSCAN=250;01;-70;;5678"));
  // Nothing reaches the lists while the receive path is still running.
  QCOMPARE(rig.Host.Calls, QStringList());
  QCoreApplication::sendPostedEvents();
  QCOMPARE(rig.Host.Calls,
           (QStringList{"BLE:AA:BB|-60|AgEG", "WiFi:11:22|-50|Home Wi-Fi", "LBS:250|01|-70|1234|5678"}));

  // Reports still queued when the decoder goes away are dropped with it.
  rig.Host.Calls.clear();
  {
    TStatusDecoderV1 shortLived(rig.Core, rig.Host);
    shortLived.Install();
    rig.Feed(QStringLiteral("LBSSCAN=250;01;-70;1;2"));
  }
  rig.Decoder.Install();
  QCoreApplication::sendPostedEvents();
  QCOMPARE(rig.Host.Calls, QStringList());
}

QTEST_GUILESS_MAIN(TestStatusDecoder)
#include "tst_status_decoder.moc"
