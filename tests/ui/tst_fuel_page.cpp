// The fuel page and the fuel-sensor master's search results in the window: the debug switch, the
// master button without a port, and results that replace only their own kind and keep their
// captions through a language switch.

#include "monitor/caption_class.h"
#include "monitor/item_class.h"
#include "platform/registry.h"
#include "settings/controls/edit_classes.h"
#include "settings/controls/settings_context.h"
#include "ui/hint_stack.h"
#include "ui/sensor_result_item.h"
#include "ui/tmf.h"
#include "updates/crypto/checksums.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

namespace {

QByteArray Search(std::initializer_list<const char*> aEntries) {
  QByteArray answer = QByteArray("\x3E\x10\xB8", 3) + char(aEntries.size());
  for (const char* e : aEntries)
    answer += QByteArray::fromHex(e);
  return AppendCrc8(answer);
}

void Receive(TMF& aWindow, const QByteArray& aBytes) {
  aWindow.Core().QReceiveData(nullptr, aBytes.constData(), int(aBytes.size()));
}

// Captions and values of the lines in a section's body, in order.
QStringList Lines(TCaptionClass* aSection) {
  QStringList lines;
  for (QObject* child : aSection->Body()->children())
    if (auto* item = qobject_cast<TItemClass*>(child))
      lines << item->Caption() + QStringLiteral(" = ") + item->Value().toString();
  return lines;
}

} // namespace

class TstFuelPage : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init();
  void debugSwitchOffersThePage();
  void masterButtonWithoutPortDoesNothing();
  void searchResultsReplaceOnlyTheirOwn();
  void foundSensorsLineUpWithTheRows();
};

void TstFuelPage::init() {
  TRegistry registry;
  registry.DeleteKey(QStringLiteral("Forms"));
}

void TstFuelPage::debugSwitchOffersThePage() {
  TRegistry registry;
  TMF window(registry, [] { return false; });
  window.show();
  auto* button = window.findChild<QToolButton*>(QStringLiteral("btnFuel"));
  QVERIFY(button && !button->isVisible());
  QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier);
  QVERIFY(button->isVisible());
  window.act_PageFuel();
  QCOMPARE(window.CurrentPage(), pgFuel);
  for (const char* name : {"PanelF1", "PanelF2", "PanelFF"})
    QVERIFY2(window.findChild<QWidget*>(QString::fromLatin1(name))->isVisible(), name);
  // The theme buttons sit on the right panel with the master button.
  auto* right = window.findChild<QWidget*>(QStringLiteral("PanelF2"));
  QCOMPARE(right->findChildren<QToolButton*>().size(), 3);
  right->findChild<QToolButton*>(QStringLiteral("btnact_FonLight"))->click();
  QCOMPARE(window.StyleMode(), int(tmLight));
  QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier);
  QVERIFY(!button->isVisible());
}

void TstFuelPage::masterButtonWithoutPortDoesNothing() {
  TRegistry registry;
  TMF window(registry, [] { return false; });
  QVERIFY(!window.Q());
  const int hints = int(window.Hints().Hints().size());
  window.findChild<QToolButton*>(QStringLiteral("btnMaster"))->click();
  QCOMPARE(window.Core().Version(), vtDetect);
  QCOMPARE(window.Core().OutByteTotal(), 0);
  QCOMPARE(int(window.Hints().Hints().size()), hints);
}

void TstFuelPage::searchResultsReplaceOnlyTheirOwn() {
  TRegistry registry;
  TMF window(registry, [] { return false; });
  window.SetLanguage(1);
  // The section as a schema of a master places it, with a line of its own.
  auto* section =
      new TCaptionClass(window.MonitorContext(), window.findChild<QWidget*>(QStringLiteral("PanelP1")));
  section->SetIdent(QStringLiteral("SensorResult"));
  section->SetCaption(QStringLiteral("Sensors found"));
  auto* own = new TItemClass(window.MonitorContext(), section->Body());
  own->SetIdent(QStringLiteral("SearchNote"));
  own->SetCaption(QStringLiteral("Note"));
  window.Core().SetVersion(vtVersion3);
  own->SetValue(QStringLiteral("keep"));

  Receive(window, Search({"01114F2B903AE2BD", "0905EE128861D7A8"}));
  QCOMPARE(Lines(section), (QStringList{"Note = keep", "LLS / -67 dB = E2 3A 90 2B 4F 11",
                                        "type #9 / -88 dB = D7 61 88 12 EE 05"}));
  QVERIFY(section->FullHeight() >= TCaptionClass::kHeaderHeight + 3 * TItemClass::kLineHeight);

  // A language switch re-captions lines by their idents; found sensors keep what the master said.
  window.SetLanguage(0);
  window.SetLanguage(1);
  QCOMPARE(Lines(section).mid(1),
           (QStringList{"LLS / -67 dB = E2 3A 90 2B 4F 11", "type #9 / -88 dB = D7 61 88 12 EE 05"}));

  // A new search replaces the results, and only them.
  own->SetCaption(QStringLiteral("Note"));
  Receive(window, Search({"04000000000003F6"}));
  QCOMPARE(Lines(section), (QStringList{"Note = keep", "Thermo / -10 dB = 03 00 00 00 00 00"}));
  Receive(window, Search({}));
  QCOMPARE(Lines(section), QStringList{"Note = keep"});
  QCOMPARE(window.Hints().Hints().last()->text(), QStringLiteral("No sensors found"));
}

void TstFuelPage::foundSensorsLineUpWithTheRows() {
  TRegistry registry;
  TMF window(registry, [] { return false; });
  window.resize(1280, 800);
  window.show();
  // A shown stand-in for the page's column, which is hidden without a device.
  auto* column = new QWidget(&window);
  column->setGeometry(300, 80, 900, 300);
  column->show();
  auto* section = new TCaptionClass(window.MonitorContext(), column);
  section->SetIdent(QStringLiteral("SensorResult"));
  section->SetCaption(QStringLiteral("Sensors found"));
  section->setGeometry(0, 0, 900, 200);
  section->show();
  // A settings row of the page in the same section, as the master's schema builds them.
  TSettingsContext settings{&window.MonitorContext(), &registry, {}, {}, {}};
  auto* row = new TStringClass(settings, section->Body());
  row->SetCaption(QStringLiteral("Master address"));
  window.Core().SetVersion(vtVersion3);
  Receive(window, Search({"01114F2B903AE2BD"}));
  auto* found = section->Body()->findChild<TSensorResultItem*>();
  QVERIFY(found);
  section->LayoutBody();
  QApplication::processEvents();
  QCOMPARE(found->x(), row->x());
  QCOMPARE(found->width(), row->width());
  QCOMPARE(found->height(), row->height());
  // The caption ends where the row's caption ends, the value starts where the row's text starts,
  const QLabel* caption = row->findChild<QLabel*>(QStringLiteral("CLabel"));
  QCOMPARE(found->CaptionRight(), caption->geometry().right() + 1);
  // inside the editor's frame and padding.
  const QLineEdit* edit = row->Edit();
  QVERIFY2(found->ValueLeft() > edit->x() && found->ValueLeft() <= edit->x() + 12,
           qPrintable(QStringLiteral("%1 vs %2").arg(found->ValueLeft()).arg(edit->x())));
}

QTEST_MAIN(TstFuelPage)
#include "tst_fuel_page.moc"
