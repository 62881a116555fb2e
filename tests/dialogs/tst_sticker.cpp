// Sticker composition without a window: the settings text, templates and their files, the QR code
// and the drawn sticker, and where the printer puts it.

#include "platform/printing/sticker_printer.h"
#include "platform/registry.h"
#include "sticker_check_fixture.h"
#include "dialogs/sticker_render.h"
#include "dialogs/sticker_settings.h"
#include "dialogs/sticker_templates.h"

#include <QFile>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const char kDefaultText[] =
    "1;1;;200;40;18;1;1;;200;75;18;1;1;;200;110;18;1;1;;200;145;18;1;1;;200;180;18;1;1;;200;215;18;"
    "1;1;;200;250;18;1;1;;200;285;18;1;1;1;1;1;1;1;1;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;0;1;200;10;10;0;100;0;0;1;"
    "0";

TDeviceData Device() {
  TDeviceData d = SampleDeviceData();
  d.ID = QStringLiteral("12345");
  d.IMEI = QStringLiteral("860000000000017");
  return d;
}

// Where the page puts the sticker image, in printer pixels: the transform in front of the image's
// own unit square ("2400 0 0 -2400 0 2400 cm") in the page's content stream.
QRectF PdfStickerRect(const QString& aFile) {
  QFile f(aFile);
  if (!f.open(QIODevice::ReadOnly))
    return {};
  const QByteArray pdf = f.readAll();
  const QRegularExpression place(
      QStringLiteral("([-\\d.]+) 0 0 ([-\\d.]+) ([-\\d.]+) ([-\\d.]+) cm\\s+2400 0 0 -2400 0 2400 cm"));
  for (qsizetype at = pdf.indexOf("stream"); at >= 0; at = pdf.indexOf("stream", at + 6)) {
    if (at >= 3 && pdf.mid(at - 3, 3) == "end")
      continue;
    qsizetype start = at + 6;
    while (start < pdf.size() && (pdf[start] == '\r' || pdf[start] == '\n'))
      ++start;
    const qsizetype end = pdf.indexOf("endstream", start);
    if (end < 0)
      break;
    QByteArray zipped = pdf.mid(start, end - start);
    zipped.prepend(QByteArray::fromHex("00100000")); // size hint for qUncompress
    const QRegularExpressionMatch m = place.match(QString::fromLatin1(qUncompress(zipped)));
    if (m.hasMatch())
      return QRectF(m.captured(3).toDouble(), m.captured(4).toDouble(), 2400 * m.captured(1).toDouble(),
                    2400 * m.captured(2).toDouble());
  }
  return {};
}

} // namespace

namespace {

// The error-correction level (0 L, 1 M, 2 Q, 3 H) the symbol's first copy of its format
// information carries, read from the modules beside the top-left finder.
int FormatLevel(const TQRSymbol& aSymbol) {
  int bits = 0;
  const auto put = [&](int aIndex, int aX, int aY) {
    if (aSymbol.Dark(aX, aY))
      bits |= 1 << aIndex;
  };
  for (int i = 0; i <= 5; ++i)
    put(i, 8, i);
  put(6, 8, 7);
  put(7, 8, 8);
  put(8, 7, 8);
  for (int i = 9; i < 15; ++i)
    put(i, 14 - i, 8);
  // The two level bits: 00 M, 01 L, 10 H, 11 Q.
  static const int kLevels[] = {1, 0, 3, 2};
  return kLevels[((bits ^ 0x5412) >> 13) & 3];
}

} // namespace

class TstSticker : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init();
  void defaultTextIsExact();
  void textRoundTrips();
  void readingTolerates_data();
  void readingTolerates();
  void captionRule_data();
  void captionRule();
  void composeJoinsTheQRLines();
  void templatesInTheStore();
  void templateNames_data();
  void templateNames();
  void templateFileRoundTripAndBadLines();
  void perUserValuesAreCapped();
  void qrDecodesBack_data();
  void qrDecodesBack();
  void qrModulesAndScale_data();
  void qrModulesAndScale();
  void tooLongForQR();
  void textsAreNotAntialiased();
  void printRect_data();
  void printRect();
  void pdfPrinterWritesOnePagePerJob();
  void noDefaultPrinterIsNoJob();

private:
  TRegistry FRegistry;
};

void TstSticker::init() {
  FRegistry.DeleteKey(QStringLiteral("StickerPrinter"));
}

void TstSticker::defaultTextIsExact() {
  TStickerSettings s;
  QCOMPARE(s.ToText(), QString::fromLatin1(kDefaultText));
  s.FromText(QString()); // nothing stored yet
  QCOMPARE(s.ToText(), QString::fromLatin1(kDefaultText));
  QCOMPARE(s.ToText().split(QLatin1Char(';')).size(), kStickerFields);
}

void TstSticker::textRoundTrips() {
  TStickerSettings s;
  s.Lines[0] = {false, true, true, true, ssText, QStringLiteral("Серийный №"), -1200, 1200, 72};
  s.Lines[3].Source = ssList;
  s.Lines[3].CustomText = QStringLiteral(" шт");
  s.Lines[7].ShowText = false;
  s.QRLevel = 3;
  s.QRSize = 800;
  s.QRX = -5;
  s.QRY = 7;
  s.Separator = 6;
  s.PrintScale = 500;
  s.OffsetX = 12;
  s.OffsetY = -12;
  s.Copies = 99;
  s.QRVersion = 40;
  TStickerSettings back;
  back.FromText(s.ToText());
  QVERIFY(back == s);
  QCOMPARE(back.ToText(), s.ToText());
}

void TstSticker::readingTolerates_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>(
      "expected"); // a few fields of the result: source1;X1;Y1;font1;level;size;separator;copies
  QTest::newRow("short text keeps the rest")
      << QStringLiteral("0;5") << QStringLiteral("5;200;40;18;1;200;0;1");
  QTest::newRow("source and level not numbers count as 1")
      << QStringLiteral("1;x;;a;b;c;") + QStringLiteral("1;1;;200;75;18;").repeated(7) +
             QStringLiteral("1;").repeated(24) + QStringLiteral("z;q;10;10;w;100;0;0;1;0")
      << QStringLiteral("1;200;30;14;1;200;0;1");
  // Numbers beyond the controls' ranges: a huge QR size would allocate without bound, a separator
  // of 10 would read past the table.
  QTest::newRow("out of range is clamped")
      << QStringLiteral("1;99;;5000;-5000;1000;") + QStringLiteral("1;1;;200;75;18;").repeated(7) +
             QStringLiteral("1;").repeated(24) + QStringLiteral("9;2000000000;10;10;10;100000;0;0;1000;77")
      << QStringLiteral("13;1200;-1200;72;3;800;6;99");
  QTest::newRow("QR size 5 is 20") << QStringLiteral("1;1;;200;40;18;").repeated(8) +
                                          QStringLiteral("1;").repeated(24) + QStringLiteral("1;5")
                                   << QStringLiteral("1;200;40;18;1;20;0;1");
}

void TstSticker::readingTolerates() {
  QFETCH(QString, text);
  QFETCH(QString, expected);
  TStickerSettings s;
  s.FromText(text);
  const TStickerLine& l = s.Lines[0];
  QCOMPARE(QStringList({QString::number(l.Source), QString::number(l.X), QString::number(l.Y),
                        QString::number(l.FontSize), QString::number(s.QRLevel), QString::number(s.QRSize),
                        QString::number(s.Separator), QString::number(s.Copies)})
               .join(QLatin1Char(';')),
           expected);
}

void TstSticker::captionRule_data() {
  QTest::addColumn<int>("source");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<bool>("onSticker");
  QTest::addColumn<bool>("inQR");
  QTest::addColumn<QString>("stickerText");
  QTest::addColumn<QString>("qrText");
  QTest::newRow("caption before") << int(ssID) << QStringLiteral("SN: ") << true << true
                                  << QStringLiteral("SN: 12345") << QStringLiteral("SN: 12345");
  QTest::newRow("leading space follows") << int(ssID) << QStringLiteral(" pcs") << true << true
                                         << QStringLiteral("12345 pcs") << QStringLiteral("12345 pcs");
  QTest::newRow("only on the sticker")
      << int(ssIMEI) << QStringLiteral("IMEI ") << true << false << QStringLiteral("IMEI 860000000000017")
      << QStringLiteral("860000000000017");
  QTest::newRow("text source takes no caption") << int(ssText) << QStringLiteral("Hello") << true << true
                                                << QStringLiteral("Hello") << QStringLiteral("Hello");
  QTest::newRow("list item") << int(ssList) << QStringLiteral("No ") << true << true
                             << QStringLiteral("No A-7") << QStringLiteral("No A-7");
  QTest::newRow("empty source") << int(ssEmpty) << QStringLiteral("x") << true << true << QString()
                                << QString();
}

void TstSticker::captionRule() {
  QFETCH(int, source);
  QFETCH(QString, caption);
  QFETCH(bool, onSticker);
  QFETCH(bool, inQR);
  TStickerSettings s;
  for (TStickerLine& l : s.Lines)
    l.InQR = l.ShowText = false;
  TStickerLine& l = s.Lines[2];
  l.Source = source;
  l.CustomText = caption;
  l.ShowText = l.InQR = true;
  l.Caption = onSticker;
  l.CaptionInQR = inQR;
  const QString item = QStringLiteral("A-7");
  const TStickerTexts t = ComposeSticker(s, Device(), &item);
  QTEST(t.Lines[2], "stickerText");
  QTEST(t.QR, "qrText");
}

void TstSticker::composeJoinsTheQRLines() {
  TStickerSettings s;
  s.Lines[1].Source = ssIMEI;
  for (int i = 2; i < kStickerLines; ++i)
    s.Lines[size_t(i)].InQR = false;
  s.Separator = 4;
  QCOMPARE(ComposeSticker(s, Device(), nullptr).QR, QStringLiteral("12345\r\n860000000000017"));
  s.Lines[0].InQR = s.Lines[1].InQR = false;
  const TStickerTexts none = ComposeSticker(s, Device(), nullptr);
  QCOMPARE(none.QR, QString());
  // The empty text still makes a symbol.
  QVERIFY(EncodeQR(none.QR, 1).Valid());
}

void TstSticker::templatesInTheStore() {
  TStickerTemplates t(FRegistry);
  t.Save(QStringLiteral("Small"), QStringLiteral("a"));
  t.Save(QStringLiteral("Большой"), QStringLiteral("b"));
  t.Save(QStringLiteral("Small"), QStringLiteral("c"));
  QCOMPARE(t.Names(), QStringList({QStringLiteral("Small"), QStringLiteral("Большой")}));
  QCOMPARE(FRegistry.Read(QStringLiteral("StickerPrinter"), QStringLiteral("Templates")).toString(),
           QStringLiteral("Small;Большой"));
  QCOMPARE(FRegistry.Read(QStringLiteral("StickerPrinter"), QStringLiteral("Template_Small")).toString(),
           QStringLiteral("c"));
  t.Remove(QStringLiteral("Small"));
  QCOMPARE(t.Names(), QStringList({QStringLiteral("Большой")}));
  QVERIFY(!t.HasText(QStringLiteral("Small")));
  t.SetCurrent(QStringLiteral("cur"));
  t.Reset();
  QVERIFY(t.Names().isEmpty());
  QVERIFY(FRegistry.ValueExists(QStringLiteral("StickerPrinter"), QStringLiteral("Templates")));
  QVERIFY(t.Current().isEmpty());
}

void TstSticker::templateNames_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QString>("accepted");
  QTest::newRow("trimmed") << QStringLiteral("  A4 left ") << QStringLiteral("A4 left");
  QTest::newRow("empty") << QStringLiteral("   ") << QString();
  QTest::newRow("equals") << QStringLiteral("a=b") << QString();
  QTest::newRow("semicolon") << QStringLiteral("a;b") << QString();
  QTest::newRow("slash") << QStringLiteral("a/b") << QString();
  QTest::newRow("backslash") << QStringLiteral("a\\b") << QString();
  QTest::newRow("control") << QStringLiteral("a\tb") << QString();
}

void TstSticker::templateNames() {
  QFETCH(QString, name);
  QTEST(TStickerTemplates::ValidName(name), "accepted");
}

void TstSticker::templateFileRoundTripAndBadLines() {
  TStickerTemplates t(FRegistry);
  TStickerSettings s;
  s.Lines[0].CustomText = QStringLiteral("Код: ");
  t.Save(QStringLiteral("One"), s.ToText());
  t.Save(QStringLiteral("Two"), TStickerSettings().ToText());
  FRegistry.Write(QStringLiteral("StickerPrinter"), QStringLiteral("Templates"),
                  QStringLiteral("One;Ghost;Two"));
  QCOMPARE(t.ExportText(), QStringLiteral("One=") + s.ToText() + QStringLiteral("\r\nTwo=") +
                               TStickerSettings().ToText() + QStringLiteral("\r\n"));
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("t.ptp"));
  // A "template" far larger than any settings text is no template: it stays out of the store.
  const QString huge = QStringLiteral("Huge=") + QString(200 * 1024, QLatin1Char('1'));
  QVERIFY(WriteTemplateFile(file,
                            t.ExportText() + QStringLiteral("no equals sign\r\n=nameless\r\nbad;name=1\r\n") +
                                huge + QStringLiteral("\r\n"),
                            nullptr));

  t.Reset();
  QString text;
  QVERIFY(ReadTextFile(file, &text, nullptr));
  int skipped = 0;
  QCOMPARE(t.Import(text, &skipped), 2);
  QCOMPARE(skipped, 4);
  QCOMPARE(t.Names(), QStringList({QStringLiteral("One"), QStringLiteral("Two")}));
  QVERIFY(!FRegistry.ValueExists(QStringLiteral("StickerPrinter"), QStringLiteral("Template_Huge")));
  // A file above the limit is not read at all.
  bool tooLarge = false;
  QVERIFY(!ReadTextFile(file, &text, nullptr, 1024, &tooLarge));
  QVERIFY(tooLarge);
  QVERIFY(ReadTextFile(file, &text, nullptr, QFileInfo(file).size(), &tooLarge));
  QVERIFY(!tooLarge);
  TStickerSettings back;
  back.FromText(t.Text(QStringLiteral("One")));
  QCOMPARE(back.Lines[0].CustomText, QStringLiteral("Код: "));

  // A file of the earlier tool in the Windows code page, with a caption holding ";": the caption
  // loses the ";" but everything after it stays in range.
  QFile ansi(dir.filePath(QStringLiteral("old.ptp")));
  QVERIFY(ansi.open(QIODevice::WriteOnly));
  ansi.write("\xD1\xF2\xE0\xF0\xFB\xE9=1;1;A;B;200;40;18\r\n");
  ansi.close();
  QVERIFY(ReadTextFile(ansi.fileName(), &text, nullptr));
  QCOMPARE(t.Import(text), 1);
  QVERIFY(t.Names().contains(QStringLiteral("Старый")));
}

// Whatever writes to the per-user store, a value of hundreds of KB is refused: every start reads
// the whole store.
void TstSticker::perUserValuesAreCapped() {
  const QString key = QStringLiteral("StickerPrinter");
  QVERIFY(
      !FRegistry.Write(key, QStringLiteral("Current"), QString(TRegistry::kMaxValueBytes, QLatin1Char('x'))));
  QVERIFY(!FRegistry.Write(key, QStringLiteral("Current"), QByteArray(TRegistry::kMaxValueBytes + 1, 'x')));
  QVERIFY(!FRegistry.ValueExists(key, QStringLiteral("Current")));
  // A large template still fits.
  const QString template64k(TStickerTemplates::kMaxTemplateChars, QLatin1Char('1'));
  QVERIFY(FRegistry.Write(key, QStringLiteral("Current"), template64k));
  QCOMPARE(FRegistry.Read(key, QStringLiteral("Current")).toString(), template64k);
}

void TstSticker::qrDecodesBack_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("level");
  QTest::newRow("L") << QStringLiteral("12345;860000000000017") << 0;
  QTest::newRow("M") << QStringLiteral("ID 000000") << 1;
  QTest::newRow("Q cyrillic") << QStringLiteral("Трекер VT-303") << 2;
  QTest::newRow("H") << QStringLiteral("FFFFFFFFFFFF") << 3;
}

void TstSticker::qrDecodesBack() {
  QFETCH(QString, text);
  QFETCH(int, level);
  TStickerSettings s;
  s.QRLevel = level;
  s.QRSize = 400;
  TStickerTexts t;
  t.QR = text;
  const TStickerImage sticker = RenderSticker(s, t);
  QCOMPARE(sticker.Image.size(), QSize(kStickerSide, kStickerSide));
  QVERIFY(sticker.QRError.isEmpty());
  QCOMPARE(DecodeQR(sticker.Image.copy(0, 0, 600, 600)).trimmed(), text);
  // At the level chosen, not raised where the text would still fit.
  QCOMPARE(FormatLevel(EncodeQR(text, level)), level);
}

void TstSticker::qrModulesAndScale_data() {
  QTest::addColumn<int>("side");
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("perModule");
  QTest::addColumn<bool>("stretched");
  // Version 1 (21 modules, 29 with the quiet zone).
  QTest::newRow("exact fit") << 29 * 6 << QStringLiteral("1") << 6 << false;
  QTest::newRow("stretched") << 200 << QStringLiteral("1") << 6 << true;
  QTest::newRow("small gets 4") << 60 << QStringLiteral("1") << 4 << true;
}

void TstSticker::qrModulesAndScale() {
  QFETCH(int, side);
  QFETCH(QString, text);
  QFETCH(int, perModule);
  QFETCH(bool, stretched);
  // At the sticker's own level: the one the comparison below draws.
  const TQRSymbol symbol = EncodeQR(text, TStickerSettings().QRLevel);
  QCOMPARE(symbol.Size, 21);
  QCOMPARE(QRModulePixels(side, symbol.Size), perModule);
  const QImage qr = RenderQR(symbol, perModule);
  QCOMPARE(qr.width(), 29 * perModule);
  // Quiet zone white, the finder's corner dark.
  QCOMPARE(qr.pixelColor(4 * perModule - 1, 4 * perModule - 1), QColor(Qt::white));
  QCOMPARE(qr.pixelColor(4 * perModule, 4 * perModule), QColor(Qt::black));

  TStickerSettings s;
  s.QRSize = side;
  s.QRX = 30;
  s.QRY = 50;
  TStickerTexts t;
  t.QR = text;
  const TStickerImage sticker = RenderSticker(s, t);
  QCOMPARE(sticker.QRStretched, stretched);
  if (!stretched) // drawn 1:1: the same pixels at the QR position
    QCOMPARE(sticker.Image.copy(30, 50, side, side).convertToFormat(QImage::Format_RGB32),
             qr.convertToFormat(QImage::Format_RGB32));
  // Either way the symbol fills the square: the finder's far corner is near its bottom right.
  const double module = double(side) / 29;
  QCOMPARE(sticker.Image.pixelColor(30 + int(4.5 * module), 50 + int(4.5 * module)), QColor(Qt::black));
  QCOMPARE(sticker.Image.pixelColor(30 + side + 1, 50 + side + 1), QColor(Qt::white));
}

void TstSticker::tooLongForQR() {
  const TQRSymbol symbol = EncodeQR(QString(8000, QLatin1Char('x')), 3);
  QVERIFY(!symbol.Valid());
  QVERIFY(!symbol.Error.isEmpty());
  TStickerTexts t;
  t.QR = QString(8000, QLatin1Char('x'));
  const TStickerImage sticker = RenderSticker(TStickerSettings(), t);
  QVERIFY(!sticker.QRError.isEmpty());
  QCOMPARE(sticker.Image.pixelColor(60, 60), QColor(Qt::white)); // no symbol drawn
}

void TstSticker::textsAreNotAntialiased() {
  TStickerSettings s;
  TStickerTexts t;
  t.Lines[0] = QStringLiteral("SN: 12345");
  t.QR = QStringLiteral("x");
  const TStickerImage sticker = RenderSticker(s, t);
  int black = 0;
  for (int y = 40; y < 75; ++y)
    for (int x = 200; x < 400; ++x) {
      const QColor c = sticker.Image.pixelColor(x, y);
      QVERIFY2(c == Qt::black || c == Qt::white, qPrintable(c.name()));
      black += c == Qt::black;
    }
  QVERIFY(black > 50);
}

void TstSticker::printRect_data() {
  QTest::addColumn<int>("dpi");
  QTest::addColumn<int>("scale");
  QTest::addColumn<QPoint>("offset");
  QTest::addColumn<QRect>("rect");
  QTest::newRow("600 dpi at 200 %") << 600 << 200 << QPoint(0, 0) << QRect(0, 0, 9600, 9600);
  QTest::newRow("300 dpi at 100 % with offset")
      << 300 << 100 << QPoint(-20, 35) << QRect(-20, 35, 2400, 2400);
  QTest::newRow("scale limited to 10") << 300 << 1 << QPoint(0, 0) << QRect(0, 0, 240, 240);
  QTest::newRow("scale limited to 500") << 203 << 900 << QPoint(0, 0) << QRect(0, 0, 8120, 8120);
  QTest::newRow("rounded") << 203 << 33 << QPoint(0, 0) << QRect(0, 0, 536, 536);
}

void TstSticker::printRect() {
  QFETCH(int, dpi);
  QFETCH(int, scale);
  QFETCH(QPoint, offset);
  QTEST(StickerPrintRect(QSize(2400, 2400), dpi, scale, offset), "rect");
}

void TstSticker::pdfPrinterWritesOnePagePerJob() {
  QTemporaryDir dir;
  TPdfStickerPrinter printer(dir.path());
  TStickerTexts t;
  t.QR = QStringLiteral("12345");
  t.Lines[0] = QStringLiteral("12345");
  const TStickerImage sticker = RenderSticker(TStickerSettings(), t);
  QCOMPARE(printer.PrintSticker(sticker.Image, QPoint(0, 0), 100).Result, prDone);
  QCOMPARE(printer.PrintSticker(sticker.Image, QPoint(10, 25), 50).Result, prDone);
  QCOMPARE(printer.Jobs(), 2);
  // At the printer's 300 dots per inch: full size, then half size at the offset.
  QCOMPARE(PdfStickerRect(printer.JobFile(1)), QRectF(0, 0, 2400, 2400));
  QCOMPARE(PdfStickerRect(printer.JobFile(2)), QRectF(10, 25, 1200, 1200));
  for (int job : {1, 2}) {
    QCOMPARE(PdfPages(printer.JobFile(job)), 1);
    QFile f(printer.JobFile(job));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray pdf = f.readAll();
    QVERIFY(pdf.contains("/Width 2400"));
  }
  // A folder that cannot take the file: no job, and no file counted.
  TPdfStickerPrinter nowhere(dir.filePath(QStringLiteral("missing/deeper")));
  QCOMPARE(nowhere.PrintSticker(sticker.Image, QPoint(0, 0), 100).Result, prNoJob);
  QCOMPARE(nowhere.Jobs(), 0);
}

void TstSticker::noDefaultPrinterIsNoJob() {
  if (!QPrinterInfo::defaultPrinter().isNull())
    QSKIP("this machine has a default printer");
  TStickerTexts t;
  const TStickerImage sticker = RenderSticker(TStickerSettings(), t);
  QCOMPARE(NewDefaultStickerPrinter()->PrintSticker(sticker.Image, QPoint(0, 0), 100).Result, prNoJob);
}

QTEST_MAIN(TstSticker)
#include "tst_sticker.moc"
