#include "base/clock.h"
#include "device/port_info.h"
#include "monitor/caption_class.h"
#include "monitor/item_class.h"
#include "monitor/monitor_builder.h"
#include "monitor/repaint_queue.h"
#include "one_port_fixture.h"
#include "platform/registry.h"
#include "platform/serial_enumerator.h"
#include "ui/tmf.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QScopeGuard>
#include <QScrollArea>
#include <QTest>
#include <QXmlStreamReader>

namespace {

struct TWindowRig {
  TRegistry Registry;
  TManualClock Clock;
  std::unique_ptr<TMF> Window;
  explicit TWindowRig(bool aWithPort = true) {
    Registry.DeleteKey(QStringLiteral("Forms"));
    Window = std::make_unique<TMF>(
        Registry, [] { return false; },
        aWithPort ? std::make_unique<TOnePort>() : std::make_unique<TOnePort>(), &Clock);
    Window->resize(1280, 800);
    Window->show();
    // Values are taken only once a generation is known.
    Window->Core().SetVersion(vtVersion1);
  }
  TItemClass* Item(const char* aIdent) {
    return qobject_cast<TItemClass*>(Window->VisualFind(QString::fromLatin1(aIdent)));
  }
  TCaptionClass* Section(const char* aIdent) {
    return qobject_cast<TCaptionClass*>(Window->VisualFind(QString::fromLatin1(aIdent)));
  }
};

// Elements outside a window: a theme, a dictionary and a host widget are all they need.
struct TElementRig {
  TThemeColors Theme = DarkTheme();
  TDictionary Dictionary;
  TMonitorContext Context;
  QWidget Host;
  TElementRig() {
    Context.Theme = &Theme;
    Context.Dictionary = &Dictionary;
  }
};

QStringList ShippedIdents() {
  QFile f(QStringLiteral(":/velmora/Resource_XML"));
  f.open(QIODevice::ReadOnly);
  QXmlStreamReader r(&f);
  QStringList idents;
  while (!r.atEnd())
    if (r.readNext() == QXmlStreamReader::StartElement &&
        r.attributes().hasAttribute(QStringLiteral("ident")))
      idents << r.attributes().value(QStringLiteral("ident")).toString();
  return idents;
}

} // namespace

class TstMonitor : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init();
  void itemHeights_data();
  void itemHeights();
  void sectionHeights();
  void sectionHidesWithItsLastValue();
  void accordion();
  void captionShortening_data();
  void captionShortening();
  void decimalValues_data();
  void decimalValues();
  void findOrderAndIndex();
  void indexFollowsRebuildAndNewElements();
  void identityReachesThePortRecord();
  void valueColoursAndIcons();
  void ageing();
  void everyLayoutIdentHasAText();
  void elementsGoWhileTheWindowStands();
  void malformedLayoutIsReported();
  void burstShowsTheLastValues();
  void sameValueAsksNoRepaint();
};

void TstMonitor::init() {
  TRegistry registry;
  registry.DeleteKey(QStringLiteral("Forms"));
}

void TstMonitor::itemHeights_data() {
  QTest::addColumn<bool>("autoHide");
  QTest::addColumn<QVariant>("value");
  QTest::addColumn<int>("height");
  QTest::newRow("auto-hiding without value") << true << QVariant() << 0;
  QTest::newRow("auto-hiding with an empty text") << true << QVariant(QString()) << 22;
  QTest::newRow("auto-hiding with a value") << true << QVariant(12) << 22;
  QTest::newRow("plain without value") << false << QVariant() << 22;
}

void TstMonitor::itemHeights() {
  QFETCH(bool, autoHide);
  QFETCH(QVariant, value);
  QFETCH(int, height);
  TElementRig rig;
  TMonitorContext& context = rig.Context;
  TDictionary& dictionary = rig.Dictionary;
  QWidget& host = rig.Host;
  TItemClass item(context, &host);
  item.SetAutoHide(autoHide);
  item.SetValue(value);
  QCOMPARE(item.FullHeight(), height);
  QCOMPARE(item.height(), height);
  // Without a value a plain line says so, in grey.
  if (!autoHide && !value.isValid())
    QCOMPARE(item.DisplayText(), dictionary.Translate(QStringLiteral("Nodata")));
}

void TstMonitor::sectionHeights() {
  TElementRig rig;
  TMonitorContext& context = rig.Context;
  QWidget& host = rig.Host;
  host.resize(400, 800);
  TCaptionClass section(context, &host);
  section.resize(400, 10);
  section.SetCaption(QStringLiteral("Power|hint part"));
  QCOMPARE(section.Caption(), QStringLiteral("Power"));
  auto* a = new TItemClass(context, section.Body());
  auto* b = new TItemClass(context, section.Body());
  new TSeparatorClass(context, section.Body());
  a->SetValue(1);
  b->SetValue(2);
  QCOMPARE(section.FullHeight(), 24 + 22 + 22 + 8 + 16);
  section.SetFlipped(true);
  QCOMPARE(section.FullHeight(), 24 + 8);
  section.SetFlipped(false);
  // Columns in the body add their tallest, not their sum.
  auto* c1 = new TColumnClass(context, section.Body());
  auto* c2 = new TColumnClass(context, section.Body());
  (new TItemClass(context, c1->Body()))->SetValue(1);
  for (int i = 0; i < 3; ++i)
    (new TItemClass(context, c2->Body()))->SetValue(i);
  QCOMPARE(section.FullHeight(), 24 + 52 + 66 + 16);
  // No caption, no header.
  section.SetCaption(QString());
  QCOMPARE(section.FullHeight(), 52 + 66 + 16);
}

void TstMonitor::sectionHidesWithItsLastValue() {
  TWindowRig rig;
  TCaptionClass* wifi = rig.Section("_WIFI");
  QVERIFY(wifi);
  QCOMPARE(wifi->FullHeight(), 0);
  QVERIFY(rig.Window->VisualSetValue(QStringLiteral("_ModuleWiFiLevel"), 70));
  QVERIFY(wifi->FullHeight() > 0);
  QVERIFY(!wifi->isHidden());
  // Clearing (not an empty text) hides the line, and the section with it.
  rig.Window->VisualSetValue(QStringLiteral("_ModuleWiFiLevel"), QString());
  QVERIFY(wifi->FullHeight() > 0);
  rig.Window->VisualSetValue(QStringLiteral("_ModuleWiFiLevel"), QVariant());
  QCOMPARE(wifi->FullHeight(), 0);
  QVERIFY(wifi->isHidden());
}

void TstMonitor::accordion() {
  TElementRig rig;
  TMonitorContext& context = rig.Context;
  QWidget host;
  QList<TCaptionClass*> sections;
  for (int i = 0; i < 3; ++i) {
    auto* s = new TCaptionClass(context, &host);
    s->SetCaption(QStringLiteral("S%1").arg(i));
    s->SetSingle(i < 2);
    (new TItemClass(context, s->Body()))->SetValue(i);
    sections << s;
  }
  sections[0]->SetFlipped(true);
  sections[1]->SetFlipped(false);
  sections[0]->Toggle(); // expanding a single section folds its single siblings
  QVERIFY(!sections[0]->Flipped());
  QVERIFY(sections[1]->Flipped());
  QVERIFY(!sections[2]->Flipped()); // not part of the accordion
  sections[0]->Toggle();
  QVERIFY(sections[0]->Flipped());
  QVERIFY(sections[1]->Flipped());
}

void TstMonitor::captionShortening_data() {
  QTest::addColumn<int>("width");
  QTest::addColumn<QString>("value");
  QTest::addColumn<bool>("captionWhole");
  QTest::addColumn<bool>("valueElided");
  QTest::newRow("fits") << 600 << "12.50 V" << true << false;
  QTest::newRow("long value gives way to the caption")
      << 260 << "12.50 V, measured at the vehicle's battery terminal" << true << true;
  QTest::newRow("narrow row cuts the caption at its share") << 90 << "12.50 V" << false << true;
}

void TstMonitor::captionShortening() {
  QFETCH(int, width);
  QFETCH(QString, value);
  QFETCH(bool, captionWhole);
  QFETCH(bool, valueElided);
  TElementRig rig;
  TMonitorContext& context = rig.Context;
  QWidget& host = rig.Host;
  TItemClass item(context, &host);
  QFont font;
  font.setFamily(QStringLiteral("DejaVu Sans"));
  font.setPointSize(9);
  item.setFont(font);
  const QString caption = QStringLiteral("External voltage");
  item.SetCaption(caption);
  item.SetValue(value);
  item.resize(width, 22);
  const QString shown = item.ShownCaption();
  QCOMPARE(shown == caption, captionWhole);
  if (!captionWhole) {
    QVERIFY2(shown.endsWith(QChar(0x2026)) && caption.startsWith(shown.chopped(1)), qPrintable(shown));
    const int share = (width - 10) * TItemClass::kCaptionShare / 100;
    QVERIFY(QFontMetrics(font).horizontalAdvance(shown) <= share);
  }
  QCOMPARE(item.ValueElided(), valueElided);
  item.grab(); // paints: the tooltip holds whatever was cut, whole
  const QString tip = item.toolTip();
  QCOMPARE(tip.contains(caption), !captionWhole);
  QCOMPARE(tip.contains(value), valueElided);
}

void TstMonitor::decimalValues_data() {
  QTest::addColumn<QVariant>("value");
  QTest::addColumn<QLocale>("locale");
  QTest::addColumn<QString>("text");
  const QLocale en(QLocale::English, QLocale::UnitedStates);
  const QLocale ru(QLocale::Russian, QLocale::Russia);
  QTest::newRow("mileage keeps every digit") << QVariant(1234567.89) << en << "1234567.89";
  QTest::newRow("Russian decimal comma, no grouping") << QVariant(1234567.89) << ru << "1234567,89";
  QTest::newRow("tenth") << QVariant(0.1) << en << "0.1";
  QTest::newRow("tiny value without exponent") << QVariant(1e-7) << ru << "0,0000001";
  QTest::newRow("huge value without exponent") << QVariant(3e15) << en << "3000000000000000";
  QTest::newRow("whole number has no decimals") << QVariant(12.0) << ru << "12";
  QTest::newRow("negative") << QVariant(-3.25) << ru << "-3,25";
  QTest::newRow("single precision shows its own digits") << QVariant(55.1f) << ru << "55,1";
  QTest::newRow("integers stay as they are") << QVariant(1234567) << ru << "1234567";
}

void TstMonitor::decimalValues() {
  QFETCH(QVariant, value);
  QFETCH(QLocale, locale);
  QFETCH(QString, text);
  const QLocale before;
  QLocale::setDefault(locale);
  const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
  TElementRig rig;
  QString hint;
  rig.Context.Hint = [&](int, const QString& aText) { hint = aText; };
  TItemClass item(rig.Context, &rig.Host);
  item.resize(400, TItemClass::kLineHeight);
  item.SetValue(value);
  QCOMPARE(item.DisplayText(), text);
  // The copy is what the technician reads on the line.
  QTest::mouseDClick(&item, Qt::LeftButton);
  QCOMPARE(QGuiApplication::clipboard()->text(), text);
  QVERIFY2(hint.endsWith(QLatin1Char('"') + text + QLatin1Char('"')), qPrintable(hint));
}

void TstMonitor::findOrderAndIndex() {
  TWindowRig rig;
  // The CAN flag groups exist as items in the fourth panel and as sections in the fifth: the items
  // win because the panels are searched in order.
  for (const char* ident : {"_CanSecurity", "_CanCrash"}) {
    TBaseClass* found = rig.Window->VisualFind(QString::fromLatin1(ident));
    QVERIFY(qobject_cast<TItemClass*>(found));
    QVERIFY(rig.Window->MonitorPanel(3)->isAncestorOf(found));
  }
  QVERIFY(rig.Window->VisualFind(QStringLiteral("_cansecurity")) ==
          rig.Window->VisualFind(QStringLiteral("_CanSecurity")));
  // The index answers what the walk answers, for every ident of the layout.
  const QStringList idents = ShippedIdents();
  QVERIFY(idents.size() > 250);
  for (const QString& ident : idents)
    QCOMPARE(rig.Window->VisualFind(ident), TVisualIndex::Walk(rig.Window.get(), ident));
  // A section takes no value.
  QVERIFY(!rig.Window->VisualSetValue(QStringLiteral("_GSMModem"), 5));
}

void TstMonitor::indexFollowsRebuildAndNewElements() {
  TWindowRig rig;
  TCaptionClass* sensors = rig.Section("_SensorMB");
  QVERIFY(sensors);
  auto* dynamic = new TItemClass(rig.Window->MonitorContext(), sensors->Body());
  dynamic->SetIdent(QStringLiteral("MBR 1"));
  QCOMPARE(rig.Window->VisualFind(QStringLiteral("MBR 1")), dynamic);
  QVERIFY(rig.Window->VisualSetValue(QStringLiteral("MBR 1"), 5));
  QVERIFY(sensors->FullHeight() > 0);
  // A rebuild drops the dynamic item and every value; the index still answers like the walk.
  rig.Window->VisualSetValue(QStringLiteral("_Speed"), 60);
  rig.Window->ControlsLoadMonitor();
  QVERIFY(!rig.Window->VisualFind(QStringLiteral("MBR 1")));
  QVERIFY(!rig.Item("_Speed")->Value().isValid());
  for (const QString& ident : ShippedIdents())
    QCOMPARE(rig.Window->VisualFind(ident), TVisualIndex::Walk(rig.Window.get(), ident));
}

void TstMonitor::identityReachesThePortRecord() {
  TWindowRig rig;
  TPortInfo* port = rig.Window->Q();
  QVERIFY(port);
  // "_DeviceType" has no element in the layout, yet the record takes it.
  QVERIFY(!rig.Window->VisualSetValue(QStringLiteral("_DeviceType"), QStringLiteral("303")));
  QCOMPARE(port->DeviceVer(), QStringLiteral("303"));
  QVERIFY(rig.Window->VisualSetValue(QStringLiteral("_DEVICEID"), 4242));
  QCOMPARE(port->DeviceName(), QStringLiteral("4242"));
  rig.Window->VisualSetValue(QStringLiteral("_ModemSIMICCID0"), QStringLiteral("8970101"));
  QCOMPARE(port->DeviceICCID(), QStringLiteral("8970101"));
  QCOMPARE(port->DataPrint().ICCID1, QStringLiteral("8970101"));
  // Before a generation is known nothing is taken, identity included.
  rig.Window->Core().SetVersion(vtDetect);
  QVERIFY(!rig.Window->VisualSetValue(QStringLiteral("_DeviceIMEI"), QStringLiteral("35")));
  QVERIFY(port->DeviceIMEI().isEmpty());
}

void TstMonitor::valueColoursAndIcons() {
  TWindowRig rig;
  rig.Window->SetStyleMode(tmLight);
  rig.Window->VisualSetValue(QStringLiteral("_Speed"), 60);
  QCOMPARE(rig.Item("_Speed")->Color(), ColorToColorRef(LightTheme().Value));
  rig.Window->VisualSetValue(QStringLiteral("_Satellites"), 3, 1, QString(), clRed);
  QCOMPARE(rig.Item("_Satellites")->Color(), clRed);
  rig.Window->SetStyleMode(tmDark);
  rig.Window->VisualSetValue(QStringLiteral("_Speed"), 61);
  QCOMPARE(rig.Item("_Speed")->Color(), TColorRef(0x62B75A));
  // The action icon follows aAction; an item without an icon keeps none.
  TItemClass* ignition = rig.Item("_Ignition");
  QCOMPARE(ignition->IconPrefix(), QStringLiteral("D_"));
  rig.Window->VisualSetValue(QStringLiteral("_Ignition"), QString(), 1);
  QCOMPARE(ignition->IconPrefix(), QStringLiteral("E_"));
  rig.Window->VisualSetValue(QStringLiteral("_Speed"), 62, 0);
  QVERIFY(!rig.Item("_Speed")->HasIcon());
  // Every CAN flag, security and crash alike, shows its state by the action icon.
  int flags = 0;
  for (TBaseClass* element : rig.Window->VisualIndex().Elements())
    if (element->Ident().startsWith(QLatin1String("_CAN_"))) {
      auto* item = qobject_cast<TItemClass*>(element);
      QVERIFY2(item && item->IconName() == u"ACTION", qPrintable(element->Ident()));
      ++flags;
    }
  QCOMPARE(flags, 13 + 23);
}

void TstMonitor::ageing() {
  TWindowRig rig;
  rig.Window->VisualSetValue(QStringLiteral("_Speed"), 60);
  rig.Window->VisualSetValue(QStringLiteral("_DeviceIMEI"), QStringLiteral("350000000000001"));
  rig.Clock.Advance(61000);
  rig.Window->Timer3Timer();
  QCOMPARE(rig.Item("_Speed")->Color(), clAgedValue);
  QVERIFY(!rig.Item("_Speed")->isHidden());
  rig.Clock.Advance(240000); // 301 s
  rig.Window->Timer3Timer();
  QVERIFY(!rig.Item("_Speed")->Value().isValid());
  QCOMPARE(rig.Item("_Speed")->FullHeight(), 0);
  QCOMPARE(rig.Item("_DeviceIMEI")->Value().toString(), QStringLiteral("350000000000001"));
  QCOMPARE(rig.Item("_DeviceIMEI")->Color(), TColorRef(0x62B75A));
  // A fresh value brings the colour back.
  rig.Window->VisualSetValue(QStringLiteral("_Speed"), 70);
  QCOMPARE(rig.Item("_Speed")->Color(), TColorRef(0x62B75A));
}

void TstMonitor::everyLayoutIdentHasAText() {
  TWindowRig rig;
  const QList<TBaseClass*> elements = rig.Window->findChildren<TBaseClass*>();
  QVERIFY(elements.size() > 250);
  QStringList bare;
  for (const TBaseClass* element : elements) {
    const QString ident = element->Ident();
    if (ident.isEmpty())
      continue;
    for (int language : {0, 1})
      if (rig.Window->Dictionary().Translate(language, ident) == ident)
        bare << QStringLiteral("%1 (%2)").arg(ident).arg(language);
  }
  QVERIFY2(bare.isEmpty(), qPrintable(bare.join(QStringLiteral(", "))));
}

void TstMonitor::elementsGoWhileTheWindowStands() {
  // An element tells the window's index when it goes; the index is a member of the window, so
  // every element must be gone before the window's own members are.
  auto rig = std::make_unique<TWindowRig>();
  TDynamicItem sensor;
  sensor.Section = QStringLiteral("_SensorMB");
  sensor.Ident = QStringLiteral("MBR 1");
  sensor.Value = 5;
  rig->Window->SetDynamicItem(sensor);
  QObject* window = rig->Window.get();
  int gone = 0;
  QStringList late;
  const QList<TBaseClass*> elements = rig->Window->findChildren<TBaseClass*>();
  for (TBaseClass* element : elements)
    QObject::connect(element, &QObject::destroyed, [&, ident = element->Ident()] {
      ++gone;
      // Past the window's destructor body only its QWidget part is left.
      if (!qobject_cast<TMF*>(window))
        late << ident;
    });
  rig.reset();
  QCOMPARE(gone, int(elements.size()));
  QVERIFY2(late.isEmpty(), qPrintable(late.join(QStringLiteral(", ")).left(200)));
}

void TstMonitor::malformedLayoutIsReported() {
  TElementRig rig;
  TMonitorContext& context = rig.Context;
  QWidget panel;
  QString error;
  const bool ok = BuildMonitorLayout(
      context, "<root><panel name=\"PanelS1\"><section ident=\"a\"><item ident=\"b\"></section>",
      [&](const QString&) { return &panel; }, &error);
  QVERIFY(!ok);
  QVERIFY(error.contains(QStringLiteral("line 1")));
  // Unknown elements are skipped with their children; names compare without case.
  QWidget panel2;
  QVERIFY(BuildMonitorLayout(
      context,
      "<ROOT><Panel name=\"x\"><Item ident=\"a\"/><button><item ident=\"hidden\"/></button>"
      "<SECTION ident=\"s\"/></Panel></ROOT>",
      [&](const QString&) { return &panel2; }, &error));
  QStringList idents;
  for (TBaseClass* e : panel2.findChildren<TBaseClass*>())
    idents << e->Ident();
  QCOMPARE(idents, (QStringList{"a", "s"}));
}

// A burst of values far faster than the screen: each line repaints once at the next refresh, and
// what it paints is its last value.
void TstMonitor::burstShowsTheLastValues() {
  TElementRig rig;
  TRepaintQueue queue;
  rig.Context.Repaint = &queue;
  rig.Host.resize(400, 40 * TItemClass::kLineHeight);
  QList<TItemClass*> items;
  for (int i = 0; i < 40; ++i) {
    auto* item = new TItemClass(rig.Context, &rig.Host);
    item->setGeometry(0, i * TItemClass::kLineHeight, 400, TItemClass::kLineHeight);
    items << item;
  }
  rig.Host.show();
  QVERIFY(QTest::qWaitForWindowExposed(&rig.Host));
  queue.Flush();
  QCoreApplication::processEvents();
  const quint64 before = queue.Queued();
  for (int round = 0; round < 250; ++round)
    for (int i = 0; i < items.size(); ++i)
      items[i]->SetValue(round * 1000 + i);
  // Every line waits once, however many values it took.
  QCOMPARE(queue.Pending(), int(items.size()));
  QCOMPARE(queue.Queued() - before, quint64(items.size()));
  for (TItemClass* item : items)
    QVERIFY(item->RepaintQueued());
  // The refresh comes by itself.
  QTRY_COMPARE(queue.Pending(), 0);
  for (int i = 0; i < items.size(); ++i) {
    QVERIFY(!items[i]->RepaintQueued());
    QTRY_COMPARE(items[i]->PaintedText(), QString::number(249 * 1000 + i));
  }
  // A line that goes while it waits leaves the queue.
  items.last()->SetValue(1);
  QCOMPARE(queue.Pending(), 1);
  delete items.takeLast();
  QCOMPARE(queue.Pending(), 0);
  queue.Flush();
}

void TstMonitor::sameValueAsksNoRepaint() {
  TElementRig rig;
  TRepaintQueue queue;
  rig.Context.Repaint = &queue;
  TItemClass item(rig.Context, &rig.Host);
  item.SetValue(12.5);
  item.SetColor(clRed);
  queue.Flush();
  const quint64 before = queue.Queued();
  item.SetValue(12.5);
  item.SetColor(clRed);
  item.SetCaption(item.Caption());
  QCOMPARE(queue.Queued(), before);
  QCOMPARE(queue.Pending(), 0);
  // The same number of another type may be another text, and -0 another value: they repaint.
  item.SetValue(QVariant(qint64(12)));
  QCOMPARE(queue.Queued(), before + 1);
  queue.Flush();
  item.SetValue(0.0);
  queue.Flush();
  item.SetValue(-0.0);
  QCOMPARE(queue.Pending(), 1);
  queue.Flush();
  // An empty text is not "no value".
  item.SetValue(QString());
  queue.Flush();
  item.SetValue(QStringLiteral(""));
  QCOMPARE(queue.Pending(), 1);
  queue.Flush();
  // In the window: the same status values again ask for nothing.
  TWindowRig window;
  TRepaintQueue* windowQueue = window.Window->MonitorContext().Repaint;
  QVERIFY(windowQueue);
  window.Window->VisualSetValue(QStringLiteral("_Speed"), 60);
  window.Window->VisualSetValue(QStringLiteral("_Satellites"), 3, 1, QString(), clRed);
  windowQueue->Flush();
  const quint64 windowBefore = windowQueue->Queued();
  for (int i = 0; i < 100; ++i) {
    window.Window->VisualSetValue(QStringLiteral("_Speed"), 60);
    window.Window->VisualSetValue(QStringLiteral("_satellites"), 3, 1, QString(), clRed);
  }
  QCOMPARE(windowQueue->Queued(), windowBefore);
  QCOMPARE(window.Item("_Speed")->Value(), QVariant(60));
  window.Window->VisualSetValue(QStringLiteral("_Speed"), 61);
  QCOMPARE(windowQueue->Queued(), windowBefore + 1);
  QCOMPARE(window.Item("_Speed")->DisplayText().section(QLatin1Char(' '), 0, 0), QStringLiteral("61"));
}

QTEST_MAIN(TstMonitor)
#include "tst_monitor.moc"
