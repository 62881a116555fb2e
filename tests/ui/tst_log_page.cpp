#include "core/core_fixture.h"
#include "core/log_file.h"
#include "i18n/dictionary.h"
#include "platform/registry.h"
#include "style/icons.h"
#include "ui/log_model.h"
#include "ui/log_page.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

const QColor kOlive(0xB0, 0xB0, 0x00);
const QColor kGreen(0x00, 0x80, 0x00);
const QColor kRed(0xFF, 0x00, 0x00);
const QColor kGrey(0x80, 0x80, 0x80);
const QColor kWhite(0xFF, 0xFF, 0xFF);

// A window stand-in that hands the core's hooks to the page at once.
class TPageHost : public TRecorderHost {
public:
  TLogPage* Page = nullptr;
  QStringList EmptiedValues;

  void PostLogChange() override {
    TRecorderHost::PostLogChange();
    if (Page)
      Page->LogChange();
  }
  void LogViewClear() override { Page->LogViewClear(); }
  void LogViewSetHex(bool aHex) override { Page->LogViewSetHex(aHex); }
  void LogViewSetRowCount(int aRows) override { Page->LogViewSetRowCount(aRows); }
  void SetFollow(bool aFollow) override { Page->SetFollow(aFollow); }
  bool VisualSetValue(const QString& aName, const QVariant& aValue, int, const QString&, TColorRef) override {
    if (!aValue.isValid())
      EmptiedValues << aName;
    return true;
  }
};

struct TPageRig {
  TPageHost Host;
  TManualClock Clock{QDateTime(QDate(2026, 1, 1), QTime(13, 5, 7, 89))};
  TExchangeCore Core{Host, Clock};
  TFakeDriver Driver;
  std::unique_ptr<TPortInfo> Port = std::make_unique<TPortInfo>(Core);
  TPortInfo* Selected = Port.get();
  TDictionary Dictionary;
  TIcons Icons;
  TRegistry Registry;
  QList<QPair<int, QString>> Hints;
  TLogPage Page{Core,
                Dictionary,
                Icons,
                Registry,
                [this] { return Selected; },
                [this](int aKind, const QString& aText) {
                  Hints.append({aKind, aText});
                }};

  TPageRig() {
    Driver.Connect();
    Port->SetCom(&Driver);
    Host.Port = Port.get();
    Host.Page = &Page;
    Dictionary.SetLanguage(TDictionary::lnEnglish);
    Page.Retranslate();
    Page.resize(800, 600);
  }
  void Show() {
    Page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&Page));
  }
  void Receive(const QByteArray& aBytes) {
    Core.QReceiveData(nullptr, aBytes.constData(), int(aBytes.size()));
  }
  // Writes bytes to the log as one chunk and as one generation-1 packet in aState.
  void Log(const QByteArray& aBytes, quint8 aState) {
    const TPacket packet{ToTDateTime(Clock.Now()), Core.TrafficLog().Size(), aBytes.size(), aState};
    Core.TrafficLog().Write(aBytes);
    Core.PacketIndex().push_back(
        {packet.Time, packet.Position, packet.Size, aState == psSent ? quint8(psSent) : quint8(psComplete)});
    Core.Gen1Index().push_back(packet);
  }
  template <typename T> T* Child(const char* aName) { return Page.findChild<T*>(QString::fromLatin1(aName)); }
  QString Label(const char* aName) { return Child<QLabel>(aName)->text(); }
  QPoint RowCentre(int aRow) { return Page.List().visualRect(Page.Model().index(aRow)).center(); }
};

} // namespace

class TstLogPage : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init();
  void cleanup();
  void rowRendering_data();
  void rowRendering();
  void rowsBeforeDetectStartAreGrey();
  void rowsNeverReadPastTheLog_data();
  void rowsNeverReadPastTheLog();
  void longEntryRendersOnlyWhatFits();
  void pausedListCatchesUpOnPlay();
  void counters_data();
  void counters();
  void clearAndSaveAreNeverCut_data();
  void clearAndSaveAreNeverCut();
  void doubleClickThenSend_data();
  void doubleClickThenSend();
  void typedLineNamesItsReply();
  void modemAlternatesCommands();
  void actionsNeedAPort();
  void clearEmptiesListAndCounters();
  void saveWritesShownRendering();
  void activityBar_data();
  void activityBar();
  void splitterKeepsSendPanelInRange_data();
  void splitterKeepsSendPanelInRange();
  void modelPassesTesterThroughGenerationSwitch();
};

void TstLogPage::init() {
  TRegistry registry;
  registry.DeleteKey(QStringLiteral("Forms"));
  registry.Sync();
}

void TstLogPage::cleanup() {
  QLocale::setDefault(QLocale::c());
}

void TstLogPage::rowRendering_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<int>("state");
  QTest::addColumn<bool>("hex");
  QTest::addColumn<QString>("stamp");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QColor>("colour");

  const QString time = QStringLiteral("13:05:07.089");
  QTest::newRow("sent") << QByteArray(">D 9;1\r\n") << int(psSent) << false << QStringLiteral("PC > DEVICE")
                        << QStringLiteral(">D 9;1\u240D\u240A") << kOlive;
  QTest::newRow("recognised") << QByteArray(">A=1\r\n") << int(psRecognised) << false << time
                              << QStringLiteral(">A=1\u240D\u240A") << kGreen;
  QTest::newRow("open") << QByteArray(">B=") << int(psOpen) << false << time << QStringLiteral(">B=") << kRed;
  QTest::newRow("complete") << QByteArray(">C=9\r\n") << int(psComplete) << false << time
                            << QStringLiteral(">C=9\u240D\u240A") << kGrey;
  QTest::newRow("unknown state") << QByteArray("?") << 7 << false << time << QStringLiteral("?") << kWhite;
  QTest::newRow("hex of 3E 0D 0A") << QByteArray("\x3E\x0D\x0A") << int(psRecognised) << true << time
                                   << QStringLiteral("3E 0D 0A ") << kGreen;
  QTest::newRow("controls and code page")
      << QByteArray("\x00\x1B\xC0\xE1\x7F", 5) << int(psComplete) << false << time
      << QStringLiteral("\u2400\u241B\u0410\u0431\u2421") << kGrey;
}

void TstLogPage::rowRendering() {
  QFETCH(QByteArray, bytes);
  QFETCH(int, state);
  QFETCH(bool, hex);
  QFETCH(QString, stamp);
  QFETCH(QString, text);
  QFETCH(QColor, colour);
  TPageRig rig;
  rig.Core.SetVersion(vtVersion1);
  rig.Log(QByteArray(">X=0\r\n"), psRecognised); // keeps its own colour while the next row is selected
  rig.Log(bytes, quint8(state));
  rig.Page.SetHEX(hex);
  rig.Page.LogViewSetRowCount(2);

  const QModelIndex row = rig.Page.Model().index(1);
  QCOMPARE(row.data(TLogModel::StampRole).toString(), stamp);
  QCOMPARE(row.data().toString(), text);
  QCOMPARE(row.data(Qt::ForegroundRole).value<QColor>(), colour);
  QVERIFY(row.data(TLogModel::MarkerRole).toString().isEmpty());

  // Selected, the row takes the window's text colour and the marker, whatever its state.
  const TThemeColors light = LightTheme();
  rig.Page.SetTheme(light);
  rig.Page.List().setCurrentIndex(row);
  QCOMPARE(row.data(TLogModel::MarkerRole).toString(), QStringLiteral("\u25BA"));
  QCOMPARE(row.data(Qt::ForegroundRole).value<QColor>(), light.Text);
  QCOMPARE(rig.Page.Model().index(0).data(Qt::ForegroundRole).value<QColor>(), kGreen);
}

void TstLogPage::rowsBeforeDetectStartAreGrey() {
  TPageRig rig;
  rig.Core.SetVersion(vtVersion1);
  rig.Log(QByteArray(">A=1\r\n"), psRecognised); // the previous device's traffic
  rig.Core.SetVersion(vtDetect);                 // a port is selected: detection starts here
  rig.Core.SetVersion(vtVersion1);
  QCOMPARE(rig.Page.Model().rowCount(), 1);
  // The first chunk of this detection has not arrived: everything shown is older.
  QCOMPARE(rig.Page.Model().index(0).data(Qt::ForegroundRole).value<QColor>(), kGrey);

  rig.Log(QByteArray(">B=2\r\n"), psRecognised);
  rig.Page.LogViewSetRowCount(2);
  QCOMPARE(rig.Page.Model().index(0).data(Qt::ForegroundRole).value<QColor>(), kGrey);
  QCOMPARE(rig.Page.Model().index(1).data(Qt::ForegroundRole).value<QColor>(), kGreen);
}

void TstLogPage::rowsNeverReadPastTheLog_data() {
  QTest::addColumn<qint64>("position");
  QTest::addColumn<qint64>("size");
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("hex");
  QTest::newRow("inside") << qint64(1) << qint64(3) << QByteArray("BCD") << QStringLiteral("42 43 44 ");
  QTest::newRow("runs past the end") << qint64(4) << qint64(10) << QByteArray("EF")
                                     << QStringLiteral("45 46 ");
  QTest::newRow("starts past the end") << qint64(9) << qint64(2) << QByteArray() << QString();
  QTest::newRow("negative size while re-framing") << qint64(2) << qint64(-3) << QByteArray() << QString();
  QTest::newRow("starts before the log")
      << qint64(-2) << qint64(4) << QByteArray("AB") << QStringLiteral("41 42 ");
}

void TstLogPage::rowsNeverReadPastTheLog() {
  QFETCH(qint64, position);
  QFETCH(qint64, size);
  QFETCH(QByteArray, bytes);
  QFETCH(QString, hex);
  TPageRig rig;
  rig.Core.SetVersion(vtVersion0);
  rig.Core.TrafficLog().Write(QByteArray("ABCDEF"));
  rig.Core.PacketIndex().push_back({0, position, size, psComplete});
  rig.Page.SetFollow(true);
  const QModelIndex row = rig.Page.Model().index(0);
  QCOMPARE(row.data().toString(), QString::fromLatin1(bytes));
  QCOMPARE(row.data(TLogModel::BytesRole).toByteArray(), bytes);
  rig.Page.SetHEX(true);
  QCOMPARE(row.data().toString(), hex);
  // A row the index no longer has (a paused list after the framer took an entry back).
  rig.Page.SetFollow(false);
  rig.Core.PacketIndex().clear();
  QCOMPARE(rig.Page.Model().rowCount(), 1);
  QVERIFY(row.data().toString().isEmpty());
  QVERIFY(!row.data(TLogModel::StampRole).isValid());
}

void TstLogPage::longEntryRendersOnlyWhatFits() {
  TPageRig rig;
  rig.Core.SetVersion(vtVersion0);
  rig.Receive(QByteArray(100000, 'x'));
  const QModelIndex row = rig.Page.Model().index(0);
  QCOMPARE(row.data().toString().size(), TLogModel::kRowTextLimit);
  QCOMPARE(row.data(TLogModel::BytesRole).toByteArray().size(), 100000);
}

void TstLogPage::pausedListCatchesUpOnPlay() {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  TPageRig rig;
  rig.Show();
  rig.Core.SetVersion(vtVersion0);
  for (int i = 0; i < 5; ++i)
    rig.Receive(QByteArray(">A=1\r\n"));
  QCOMPARE(rig.Page.Model().rowCount(), 5);
  QCOMPARE(rig.Page.List().currentIndex().row(), 4);

  // A click on the list pauses it and selects the row clicked.
  QTest::mouseClick(rig.Page.List().viewport(), Qt::LeftButton, {}, rig.RowCentre(1));
  QVERIFY(!rig.Page.Follow());
  QVERIFY(rig.Child<QToolButton>("btnPause")->isChecked());
  QVERIFY(!rig.Child<QToolButton>("btnPlay")->isChecked());
  QCOMPARE(rig.Page.Model().SelectedRow(), 1);

  for (int i = 0; i < 100; ++i)
    rig.Receive(QByteArray(10, 'x'));
  QCOMPARE(rig.Page.Model().rowCount(), 5);
  QCOMPARE(rig.Page.List().TopRow(), 0);
  QCOMPARE(rig.Label("InByteCountLabel"), QStringLiteral("Received: 1,030"));

  QTest::mouseClick(rig.Child<QToolButton>("btnPlay"), Qt::LeftButton);
  QVERIFY(rig.Page.Follow());
  QCOMPARE(rig.Page.Model().rowCount(), 105);
  const QModelIndex last = rig.Page.Model().index(104);
  QCOMPARE(rig.Page.List().currentIndex(), last);
  QCOMPARE(last.data(TLogModel::MarkerRole).toString(), QStringLiteral("\u25BA"));
  QVERIFY(rig.Page.List().TopRow() > 0);
  QVERIFY(rig.Page.List().viewport()->rect().contains(rig.Page.List().visualRect(last)));
}

void TstLogPage::counters_data() {
  QTest::addColumn<QLocale>("locale");
  QTest::addColumn<int>("language");
  QTest::addColumn<QString>("received");
  QTest::addColumn<QString>("sent");
  QTest::addColumn<QString>("clear");
  QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << int(TDictionary::lnEnglish)
                         << QStringLiteral("Received: 1,234,567") << QStringLiteral("Sended: 1,000")
                         << QStringLiteral("Clear");
  QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << int(TDictionary::lnEnglish)
                         << QStringLiteral("Received: 1.234.567") << QStringLiteral("Sended: 1.000")
                         << QStringLiteral("Clear");
  QTest::newRow("ru_RU") << QLocale(QLocale::Russian, QLocale::Russia) << int(TDictionary::lnRussian)
                         << QStringLiteral("Получено: 1\u00A0234\u00A0567")
                         << QStringLiteral("Отправлено: 1\u00A0000") << QStringLiteral("Очистить");
}

void TstLogPage::counters() {
  QFETCH(QLocale, locale);
  QFETCH(int, language);
  QLocale::setDefault(locale);
  TPageRig rig;
  rig.Dictionary.SetLanguage(language);
  rig.Page.Retranslate();
  rig.Core.SetVersion(vtVersion0);
  rig.Receive(QByteArray(1234567, 'x'));
  rig.Port->SendAnsiString(QByteArray(998, 'a') + "\r\n");
  QTEST(rig.Label("InByteCountLabel"), "received");
  QTEST(rig.Label("OutByteCountLabel"), "sent");
  QTEST(rig.Child<QToolButton>("btn_Clear")->text(), "clear");
}

void TstLogPage::clearAndSaveAreNeverCut_data() {
  QTest::addColumn<int>("language");
  QTest::addColumn<int>("width");
  QTest::addColumn<bool>("words");
  QTest::newRow("Russian, wide") << int(TDictionary::lnRussian) << 1400 << true;
  QTest::newRow("Russian, narrow") << int(TDictionary::lnRussian) << 560 << false;
  QTest::newRow("English, narrow") << int(TDictionary::lnEnglish) << 560 << false;
}

void TstLogPage::clearAndSaveAreNeverCut() {
  QFETCH(int, language);
  QFETCH(int, width);
  QFETCH(bool, words);
  TPageRig rig;
  rig.Dictionary.SetLanguage(language);
  rig.Page.Retranslate();
  // Inside the window, as one of its pages: squeezed to what the window gives it.
  QWidget holder;
  rig.Page.setParent(&holder);
  holder.resize(width, 600);
  rig.Page.setGeometry(0, 0, width, 600);
  holder.show();
  QVERIFY(QTest::qWaitForWindowExposed(&holder));
  QCoreApplication::processEvents();
  const auto release = qScopeGuard([&rig] { rig.Page.setParent(nullptr); });
  for (const char* name : {"btn_Clear", "btn_Save"}) {
    QToolButton* b = rig.Child<QToolButton>(name);
    // Words are shown whole or not at all (then the tooltip carries them).
    QVERIFY2(b->width() >= b->sizeHint().width(), name);
    QCOMPARE(b->toolTip(), b->text());
    if (words)
      QCOMPARE(b->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
  }
}

void TstLogPage::doubleClickThenSend_data() {
  QTest::addColumn<QByteArray>("chunk");
  QTest::addColumn<bool>("hex");
  QTest::addColumn<QString>("memo");
  QTest::addColumn<QByteArray>("sent");
  QTest::newRow("line in the code page")
      << QByteArray(">T=\xC0\xE1\r\n") << false << QStringLiteral(">T=\u0410\u0431")
      << QByteArray(">T=\xC0\xE1\r\n");
  QTest::newRow("two lines in one chunk") << QByteArray(">A=1\r\n>B=2\r\n") << false
                                          << QStringLiteral(">A=1\n>B=2") << QByteArray(">A=1\r\n>B=2\r\n");
  QTest::newRow("no line end") << QByteArray(">OK") << false << QStringLiteral(">OK")
                               << QByteArray(">OK\r\n");
  QTest::newRow("hex") << QByteArray("\x3E\x0D\x0A") << true << QStringLiteral("3E 0D 0A ")
                       << QByteArray("3E 0D 0A \r\n");
}

void TstLogPage::doubleClickThenSend() {
  QFETCH(QByteArray, chunk);
  QFETCH(bool, hex);
  QFETCH(QByteArray, sent);
  TPageRig rig;
  rig.Show();
  rig.Core.SetVersion(vtVersion0);
  rig.Page.SetHEX(hex);
  rig.Receive(chunk);
  // As the platform delivers it: a click, then the second press and the double click.
  QWidget* viewport = rig.Page.List().viewport();
  const QPoint at = rig.RowCentre(0);
  QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
  QTest::mousePress(viewport, Qt::LeftButton, {}, at);
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
  QTEST(rig.Child<QPlainTextEdit>("SendMemo")->toPlainText(), "memo");

  rig.Hints.clear();
  QTest::mouseClick(rig.Child<QToolButton>("btn_Send"), Qt::LeftButton);
  QCOMPARE(rig.Driver.Written, QList<QByteArray>{sent});
  // The technician is told what went, by its first line.
  const QString memo = rig.Child<QPlainTextEdit>("SendMemo")->toPlainText();
  QCOMPARE(rig.Hints,
           (QList<QPair<int, QString>>{{3, QStringLiteral("Command sent: ") + memo.section(u'\n', 0, 0)}}));
  // The line sent is logged and shows up as the next row once following again.
  rig.Page.SetFollow(true);
  QCOMPARE(rig.Page.Model().rowCount(), 2);
  QCOMPARE(rig.Page.Model().index(1).data(TLogModel::StampRole).toString(), QStringLiteral("PC > DEVICE"));
  QCOMPARE(rig.Page.Model().index(1).data(TLogModel::BytesRole).toByteArray(), sent);
}

void TstLogPage::typedLineNamesItsReply() {
  TPageRig rig;
  rig.Port->SetDevicePID_VID(QStringLiteral("USB\\VID_0483&PID_5742&MI_00"));
  rig.Child<QPlainTextEdit>("SendMemo")->setPlainText(QStringLiteral("424242"));
  QTest::mouseClick(rig.Child<QToolButton>("btn_Send"), Qt::LeftButton);
  rig.Receive("DEVICE PASSWORD OK\r\n");
  QVERIFY(rig.Host.Hints.contains(qMakePair(3, QStringLiteral("424242: DEVICE PASSWORD OK"))));
}

void TstLogPage::modemAlternatesCommands() {
  TPageRig rig;
  auto* modem = rig.Child<QToolButton>("btnShowEnter");
  QTest::mouseClick(modem, Qt::LeftButton);
  QVERIFY(rig.Page.ShowEnter() && modem->isChecked());
  QTest::mouseClick(modem, Qt::LeftButton);
  QVERIFY(!rig.Page.ShowEnter() && !modem->isChecked());
  // The port column repainted: the next press starts over, whatever the button shows.
  QTest::mouseClick(modem, Qt::LeftButton);
  rig.Page.SetModemToggle(false);
  QTest::mouseClick(modem, Qt::LeftButton);
  QCOMPARE(rig.Driver.Written, (QList<QByteArray>{">D 9;1\r\n", ">D 9;0\r\n", ">D 9;1\r\n", ">D 9;1\r\n"}));
}

void TstLogPage::actionsNeedAPort() {
  TPageRig rig;
  rig.Selected = nullptr;
  int dialogs = 0;
  rig.Page.SetSaveDialog([&](QWidget*, const QString&) {
    ++dialogs;
    return QString();
  });
  rig.Child<QPlainTextEdit>("SendMemo")->setPlainText(QStringLiteral(">I 7"));
  for (const char* name : {"btn_Send", "btnShowEnter", "btn_Save"})
    QTest::mouseClick(rig.Child<QToolButton>(name), Qt::LeftButton);
  QVERIFY(rig.Driver.Written.isEmpty());
  QVERIFY(rig.Core.PacketIndex().empty());
  QCOMPARE(dialogs, 0);
}

void TstLogPage::clearEmptiesListAndCounters() {
  TPageRig rig;
  rig.Show();
  rig.Core.SetVersion(vtVersion0);
  for (int i = 0; i < 3; ++i)
    rig.Receive(QByteArray("abc\r\n"));
  rig.Port->SendAnsiString(QByteArray("ping\r\n"));
  rig.Page.SetFollow(false);
  QCOMPARE(rig.Page.Model().rowCount(), 4);
  const qint64 logged = rig.Core.TrafficLog().Size();

  QTest::mouseClick(rig.Child<QToolButton>("btn_Clear"), Qt::LeftButton);
  QCOMPARE(rig.Page.Model().rowCount(), 0);
  QVERIFY(rig.Core.PacketIndex().empty());
  QVERIFY(rig.Page.Follow());
  QCOMPARE(rig.Host.EmptiedValues,
           (QStringList{QStringLiteral("InByteCount"), QStringLiteral("OutByteCount")}));
  QCOMPARE(rig.Label("InByteCountLabel"), QStringLiteral("Received: 0"));
  QCOMPARE(rig.Label("OutByteCountLabel"), QStringLiteral("Sended: 0"));

  rig.Receive(QByteArray("new\r\n"));
  QCOMPARE(rig.Page.Model().rowCount(), 1);
  QCOMPARE(rig.Core.PacketIndex().front().Position, logged);
  QCOMPARE(rig.Page.Model().index(0).data(TLogModel::BytesRole).toByteArray(), QByteArray("new\r\n"));
  QCOMPARE(rig.Label("InByteCountLabel"), QStringLiteral("Received: 5"));
}

void TstLogPage::saveWritesShownRendering() {
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  TPageRig rig;
  rig.Port->SetDeviceName(QStringLiteral("Tracker"));
  rig.Core.SetVersion(vtVersion0);
  rig.Receive(QByteArray(">A=1\r\n"));
  rig.Port->SendAnsiString(QByteArray(">I 7\r\n"));

  QString proposed;
  QString answer = dir.filePath(QStringLiteral("a.log"));
  rig.Page.SetSaveDialog([&](QWidget*, const QString& aName) {
    proposed = aName;
    return answer;
  });
  rig.Page.SetHEX(true);
  QTest::mouseClick(rig.Child<QToolButton>("btn_Save"), Qt::LeftButton);
  QVERIFY2(proposed.startsWith(QStringLiteral("Tracker ")), qPrintable(proposed));
  QFile file(answer);
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(),
           QByteArray("13:05:07.089\t3E 41 3D 31 0D 0A \r\nPC > DEVICE\t3E 49 20 37 0D 0A \r\n"));
  QVERIFY(rig.Hints.isEmpty());

  // A folder that is not there: the user hears of it and no file appears.
  answer = dir.filePath(QStringLiteral("missing/b.log"));
  QTest::mouseClick(rig.Child<QToolButton>("btn_Save"), Qt::LeftButton);
  QCOMPARE(rig.Hints.size(), 1);
  QCOMPARE(rig.Hints.first().first, 0);
  QVERIFY(!QFile::exists(answer));

  // Cancelled: nothing.
  answer.clear();
  QTest::mouseClick(rig.Child<QToolButton>("btn_Save"), Qt::LeftButton);
  QCOMPARE(rig.Hints.size(), 1);
}

void TstLogPage::activityBar_data() {
  QTest::addColumn<int>("size");
  QTest::addColumn<int>("state");
  QTest::addColumn<int>("ageMs");
  QTest::addColumn<QRect>("geometry");
  QTest::addColumn<QColor>("colour");
  QTest::newRow("nothing in view") << 0 << 0 << 0 << QRect(-100, 0, 0, 4) << QColor();
  QTest::newRow("just arrived") << 6 << int(psRecognised) << 0 << QRect(92, 0, 12, 4) << kGreen;
  QTest::newRow("a quarter second on") << 10 << int(psSent) << 250 << QRect(217, 0, 20, 4) << kOlive;
  QTest::newRow("clock set back") << 3 << int(psOpen) << -5000 << QRect(92, 0, 6, 4) << kRed;
}

void TstLogPage::activityBar() {
  QFETCH(int, size);
  QFETCH(int, state);
  QFETCH(int, ageMs);
  QFETCH(QRect, geometry);
  QFETCH(QColor, colour);
  TPageRig rig;
  rig.Core.SetVersion(vtVersion1);
  if (size > 0)
    rig.Log(QByteArray(size, 'x'), quint8(state));
  rig.Clock.Advance(ageMs);
  QCOMPARE(rig.Page.ActivityBar().Geometry, geometry);
  QCOMPARE(rig.Page.ActivityBar().Color, colour);
  QWidget border;
  QWidget bar(&border);
  rig.Page.UpdateDataLabel(&bar);
  QCOMPARE(bar.geometry(), geometry);
}

void TstLogPage::splitterKeepsSendPanelInRange_data() {
  QTest::addColumn<int>("dragBy");
  QTest::addColumn<int>("height");
  QTest::newRow("far up") << -400 << 300;
  QTest::newRow("within range") << -90 << 150;
  QTest::newRow("far down") << 400 << 60;
}

void TstLogPage::splitterKeepsSendPanelInRange() {
  QFETCH(int, dragBy);
  QFETCH(int, height);
  TPageRig rig;
  rig.Show();
  auto* panel = rig.Child<QWidget>("SendPanel");
  if (dragBy > 0)
    rig.Page.SetSendPanelHeight(200);
  QSplitterHandle* handle = rig.Child<QSplitter>("LogSplitter")->handle(1);
  const QPoint from = handle->rect().center();
  const QPoint to = from + QPoint(0, dragBy);
  QMouseEvent press(QEvent::MouseButtonPress, from, handle->mapToGlobal(from), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(handle, &press);
  QMouseEvent move(QEvent::MouseMove, to, handle->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(handle, &move);
  QMouseEvent release(QEvent::MouseButtonRelease, to, handle->mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(handle, &release);

  QCOMPARE(panel->height(), height);
  QCOMPARE(rig.Page.SendPanelHeight(), height);
  // The list takes what the window gains; the send panel keeps its height.
  rig.Page.resize(800, 700);
  QTRY_COMPARE(panel->height(), height);
  // The next start opens with it.
  TLogPage next(rig.Core, rig.Dictionary, rig.Icons, rig.Registry, {}, {});
  QCOMPARE(next.SendPanelHeight(), height);
}

void TstLogPage::modelPassesTesterThroughGenerationSwitch() {
  TPageRig rig;
  rig.Show();
  QAbstractItemModelTester tester(&rig.Page.Model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
  rig.Core.SetDecoder(1, [&](int aIndex) { rig.Core.Gen1Index()[size_t(aIndex)].State = psRecognised; });

  // Raw chunks while undetected, then the generation-1 packets once a line is recognised.
  rig.Receive(QByteArray("noise"));
  QCOMPARE(rig.Page.Model().rowCount(), 1);
  rig.Receive(QByteArray(">A=1\r\n>B="));
  QCOMPARE(rig.Core.Version(), vtVersion1);
  QCOMPARE(size_t(rig.Page.Model().rowCount()), rig.Core.Gen1Index().size());
  QVERIFY(!rig.Page.HEX());
  rig.Receive(QByteArray("2\r\n>C=3\r\n"));
  QCOMPARE(size_t(rig.Page.Model().rowCount()), rig.Core.Gen1Index().size());

  // The index loses its last entry (a line without "=" joins the open entry before it).
  rig.Receive(QByteArray(">D="));
  const int rows = rig.Page.Model().rowCount();
  rig.Core.Gen1Index().pop_back();
  rig.Page.LogChange();
  QCOMPARE(rig.Page.Model().rowCount(), rows - 1);

  rig.Page.SetHEX(true);
  rig.Page.SetFollow(false);
  rig.Receive(QByteArray(">E=5\r\n"));
  rig.Core.SetVersion(vtVersion2);
  QCOMPARE(size_t(rig.Page.Model().rowCount()), rig.Core.Gen2Index().size());
  rig.Core.SetVersion(vtVersion1);
  QCOMPARE(size_t(rig.Page.Model().rowCount()), rig.Core.Gen1Index().size());
  rig.Page.Clear();
  QCOMPARE(rig.Page.Model().rowCount(), 0);
}

QTEST_MAIN(TstLogPage)
#include "tst_log_page.moc"
