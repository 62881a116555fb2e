// The settings page against the simulated tracker on a pseudo-terminal: the page fills from the
// device's settings, changed values are written back and read again, configuration files carry
// settings from one device to another, and damaged images change nothing.

#include "device/port_info.h"
#include "platform/app_paths.h"
#include "platform/registry.h"
#include "settings/controls/choice_classes.h"
#include "settings/controls/edit_classes.h"
#include "settings/controls/history_popup.h"
#include "settings/controls/tab_panel.h"
#include "settings/settings_files.h"
#include "settings/settings_image.h"
#include "sim_window_fixture.h"
#include "ui/hint_stack.h"
#include "ui/tmf.h"
#include "updates/crypto/checksums.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
  // Settings images the device has sent so far.
  int ImagesReceived() const {
    int count = 0;
    TExchangeCore& core = Window->Core();
    for (const TPacket& p : core.PacketIndex())
      if (p.State != psSent && core.TrafficLog().AsText(p.Position, p.Size).contains(QStringLiteral("SF=\"")))
        ++count;
    return count;
  }
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

// A layout-2 image around aEntries, then aTail inside the entries (for an entry that runs past the
// image's end).
QByteArray Layout2Image(const QList<TImageEntry>& aEntries, const QByteArray& aTail = {}) {
  QByteArray image(3, '\0');
  for (const TImageEntry& e : aEntries) {
    image += char(e.Number & 0xFF);
    image += char(e.Number >> 8);
    image += char(e.Value.size());
    image += e.Value;
  }
  image += aTail;
  image += QByteArray(2, '\0');
  const qsizetype length = image.size() - 5;
  image[0] = '\x01';
  image[1] = char(length & 0xFF);
  image[2] = char((length >> 8) & 0xFF);
  const quint16 crc = Crc16(image, 0, int(image.size()) - 3);
  image[image.size() - 2] = char(crc >> 8);
  image[image.size() - 1] = char(crc & 0xFF);
  return image;
}

bool WriteConfig(const QString& aPath, const QByteArray& aImage) {
  QFile file(aPath);
  return file.open(QIODevice::WriteOnly) && file.write(Base64Encode(aImage).toLatin1()) > 0;
}

QByteArray FileBytes(const QString& aPath) {
  QFile file(aPath);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The entries of the last settings write the window sent, behind aPassword.
QMap<int, QByteArray> LastWrite(const QStringList& aSent, const QString& aPassword) {
  QString written;
  for (const QString& line : aSent)
    if (line.startsWith(aPassword + QStringLiteral("*CONF*")))
      written = line.mid(aPassword.size() + 6).trimmed();
  return written.isEmpty() ? QMap<int, QByteArray>() : Entries(written);
}

// The 305 schema with setting 49184 placed a second time, as another view with wider bounds.
QByteArray SchemaWithSettingTwice() {
  QJsonObject root = QJsonDocument::fromJson(EmbeddedSettingsSchema(QStringLiteral("305")).value()).object();
  QJsonObject data = root.value(QStringLiteral("data")).toObject();
  QJsonArray views = data.value(QStringLiteral("settingViewList")).toArray();
  for (const QJsonValue& v : views)
    if (v.toObject().value(QStringLiteral("alias")).toString() == QLatin1String("305_49184_1")) {
      QJsonObject copy = v.toObject();
      copy.insert(QStringLiteral("alias"), QStringLiteral("305_49184_2"));
      copy.insert(QStringLiteral("min"), 0);
      copy.insert(QStringLiteral("max"), 100000);
      views.append(copy);
      break;
    }
  data.insert(QStringLiteral("settingViewList"), views);
  QJsonArray sections = data.value(QStringLiteral("sectionList")).toArray();
  for (qsizetype i = 0; i < sections.size(); ++i) {
    QJsonObject section = sections.at(i).toObject();
    QJsonArray subs = section.value(QStringLiteral("subSectionList")).toArray();
    for (qsizetype j = 0; j < subs.size(); ++j) {
      QJsonObject sub = subs.at(j).toObject();
      QJsonArray aliases = sub.value(QStringLiteral("settingViewAliasList")).toArray();
      if (!aliases.contains(QStringLiteral("305_49184_1")))
        continue;
      aliases.append(QStringLiteral("305_49184_2"));
      sub.insert(QStringLiteral("settingViewAliasList"), aliases);
      subs[j] = sub;
    }
    section.insert(QStringLiteral("subSectionList"), subs);
    sections[i] = section;
  }
  data.insert(QStringLiteral("sectionList"), sections);
  root.insert(QStringLiteral("data"), data);
  return QJsonDocument(root).toJson();
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
  void deviceValuesThePageCannotShowSurvive();
  void fileIsTakenWholeOrNotAtAll_data();
  void fileIsTakenWholeOrNotAtAll();
  void filePasswordGoesOutUnderTheDevicesOne();
  void emptyOrSignAloneIsNoValue_data();
  void emptyOrSignAloneIsNoValue();
  void settingPlacedTwiceKeepsBothChecks();
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

void TstSettingsE2E::deviceValuesThePageCannotShowSurvive() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedWindow sim;
  // Bits 6 and 7 of 49153 have no flag on the page; 9 is no item of the time source list; a
  // wake-up period of 10 s is below the page's 60.
  QVERIFY(sim.Start({QStringLiteral("--type"), QStringLiteral("305"), QStringLiteral("--setting"),
                     QStringLiteral("49153=C5"), QStringLiteral("--setting"), QStringLiteral("49212=09"),
                     QStringLiteral("--setting"), QStringLiteral("49174=0A000000")}));
  QVERIFY(sim.Ready(QStringLiteral("305")));
  TMF& w = *sim.Window;
  auto* period = sim.Control<TIntegerClass>("305_49174_1");
  QTRY_COMPARE_WITH_TIMEOUT(period->Edit()->text(), QStringLiteral("10"), 10000);
  // The device's own values are marked, not refused: writing and saving stay open.
  QVERIFY(period->OwnValueMarked());
  QVERIFY(!w.Errors().HasErrors());
  QVERIFY(w.findChild<QAction*>("act_SetCFG")->isEnabled());
  QVERIFY(w.findChild<QAction*>("act_SaveCFG")->isEnabled());
  auto* source = sim.Control<TListClass>("305_49212_1");
  QCOMPARE(source->Combo()->currentIndex(), -1);
  QCOMPARE(source->Combo()->placeholderText(), QStringLiteral("9"));
  QVERIFY(source->OwnValueMarked());

  // A backup keeps them as the device has them.
  sim.SaveTo = sim.Dir.filePath(QStringLiteral("backup.cfg"));
  w.findChild<QAction*>("act_SaveCFG")->trigger();
  QVERIFY(sim.HintShown(w.Translate(QStringLiteral("mes_filesave"))));
  const QMap<int, QByteArray> backup = Entries(QString::fromLatin1(FileBytes(sim.SaveTo)));
  QCOMPARE(backup.value(49153), QByteArray("\xC5", 1));
  QCOMPARE(backup.value(49212), QByteArray("\x09", 1));
  QCOMPARE(backup.value(49174), QByteArray("\x0A\x00\x00\x00", 4));

  // A file that changes another setting only: everything else goes back as the device holds it.
  sim.OpenFrom = sim.Dir.filePath(QStringLiteral("sleep.cfg"));
  QVERIFY(WriteConfig(sim.OpenFrom, Layout2Image({{49184, QByteArray("\x84\x03", 2)}})));
  w.findChild<QAction*>("act_OpenCFG")->trigger();
  QVERIFY(sim.HintShown(w.Translate(QStringLiteral("mes_fileopen"))));
  const int images = sim.ImagesReceived();
  w.findChild<QAction*>("act_SetCFG")->trigger();
  QTRY_VERIFY_WITH_TIMEOUT(sim.HintShown(w.Translate(QStringLiteral("SR1"))), 10000);
  QMap<int, QByteArray> written = LastWrite(sim.Sent(), QStringLiteral("111111"));
  QCOMPARE(written.value(49184), QByteArray("\x84\x03", 2));
  QCOMPARE(written.value(49153), QByteArray("\xC5", 1));
  QCOMPARE(written.value(49212), QByteArray("\x09", 1));
  QCOMPARE(written.value(49174), QByteArray("\x0A\x00\x00\x00", 4));

  // A flag the technician clears changes its own bit only (once the device's read-back is in).
  QTRY_VERIFY_WITH_TIMEOUT(sim.ImagesReceived() > images, 10000);
  auto* bit0 = sim.Control<TFlagClass>("305_49153_1");
  QTRY_VERIFY_WITH_TIMEOUT(bit0->CheckBox()->isChecked(), 10000);
  QTest::mouseClick(bit0->CheckBox(), Qt::LeftButton);
  QVERIFY(!bit0->CheckBox()->isChecked());
  w.act_SetCFG();
  QTRY_COMPARE_WITH_TIMEOUT(LastWrite(sim.Sent(), QStringLiteral("111111")).value(49153),
                            QByteArray("\xC4", 1), 10000);
  // And the device reads back what was written.
  QTRY_COMPARE_WITH_TIMEOUT(Entries(w.ConfigToString()).value(49153), QByteArray("\xC4", 1), 10000);
}

void TstSettingsE2E::fileIsTakenWholeOrNotAtAll_data() {
  QTest::addColumn<QByteArray>("image");
  QTest::addColumn<QString>("message");
  // A good change first, then the entry that spoils the file.
  const TImageEntry sleep{49184, QByteArray("\x84\x03", 2)};
  QTest::newRow("wrong width") << Layout2Image({sleep, {49174, QByteArray("\x10\x0E\x00", 3)}})
                               << "Setting 49174: 3 bytes instead of 4";
  QTest::newRow("below the page's bound") << Layout2Image({sleep, {49174, QByteArray("\x0A\x00\x00\x00", 4)}})
                                          << "Setting 49174: Minimum value parameter";
  QTest::newRow("no item of the list") << Layout2Image({sleep, {49212, QByteArray("\x09", 1)}})
                                       << "Setting 49212: The value is not in the list of parameter";
  QTest::newRow("file's password too short") << Layout2Image({sleep, {5, QByteArray("abc")}})
                                             << "Setting 5: The file's password: Password must contain";
  QTest::newRow("entry past the end") << Layout2Image({sleep}, QByteArray("\x12\xC0\x09\x01", 4))
                                      << "Setting 49170: the entry runs past the end of the image";
}

void TstSettingsE2E::fileIsTakenWholeOrNotAtAll() {
  QFETCH(QByteArray, image);
  QFETCH(QString, message);
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedWindow sim;
  QVERIFY(sim.Start({QStringLiteral("--type"), QStringLiteral("305")}));
  QVERIFY(sim.Ready(QStringLiteral("305")));
  TMF& w = *sim.Window;
  auto* sleep = sim.Control<TIntegerClass>("305_49184_1");
  QTRY_COMPARE_WITH_TIMEOUT(sleep->Edit()->text(), QStringLiteral("300"), 10000);
  const QString before = w.ConfigToString();
  sim.OpenFrom = sim.Dir.filePath(QStringLiteral("bad.cfg"));
  QVERIFY(WriteConfig(sim.OpenFrom, image));
  w.findChild<QAction*>("act_OpenCFG")->trigger();
  // Which entry, and nothing of the file taken: not even the good change before it.
  const QString prefix = w.Translate(QStringLiteral("mes_filedataerror")) + QLatin1Char(' ') + message;
  QStringList hints;
  for (QLabel* l : w.Hints().Hints())
    hints << l->text();
  QVERIFY2(std::any_of(hints.cbegin(), hints.cend(),
                       [&](const QString& aHint) { return aHint.startsWith(prefix); }),
           qPrintable(hints.join(QLatin1Char('|'))));
  QVERIFY(!sim.HintShown(w.Translate(QStringLiteral("mes_fileopen"))));
  QCOMPARE(sleep->Edit()->text(), QStringLiteral("300"));
  QCOMPARE(w.ConfigToString(), before);
}

void TstSettingsE2E::filePasswordGoesOutUnderTheDevicesOne() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedWindow sim;
  QVERIFY(sim.Start({QStringLiteral("--type"), QStringLiteral("305")}));
  QVERIFY(sim.Ready(QStringLiteral("305")));
  TMF& w = *sim.Window;
  QTRY_COMPARE_WITH_TIMEOUT(w.Q()->DevicePassword(), QStringLiteral("111111"), 10000);
  sim.OpenFrom = sim.Dir.filePath(QStringLiteral("new-password.cfg"));
  QVERIFY(WriteConfig(sim.OpenFrom, Layout2Image({{5, QByteArray("222222")},
                                                  {0x5400, QByteArray("222222")},
                                                  {49184, QByteArray("\x84\x03", 2)}})));
  w.findChild<QAction*>("act_OpenCFG")->trigger();
  QVERIFY(sim.HintShown(w.Translate(QStringLiteral("mes_fileopen"))));
  // The file's password is a value to write, not the device's: the page stays open.
  QCOMPARE(w.Q()->DevicePassword(), QStringLiteral("111111"));
  QVERIFY(!w.Q()->WriteLocked());
  QVERIFY(w.findChild<QAction*>("act_SetCFG")->isEnabled());
  QCOMPARE(sim.Control<TStringClass>("305_5_1")->Edit()->text(), QStringLiteral("222222"));
  const int images = sim.ImagesReceived();
  w.findChild<QAction*>("act_SetCFG")->trigger();
  // Under the device's current password; the new one becomes the device's once it has saved.
  QTRY_VERIFY_WITH_TIMEOUT(sim.HintShown(w.Translate(QStringLiteral("mes_passwordchanged"))), 10000);
  QCOMPARE(LastWrite(sim.Sent(), QStringLiteral("111111")).value(5), QByteArray("222222"));
  QCOMPARE(w.Q()->DevicePassword(), QStringLiteral("222222"));
  QCOMPARE(w.findChild<QLineEdit*>(QStringLiteral("PasswordEdit"))->text(), QStringLiteral("222222"));
  QVERIFY(!w.Q()->WriteLocked());
  // The device's read-back agrees, and the next write goes under the new password.
  QTRY_VERIFY_WITH_TIMEOUT(sim.ImagesReceived() > images, 10000);
  QCOMPARE(sim.Control<TStringClass>("305_5_1")->DeviceValue().toString(), QStringLiteral("222222"));
  QVERIFY(!w.Q()->WriteLocked());
  w.Hints().HideOldest();
  sim.Control<TIntegerClass>("305_49184_1")->Edit()->setText(QStringLiteral("600"));
  w.findChild<QAction*>("act_SetCFG")->trigger();
  QTRY_COMPARE_WITH_TIMEOUT(LastWrite(sim.Sent(), QStringLiteral("222222")).value(49184),
                            QByteArray("\x58\x02", 2), 10000);
  QTRY_COMPARE_WITH_TIMEOUT(sim.Control<TIntegerClass>("305_49184_1")->DeviceValue().toLongLong(), 600,
                            10000);
}

void TstSettingsE2E::emptyOrSignAloneIsNoValue_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("message");
  QTest::newRow("emptied") << QString() << "No value given for parameter";
  QTest::newRow("minus") << "-"
                         << "Invalid characters in value parameter";
  QTest::newRow("plus") << "+"
                        << "Invalid characters in value parameter";
}

void TstSettingsE2E::emptyOrSignAloneIsNoValue() {
  QFETCH(QString, text);
  QFETCH(QString, message);
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TSimulatedWindow sim;
  QVERIFY(sim.Start({QStringLiteral("--type"), QStringLiteral("305")}));
  QVERIFY(sim.Ready(QStringLiteral("305")));
  TMF& w = *sim.Window;
  auto* period = sim.Control<TIntegerClass>("305_49174_1");
  QTRY_COMPARE_WITH_TIMEOUT(period->Edit()->text(), QStringLiteral("3600"), 10000);
  period->Edit()->setText(text);
  QVERIFY(!w.findChild<QAction*>("act_SetCFG")->isEnabled());
  QVERIFY(w.InfoPanel() && w.InfoPanel()->isVisible());
  QVERIFY2(w.Errors().CurrentMessage().startsWith(message), qPrintable(w.Errors().CurrentMessage()));
  // Even pushed past the disabled button, no 0 goes out for it.
  w.act_SetCFG();
  QTRY_VERIFY_WITH_TIMEOUT(sim.HintShown(w.Translate(QStringLiteral("SR1"))), 10000);
  QVERIFY(!LastWrite(sim.Sent(), QStringLiteral("111111")).contains(49174));
}

void TstSettingsE2E::settingPlacedTwiceKeepsBothChecks() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  // The cached schema of the type, newer than the program's own.
  const QString cached = AppDataFolder() + QStringLiteral("/305.json");
  struct TRemove {
    QString Path;
    ~TRemove() { QFile::remove(Path); }
  } remove{cached};
  QFile file(cached);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write(SchemaWithSettingTwice());
  file.close();
  TSimulatedWindow sim;
  QVERIFY(sim.Start({QStringLiteral("--type"), QStringLiteral("305")}));
  QVERIFY(sim.Ready(QStringLiteral("305")));
  TMF& w = *sim.Window;
  auto* narrow = sim.Control<TIntegerClass>("305_49184_1");
  auto* wide = sim.Control<TIntegerClass>("305_49184_2");
  QVERIFY(narrow && wide);
  QTRY_COMPARE_WITH_TIMEOUT(wide->Edit()->text(), QStringLiteral("300"), 10000);
  // A valid value in one copy leaves the other's message standing.
  wide->Edit()->setText(QStringLiteral("70000"));
  narrow->Edit()->setText(QStringLiteral("50"));
  QVERIFY(w.Errors().HasErrors());
  QVERIFY(!w.findChild<QAction*>("act_SetCFG")->isEnabled());
  // Pushed past the disabled button, the value that two bytes cannot hold is refused, never cut
  // to 4464.
  w.act_SetCFG();
  QVERIFY(sim.HintShown(QStringLiteral("The value of setting 49184 \"Delay before sleep\" does not fit its "
                                       "storage; nothing was written")));
  QTest::qWait(300);
  QVERIFY(LastWrite(sim.Sent(), QStringLiteral("111111")).isEmpty());
}

QTEST_MAIN(TstSettingsE2E)
#include "tst_settings_e2e.moc"
