// The real window against velmora-websim (and velmora-devsim): the start-up requests, the module
// install and its file, a module that fails, and a plugged-in device's description on the
// welcome page.

#include "device/poll_cycle.h"
#include "device/port_info.h"
#include "platform/app_paths.h"
#include "platform/file_date.h"
#include "platform/registry.h"
#include "ui/hint_stack.h"
#include "ui/tmf.h"
#include "ui/welcome_browser.h"
#include "updates/self_updater.h"
#include "updates/stand_in_fixture.h"
#include "updates/update_center.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrlQuery>

namespace {

QString Bin(const char* aName) {
  return qEnvironmentVariable("VELMORA_BIN_DIR") + QLatin1Char('/') + QLatin1String(aName);
}

const QDateTime kModuleDate(QDate(2026, 9, 20), QTime(10, 0));

struct TWebRig {
  QTemporaryDir Dir;
  QProcess WebSim;
  QProcess DevSim;
  QString Base;
  QString Modules = Dir.filePath(QStringLiteral("modules"));
  QString Log = Dir.filePath(QStringLiteral("requests.jsonl"));
  TRegistry Registry;
  std::unique_ptr<TMF> Window;

  bool StartWeb(const QStringList& aExtra = {}) {
    QDir().mkpath(Modules);
    const QString module = QDir(Modules).filePath(QStringLiteral("303.json"));
    if (!QFile::copy(qEnvironmentVariable("VELMORA_SOURCE_DIR") +
                         QStringLiteral("/tools/websim/modules/303.json"),
                     module) ||
        !QFile::setPermissions(module, QFile::ReadOwner | QFile::WriteOwner) ||
        !SetFileDate(module, kModuleDate))
      return false;
    WebSim.start(Bin("velmora-websim"),
                 QStringList{QStringLiteral("--modules"), Modules, QStringLiteral("--log"), Log} + aExtra);
    if (!WebSim.waitForStarted(5000) || !WebSim.waitForReadyRead(5000))
      return false;
    Base = QString::fromUtf8(WebSim.readLine()).trimmed();
    qputenv("VELMORA_INFO_SITE", Base.toUtf8());
    qputenv("VELMORA_SETTINGS_SERVICE", Base.toUtf8());
    return Base.startsWith(QLatin1String("http://127.0.0.1:"));
  }
  bool StartDevice() {
    const QString link = Dir.filePath(QStringLiteral("sim0"));
    DevSim.start(Bin("velmora-devsim"),
                 {QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--type"),
                  QStringLiteral("303"), QStringLiteral("--id"), QStringLiteral("12345"),
                  QStringLiteral("--rate"), QStringLiteral("300"), QStringLiteral("--link"), link});
    if (!DevSim.waitForStarted(5000))
      return false;
    for (int i = 0; i < 100 && !QFileInfo::exists(link); ++i)
      QTest::qWait(50);
    qputenv("VELMORA_EXTRA_PORTS", (link + QStringLiteral("=USB\\VID_0483&PID_5740&REV_0200")).toLocal8Bit());
    return QFileInfo::exists(link);
  }
  void OpenWindow() {
    Registry.DeleteKey(QStringLiteral("Forms"));
    Window = std::make_unique<TMF>(Registry, [] { return false; });
    Window->SetLanguage(1);
    Window->resize(1100, 760);
    Window->show();
  }
  ~TWebRig() {
    Window.reset();
    for (QProcess* p : {&WebSim, &DevSim})
      if (p->state() != QProcess::NotRunning) {
        p->terminate();
        p->waitForFinished(5000);
      }
    qunsetenv("VELMORA_INFO_SITE");
    qunsetenv("VELMORA_SETTINGS_SERVICE");
    qunsetenv("VELMORA_EXTRA_PORTS");
  }
  QList<QJsonObject> Requests(const QString& aPath = QString()) const {
    QList<QJsonObject> out;
    QFile f(Log);
    if (!f.open(QIODevice::ReadOnly))
      return out;
    for (const QByteArray& line : f.readAll().split('\n')) {
      const QJsonObject o = QJsonDocument::fromJson(line).object();
      if (!o.isEmpty() && (aPath.isEmpty() || o.value(QStringLiteral("path")).toString() == aPath))
        out << o;
    }
    return out;
  }
  int Count(const QString& aPath) const { return int(Requests(aPath).size()); }
  bool HintShown(const QString& aText) const {
    for (QLabel* l : Window->Hints().Hints())
      if (l->text() == aText)
        return true;
    return false;
  }
  QString Label(const char* aName) const {
    return Window->findChild<QLabel*>(QString::fromLatin1(aName))->text();
  }
};

const QString kModulePath = QStringLiteral("/public-api/v1/device-types/303/configuration/with-translations");
const QString kListPath = QStringLiteral("/public-api/v1/device-types/configurations/current");
const QString kInfoPath = QStringLiteral("/info_application.php");

bool Built() {
  return QFileInfo::exists(Bin("velmora-websim")) && QFileInfo::exists(Bin("velmora-devsim"));
}

} // namespace

class TstUpdatesE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init();
  void newerModuleIsInstalledOnce();
  void failedModuleLeavesTheOldFile();
  void deviceDescriptionOnTheWelcomePage();
  void programUpdateReplacesTheProgram();
  void brokenAnswersAndTheCheckButton();
  void failedPageIsNotRetriedInALoop();
};

void TstUpdatesE2E::init() {
  QFile::remove(QDir(AppDataFolder()).filePath(QStringLiteral("303.json")));
}

void TstUpdatesE2E::newerModuleIsInstalledOnce() {
  if (!Built())
    QSKIP("the simulators are not built");
  TWebRig rig;
  QVERIFY(rig.StartWeb());
  rig.OpenWindow();
  QTRY_VERIFY_WITH_TIMEOUT(rig.HintShown(QStringLiteral("Modules updated: v303")), 15000);
  const QString installed = QDir(AppDataFolder()).filePath(QStringLiteral("303.json"));
  QCOMPARE(FileDate(installed), kModuleDate);
  QFile file(installed);
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QByteArray text = file.readAll();
  QVERIFY(text.startsWith("{\r\n  \"data\": {"));
  QVERIFY(text.contains(QStringLiteral("Пароль «устройства»").toUtf8()));
  // Once installed, the module is up to date and the program is the newest: nothing to offer.
  QTRY_COMPARE_WITH_TIMEOUT(int(rig.Window->WellcomeView().State), int(upsLatest), 5000);
  QCOMPARE(rig.Label("UpdateProLabel1"),
           QStringLiteral("You are using the latest software. No update required."));
  QCOMPARE(rig.Count(kInfoPath), 1);
  QCOMPARE(rig.Count(kListPath), 1);
  QCOMPARE(rig.Count(kModulePath), 1);
  QCOMPARE(rig.Requests(kInfoPath).first().value(QStringLiteral("query")).toString(),
           QStringLiteral("soft=20260907"));
  QCOMPARE(rig.Requests().first().value(QStringLiteral("userAgent")).toString(),
           QStringLiteral("tst_updates_e2e"));

  // A second start asks again but finds the local module current.
  rig.Window.reset();
  rig.OpenWindow();
  QTRY_COMPARE_WITH_TIMEOUT(rig.Count(kListPath), 2, 10000);
  QTRY_COMPARE_WITH_TIMEOUT(int(rig.Window->WellcomeView().State), int(upsLatest), 5000);
  QTest::qWait(300);
  QCOMPARE(rig.Count(kModulePath), 1);
  QCOMPARE(rig.Count(kInfoPath), 2);
}

void TstUpdatesE2E::failedModuleLeavesTheOldFile() {
  if (!Built())
    QSKIP("the simulators are not built");
  const QString installed = QDir(AppDataFolder()).filePath(QStringLiteral("303.json"));
  QFile old(installed);
  QVERIFY(old.open(QIODevice::WriteOnly));
  old.write("{\"old\":1}");
  old.close();
  const QDateTime oldDate(QDate(2026, 8, 1), QTime(9, 0));
  QVERIFY(SetFileDate(installed, oldDate));

  TWebRig rig;
  QVERIFY(rig.StartWeb({QStringLiteral("--fault"), kModulePath + QStringLiteral("=status:500")}));
  rig.OpenWindow();
  QTRY_VERIFY_WITH_TIMEOUT(rig.HintShown(QStringLiteral("Modules could not be updated: v303")), 15000);
  QVERIFY(!rig.HintShown(QStringLiteral("Modules updated: v303")));
  QFile after(installed);
  QVERIFY(after.open(QIODevice::ReadOnly));
  QCOMPARE(after.readAll(), QByteArray("{\"old\":1}"));
  QCOMPARE(FileDate(installed), oldDate);
  QVERIFY(!QFile::exists(installed + QStringLiteral(".download")));
  // The panel still offers the module, but the program does not press it again by itself.
  QCOMPARE(int(rig.Window->WellcomeView().State), int(upsModules));
  QTest::qWait(500);
  QCOMPARE(rig.Count(kModulePath), 1);
  // The user can.
  rig.Window->act_UpdateModuleExecute();
  QTRY_COMPARE_WITH_TIMEOUT(rig.Count(kModulePath), 2, 5000);
}

void TstUpdatesE2E::deviceDescriptionOnTheWelcomePage() {
  if (!Built())
    QSKIP("the simulators are not built");
  TWebRig rig;
  QVERIFY(rig.StartWeb());
  QVERIFY(rig.StartDevice());
  rig.OpenWindow();
  TMF& w = *rig.Window;
  QTRY_VERIFY_WITH_TIMEOUT(rig.Count(QStringLiteral("/info_device.php")) == 1, 20000);
  TPortInfo* port = w.Q();
  QVERIFY(port);
  const QString query =
      rig.Requests(QStringLiteral("/info_device.php")).first().value(QStringLiteral("query")).toString();
  auto enc = [](const QString& v) { return QString::fromLatin1(QUrl::toPercentEncoding(v)); };
  QCOMPARE(query, QStringLiteral("idsn=%1&type=%2&imei=%3&soft=%4")
                      .arg(enc(port->DeviceName()), enc(port->DeviceVer()), enc(port->DeviceIMEI()),
                           enc(port->DeviceSOFT())));
  QCOMPARE(port->DeviceName(), QStringLiteral("12345"));
  QTRY_COMPARE_WITH_TIMEOUT(w.findChild<QLabel*>(QStringLiteral("WellcomeCaption"))->text(),
                            QStringLiteral("Tracker 303 No. 12345"), 10000);
  QVERIFY(w.findChild<QLabel*>(QStringLiteral("WellcomeText"))->text().startsWith(QStringLiteral("IMEI ")));
  QCOMPARE(w.BrowserURL(), rig.Base + QStringLiteral("/device_site/303.html"));
  // A language switch shows the description in the other language.
  w.SetLanguage(0);
  QCOMPARE(w.findChild<QLabel*>(QStringLiteral("WellcomeCaption"))->text(),
           QStringLiteral("Трекер 303 № 12345"));
  w.SetLanguage(1);
  // The page appears once the welcome page is shown.
  w.act_PageWellcome();
  QTRY_VERIFY_WITH_TIMEOUT(w.Browsed(), 30000);
  QVERIFY(w.WelcomeBrowser()->EngineCreated());
  QTest::qWait(300);
  const QString shot = QDir(qEnvironmentVariable("HOME")).filePath(QStringLiteral("welcome_device.png"));
  QVERIFY(w.grab().save(shot));
  qInfo("welcome page: %s", qPrintable(shot));
  // Exactly one description request per record.
  QCOMPARE(rig.Count(QStringLiteral("/info_device.php")), 1);
}

// The shell's self-update, seen from the window: the bar offers the newer program; pressed during
// a firmware transfer it refuses; pressed again it replaces the program file (a copy in a temporary
// folder here), keeps the old one, and closes the window to start the new one.
void TstUpdatesE2E::programUpdateReplacesTheProgram() {
  if (!Built())
    QSKIP("the simulators are not built");
  QTemporaryDir programs;
  const QString program = programs.filePath(QStringLiteral("velmora"));
  const QString served = programs.filePath(QStringLiteral("served"));
  QVERIFY(QFile::copy(QStringLiteral("/bin/true"), program));
  // The announced build, as it answers "--version".
  const QByteArray newer = StandInProgram("velmora 2026-10-01");
  QVERIFY2(!newer.isEmpty(), "velmora-stand-in is not built");
  QFile servedFile(served);
  QVERIFY(servedFile.open(QIODevice::WriteOnly) && servedFile.write(newer) == newer.size());
  servedFile.close();
  TWebRig rig;
  QVERIFY(rig.StartWeb(
      {QStringLiteral("--program-date"), QStringLiteral("2026-10-01"), QStringLiteral("--program"), served}));
  QVERIFY(QFile::remove(QDir(rig.Modules).filePath(QStringLiteral("303.json"))));
  rig.OpenWindow();
  TMF& w = *rig.Window;
  QTRY_COMPARE_WITH_TIMEOUT(int(w.WellcomeView().State), int(upsProgram), 10000);
  QCOMPARE(rig.Label("UpdateProLabel1"), QStringLiteral("A new software version is available: 01.10.2026"));
  auto* button = w.findChild<QToolButton*>(QStringLiteral("UpdateProButton"));
  QVERIFY(button->isVisible());
  QCOMPARE(button->defaultAction()->objectName(), QStringLiteral("act_UpdatePro"));
  // Bound to one action at a time: no menu of the others.
  QCOMPARE(button->actions().size(), 1);
  QCOMPARE(w.findChild<QAction*>(QStringLiteral("act_PageWellcome"))->property("iconName").toString(),
           QStringLiteral("U_WELLCOME"));

  QVERIFY(w.grab().save(
      QDir(qEnvironmentVariable("HOME")).filePath(QStringLiteral("welcome_program_update.png"))));

  w.SelfUpdater().SetTarget(program, programs.filePath(QStringLiteral("Morvane")), QDate(2026, 9, 7));
  w.Poll().SetUpdateOperation(1);
  button->click();
  QVERIFY(
      rig.HintShown(QStringLiteral("The software cannot be updated while a device operation is running")));
  QCOMPARE(rig.Count(QStringLiteral("/download/velmora")), 0);

  w.Poll().SetUpdateOperation(0);
  button->click();
  QTRY_VERIFY_WITH_TIMEOUT(w.RestartRequested(), 15000);
  QVERIFY(!w.isVisible());
  QCOMPARE(rig.Count(QStringLiteral("/download/velmora")), 1);
  QFile now(program);
  QFile expected(served);
  QVERIFY(now.open(QIODevice::ReadOnly) && expected.open(QIODevice::ReadOnly));
  QCOMPARE(now.readAll(), expected.readAll());
  QVERIFY(QFile::exists(programs.filePath(QStringLiteral("Morvane/velmora_260907"))));
  QVERIFY(!QFile::exists(program + QStringLiteral(".tmp")));
}

// The program information breaks off and the module list is refused: a notice, the bar without
// information, and "Check" asks for the module list again because none is held.
void TstUpdatesE2E::brokenAnswersAndTheCheckButton() {
  if (!Built())
    QSKIP("the simulators are not built");
  TWebRig rig;
  QVERIFY(rig.StartWeb({QStringLiteral("--fault"), kInfoPath + QStringLiteral("=truncate"),
                        QStringLiteral("--fault"), kListPath + QStringLiteral("=status:503")}));
  rig.OpenWindow();
  TMF& w = *rig.Window;
  QTRY_VERIFY_WITH_TIMEOUT(rig.HintShown(QStringLiteral("Could not get updates and news")), 10000);
  QTRY_COMPARE_WITH_TIMEOUT(rig.Count(kListPath), 1, 5000);
  QCOMPARE(int(w.WellcomeView().State), int(upsNoInformation));
  QCOMPARE(rig.Label("UpdateProLabel1"), QStringLiteral("Software update information not available."));
  QVERIFY(!w.findChild<QToolButton*>(QStringLiteral("UpdateProButton"))->isVisible());
  // The site's default page in the window's language.
  QCOMPARE(w.BrowserURL(), rig.Base + QStringLiteral("/device_site/0_en.html"));
  w.act_checkUpdateExecute();
  QTRY_COMPARE_WITH_TIMEOUT(rig.Count(kListPath), 2, 5000);
  QCOMPARE(rig.Count(kInfoPath), 1);
}

// A page that fails to load leaves the text on its own and is tried again at the next refresh of
// the welcome page, not at once and forever.
void TstUpdatesE2E::failedPageIsNotRetriedInALoop() {
  if (!Built())
    QSKIP("the simulators are not built");
  TWebRig rig;
  QVERIFY(rig.StartWeb({QStringLiteral("--fault"), QStringLiteral("/device_site/=truncate")}));
  rig.OpenWindow();
  TMF& w = *rig.Window;
  const QString page = QStringLiteral("/device_site/0_en.html");
  QTRY_VERIFY_WITH_TIMEOUT(rig.Count(page) >= 1, 20000);
  QTRY_VERIFY_WITH_TIMEOUT(!w.WelcomeBrowser()->Loading(), 10000);
  QTest::qWait(1000);
  const int tries = rig.Count(page);
  QVERIFY2(tries <= 2, qPrintable(QString::number(tries)));
  QVERIFY(!w.Browsed());
  QCOMPARE(w.findChild<QWidget*>(QStringLiteral("BrowserPanel"))->height(), 5);
  // The next refresh tries again.
  w.act_PageWellcome();
  QTRY_VERIFY_WITH_TIMEOUT(rig.Count(page) > tries, 10000);
}

int main(int argc, char* argv[]) {
  // As the program does: the welcome page's web engine shares its graphics context with the window.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  QApplication app(argc, argv);
  TstUpdatesE2E test;
  return QTest::qExec(&test, argc, argv);
}
#include "tst_updates_e2e.moc"
