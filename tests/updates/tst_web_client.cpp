// The HTTP client against the web-services simulator on loopback: what counts as an answer, the
// time-outs, the size caps, and what it tells the server about itself.

#include "factory/factory_requests.h"
#include "factory/factory_web.h"
#include "updates/web_client.h"
#include "web_sim.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

Q_DECLARE_METATYPE(TWebResult)

namespace {

TWebResult Fetch(TWebClient& aClient, const QUrl& aUrl, qint64 aMax = 1024 * 1024) {
  TWebTransfer* transfer = aClient.Get(aUrl, aMax);
  TWebResult result;
  bool done = false;
  QObject::connect(transfer, &TWebTransfer::Finished, [&](const TWebResult& r) {
    result = r;
    done = true;
  });
  [&] { QTRY_VERIFY_WITH_TIMEOUT(done, 15000); }();
  return result;
}

// The simulator on a thread of its own, so it sends as fast as the line takes it, whatever the
// client's thread is doing: only then does a client that reads on without limit show it.
class TSimThread {
public:
  TSimThread(const TWebSimOptions& aOptions, quint16 aPort) : FSim(new TWebSim(aOptions)) {
    FSim->moveToThread(&FThread);
    FThread.start();
    QMetaObject::invokeMethod(
        FSim, [this, aPort] { FBase = FSim->Start(aPort); }, Qt::BlockingQueuedConnection);
  }
  ~TSimThread() {
    QMetaObject::invokeMethod(
        FSim, [this] { delete FSim; }, Qt::BlockingQueuedConnection);
    FThread.quit();
    FThread.wait();
  }
  QString Base() const { return FBase; }

private:
  QThread FThread;
  TWebSim* FSim;
  QString FBase;
};

} // namespace

class TstWebClient : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void answers_data();
  void answers();
  void factoryServices_data();
  void factoryServices();
  void agentAndExactlyOneRequest();
  void downloadToFile();
  void refusedAndForeignAddresses();
  void simulatorServesASingleModuleBesideItsFolder();
};

void TstWebClient::answers_data() {
  QTest::addColumn<QString>("fault");
  QTest::addColumn<int>("outcome");
  QTest::addColumn<QString>("error");
  QTest::newRow("plain answer") << "" << int(TWebOutcome::Ok) << "";
  // Only status 200 is an answer; a 404 page's body is not the program information.
  QTest::newRow("status 404") << "status:404" << int(TWebOutcome::Unreachable) << "status 404";
  QTest::newRow("status 503") << "status:503" << int(TWebOutcome::Unreachable) << "status 503";
  QTest::newRow("cut short") << "truncate" << int(TWebOutcome::Failed) << "Connection closed";
  QTest::newRow("stalls half way") << "stall:5000" << int(TWebOutcome::Failed) << "answer time-out";
  QTest::newRow("answers too late") << "delay:5000" << int(TWebOutcome::Failed) << "answer time-out";
  // Never silent for the answer time-out, never done: the deadline on the whole request ends it.
  QTest::newRow("trickles without end") << "trickle:100" << int(TWebOutcome::Failed) << "answer deadline";
  QTest::newRow("huge without a length")
      << "huge:300000000" << int(TWebOutcome::Failed) << "answer larger than";
  QTest::newRow("huge in chunks") << "chunked:1000000000" << int(TWebOutcome::Failed) << "answer larger than";
  // A captive portal answers 200 with its own page: the client cannot tell, the parsers must.
  QTest::newRow("html with status 200") << "html" << int(TWebOutcome::Ok) << "";
  // Sent on within the service it is followed; sent to another host (or port) it is not.
  QTest::newRow("redirect within the service")
      << "redirect:BASE/device_site/0.html" << int(TWebOutcome::Ok) << "";
  QTest::newRow("redirect to another host")
      << "redirect:OTHER/device_site/0.html" << int(TWebOutcome::Unreachable) << "redirect refused";
  QTest::newRow("redirect to another port") << "redirect:http://127.0.0.1:9/device_site/0.html"
                                            << int(TWebOutcome::Unreachable) << "redirect refused";
}

void TstWebClient::answers() {
  QFETCH(QString, fault);
  QFETCH(int, outcome);
  QFETCH(QString, error);
  TWebSimOptions options;
  // A redirect's address names the server's own port: a free one is found first.
  QTcpServer probe;
  QVERIFY(probe.listen(QHostAddress::LocalHost));
  const quint16 port = probe.serverPort();
  probe.close();
  const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);
  fault.replace(QLatin1String("BASE"), base);
  fault.replace(QLatin1String("OTHER"), QStringLiteral("http://localhost:%1").arg(port));
  if (!fault.isEmpty()) {
    TWebFault f;
    QString why;
    QVERIFY2(TWebFault::Parse(QStringLiteral("/info_application.php=") + fault, &f, &why), qPrintable(why));
    options.Faults.append(f);
  }
  const TSimThread sim(options, port);
  QCOMPARE(sim.Base(), base);
  TWebClient client;
  TWebLimits limits;
  limits.ConnectTimeoutMs = 2000;
  limits.AnswerTimeoutMs = 400;
  limits.InformationDeadlineMs = 3000;
  client.SetLimits(limits);
  const qint64 cap = 1024 * 1024;
  const TWebResult r = Fetch(client, QUrl(base + QStringLiteral("/info_application.php?soft=20260907")), cap);
  QCOMPARE(int(r.Outcome), outcome);
  QVERIFY2(error.isEmpty() ? r.Error.isEmpty() : r.Error.startsWith(error), qPrintable(r.Error));
  // However the answer comes, reading stops near the cap: never hundreds of MB past it.
  QVERIFY2(r.Size <= 2 * cap, qPrintable(QString::number(r.Size)));
  if (r.Outcome == TWebOutcome::Ok) {
    QCOMPARE(r.Status, 200);
    QVERIFY(!r.Body.isEmpty());
    QCOMPARE(r.Size, r.Body.size());
  } else {
    QVERIFY(r.Body.isEmpty());
  }
}

void TstWebClient::factoryServices_data() {
  QTest::addColumn<bool>("post");
  QTest::addColumn<QString>("answer"); // the simulator's switch
  QTest::addColumn<QString>("token");
  QTest::addColumn<int>("status");      // 0: no answer at all
  QTest::addColumn<QString>("content"); // in the body, or the error without an answer
  QTest::newRow("serial given") << true << "ok"
                                << "tok" << 201 << "\"sn\":\"123\"";
  // A refusal is the service's answer: its status and body reach the flow.
  QTest::newRow("wrong token") << true << "ok"
                               << "bad" << 401 << "unauthorized";
  QTest::newRow("test service fails") << true << "500"
                                      << "tok" << 500 << "internal";
  QTest::newRow("test service hangs") << true << "hang"
                                      << "tok" << 0 << "answer time-out";
  QTest::newRow("registered") << false << "inserted"
                              << "" << 200 << "\"ans\":\"inserted\"";
  QTest::newRow("registration fails") << false << "500"
                                      << "" << 500 << "Internal Server Error";
  QTest::newRow("registration hangs") << false << "hang"
                                      << "" << 0 << "answer time-out";
}

// The factory requests go through the same client: with its time-outs, and keeping the service's
// own status and body.
void TstWebClient::factoryServices() {
  QFETCH(bool, post);
  QFETCH(QString, answer);
  QFETCH(QString, token);
  QFETCH(int, status);
  QFETCH(QString, content);
  TWebSimOptions options;
  options.Factory.Key = QStringLiteral("k3y");
  options.Factory.IV = QStringLiteral("1234567890123456");
  options.Factory.Token = QStringLiteral("tok");
  options.Factory.HangMs = 5000;
  (post ? options.Factory.TestAnswer : options.Factory.RegistrationAnswer) = answer;
  TWebSim sim(options);
  const QString base = sim.Start();
  QVERIFY(!base.isEmpty());
  TWebClient client;
  client.SetLimits({2000, 400});
  TFactoryWebClient web(client);
  TFactoryAnswer result;
  bool done = false;
  auto finished = [&](const TFactoryAnswer& a) {
    result = a;
    done = true;
  };
  if (post) {
    web.PostJson(QUrl(base + QStringLiteral("/v1/devices")), token.toUtf8(), "{\"iccid\":\"1\"}", finished);
  } else {
    FactoryRequests::TRegistration r;
    r.Mac = QStringLiteral("C8F09E000000");
    r.Lot = 0x12;
    r.Type = QStringLiteral("303");
    web.Get(
        QUrl::fromEncoded(
            (base + FactoryRequests::RegistrationPath(r, options.Factory.Key, options.Factory.IV)).toUtf8()),
        finished);
  }
  QTRY_VERIFY_WITH_TIMEOUT(done, 15000);
  QCOMPARE(result.Status, status);
  QCOMPARE(result.Network, status == 0);
  if (status == 0)
    QCOMPARE(result.Error, content);
  else
    QVERIFY2(result.Body.contains(content.toUtf8()), result.Body.constData());
}

void TstWebClient::agentAndExactlyOneRequest() {
  QTemporaryDir dir;
  TWebSimOptions options;
  options.LogFile = dir.filePath(QStringLiteral("requests.jsonl"));
  TWebSim sim(options);
  const QString base = sim.Start();
  TWebClient client;
  QCOMPARE(int(Fetch(client, QUrl(base + QStringLiteral("/device_site/0.html"))).Outcome),
           int(TWebOutcome::Ok));
  QFile log(options.LogFile);
  QVERIFY(log.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = log.readAll().trimmed().split('\n');
  QCOMPARE(lines.size(), 1);
  const QJsonObject entry = QJsonDocument::fromJson(lines[0]).object();
  QCOMPARE(entry.value(QStringLiteral("path")).toString(), QStringLiteral("/device_site/0.html"));
  QCOMPARE(entry.value(QStringLiteral("userAgent")).toString(), QStringLiteral("tst_web_client"));
}

void TstWebClient::downloadToFile() {
  QTemporaryDir dir;
  const QString served = dir.filePath(QStringLiteral("served"));
  QFile f(served);
  QVERIFY(f.open(QIODevice::WriteOnly));
  QByteArray content;
  for (int i = 0; i < 300000; ++i)
    content += char(i * 7);
  f.write(content);
  f.close();
  TWebSimOptions options;
  options.ProgramFile = served;
  TWebSim sim(options);
  const QString base = sim.Start();
  TWebClient client;
  const QString target = dir.filePath(QStringLiteral("copy"));
  TWebTransfer* transfer = client.Download(QUrl(base + QStringLiteral("/download/velmora")), target, 1 << 20);
  QSignalSpy spy(transfer, &TWebTransfer::Finished);
  QVERIFY(spy.wait(15000));
  QCOMPARE(int(spy[0][0].value<TWebResult>().Outcome), int(TWebOutcome::Ok));
  QFile copy(target);
  QVERIFY(copy.open(QIODevice::ReadOnly));
  QCOMPARE(copy.readAll(), content);
  // The same file with a cap below its size is refused.
  TWebTransfer* capped = client.Download(QUrl(base + QStringLiteral("/download/velmora")), target, 1000);
  QSignalSpy cappedSpy(capped, &TWebTransfer::Finished);
  QVERIFY(cappedSpy.wait(15000));
  QCOMPARE(int(cappedSpy[0][0].value<TWebResult>().Outcome), int(TWebOutcome::Failed));
}

void TstWebClient::refusedAndForeignAddresses() {
  // A port nobody listens on: the address cannot be opened.
  QTcpServer probe;
  QVERIFY(probe.listen(QHostAddress::LocalHost));
  const quint16 port = probe.serverPort();
  probe.close();
  TWebClient client;
  QCOMPARE(int(Fetch(client, QUrl(QStringLiteral("http://127.0.0.1:%1/x").arg(port))).Outcome),
           int(TWebOutcome::Unreachable));
  for (const char* url : {"file:///etc/passwd", "ftp://127.0.0.1/x", "not an address"})
    QCOMPARE(int(Fetch(client, QUrl(QString::fromLatin1(url))).Outcome), int(TWebOutcome::Unreachable));
}

void TstWebClient::simulatorServesASingleModuleBesideItsFolder() {
  QTemporaryDir folder;
  QTemporaryDir elsewhere;
  auto write = [](const QString& aName, const QByteArray& aText) {
    QFile f(aName);
    return f.open(QIODevice::WriteOnly) && f.write(aText) == aText.size();
  };
  QVERIFY(write(folder.filePath(QStringLiteral("303.json")), "{\"folder\":303}"));
  QVERIFY(write(folder.filePath(QStringLiteral("250.json")), "{\"folder\":250}"));
  const QString own = elsewhere.filePath(QStringLiteral("250.json"));
  QVERIFY(write(own, "{\"own\":250}"));
  TWebSimOptions options;
  options.ModulesFolder = folder.path();
  options.ModuleFiles = {own, elsewhere.filePath(QStringLiteral("404.json"))};
  options.CreatedAt = QStringLiteral("2026-10-01T10:00:00");
  TWebSim sim(options);
  const QString base = sim.Start();
  TWebClient client;
  const TWebResult list =
      Fetch(client, QUrl(base + QStringLiteral("/public-api/v1/device-types/configurations/current")));
  // Listed once each, the missing file not at all.
  QCOMPARE(list.Body, QByteArray(R"({"data":[{"createdAt":"2026-10-01T10:00:00","deviceTypeId":250},)"
                                 R"({"createdAt":"2026-10-01T10:00:00","deviceTypeId":303}]})"));
  const auto module = [&](int aType) {
    return Fetch(
        client,
        QUrl(base +
             QStringLiteral("/public-api/v1/device-types/%1/configuration/with-translations").arg(aType)));
  };
  QCOMPARE(module(250).Body, QByteArray("{\"own\":250}"));
  QCOMPARE(module(303).Body, QByteArray("{\"folder\":303}"));
  QCOMPARE(module(404).Status, 404);
}

QTEST_GUILESS_MAIN(TstWebClient)
#include "tst_web_client.moc"
