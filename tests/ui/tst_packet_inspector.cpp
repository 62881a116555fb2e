// The packet inspector of the log page: a selected row of any generation shown taken apart,
// nothing of the exchange, the port or the window touched by looking, the panel's toggle and
// width kept between runs, and the text the copy button hands over.

#include "core/core_fixture.h"
#include "core/log_file.h"
#include "core/virtual_comm_driver.h"
#include "device/command_table.h"
#include "i18n/dictionary.h"
#include "monitor/item_class.h"
#include "platform/registry.h"
#include "protocols/gen3_decoder.h"
#include "protocols/status_decoder.h"
#include "protocols/status_host.h"
#include "style/icons.h"
#include "style/theme.h"
#include "ui/log_model.h"
#include "ui/log_page.h"
#include "ui/packet_inspector.h"
#include "ui/tmf.h"
#include "updates/crypto/checksums.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QMouseEvent>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// A window stand-in: the core's hooks go to the page, every value and hint is written down.
class TInspectorHost : public TRecorderHost, public IStatusHost {
public:
  TLogPage* Page = nullptr;
  QStringList Values;

  void PostLogChange() override {
    if (Page)
      Page->LogChange();
  }
  void LogViewClear() override { Page->LogViewClear(); }
  void LogViewSetHex(bool aHex) override { Page->LogViewSetHex(aHex); }
  void LogViewSetRowCount(int aRows) override { Page->LogViewSetRowCount(aRows); }
  void SetFollow(bool aFollow) override { Page->SetFollow(aFollow); }
  bool VisualSetValue(const QString& aName, const QVariant& aValue, int, const QString&, TColorRef) override {
    Values << aName + u'=' + aValue.toString();
    return true;
  }
  void MainHintShow(int aKind, const QString& aText) override {
    Values << QStringLiteral("hint%1 %2").arg(aKind).arg(aText);
  }

  quint8 UpdateOperation() const override { return 0; }
  void SetUpdateStage(quint8) override { Values << QStringLiteral("stage"); }
  quint8 UpdateStage() const override { return 0; }
  bool SetValueOut(bool) override {
    Values << QStringLiteral("out");
    return true;
  }
  TColorRef LinkColor() const override { return 0xFF9900; }
  void SetDynamicItem(const TDynamicItem& aItem) override {
    Values << aItem.Ident + u'=' + aItem.Value.toString();
  }
  void AddOrUpdateBLEDevice(const QString& aMAC, const QString&, const QString&) override { Values << aMAC; }
  void AddOrUpdateWiFi(const QString& aMAC, const QString&, const QString&) override { Values << aMAC; }
  void AddOrUpdateLBS(const QString& aMCC, const QString&, const QString&, const QString&,
                      const QString&) override {
    Values << aMCC;
  }
  void ApplySettingsImage(const QString&) override { Values << QStringLiteral("image"); }
  void FirmwareTransferFrame(const QString&) override { Values << QStringLiteral("upd"); }
};

struct TInspectorRig {
  TInspectorHost Host;
  TManualClock Clock;
  TExchangeCore Core{Host, Clock};
  TFakeDriver Driver;
  std::unique_ptr<TPortInfo> Port = std::make_unique<TPortInfo>(Core);
  TStatusDecoderV1 Decoder{Core, Host};
  TDictionary Dictionary;
  TCommandTable Commands{Dictionary};
  TIcons Icons;
  TRegistry Registry;
  TLogPage Page{Core, Dictionary, Icons, Registry, [this] { return Port.get(); }, {}};

  explicit TInspectorRig(int aLanguage = TDictionary::lnEnglish) {
    Driver.Connect();
    Port->SetCom(&Driver);
    Host.Port = Port.get();
    Host.Page = &Page;
    Decoder.Install();
    Dictionary.SetLanguage(aLanguage);
    Commands.Fill(nullptr, {});
    Page.SetCommandSource([this] { return &Commands; });
    Page.Retranslate();
    Page.resize(1100, 600);
    Page.show();
  }
  void Receive(const QByteArray& aBytes) {
    Core.QReceiveData(nullptr, aBytes.constData(), int(aBytes.size()));
  }
  void Select(int aRow) {
    Page.List().selectionModel()->setCurrentIndex(Page.Model().index(aRow),
                                                  QItemSelectionModel::ClearAndSelect);
  }
  // Every caption, value and byte text the tree shows, one line per item.
  QStringList TreeLines() {
    QStringList lines;
    QTreeWidget& tree = Page.Inspector().Tree();
    for (QTreeWidgetItemIterator it(&tree); *it; ++it)
      lines << QStringList{(*it)->text(0), (*it)->text(1), (*it)->text(2), (*it)->text(3)}.join(u'|');
    return lines;
  }
};

QByteArray GenThreeAnswer() {
  QByteArray body = QByteArray::fromHex("010203040506") + "1.07" + char(3) + QByteArray::fromHex("8D0E0000");
  return AppendCrc8(QByteArray("\x3E\x10\xB0", 3) + body + QByteArray(17, '\0'));
}

} // namespace

class TstPacketInspector : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init();
  void selectedRowIsDescribed_data();
  void selectedRowIsDescribed();
  void hiddenPanelDescribesNothing();
  void inspectingChangesNothing();
  void inspectingLeavesTheMonitorAlone();
  void toggleAndWidthAreKept();
  void copyGivesTheText();
  void replayedLogReadsTheSame();
  void shots();
};

void TstPacketInspector::init() {
  TRegistry().DeleteKey(QStringLiteral("Forms"));
}

void TstPacketInspector::selectedRowIsDescribed_data() {
  QTest::addColumn<int>("version");
  QTest::addColumn<QList<QByteArray>>("chunks");
  QTest::addColumn<int>("row");
  QTest::addColumn<QString>("title");
  QTest::addColumn<QStringList>("lines");
  QTest::addColumn<QString>("stop");

  QTest::newRow("gen1 record") << int(vtVersion1) << QList<QByteArray>{">GK=55.75;37.61\r\n"} << 0
                               << "Status record (generation 1)"
                               << QStringList{"Key|Coordinates|GK|1–2", "Latitude|55.75||"} << "";
  QTest::newRow("gen1 sent command row") << int(vtVersion1) << QList<QByteArray>{} << 0 << "Sent line"
                                         << QStringList{"Command table row|@row|"} << "";
  QTest::newRow("gen3 answer after its request")
      << int(vtVersion3) << QList<QByteArray>{GenThreeAnswer()} << 0 << "Sensor frame (generation 3)"
      << QStringList{"Command|master information|B0|2", "CRC-8|correct|EC|35"} << "";
  QTest::newRow("gen2 malformed") << int(vtVersion2)
                                  << QList<QByteArray>{QByteArray::fromHex("55AA0100990001000100EEEE")} << 0
                                  << "Binary record (generation 2)"
                                  << QStringList{"Record type|0x00990001|01 00 99 00|2–5"}
                                  << "Decoding stopped (offset 2): unknown record type";
  QTest::newRow("undecided chunk") << int(vtDetect) << QList<QByteArray>{">GK=1;2\r\n"} << 0
                                   << "Status record (generation 1)" << QStringList{"Latitude|1||"} << "";
}

void TstPacketInspector::selectedRowIsDescribed() {
  QFETCH(int, version);
  QFETCH(QList<QByteArray>, chunks);
  QFETCH(int, row);
  QFETCH(QString, title);
  QFETCH(QStringList, lines);
  QFETCH(QString, stop);

  TInspectorRig rig;
  rig.Core.SetVersion(TVersionType(version));
  // No chunks: the program sends the first plain row of the command table.
  if (chunks.isEmpty()) {
    const QList<TCommand>& rows = rig.Commands.Rows();
    const auto plain = std::find_if(rows.cbegin(), rows.cend(), [](const TCommand& c) {
      return !c.Send.isEmpty() && !c.Send.startsWith('*') && c.Operation == 0;
    });
    QVERIFY(plain != rows.cend());
    rig.Port->SendAnsiString(plain->Send);
    lines.replaceInStrings(QStringLiteral("@row"), plain->NameEN);
  }
  for (const QByteArray& chunk : chunks)
    rig.Receive(chunk);
  rig.Page.SetInspectorVisible(true);
  rig.Select(row);

  QCOMPARE(rig.Page.Inspector().Description().Title, title);
  const QStringList shown = rig.TreeLines();
  for (const QString& line : lines)
    QVERIFY2(std::any_of(shown.cbegin(), shown.cend(), [&](const QString& s) { return s.startsWith(line); }),
             qPrintable(line + QStringLiteral(" not in\n") + shown.join(u'\n')));
  QCOMPARE(rig.Page.Inspector().StopLabel().isVisibleTo(&rig.Page), !stop.isEmpty());
  if (!stop.isEmpty())
    QCOMPARE(rig.Page.Inspector().StopLabel().text(), stop);
}

void TstPacketInspector::hiddenPanelDescribesNothing() {
  TInspectorRig rig;
  rig.Core.SetVersion(vtVersion1);
  rig.Receive(">GK=1;2\r\n");
  rig.Select(0);
  QVERIFY(!rig.Page.Inspector().isVisibleTo(&rig.Page));
  QVERIFY(rig.Page.Inspector().Description().Title.isEmpty());
  // Opening it describes the row already selected.
  rig.Page.findChild<QToolButton*>(QStringLiteral("btnInspector"))->click();
  QVERIFY(rig.Page.Inspector().isVisibleTo(&rig.Page));
  QCOMPARE(rig.Page.Inspector().Description().Title, QStringLiteral("Status record (generation 1)"));
}

// Every row of a log with identity, scans, a firmware request, a block answer and a record whose
// handler fails is selected with the panel open; the log, its indexes, the values and hints the
// window got, what went to the device and the port record stay exactly as they were.
void TstPacketInspector::inspectingChangesNothing() {
  TInspectorRig rig;
  rig.Core.SetVersion(vtVersion1);
  rig.Port->SetDeviceVer(QStringLiteral("304"));
  rig.Port->SetDeviceName(QStringLiteral("0"));
  for (const char* line : {">SID0=8970101\r\n", ">BLESCAN=AA:BB;-60;AgEG\r\n", ">MD1=host;1;t\r\n",
                           ">UPD=\"WwEAGwEAAAAAAAAAAlUeAgAABAECAwQAAAAAAAAD/10=\"\r\n", ">O10=1\r\n",
                           ">LLS=x;1;2\r\n", ">GK=1;2"})
    rig.Receive(line);
  rig.Port->SendAnsiString(">D 9;1\r\n");
  QCoreApplication::processEvents();
  rig.Page.SetFollow(false);

  const QByteArray log(rig.Core.TrafficLog().Memory(), qsizetype(rig.Core.TrafficLog().Size()));
  const auto states = [](const TPacketArray& aIndex) {
    QList<int> s;
    for (const TPacket& p : aIndex)
      s << p.State << int(p.Size);
    return s;
  };
  const QList<int> gen1 = states(rig.Core.Gen1Index());
  const QList<int> packets = states(rig.Core.PacketIndex());
  const QStringList values = rig.Host.Values;
  const QStringList calls = rig.Host.Calls + rig.Host.ViewCalls;
  const QList<QByteArray> written = rig.Driver.Written;
  const quint8 operation = rig.Port->Operation();
  const QString name = rig.Port->DeviceName();
  const QString server = rig.Decoder.ServerAddress(1);
  const int rows = rig.Page.Model().rowCount();
  const qint64 in = rig.Core.InByteTotal();

  rig.Page.SetInspectorVisible(true);
  for (int row = 0; row < rows; ++row) {
    rig.Select(row);
    QVERIFY(!rig.Page.Inspector().Description().Fields.isEmpty());
    rig.Page.Inspector().CopyToClipboard();
  }
  QCoreApplication::processEvents();

  QCOMPARE(QByteArray(rig.Core.TrafficLog().Memory(), qsizetype(rig.Core.TrafficLog().Size())), log);
  QCOMPARE(states(rig.Core.Gen1Index()), gen1);
  QCOMPARE(states(rig.Core.PacketIndex()), packets);
  QCOMPARE(rig.Host.Values, values);
  QCOMPARE(rig.Host.Calls + rig.Host.ViewCalls, calls);
  QCOMPARE(rig.Driver.Written, written);
  QCOMPARE(rig.Port->Operation(), operation);
  QCOMPARE(rig.Port->DeviceName(), name);
  QCOMPARE(rig.Decoder.ServerAddress(1), server);
  QCOMPARE(rig.Page.Model().rowCount(), rows);
  QCOMPARE(rig.Core.InByteTotal(), in);
  QVERIFY(!rig.Page.Follow());
}

// In the real window: older records, selected with the panel open, must not take the monitor back
// to their values.
void TstPacketInspector::inspectingLeavesTheMonitorAlone() {
  TRegistry registry;
  TMF window(registry, [] { return false; });
  window.SetLanguage(1);
  window.Core().SetVersion(vtVersion1);
  for (const QByteArray& line : {QByteArray(">GK=11.5;22.5\r\n"), QByteArray(">GS=4;10;100;15;90;1\r\n"),
                                 QByteArray(">GK=33.5;44.5\r\n"), QByteArray(">GS=9;60;200;8;180;1\r\n")})
    window.Core().QReceiveData(nullptr, line.constData(), int(line.size()));
  QCoreApplication::processEvents();
  const QStringList idents{"_Latitude", "_Longitude", "_Satellites", "_Speed", "_Altitude", "_HDOP"};
  const auto shown = [&] {
    QStringList texts;
    for (const QString& ident : idents) {
      auto* item = qobject_cast<TItemClass*>(window.VisualFind(ident));
      texts << (item ? item->DisplayText() : QStringLiteral("-"));
    }
    return texts;
  };
  const QStringList before = shown();
  QCOMPARE(before.first(), QStringLiteral("33.5"));
  const qint64 logSize = window.Core().TrafficLog().Size();

  TLogPage& page = window.LogPage();
  page.SetInspectorVisible(true);
  for (int row = 0; row < page.Model().rowCount(); ++row) {
    page.List().selectionModel()->setCurrentIndex(page.Model().index(row),
                                                  QItemSelectionModel::ClearAndSelect);
    QVERIFY(!page.Inspector().Description().Fields.isEmpty());
  }
  QCoreApplication::processEvents();
  QCOMPARE(shown(), before);
  QCOMPARE(window.Core().TrafficLog().Size(), logSize);
  QCOMPARE(window.Core().Gen1Index().size(), std::size_t(4));
}

void TstPacketInspector::toggleAndWidthAreKept() {
  {
    TInspectorRig rig;
    QVERIFY(!rig.Page.InspectorVisible());
    QCOMPARE(rig.Page.InspectorWidth(), TLogPage::kInspectorDefault);
    rig.Page.SetInspectorVisible(true);
    rig.Page.SetInspectorWidth(5000);
    QCOMPARE(rig.Page.InspectorWidth(), TLogPage::kInspectorMax);
    rig.Page.SetInspectorWidth(100);
    QCOMPARE(rig.Page.InspectorWidth(), TLogPage::kInspectorMin);
    rig.Page.SetInspectorWidth(700);
    QVERIFY(QTest::qWaitForWindowExposed(&rig.Page));
    QCOMPARE(rig.Page.Inspector().width(), 700);
    // A drag of the splitter's handle is the user's way to set it.
    QSplitterHandle* handle = rig.Page.findChild<QSplitter*>(QStringLiteral("InspectorSplitter"))->handle(1);
    const QPoint from = handle->rect().center();
    const QPoint to = from + QPoint(200, 0);
    QMouseEvent press(QEvent::MouseButtonPress, from, handle->mapToGlobal(from), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(handle, &press);
    QMouseEvent move(QEvent::MouseMove, to, handle->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(handle, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, to, handle->mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(handle, &release);
    QCOMPARE(rig.Page.InspectorWidth(), 500);
    QCOMPARE(rig.Page.Inspector().width(), 500);
  }
  TInspectorRig next;
  QVERIFY(next.Page.InspectorVisible());
  QVERIFY(next.Page.Inspector().isVisibleTo(&next.Page));
  QCOMPARE(next.Page.InspectorWidth(), 500);
  next.Page.SetInspectorVisible(false);
  TInspectorRig third;
  QVERIFY(!third.Page.InspectorVisible());
  QVERIFY(!third.Page.Inspector().isVisibleTo(&third.Page));
}

void TstPacketInspector::copyGivesTheText() {
  TInspectorRig rig;
  rig.Core.SetVersion(vtVersion3);
  rig.Receive(GenThreeAnswer());
  rig.Page.SetInspectorVisible(true);
  rig.Select(0);
  QApplication::clipboard()->clear();
  rig.Page.findChild<QToolButton*>(QStringLiteral("btnInspectorCopy"))->click();
  const QString text = QApplication::clipboard()->text();
  QCOMPARE(text, rig.Page.Inspector().Text());
  QVERIFY(text.startsWith(QStringLiteral("Sensor frame (generation 3)\n")));
  QVERIFY(text.contains(QStringLiteral("\n  CRC-8: correct  [EC]  @35+1\n")));
  QVERIFY(text.contains(QStringLiteral("\n    master_4: 01:02:05  [8D 0E 00 00]  @14+4\n")));
}

// A saved log played back gives the same rows; each is described as the live one was.
void TstPacketInspector::replayedLogReadsTheSame() {
  TInspectorRig live;
  live.Core.SetVersion(vtVersion1);
  for (const char* line : {">GK=55.75;37.61\r\n", ">ZZQ=1\r\n", ">LLS=x;1;2\r\n"})
    live.Receive(line);
  live.Page.SetInspectorVisible(true);
  QStringList liveTexts;
  for (int row = 0; row < live.Page.Model().rowCount(); ++row) {
    live.Select(row);
    liveTexts << live.Page.Inspector().Text();
  }

  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("replay.log"));
  QVERIFY(SaveLogFile(file, live.Core.TrafficLog(), live.Core.ViewIndex(), false));
  TInspectorRig replay;
  replay.Core.SetVersion(vtVersion1);
  TVirtualCommDriver driver(replay.Clock);
  QString error;
  QVERIFY2(driver.LoadFromFile(file, &error), qPrintable(error));
  driver.SetOnReceiveData([&replay](TCommPortDriver* aSender, const char* aData, int aSize) {
    replay.Core.QReceiveData(aSender, aData, aSize);
  });
  for (std::size_t i = 0; i < driver.LogEntries().size(); ++i)
    driver.Step();
  QCOMPARE(replay.Page.Model().rowCount(), live.Page.Model().rowCount());
  QStringList replayTexts;
  for (int row = 0; row < replay.Page.Model().rowCount(); ++row) {
    replay.Select(row);
    replayTexts << replay.Page.Inspector().Text();
  }
  QCOMPARE(replayTexts, liveTexts);
}

// Pictures of the panel for a person to judge; written only when asked for.
void TstPacketInspector::shots() {
  const QString dir = qEnvironmentVariable("VELMORA_SHOTS_DIR");
  if (dir.isEmpty())
    QSKIP("VELMORA_SHOTS_DIR not set");
  QDir().mkpath(dir);
  struct TShot {
    const char* Name;
    TVersionType Version;
    QByteArray Bytes;
  };
  const QList<TShot> shots{{"gen1", vtVersion1, ">GS=9;42;156;12;270;2\r\n"},
                           {"gen3", vtVersion3, GenThreeAnswer()},
                           {"malformed", vtVersion2,
                            QByteArray::fromHex("55AA10000100"
                                                "0A00") +
                                QByteArray(10, '\0') + "\xEE\xEE"}};
  for (const int language : {int(TDictionary::lnRussian), int(TDictionary::lnEnglish)})
    for (const bool dark : {true, false})
      for (const TShot& shot : shots) {
        TInspectorRig rig(language);
        rig.Page.SetTheme(dark ? DarkTheme() : LightTheme());
        rig.Core.SetVersion(shot.Version);
        rig.Receive(shot.Bytes);
        rig.Page.SetInspectorVisible(true);
        rig.Page.SetInspectorWidth(520);
        rig.Select(0);
        QVERIFY(QTest::qWaitForWindowExposed(&rig.Page));
        const QString name =
            QStringLiteral("%1/inspector_%2_%3_%4.png")
                .arg(dir, QLatin1String(shot.Name),
                     language == TDictionary::lnRussian ? QStringLiteral("ru") : QStringLiteral("en"),
                     dark ? QStringLiteral("dark") : QStringLiteral("light"));
        QVERIFY(rig.Page.grab().save(name));
      }
}

QTEST_MAIN(TstPacketInspector)
#include "tst_packet_inspector.moc"
