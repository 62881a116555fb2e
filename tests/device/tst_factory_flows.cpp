// The production-line flows: the requests they build, and each flow driven tick by tick against a
// web stand-in, with the device's answers fed through the receive path.

#include "factory/factory_requests.h"
#include "factory_fixture.h"
#include "updates/crypto/aes128ctr.h"
#include "updates/crypto/checksums.h"

#include <QtTest>

using namespace FactoryRequests;

namespace {

const QByteArray kIdentity = ">I 7\r\n";

TRegistration Example303() {
  TRegistration r;
  r.Mac = QStringLiteral("C8F09E000000");
  r.Lot = 0x12;
  r.Firmware = QStringLiteral("0107");
  r.Type = QStringLiteral("303");
  return r;
}

// The registration query a GET carried, decrypted with the rig's key and counter.
QString DecryptedQuery(const QUrl& aUrl) {
  const QByteArray encoded = aUrl.toEncoded();
  const qsizetype mark = encoded.indexOf("/factory_qmr.php?");
  if (mark < 0)
    return {};
  bool ok = false;
  const QByteArray cipher =
      Base64Decode(QString::fromLatin1(encoded.mid(mark + qsizetype(qstrlen("/factory_qmr.php?")))), &ok);
  if (!ok)
    return {};
  return QString::fromUtf8(
      TAES128CTR::Apply(cipher, QStringLiteral("k3y"), QStringLiteral("1234567890123456")));
}

} // namespace

class TestFactoryFlows : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void registrationQuery_data();
  void registrationQuery();
  void registrationIsEncrypted();
  void testServiceBody_data();
  void testServiceBody();
  void answerSerials_data();
  void answerSerials();
  void refusals_data();
  void refusals();
  void lotDialogHoldsTheFlow();
  void rfidRegistration_data();
  void rfidRegistration();
  void rfidWaitsForTheId();
  void rfidTimesOut();
  void test304RegistersOnce();
  void test304BadSerialTouchesNothing();
  void selfTestTimesOut();
  void selfTestRegistersOnce();
  void lateAnswerOfEndedFlowIsDropped();
};

void TestFactoryFlows::registrationQuery_data() {
  QTest::addColumn<QString>("mac");
  QTest::addColumn<bool>("extras");
  QTest::addColumn<QString>("expected");
  QTest::newRow("type 303") << "C8F09E000000" << false
                            << "ver=2&mac=C8F09E000000&nop=0012&fws=0107&sts=V1&tos=303&crc=1037046606";
  QTest::newRow("type 304 with extras") << "C8F09E000000" << true
                                        << "ver=2&mac=C8F09E000000&nop=0012&fws=0107&sts=V1&tos=304&vo1="
                                           "359254060123456&vo2=89701010000000000001&"
                                           "vo3=123&crc=1140440685";
  // A stray separator in what the device reported stays inside its value.
  QTest::newRow("escaped") << "AB&tos=1 \"" << false
                           << QString("ver=2&mac=AB%26tos%3D1%20%22&nop=0012&fws=0107&sts=V1&tos=303&crc=") +
                                  QString::number(Crc32Text(QStringLiteral(
                                      "ver=2&mac=AB%26tos%3D1%20%22&nop=0012&fws=0107&sts=V1&tos=303")));
}

void TestFactoryFlows::registrationQuery() {
  QFETCH(QString, mac);
  QFETCH(bool, extras);
  QFETCH(QString, expected);
  TRegistration r = Example303();
  r.Mac = mac;
  if (extras) {
    r.Type = QStringLiteral("304");
    r.WithExtras = true;
    r.Imei = QStringLiteral("359254060123456");
    r.Iccid = QStringLiteral("89701010000000000001");
    r.Serial = QStringLiteral("123");
  }
  QCOMPARE(RegistrationQuery(r), expected);
}

void TestFactoryFlows::registrationIsEncrypted() {
  // Encrypted independently (openssl enc -aes-128-ctr, key "k3y" padded with zero bytes).
  const QString path =
      RegistrationPath(Example303(), QStringLiteral("k3y"), QStringLiteral("1234567890123456"));
  QCOMPARE(path, QStringLiteral("/factory_qmr.php?t58k6h2HmY27xWD4PSiwSyw6/"
                                "OoCI+kwkDh30dSMloGg0ED1eDZxMCBsZ46P9HEu2LDNFqBC517qWAnaRx/"
                                "KNnfvEB7dmQ=="));
  QCOMPARE(DecryptedQuery(QUrl(QStringLiteral("http://reg.test") + path)),
           QStringLiteral("ver=2&mac=C8F09E000000&nop=0012&fws=0107&sts=V1&tos=303&crc=1037046606"));
}

void TestFactoryFlows::testServiceBody_data() {
  QTest::addColumn<QString>("iccid");
  QTest::addColumn<QByteArray>("expected");
  QTest::newRow("plain") << "89701010000000000001"
                         << QByteArray(
                                "{\"iccid\":\"89701010000000000001\",\"fw\":\"0107\",\"hw\":\"1\",\"mac\":"
                                "\"C8:F0:9E:00:00:00\",\"description\":\"0012\",\"imei\":\"359254060123456\","
                                "\"type\":\"type1\"}");
  QTest::newRow("escaped")
      << "89\"7\\0\n"
      << QByteArray("{\"iccid\":\"89\\\"7\\\\0\\n\",\"fw\":\"0107\",\"hw\":\"1\",\"mac\":"
                    "\"C8:F0:9E:00:00:00\",\"description\":\"0012\",\"imei\":\"359254060123456\","
                    "\"type\":\"type1\"}");
  // A character outside the basic plane is two UTF-16 units and must stay one UTF-8 character.
  QTest::newRow("beyond the basic plane")
      << QString::fromUtf8("89\xF0\x9F\x93\xB6")
      << QByteArray("{\"iccid\":\"89\xF0\x9F\x93\xB6\",\"fw\":\"0107\",\"hw\":\"1\",\"mac\":"
                    "\"C8:F0:9E:00:00:00\",\"description\":\"0012\",\"imei\":\"359254060123456\","
                    "\"type\":\"type1\"}");
}

void TestFactoryFlows::testServiceBody() {
  QFETCH(QString, iccid);
  QFETCH(QByteArray, expected);
  TTestDevice d;
  d.Iccid = iccid;
  d.Firmware = QStringLiteral("0107");
  d.Mac = QStringLiteral("C8F09E000000");
  d.Lot = 0x12;
  d.Imei = QStringLiteral("359254060123456");
  const QByteArray body = TestServiceBody(d);
  QCOMPARE(body, expected);
  QVERIFY(QJsonDocument::fromJson(body).isObject());
}

// Serials as the two services may give them: text, or a JSON number of any size (converting a
// double beyond 64 bits to an integer is undefined, which the sanitizer build traps).
void TestFactoryFlows::answerSerials_data() {
  QTest::addColumn<QByteArray>("body");
  QTest::addColumn<QString>("registration"); // the registration answer's serial
  QTest::addColumn<QString>("test");         // the test service's serial
  QTest::newRow("text") << QByteArray(R"({"sn":"A2B4"})") << "A2B4"
                        << "A2B4";
  QTest::newRow("whole number") << QByteArray(R"({"sn":4100001234})") << "4100001234"
                                << "4100001234";
  QTest::newRow("fraction") << QByteArray(R"({"sn":12.5})") << "12.5" << QString();
  QTest::newRow("negative") << QByteArray(R"({"sn":-7})") << "-7" << QString();
  QTest::newRow("beyond 64 bits") << QByteArray(R"({"sn":1e300})") << "1e+300" << QString();
  QTest::newRow("beyond 64 bits, negative") << QByteArray(R"({"sn":-1e19})") << "-1e+19" << QString();
}

void TestFactoryFlows::answerSerials() {
  QFETCH(QByteArray, body);
  QFETCH(QString, registration);
  QFETCH(QString, test);
  QCOMPARE(ParseRegistrationAnswer(body).Serial, registration);
  QCOMPARE(ParseTestServiceSerial(body), test);
}

void TestFactoryFlows::refusals_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<int>("operation");
  QTest::addColumn<QString>("field"); // emptied, or "config"/"name"
  QTest::addColumn<QString>("hint");
  QTest::newRow("no MAC") << "303" << 6 << "mac"
                          << "fac_noident";
  QTest::newRow("short MAC") << "305" << 9 << "shortmac"
                             << "fac_noident";
  QTest::newRow("304 no ICCID") << "304" << 8 << "iccid"
                                << "fac_noident304";
  QTest::newRow("no registration host") << "303" << 6 << "config"
                                        << "fac_notconfigured";
  QTest::newRow("no test token") << "304" << 8 << "token"
                                 << "fac_testnotconfigured";
  QTest::newRow("has ID") << "305" << 9 << "name"
                          << "mes_devicetestRFIDhasalready";
}

// A flow that cannot register what it needs starts nothing: no request, no byte to the device.
void TestFactoryFlows::refusals() {
  QFETCH(QString, type);
  QFETCH(int, operation);
  QFETCH(QString, field);
  QFETCH(QString, hint);
  TFactoryRig rig(type);
  if (field == QLatin1String("mac"))
    rig.Port->SetDeviceMAC(QString());
  else if (field == QLatin1String("shortmac"))
    rig.Port->SetDeviceMAC(QStringLiteral("C8F09E00000"));
  else if (field == QLatin1String("iccid"))
    rig.Port->SetDeviceICCID(QString());
  else if (field == QLatin1String("config"))
    rig.Host.Config.RegistrationService = QUrl();
  else if (field == QLatin1String("token"))
    rig.Host.Config.TestToken.clear();
  else if (field == QLatin1String("name"))
    rig.Port->SetDeviceName(QStringLiteral("77"));
  rig.Driver.Written.clear();
  rig.Port->SetOperation(quint8(operation));
  QVERIFY(rig.Host.HasHint(0, rig.Host.Translate(hint)));
  QCOMPARE(rig.Port->Operation(), quint8(0));
  QCOMPARE(rig.Poll.UpdateOperation(), quint8(0));
  QVERIFY(rig.Web.Requests.isEmpty());
  QVERIFY(rig.Sent().isEmpty());
  QVERIFY(!rig.Tick());
}

void TestFactoryFlows::lotDialogHoldsTheFlow() {
  TFactoryRig rig(QStringLiteral("303"));
  rig.Host.Confirmed = false;
  rig.Port->SetOperation(6);
  QCOMPARE(rig.Host.LotDialogs.size(), 1);
  // The flow is taken while the dialog is open: a second identity record starts nothing.
  QCOMPARE(rig.Poll.UpdateOperation(), quint8(6));
  rig.Receive(">BTM=C8F09E000000\r\n");
  QCOMPARE(rig.Host.LotDialogs.size(), 1);
  rig.Port->SetOperation(6);
  QVERIFY(rig.Host.HasHint(0, rig.Host.Translate(QStringLiteral("fac_busy"))));
  QCOMPARE(rig.Host.LotDialogs.size(), 1);
  QVERIFY(rig.Web.Requests.isEmpty());
  // Confirmed: the flow goes on by itself.
  rig.Host.Confirmed = true;
  rig.Host.LotDialogs.takeFirst()();
  QCOMPARE(rig.Web.Requests.size(), 1);
  QCOMPARE(rig.Port->Operation(), quint8(6));

  // Cancelled with no lot at all: refused, free again.
  TFactoryRig empty(QStringLiteral("303"));
  empty.Host.Lot = 0;
  empty.Port->SetOperation(6);
  empty.Host.LotDialogs.takeFirst()();
  QVERIFY(empty.Host.HasHint(0, empty.Host.Translate(QStringLiteral("EnterLotNumber"))));
  QCOMPARE(empty.Poll.UpdateOperation(), quint8(0));
  QVERIFY(empty.Web.Requests.isEmpty());
}

void TestFactoryFlows::rfidRegistration_data() {
  QTest::addColumn<int>("status");
  QTest::addColumn<QByteArray>("body");
  QTest::addColumn<QByteArray>("fct"); // empty: the device is left alone
  QTest::addColumn<int>("hintKind");   // of the answer's hint; -1: a message box
  QTest::addColumn<QString>("hintText");
  QTest::newRow("inserted") << 200 << QByteArray(R"({"ans":"Inserted","sn":"1A2B3","quantity":7})")
                            << QByteArray("fct 1 41651\r\n") << 3
                            << "Успешно присвоен ID (HEX): 1A2B3. Общее количество в партии(0012): 7";
  QTest::newRow("updated, upper-case names")
      << 200 << QByteArray(R"({"ANS":"updated","SN":"1A2B3","QUANTITY":"8"})")
      << QByteArray("fct 1 41651\r\n") << 2
      << "Уже есть в базе! Обновлено! ID (HEX): 1A2B3. Общее количество в "
         "партии(0012): 8";
  QTest::newRow("error answer with serial")
      << 200 << QByteArray(R"({"ans":"error","sn":"1A2B3"})") << QByteArray() << 0
      << "Ошибка теста!: Поле SN не найдено в JSON";
  QTest::newRow("serial not hexadecimal") << 200 << QByteArray(R"({"ans":"inserted","sn":"1A2G3"})")
                                          << QByteArray() << 0 << "Ошибка теста!: ID не получен";
  QTest::newRow("status 500") << 500 << QByteArray("oops") << QByteArray() << 0 << "Ошибка теста!: 500";
  QTest::newRow("garbage") << 200 << QByteArray("<html>") << QByteArray() << -1 << "";
  QTest::newRow("not an object") << 200 << QByteArray("[1]") << QByteArray() << -1
                                 << "Не удалось распарсить JSON ответ";
}

void TestFactoryFlows::rfidRegistration() {
  QFETCH(int, status);
  QFETCH(QByteArray, body);
  QFETCH(QByteArray, fct);
  QFETCH(int, hintKind);
  QFETCH(QString, hintText);
  TFactoryRig rig(QStringLiteral("303"));
  rig.Port->SetOperation(6);
  QCOMPARE(rig.Web.Requests.size(), 1);
  QCOMPARE(rig.Web.Requests[0].Method, QByteArray("GET"));
  QCOMPARE(rig.Web.Requests[0].Url.host(), QStringLiteral("reg.test"));
  QCOMPARE(DecryptedQuery(rig.Web.Requests[0].Url),
           QStringLiteral("ver=2&mac=C8F09E000000&nop=0012&fws=0107&sts=V1&tos=303&crc=1037046606"));
  QVERIFY(rig.Sent().isEmpty());
  QVERIFY(!rig.Tick()); // no tick while the service thinks
  rig.Web.Answer(status, body);
  if (hintKind >= 0)
    QVERIFY2(rig.Host.HasHint(hintKind, hintText),
             qPrintable(rig.Host.Hints.isEmpty() ? QString() : rig.Host.Hints.last().second));
  else
    QCOMPARE(rig.Host.Messages.size(), 1);
  if (!hintText.isEmpty() && hintKind < 0)
    QCOMPARE(rig.Host.Messages[0], hintText);
  if (fct.isEmpty()) {
    QVERIFY(rig.Sent().isEmpty());
    QCOMPARE(rig.Poll.UpdateOperation(), quint8(0));
  } else {
    QCOMPARE(rig.Sent(), QList<QByteArray>{fct});
    QCOMPARE(rig.Poll.UpdateOperation(), quint8(6));
    QCOMPARE(rig.Interval(), 5000);
  }
}

void TestFactoryFlows::rfidWaitsForTheId() {
  TFactoryRig rig(QStringLiteral("303"));
  rig.Port->SetOperation(6);
  rig.Web.Answer(200, R"({"ans":"inserted","sn":"1A2B3","quantity":1})");
  rig.Driver.Written.clear();
  QVERIFY(rig.Tick());
  QVERIFY(rig.Tick());
  QCOMPARE(rig.Sent(), (QList<QByteArray>{kIdentity, kIdentity}));
  // The device reports its new ID; the next tick prints the sticker and ends.
  rig.Port->SetDeviceName(QStringLiteral("107187"));
  QVERIFY(rig.Tick());
  QCOMPARE(rig.Host.Stickers.size(), 1);
  QVERIFY(rig.Host.HasHint(1, QStringLiteral("Тест RFID завершен успешно")));
  QCOMPARE(rig.Poll.UpdateOperation(), quint8(0));
  QVERIFY(rig.Tick()); // the cleanup tick
  QVERIFY(!rig.Tick());
}

void TestFactoryFlows::rfidTimesOut() {
  TFactoryRig rig(QStringLiteral("303"));
  rig.Port->SetOperation(6);
  rig.Web.Answer(200, R"({"ans":"inserted","sn":"1A2B3","quantity":1})");
  for (int tick = 1; tick <= 9; ++tick)
    QVERIFY(rig.Tick());
  QVERIFY(!rig.Host.HasHint(0, QStringLiteral("Ошибка теста!")));
  QVERIFY(rig.Tick()); // 10th: the error
  QVERIFY(rig.Host.HasHint(0, QStringLiteral("Ошибка теста!")));
  QVERIFY(rig.Tick()); // 11th: reset
  QCOMPARE(rig.LastSent(), QByteArray("rst\r\n"));
  QCOMPARE(rig.Host.Count, 0);
  QVERIFY(rig.Tick()); // 12th: the end
  QCOMPARE(rig.Poll.UpdateOperation(), quint8(0));
  QVERIFY(rig.Host.Stickers.isEmpty());
}

void TestFactoryFlows::test304RegistersOnce() {
  TFactoryRig rig(QStringLiteral("304"));
  rig.Port->SetOperation(8);
  QCOMPARE(rig.Interval(), 1000);
  QVERIFY(rig.Tick());
  QCOMPARE(rig.Sent(), QList<QByteArray>{"fct run\r\n"});
  QCOMPARE(rig.Interval(), 5000);
  QVERIFY(rig.Tick());
  QCOMPARE(rig.LastSent(), kIdentity);
  rig.Receive(">TEST=INFO;OK\r\n");
  QCOMPARE(rig.Poll.UpdateStage(), quint8(3));
  rig.Driver.Written.clear();
  QVERIFY(rig.Tick());
  QCOMPARE(rig.Web.Requests.size(), 1);
  const TFakeRequest& post = rig.Web.Requests[0];
  QCOMPARE(post.Method, QByteArray("POST"));
  QCOMPARE(post.Url.toString(), QStringLiteral("http://test.test/v1/devices"));
  QCOMPARE(post.Token, QByteArray("0123456789abcdef"));
  QVERIFY(post.Body.startsWith("{\"iccid\":\"89701010000000000001\",\"fw\":\"0107\""));
  // A result that comes late changes nothing while the service thinks.
  rig.Receive(">TEST=INFO;OK\r\n");
  QVERIFY(!rig.Tick());
  rig.Web.Answer(201, R"({"id":"9","sn":"000123"})");
  QCOMPARE(rig.Sent(), (QList<QByteArray>{"pass 87654321\r\n", "sn 123\r\n"}));
  QVERIFY(rig.Host.HasHint(3, QStringLiteral("Устройство зарегистрировано. Присвоен SN: 000123")));
  QCOMPARE(rig.Web.Requests.size(), 2);
  QCOMPARE(DecryptedQuery(rig.Web.Requests[1].Url),
           QStringLiteral("ver=2&mac=C8F09E000000&nop=0012&fws=0107&sts=V1&tos=304&vo1=359254060123456&"
                          "vo2=89701010000000000001&vo3=000123&crc=") +
               QString::number(
                   Crc32Text(QStringLiteral("ver=2&mac=C8F09E000000&nop=0012&fws=0107&sts=V1&tos=304&"
                                            "vo1=359254060123456&vo2=89701010000000000001&vo3=000123"))));
  rig.Web.Answer(200, R"({"ans":"inserted","quantity":3})");
  QVERIFY(rig.Host.HasHint(
      3, QStringLiteral("Устройство 000123 добавлено в базу. Общее количество в партии(0012): 3")));
  QCOMPARE(rig.LastSent(), kIdentity);
  QCOMPARE(rig.Poll.UpdateStage(), quint8(4));
  // Another late result in the check stage: no second registration, no second serial.
  rig.Receive(">TEST=INFO;OK\r\n");
  rig.Port->SetDeviceName(QStringLiteral("123"));
  QCOMPARE(rig.Poll.UpdateStage(), quint8(4));
  QVERIFY(rig.Tick());
  QCOMPARE(rig.Web.Requests.size(), 2);
  QCOMPARE(rig.Host.Stickers.size(), 1);
  QCOMPARE(rig.Poll.UpdateOperation(), quint8(0));
  QCOMPARE(rig.Sent().count("sn 123\r\n"), 1);
}

void TestFactoryFlows::test304BadSerialTouchesNothing() {
  TFactoryRig rig(QStringLiteral("304"));
  rig.Port->SetOperation(8);
  rig.Tick();
  rig.Receive(">TEST=INFO;OK\r\n");
  rig.Driver.Written.clear();
  rig.Tick();
  rig.Web.Answer(201, R"({"id":"9","sn":"12a"})");
  QVERIFY(rig.Sent().isEmpty()); // no password before a serial the device can take
  QVERIFY(rig.Host.HasHint(0, QStringLiteral("Ошибка теста! SN не получен!")));
  QCOMPARE(rig.Web.Requests.size(), 1);
  QCOMPARE(rig.Poll.UpdateOperation(), quint8(0));

  TFactoryRig offline(QStringLiteral("304"));
  offline.Port->SetOperation(8);
  offline.Tick();
  offline.Receive(">TEST=INFO;OK\r\n");
  offline.Tick();
  offline.Web.FailNetwork(QStringLiteral("connection time-out"));
  QVERIFY(offline.Host.HasHint(0, QStringLiteral("Сетевая ошибка: connection time-out")));
  QCOMPARE(offline.Poll.UpdateOperation(), quint8(0));
}

void TestFactoryFlows::selfTestTimesOut() {
  TFactoryRig rig(QStringLiteral("305"));
  rig.Port->SetOperation(9);
  QVERIFY(rig.Tick());
  QCOMPARE(rig.Sent(), QList<QByteArray>{">T 1\r\n"});
  rig.Driver.Written.clear();
  QVERIFY(rig.Tick()); // 1st poll asks for the test once more
  QCOMPARE(rig.Sent(), (QList<QByteArray>{kIdentity, ">T 1\r\n"}));
  for (int tick = 2; tick <= 35; ++tick)
    QVERIFY(rig.Tick());
  QVERIFY(!rig.Host.HasHint(0, QStringLiteral("Ошибка! Таймаут теста!")));
  QVERIFY(rig.Tick()); // 36th
  QVERIFY(rig.Host.HasHint(0, QStringLiteral("Ошибка! Таймаут теста!")));
  QVERIFY(rig.Tick()); // 37th
  QCOMPARE(rig.LastSent(), QByteArray(">D 1\r\n"));
  QVERIFY(rig.Tick()); // 38th
  QCOMPARE(rig.Poll.UpdateOperation(), quint8(0));
  QCOMPARE(rig.Poll.UpdateStage(), quint8(0));
  QVERIFY(rig.Web.Requests.isEmpty());
}

void TestFactoryFlows::selfTestRegistersOnce() {
  TFactoryRig rig(QStringLiteral("306"));
  rig.Port->SetOperation(9);
  rig.Tick();
  rig.Tick();
  // The test was asked for twice, so its result may come twice.
  rig.Receive(">TEST=INFO;OK\r\n>TEST=INFO;OK\r\n");
  rig.Driver.Written.clear();
  QVERIFY(rig.Tick());
  QCOMPARE(rig.Web.Requests.size(), 1);
  QCOMPARE(DecryptedQuery(rig.Web.Requests[0].Url),
           QStringLiteral("ver=2&mac=C8F09E000000&nop=0012&fws=0107&sts=V1&tos=306&crc=") +
               QString::number(
                   Crc32Text(QStringLiteral("ver=2&mac=C8F09E000000&nop=0012&fws=0107&sts=V1&tos=306"))));
  rig.Web.Answer(500, "");
  QVERIFY(rig.Host.HasHint(0, QStringLiteral("Ошибка: 500")));
  QVERIFY(rig.Host.HasHint(0, QStringLiteral("Ошибка добавления устройства в базу!")));
  QCOMPARE(rig.Sent(), (QList<QByteArray>{kIdentity, ">D 15;0\r\n"}));
  QCOMPARE(rig.Interval(), 2000);
  rig.Receive(">TEST=INFO;OK\r\n");
  QVERIFY(rig.Tick()); // still no ID
  QVERIFY(rig.Host.HasHint(0, QStringLiteral("Ошибка теста! ID не записан в устройство!")));
  QCOMPARE(rig.Web.Requests.size(), 1);
  QCOMPARE(rig.Poll.UpdateOperation(), quint8(0));
}

void TestFactoryFlows::lateAnswerOfEndedFlowIsDropped() {
  TFactoryRig rig(QStringLiteral("303"));
  rig.Port->SetOperation(6);
  // Another port is chosen while the service thinks: the answer must not program anything.
  rig.Host.Port = nullptr;
  rig.Web.Answer(200, R"({"ans":"inserted","sn":"1A2B3"})");
  QVERIFY(rig.Sent().isEmpty());
  QVERIFY(!rig.Flows.Waiting());
  // ...and the next device can start its own.
  QCOMPARE(rig.Poll.UpdateOperation(), quint8(0));
}

QTEST_GUILESS_MAIN(TestFactoryFlows)
#include "tst_factory_flows.moc"
