// The settings page against the simulated tracker on a pseudo-terminal: the page fills from the
// device's settings, changed values are written back and read again, configuration files carry
// settings from one device to another, and damaged images change nothing.

#include "device/port_info.h"
#include "platform/registry.h"
#include "settings/controls/choice_classes.h"
#include "settings/controls/edit_classes.h"
#include "settings/controls/history_popup.h"
#include "settings/controls/tab_panel.h"
#include "settings/settings_image.h"
#include "sim_window_fixture.h"
#include "ui/hint_stack.h"
#include "ui/tmf.h"
#include "updates/crypto/checksums.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>

namespace {

struct TSimulatedWindow : TSimWindowBase {
  QString SaveTo;
  QString OpenFrom;

  bool Start(const QStringList& aArgs) {
    if (!StartSimulator(QStringList{QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--rate"),
                                    QStringLiteral("400")} +
                        aArgs))
      return false;
    TMF& window = CreateWindow();
    window.SetFileDialogs([this](const QString&, const QString&) { return OpenFrom; },
                          [this](const QString&, const QString&) { return SaveTo; });
    window.show();
    return true;
  }
  int SentCount(const QString& aLine) { return int(Sent().count(aLine)); }
  template <class T> T* Control(const char* aAlias) {
    return qobject_cast<T*>(Window->VisualFind(QString::fromLatin1(aAlias)));
  }
  // Waits for the page and the device's settings on it.
  bool Ready(const QString& aType) {
    return QTest::qWaitFor(
               [&] { return Window->Q() && Window->Q()->DeviceVer() == aType && Window->CanShowSettings(); },
               30000) &&
           QTest::qWaitFor([&] { return Window->Q()->HaveSettings(); }, 20000);
  }
};

bool SimulatorBuilt() {
  return QFileInfo::exists(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim"));
}

// Entries of a layout-2 image: number -> value bytes.
QMap<int, QByteArray> Entries(const QString& aBase64) {
  QMap<int, QByteArray> out;
  const TDecodedImage d = DecodeSettingsImage(2, Base64Decode(aBase64));
  for (const TImageEntry& e : d.Entries)
    out.insert(e.Number, e.Value);
  return out;
}

// With VELMORA_SHOTS set, pictures of the window (and of an open history pop-up over it) go there.
void Shot(QWidget* aWidget, const QString& aName) {
  const QString dir = qEnvironmentVariable("VELMORA_SHOTS");
  if (dir.isEmpty())
    return;
  QDir().mkpath(dir);
  QCoreApplication::processEvents(); // lists lay their rows out on the next turn of the loop
  QPixmap picture = aWidget->grab();
  if (THistoryPopup* popup = THistoryPopup::OpenPopup()) {
    QPainter painter(&picture);
    painter.drawPixmap(aWidget->mapFromGlobal(popup->mapToGlobal(QPoint(0, 0))), popup->grab());
  }
  picture.save(dir + QLatin1Char('/') + aName + QStringLiteral(".png"));
}

} // namespace

class TstSettingsE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void pageFillsAndWritesBack();
  void fileCarriesSettingsToAnotherDevice();
  void wrongPasswordIsRefused();
  void typeWithoutSchemaAsksNothing();
  void damagedImageChangesNothing_data();
  void damagedImageChangesNothing();
};

void TstSettingsE2E::pageFillsAndWritesBack() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedWindow sim;
  QVERIFY(sim.Start({QStringLiteral("--type"), QStringLiteral("305")}));
  QVERIFY(sim.Ready(QStringLiteral("305")));
  TMF& w = *sim.Window;
  QCOMPARE(w.SettingsTabs().size(), 5);
  QVERIFY(sim.SentCount(QStringLiteral(">D 15;0\r\n")) >= 1);
  // The device's factory values: wake-up sources 0x13, period 3600 s, temperature offset -2.
  auto* period = sim.Control<TIntegerClass>("305_49174_1");
  QTRY_COMPARE_WITH_TIMEOUT(period->Edit()->text(), QStringLiteral("3600"), 10000);
  QVERIFY(sim.Control<TFlagClass>("305_49152_1")->CheckBox()->isChecked());  // bit 0
  QVERIFY(sim.Control<TFlagClass>("305_49152_3")->CheckBox()->isChecked());  // bit 1
  QVERIFY(!sim.Control<TFlagClass>("305_49152_4")->CheckBox()->isChecked()); // bit 2
  QCOMPARE(sim.Control<TIntegerClass>("305_49207_1")->Edit()->text(), QStringLiteral("-2"));
  QCOMPARE(sim.Control<TListClass>("305_49212_1")->Combo()->currentText(), QStringLiteral("Automatic"));
  QCOMPARE(sim.Control<TStringClass>("305_5_1")->Edit()->text(), QStringLiteral("111111"));
  QVERIFY(w.findChild<QAction*>("act_SetCFG")->isEnabled());
  w.act_PageSettings();
  Shot(&w, QStringLiteral("settings-305-values-en-dark"));
  w.SetStyleMode(tmLight);
  Shot(&w, QStringLiteral("settings-305-values-en-light"));
  w.SetLanguage(0);
  Shot(&w, QStringLiteral("settings-305-values-ru-light"));
  w.SetStyleMode(tmDark);
  Shot(&w, QStringLiteral("settings-305-values-ru-dark"));
  w.SetLanguage(1);

  const QString before = w.ConfigToString();
  period->Edit()->setText(QStringLiteral("7200"));
  QTest::keyClick(period->Edit(), Qt::Key_Return); // kept in the field's input history
  QTest::mouseClick(sim.Control<TFlagClass>("305_49152_4")->CheckBox(), Qt::LeftButton);
  QVERIFY(sim.Control<TFlagClass>("305_49152_4")->CheckBox()->isChecked());
  const int reads = sim.SentCount(QStringLiteral(">D 15;0\r\n"));
  w.findChild<QAction*>("act_SetCFG")->trigger();
  QTRY_VERIFY_WITH_TIMEOUT(sim.HintShown(w.Translate(QStringLiteral("SR1"))), 10000);
  // Exactly the two changes travelled, behind the password.
  QString written;
  for (const QString& line : sim.Sent())
    if (line.startsWith(QStringLiteral("111111*CONF*")))
      written = line.mid(12).trimmed();
  QVERIFY(!written.isEmpty());
  QMap<int, QByteArray> expected = Entries(before);
  expected[49174] = QByteArray("\x20\x1C\x00\x00", 4);
  expected[49152] = QByteArray("\x17\x00", 2);
  QCOMPARE(Entries(written), expected);
  // The page reads back what the device stored.
  QTRY_VERIFY_WITH_TIMEOUT(sim.SentCount(QStringLiteral(">D 15;0\r\n")) > reads, 10000);
  QTRY_COMPARE_WITH_TIMEOUT(w.ConfigToString(), written, 10000);

  // A validation error blocks writing and shows the banner.
  period->Edit()->setText(QStringLiteral("10"));
  QVERIFY(!w.findChild<QAction*>("act_SetCFG")->isEnabled());
  QVERIFY(w.InfoPanel() && w.InfoPanel()->isVisible());
  QTest::qWait(250);
  Shot(&w, QStringLiteral("settings-305-banner-en-dark"));
  period->Edit()->setText(QStringLiteral("60"));
  QVERIFY(w.findChild<QAction*>("act_SetCFG")->isEnabled());
  QVERIFY(!w.InfoPanel()->isVisible());

  // What was confirmed in the field comes back in its pop-up.
  QTest::keyClick(period->Edit(), Qt::Key_Return);
  period->Edit()->setText(QString());
  period->ShowHistory();
  QVERIFY(period->HistoryPopup() && period->HistoryPopup()->isVisible());
  QCOMPARE(period->HistoryPopup()->Entries(), QStringList({QStringLiteral("60"), QStringLiteral("7200")}));
  Shot(&w, QStringLiteral("settings-305-history-en-dark"));
}

void TstSettingsE2E::fileCarriesSettingsToAnotherDevice() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  QTemporaryDir files;
  const QString cfg = files.filePath(QStringLiteral("tracker.cfg"));
  QString saved;
  {
    TSimulatedWindow first;
    QVERIFY(first.Start(
        {QStringLiteral("--type"), QStringLiteral("305"), QStringLiteral("--id"), QStringLiteral("1")}));
    QVERIFY(first.Ready(QStringLiteral("305")));
    auto* sleep = first.Control<TIntegerClass>("305_49184_1");
    QTRY_COMPARE_WITH_TIMEOUT(sleep->Edit()->text(), QStringLiteral("300"), 10000);
    sleep->Edit()->setText(QStringLiteral("900"));
    first.Control<TListClass>("305_49213_1")->SetValue(3);
    first.SaveTo = cfg;
    first.Window->findChild<QAction*>("act_SaveCFG")->trigger();
    QVERIFY(first.HintShown(first.Window->Translate(QStringLiteral("mes_filesave"))));
    QFile file(cfg);
    QVERIFY(file.open(QIODevice::ReadOnly));
    saved = QString::fromLatin1(file.readAll());
    QVERIFY(!saved.endsWith(QLatin1Char('\n')));
    QCOMPARE(saved, first.Window->ConfigToString());
  }
  TSimulatedWindow second;
  QVERIFY(second.Start(
      {QStringLiteral("--type"), QStringLiteral("305"), QStringLiteral("--id"), QStringLiteral("2")}));
  QVERIFY(second.Ready(QStringLiteral("305")));
  QTRY_COMPARE_WITH_TIMEOUT(second.Control<TIntegerClass>("305_49184_1")->Edit()->text(),
                            QStringLiteral("300"), 10000);
  second.OpenFrom = cfg;
  second.Window->findChild<QAction*>("act_OpenCFG")->trigger();
  QVERIFY(second.HintShown(second.Window->Translate(QStringLiteral("mes_fileopen"))));
  QCOMPARE(second.Control<TIntegerClass>("305_49184_1")->Edit()->text(), QStringLiteral("900"));
  second.Window->findChild<QAction*>("act_SetCFG")->trigger();
  QTRY_VERIFY_WITH_TIMEOUT(second.HintShown(second.Window->Translate(QStringLiteral("SR1"))), 10000);
  // What the second device sends back is what the first one had.
  QTRY_COMPARE_WITH_TIMEOUT(Entries(second.Window->ConfigToString()), Entries(saved), 10000);

  // A file with one byte changed is refused and changes nothing.
  QByteArray image = Base64Decode(saved);
  image[4] = char(image[4] ^ 0x01);
  QFile broken(files.filePath(QStringLiteral("broken.cfg")));
  QVERIFY(broken.open(QIODevice::WriteOnly));
  broken.write(Base64Encode(image).toLatin1());
  broken.close();
  const QString now = second.Window->ConfigToString();
  second.OpenFrom = broken.fileName();
  second.Window->Hints().HideOldest();
  second.Window->findChild<QAction*>("act_OpenCFG")->trigger();
  QVERIFY(second.HintShown(second.Window->Translate(QStringLiteral("mes_filedataerror"))));
  QCOMPARE(second.Window->ConfigToString(), now);
}

void TstSettingsE2E::wrongPasswordIsRefused() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedWindow sim;
  QVERIFY(sim.Start({QStringLiteral("--type"), QStringLiteral("306"), QStringLiteral("--password"),
                     QStringLiteral("222222")}));
  QVERIFY(sim.Ready(QStringLiteral("306")));
  TMF& w = *sim.Window;
  // The device's password differs from the one typed: locked, writing disabled, password masked.
  QTRY_VERIFY_WITH_TIMEOUT(w.Q()->WriteLocked(), 10000);
  QVERIFY(!w.findChild<QAction*>("act_SetCFG")->isEnabled());
  auto* password = sim.Control<TStringClass>("306_5_1");
  QCOMPARE(password->Edit()->echoMode(), QLineEdit::Password);
  QCOMPARE(password->Edit()->text(), QStringLiteral("222222"));
  w.act_PageSettings();
  Shot(&w, QStringLiteral("settings-306-locked-en-dark"));
  // Written anyway (the user's password is sent as typed): the device refuses.
  w.act_SetCFG();
  QTRY_VERIFY_WITH_TIMEOUT(sim.HintShown(w.Translate(QStringLiteral("SR0"))), 10000);
  const QStringList sent = sim.Sent();
  QVERIFY(std::any_of(sent.cbegin(), sent.cend(),
                      [](const QString& aLine) { return aLine.startsWith(QStringLiteral("111111*CONF*")); }));
  // The right password unlocks.
  w.findChild<QLineEdit*>(QStringLiteral("PasswordEdit"))->setText(QStringLiteral("222222"));
  QVERIFY(!w.Q()->WriteLocked());
  QVERIFY(w.findChild<QAction*>("act_SetCFG")->isEnabled());
  QCOMPARE(password->Edit()->echoMode(), QLineEdit::Normal);
}

void TstSettingsE2E::typeWithoutSchemaAsksNothing() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedWindow sim;
  QVERIFY(sim.Start({QStringLiteral("--type"), QStringLiteral("303")}));
  QTRY_COMPARE_WITH_TIMEOUT(sim.Window->Q() ? sim.Window->Q()->DeviceVer() : QString(), QStringLiteral("303"),
                            30000);
  QTRY_VERIFY_WITH_TIMEOUT(
      sim.HintShown(sim.Window->Translate(QStringLiteral("mes_settingsnoversion")) + QStringLiteral(" 303")),
      10000);
  QVERIFY(!sim.Window->CanShowSettings());
  QTest::qWait(500);
  QCOMPARE(sim.SentCount(QStringLiteral(">D 15;0\r\n")), 0);
}

void TstSettingsE2E::damagedImageChangesNothing_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<bool>("box");
  QTest::newRow("bad CRC") << "crc" << false;
  QTest::newRow("too short") << "short" << false;
  QTest::newRow("not Base64") << "base64" << false;
  QTest::newRow("entry past the end") << "overrun" << true;
}

void TstSettingsE2E::damagedImageChangesNothing() {
  QFETCH(QString, kind);
  QFETCH(bool, box);
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedWindow sim;
  QVERIFY(sim.Start(
      {QStringLiteral("--type"), QStringLiteral("306"), QStringLiteral("--corrupt-settings"), kind}));
  QVERIFY(sim.Ready(QStringLiteral("306")));
  TMF& w = *sim.Window;
  if (box) {
    QTRY_VERIFY_WITH_TIMEOUT(w.findChild<QMessageBox*>(QStringLiteral("SettingsErrorBox")), 10000);
    // The entry of setting 7 claims more bytes than the image has.
    QVERIFY(w.findChild<QMessageBox*>(QStringLiteral("SettingsErrorBox"))
                ->text()
                .startsWith(QStringLiteral("Ошибка 2 в настройке7:")));
  } else {
    QTRY_VERIFY_WITH_TIMEOUT(sim.HintShown(w.Translate(QStringLiteral("mes_filedataerror"))), 10000);
  }
  // Nothing was set: nothing would be written back.
  for (const TSetting& row : w.SettingsTable())
    if (auto* c = qobject_cast<TControlClass*>(row.WinControl.data()))
      QVERIFY2(!c->IsSet(), qPrintable(row.Alias));
  w.act_SetCFG();
  QVERIFY(sim.HintShown(w.Translate(QStringLiteral("mes_settingsempty"))));
  for (const QString& line : sim.Sent())
    QVERIFY(!line.contains(QStringLiteral("*CONF*")));
}

QTEST_MAIN(TstSettingsE2E)
#include "tst_settings_e2e.moc"
