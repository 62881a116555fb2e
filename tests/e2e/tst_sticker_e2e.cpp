// Stickers from the real window: the simulated tracker's identity reaches the sticker dialog by
// Ctrl+P, and printing goes to PDF files, one page per job.

#include "device/port_info.h"
#include "dialogs/print_sticker_form.h"
#include "dialogs/sticker_check_fixture.h"
#include "platform/printing/sticker_printer.h"
#include "platform/registry.h"
#include "ui/tmf.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

bool SimulatorBuilt() {
  return QFileInfo::exists(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim"));
}

int PagesIn(const QString& aFolder) {
  int pages = 0;
  for (const QFileInfo& f : QDir(aFolder).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
    pages += PdfPages(f.filePath());
  return pages;
}

struct TStickerWindow {
  QTemporaryDir Dir;
  QTemporaryDir Pdf;
  QProcess Simulator;
  TRegistry Registry;
  TPdfStickerPrinter* Printer = nullptr;
  std::unique_ptr<TMF> Window;

  bool Start(bool aWithDevice) {
    if (aWithDevice) {
      const QString link = Dir.filePath(QStringLiteral("sim0"));
      Simulator.start(qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim"),
                      {QStringLiteral("--gen"), QStringLiteral("1"), QStringLiteral("--type"),
                       QStringLiteral("303"), QStringLiteral("--id"), QStringLiteral("12345"),
                       QStringLiteral("--rate"), QStringLiteral("300"), QStringLiteral("--link"), link});
      if (!Simulator.waitForStarted(5000))
        return false;
      for (int i = 0; i < 100 && !QFileInfo::exists(link); ++i)
        QTest::qWait(50);
      qputenv("VELMORA_EXTRA_PORTS",
              (link + QStringLiteral("=USB\\VID_0483&PID_5740&REV_0200")).toLocal8Bit());
    } else {
      qputenv("VELMORA_EXTRA_PORTS", QByteArray());
    }
    Registry.DeleteKey(QStringLiteral("Forms"));
    Registry.DeleteKey(QStringLiteral("StickerPrinter"));
    Window = std::make_unique<TMF>(Registry, [] { return false; });
    auto printer = std::make_unique<TPdfStickerPrinter>(Pdf.path());
    Printer = printer.get();
    Window->SetStickerPrinter(std::move(printer));
    Window->resize(1280, 800);
    Window->show();
    return true;
  }
  ~TStickerWindow() {
    Window.reset();
    if (Simulator.state() != QProcess::NotRunning) {
      Simulator.terminate();
      Simulator.waitForFinished(5000);
    }
  }
  void CtrlP() { QTest::keyClick(Window.get(), Qt::Key_P, Qt::ControlModifier); }
};

} // namespace

class TstStickerE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void ctrlPPrintsTheDevicesSticker();
  void automaticPrintingNeedsNoDialog();
  void automaticPrintWaitsForAnOpenDialog();
  void printButtonWithoutPortUsesSampleData();
};

void TstStickerE2E::ctrlPPrintsTheDevicesSticker() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TStickerWindow sim;
  QVERIFY(sim.Start(true));
  TMF& w = *sim.Window;
  QTRY_COMPARE_WITH_TIMEOUT(w.Q() ? w.Q()->DeviceName() : QString(), QStringLiteral("12345"), 15000);
  QTRY_VERIFY_WITH_TIMEOUT(!w.Q()->DeviceIMEI().isEmpty(), 10000);
  const QString imei = w.Q()->DeviceIMEI();

  // Without the option to show the Print button, Ctrl+P does nothing.
  sim.CtrlP();
  QVERIFY(!w.StickerDialog());
  w.State().PrintVisible = true;
  sim.CtrlP();
  TPrintStickerForm* form = w.StickerDialog();
  QVERIFY(form);
  QVERIFY(form->isVisible());
  QVERIFY(form->isModal());
  QCOMPARE(form->DeviceData().ID, QStringLiteral("12345"));
  QCOMPARE(form->DeviceData().IMEI, imei);

  // The technician's layout: the ID with a caption, the IMEI, the rest empty.
  TStickerSettings s = form->Settings();
  for (TStickerLine& l : s.Lines)
    l.Source = ssEmpty, l.InQR = false;
  s.Lines[0] = {true, false, true, true, ssID, QStringLiteral("ID: "), 220, 40, 18};
  s.Lines[1] = {true, false, true, false, ssIMEI, QString(), 220, 80, 18};
  form->SetSettings(s);
  QCOMPARE(form->QRText(), QStringLiteral("12345;") + imei);
  QCOMPARE(DecodeQR(form->Sticker().Image.copy(0, 0, 400, 400)), QStringLiteral("12345;") + imei);

  form->findChild<QPushButton*>(QStringLiteral("btnPrint"))->click();
  QTRY_COMPARE_WITH_TIMEOUT(sim.Printer->Jobs(), 1, 5000);
  QCOMPARE(PdfPages(sim.Printer->JobFile(1)), 1);

  // A list of three items, two copies each: six jobs of one page.
  QTemporaryDir dir;
  QFile list(dir.filePath(QStringLiteral("serials.txt")));
  QVERIFY(list.open(QIODevice::WriteOnly));
  list.write("LOT-1\r\nLOT-2\r\nLOT-3\r\n");
  list.close();
  QVERIFY(form->LoadList(list.fileName()));
  s = form->Settings();
  s.Lines[2] = {true, false, true, false, ssList, QString(), 220, 120, 18};
  s.Copies = 2;
  form->SetSettings(s);
  form->findChild<QPushButton*>(QStringLiteral("btnPrintList"))->click();
  QTRY_VERIFY_WITH_TIMEOUT(!form->Printing(), 15000);
  QCOMPARE(form->LastMessage(), QStringLiteral("Печать списка завершена."));
  QCOMPARE(sim.Printer->Jobs(), 7);
  QCOMPARE(PagesIn(sim.Pdf.path()), 7);
  QCOMPARE(form->QRText(), QStringLiteral("12345;") + imei + QStringLiteral(";LOT-3"));
}

void TstStickerE2E::automaticPrintingNeedsNoDialog() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TStickerWindow sim;
  QVERIFY(sim.Start(true));
  TMF& w = *sim.Window;
  QTRY_COMPARE_WITH_TIMEOUT(w.Q() ? w.Q()->DeviceName() : QString(), QStringLiteral("12345"), 15000);
  w.State().PrintVisible = true;
  w.State().AutoPrint = true;
  sim.CtrlP();
  QTRY_COMPARE_WITH_TIMEOUT(sim.Printer->Jobs(), 1, 5000);
  QTRY_VERIFY(!w.StickerDialog());
  QCOMPARE(PagesIn(sim.Pdf.path()), 1);
}

void TstStickerE2E::automaticPrintWaitsForAnOpenDialog() {
  if (!SimulatorBuilt())
    QSKIP("velmora-devsim is not built");
  TStickerWindow sim;
  QVERIFY(sim.Start(true));
  TMF& w = *sim.Window;
  QTRY_COMPARE_WITH_TIMEOUT(w.Q() ? w.Q()->DeviceName() : QString(), QStringLiteral("12345"), 15000);
  w.State().PrintVisible = true;
  w.State().AutoPrint = false;
  sim.CtrlP();
  QPointer<TPrintStickerForm> open = w.StickerDialog();
  QVERIFY(open && open->isVisible());
  // A factory flow's automatic print while the technician has the dialog open, twice over.
  w.ShowStickerDialog(w.Q()->DataPrint(), true);
  w.ShowStickerDialog(w.Q()->DataPrint(), true);
  QTest::qWait(300);
  QCOMPARE(sim.Printer->Jobs(), 0);
  QCOMPARE(w.StickerDialog(), open.data());
  open->reject();
  // Once it is closed, each waiting sticker prints in turn.
  QTRY_COMPARE_WITH_TIMEOUT(sim.Printer->Jobs(), 2, 10000);
  QTRY_VERIFY(!w.StickerDialog());
  QCOMPARE(PagesIn(sim.Pdf.path()), 2);
}

void TstStickerE2E::printButtonWithoutPortUsesSampleData() {
  TStickerWindow sim;
  QVERIFY(sim.Start(false));
  TMF& w = *sim.Window;
  if (w.Q())
    QSKIP("this machine has a serial port of its own");
  w.State().AutoPrint = true; // sample data never prints by itself
  w.findChild<QToolButton*>(QStringLiteral("btnPrint"))->click();
  TPrintStickerForm* form = w.StickerDialog();
  QVERIFY(form);
  QVERIFY(form->isVisible());
  QCOMPARE(form->DeviceData().ID, QStringLiteral("000000"));
  QCOMPARE(form->DeviceData().WiFiAC, QStringLiteral("ABC_123"));
  QCOMPARE(form->QRText(), QStringList(8, QStringLiteral("000000")).join(QLatin1Char(';')));
  QCOMPARE(sim.Printer->Jobs(), 0);
  // Ctrl+P needs a selected port.
  form->reject();
  QTRY_VERIFY(!w.StickerDialog());
  w.State().PrintVisible = true;
  sim.CtrlP();
  QVERIFY(!w.StickerDialog());
}

QTEST_MAIN(TstStickerE2E)
#include "tst_sticker_e2e.moc"
