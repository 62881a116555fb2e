// The production-line flows from the real window: a fresh simulated device and the factory
// services played by velmora-websim. The registration service's log shows what it decrypted; the
// device's answers show what it was told.

#include "device/commands.h"
#include "device/device_types.h"
#include "device/port_info.h"
#include "dialogs/print_sticker_form.h"
#include "sim_window_fixture.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

QString Bin(const char* aName) {
  return qEnvironmentVariable("VELMORA_BIN_DIR") + QLatin1Char('/') + QString::fromLatin1(aName);
}

struct TFactoryWindow : TSimWindowBase {
  QProcess WebSim;
  QString Log = Dir.filePath(QStringLiteral("requests.jsonl"));
  QStringList SeenHints;

  ~TFactoryWindow() {
    Window.reset();
    if (WebSim.state() != QProcess::NotRunning) {
      WebSim.terminate();
      WebSim.waitForFinished(5000);
    }
    qunsetenv("VELMORA_FACTORY_REGISTRATION");
    qunsetenv("VELMORA_FACTORY_TEST");
    qunsetenv("VELMORA_EXTRA_PORTS");
  }

  bool StartWeb(const QStringList& aExtra = {}) {
    WebSim.start(Bin("velmora-websim"),
                 QStringList{QStringLiteral("--log"), Log, QStringLiteral("--factory-key"),
                             QStringLiteral("k3y"), QStringLiteral("--factory-iv"),
                             QStringLiteral("1234567890123456")} +
                     aExtra);
    if (!WebSim.waitForStarted(5000) || !WebSim.waitForReadyRead(5000))
      return false;
    const QString base = QString::fromUtf8(WebSim.readLine()).trimmed();
    qputenv("VELMORA_FACTORY_REGISTRATION", base.toUtf8());
    Registry.Write(QStringLiteral("Factory"), QStringLiteral("RegistrationKey"), QStringLiteral("k3y"));
    Registry.Write(QStringLiteral("Factory"), QStringLiteral("RegistrationIV"),
                   QStringLiteral("1234567890123456"));
    return base.startsWith(QLatin1String("http://127.0.0.1:"));
  }

  bool Start(const QString& aType, const QStringList& aExtra = {}) {
    if (!StartSimulator(QStringList{QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--type"),
                                    aType, QStringLiteral("--id"), QStringLiteral("0"),
                                    QStringLiteral("--rate"), QStringLiteral("300")} +
                        aExtra))
      return false;
    TMF& w = CreateWindow();
    // The lot was confirmed at the start of the shift.
    if (!w.Commands().EnterLotNumber(QStringLiteral("12")))
      return false;
    w.show();
    return true;
  }

  QList<QJsonObject> Requests(const QString& aPath) const {
    QList<QJsonObject> out;
    QFile f(Log);
    if (!f.open(QIODevice::ReadOnly))
      return out;
    for (const QByteArray& line : f.readAll().split('\n')) {
      const QJsonObject o = QJsonDocument::fromJson(line).object();
      if (o.value(QStringLiteral("path")).toString() == aPath)
        out << o;
    }
    return out;
  }
  // Hints go after a few seconds: every check keeps what it has seen.
  bool Seen(const QString& aText) {
    for (QLabel* l : Window->Hints().Hints())
      if (!SeenHints.contains(l->text()))
        SeenHints << l->text();
    return SeenHints.contains(aText);
  }
  QString Text(const char* aKey) { return Window->Translate(QString::fromLatin1(aKey)); }
};

bool Built() {
  return QFileInfo::exists(Bin("velmora-websim")) && QFileInfo::exists(Bin("velmora-devsim"));
}

const QString kRegistration = QStringLiteral("/factory_qmr.php");

} // namespace

class TstFactoryE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void rfidTestGivesTheDeviceItsId();
  void silentSelfTestTimesOut();
  void passedSelfTestRegistersOnce();
  void test304TakesItsSerial();
};

void TstFactoryE2E::rfidTestGivesTheDeviceItsId() {
  if (!Built())
    QSKIP("the simulators are not built");
  TFactoryWindow sim;
  QVERIFY(sim.StartWeb());
  QVERIFY(sim.Start(QStringLiteral("303")));
  TMF& w = *sim.Window;
  // The device reports its radio identity and starts the flow by itself.
  QTRY_COMPARE_WITH_TIMEOUT(sim.Requests(kRegistration).size(), 1, 20000);
  const QJsonObject request = sim.Requests(kRegistration).first();
  QVERIFY(request.value(QStringLiteral("crcOk")).toBool());
  const QString soft = w.Q()->DeviceSOFT();
  const QString firmware = soft.mid(soft.indexOf(QLatin1Char('|')) + 1, 4);
  QVERIFY(request.value(QStringLiteral("decrypted"))
              .toString()
              .startsWith(QStringLiteral("ver=2&mac=C8F09E000000&nop=0012&fws=") + firmware +
                          QStringLiteral("&sts=V1&tos=303&crc=")));
  // The service's first serial, 1A2B3, reaches the device as its two halves.
  QTRY_VERIFY_WITH_TIMEOUT(sim.Sent().contains(QStringLiteral("fct 1 41651\r\n")), 10000);
  QTRY_VERIFY_WITH_TIMEOUT(sim.Seen(sim.Text("mes_devicetestRFIDstart")), 10000);
  // Then the window asks who the device is until it reports its new ID.
  QTRY_VERIFY_WITH_TIMEOUT(sim.Seen(sim.Text("mes_devicetestRFIDcomplete")), 30000);
  QCOMPARE(w.Q()->DeviceName(), QStringLiteral("107187"));
  const QStringList sent = sim.Sent();
  QVERIFY(sent.indexOf(QStringLiteral(">I 7\r\n"), int(sent.indexOf(QStringLiteral("fct 1 41651\r\n")))) > 0);
  QVERIFY(w.StickerDialog());
  QCOMPARE(sim.Requests(kRegistration).size(), 1);
  QCOMPARE(sent.count(QStringLiteral("fct 1 41651\r\n")), 1);
}

void TstFactoryE2E::silentSelfTestTimesOut() {
  if (!Built())
    QSKIP("the simulators are not built");
  TFactoryWindow sim;
  QVERIFY(sim.StartWeb());
  QVERIFY(sim.Start(QStringLiteral("305"), {QStringLiteral("--self-test"), QStringLiteral("silent")}));
  QTRY_VERIFY_WITH_TIMEOUT(sim.Sent().contains(QStringLiteral(">T 1\r\n")), 20000);
  // 36 polls of a second each, then the time-out and the device's defaults.
  QTRY_VERIFY_WITH_TIMEOUT(sim.Seen(sim.Text("fac_timeout")), 60000);
  QTRY_VERIFY_WITH_TIMEOUT(sim.Sent().contains(QStringLiteral(">D 1\r\n")), 10000);
  QCOMPARE(sim.Requests(kRegistration).size(), 0);
}

void TstFactoryE2E::passedSelfTestRegistersOnce() {
  if (!Built())
    QSKIP("the simulators are not built");
  TFactoryWindow sim;
  QVERIFY(sim.StartWeb());
  QVERIFY(sim.Start(QStringLiteral("305"), {QStringLiteral("--self-test"), QStringLiteral("ok"),
                                            QStringLiteral("--self-test-delay"), QStringLiteral("1500")}));
  QTRY_VERIFY_WITH_TIMEOUT(sim.Sent().contains(QStringLiteral(">D 15;0\r\n")), 30000);
  // The test was asked for twice and answered twice; the device is registered once.
  QTRY_VERIFY_WITH_TIMEOUT(sim.Seen(sim.Text("fac_idnotwritten")), 15000);
  QCOMPARE(sim.Sent().count(QStringLiteral(">T 1\r\n")), 2);
  const QList<QJsonObject> requests = sim.Requests(kRegistration);
  QCOMPARE(requests.size(), 1);
  QVERIFY(requests[0].value(QStringLiteral("crcOk")).toBool());
  QVERIFY(
      requests[0].value(QStringLiteral("decrypted")).toString().contains(QStringLiteral("&tos=305&crc=")));
}

void TstFactoryE2E::test304TakesItsSerial() {
  if (!Built())
    QSKIP("the simulators are not built");
  TFactoryWindow sim;
  QVERIFY(sim.StartWeb({QStringLiteral("--factory-token"), QStringLiteral("0123abcd")}));
  qputenv("VELMORA_FACTORY_TEST", qgetenv("VELMORA_FACTORY_REGISTRATION"));
  sim.Registry.Write(QStringLiteral("Factory"), QStringLiteral("TestToken"), QStringLiteral("0123abcd"));
  sim.Registry.Write(QStringLiteral("Factory"), QStringLiteral("DevicePassword"), QStringLiteral("87654321"));
  QVERIFY(sim.Start(QStringLiteral("304")));
  TMF& w = *sim.Window;
  QTRY_VERIFY_WITH_TIMEOUT(sim.Sent().contains(QStringLiteral("fct run\r\n")), 20000);
  // What the device said before it got its serial (its SIM identity follows its ID).
  const QString iccid = w.Q()->DeviceICCID();
  const QString imei = w.Q()->DeviceIMEI();
  // The self-test passes at once; the next tick asks the test service for a serial.
  QTRY_COMPARE_WITH_TIMEOUT(sim.Requests(QStringLiteral("/v1/devices")).size(), 1, 20000);
  const QJsonObject post = sim.Requests(QStringLiteral("/v1/devices")).first();
  QCOMPARE(post.value(QStringLiteral("method")).toString(), QStringLiteral("POST"));
  QVERIFY(post.value(QStringLiteral("tokenOk")).toBool());
  QCOMPARE(post.value(QStringLiteral("contentType")).toString(),
           QStringLiteral("application/json; charset=utf-8"));
  const QString soft = w.Q()->DeviceSOFT();
  const QString firmware = soft.mid(soft.indexOf(QLatin1Char('|')) + 1, 4);
  QCOMPARE(post.value(QStringLiteral("body")).toString(),
           QStringLiteral("{\"iccid\":\"%1\",\"fw\":\"%2\",\"hw\":\"1\",\"mac\":\"C8:F0:9E:00:00:00\","
                          "\"description\":\"0012\",\"imei\":\"%3\",\"type\":\"type1\"}")
               .arg(iccid, firmware, imei));
  // Password, then the serial, then the registration that carries them.
  QTRY_VERIFY_WITH_TIMEOUT(sim.Sent().contains(QStringLiteral("sn 123\r\n")), 10000);
  const QStringList sent = sim.Sent();
  QCOMPARE(sent.indexOf(QStringLiteral("pass 87654321\r\n")) + 1, sent.indexOf(QStringLiteral("sn 123\r\n")));
  QTRY_COMPARE_WITH_TIMEOUT(sim.Requests(kRegistration).size(), 1, 10000);
  const QJsonObject registration = sim.Requests(kRegistration).first();
  QVERIFY(registration.value(QStringLiteral("crcOk")).toBool());
  QVERIFY(registration.value(QStringLiteral("decrypted"))
              .toString()
              .contains(QStringLiteral("&tos=304&vo1=") + imei + QStringLiteral("&vo2=") + iccid +
                        QStringLiteral("&vo3=123&crc=")));
  QTRY_VERIFY_WITH_TIMEOUT(
      sim.Seen(sim.Text("fac_success").arg(DeviceDisplayName(QStringLiteral("304"), QStringLiteral("0")))),
      30000);
  QCOMPARE(w.Q()->DeviceName(), QStringLiteral("123"));
  QCOMPARE(sim.Requests(QStringLiteral("/v1/devices")).size(), 1);
}

QTEST_MAIN(TstFactoryE2E)
#include "tst_factory_e2e.moc"
