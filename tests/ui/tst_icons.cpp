#include "style/icon_names.h"
#include "style/icons.h"

#include <QPainter>
#include <QSet>
#include <QSvgRenderer>
#include <QTest>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QColor DarkText{Qt::white};
const QColor DarkAccent{90, 183, 98};
const QColor DarkAccent2{0, 153, 255};
const QColor LightText{Qt::black};
const QColor LightAccent{54, 124, 60};
const QColor Red{230, 60, 60};
const QColor Amber{230, 180, 40};

// Every name the window, the pages and the monitor ask for.
const QStringList ProgramNames{
    u"E_WELLCOME"_s,  u"D_WELLCOME"_s, u"U_WELLCOME"_s, u"E_INFO"_s,     u"D_INFO"_s,      u"E_CONFIG"_s,
    u"D_CONFIG"_s,    u"E_LOG"_s,      u"D_LOG"_s,      u"E_FUEL"_s,     u"D_FUEL"_s,      u"E_PRINT"_s,
    u"D_PRINT"_s,     u"E_ACTION"_s,   u"D_ACTION"_s,   u"R_ACTION"_s,   u"Y_ACTION"_s,    u"I_PARAMS"_s,
    u"I_GEO"_s,       u"I_SERVERS"_s,  u"I_MODEM"_s,    u"I_PINS"_s,     u"I_CHIP"_s,      u"I_CAN"_s,
    u"I_DEFAULT"_s,   u"I_PAUSE"_s,    u"I_PLAY"_s,     u"I_STOP"_s,     u"I_STEP_F"_s,    u"I_STEP_B"_s,
    u"I_NO"_s,        u"E_OPEN"_s,     u"I_OPEN"_s,     u"I_SAVE"_s,     u"E_GET"_s,       u"E_SET"_s,
    u"E_ATTENTION"_s, u"I_PRINT"_s,    u"I_MINIMIZE"_s, u"I_MAXIMIZE"_s, u"I_NORMALIZE"_s, u"E_THEME"_s,
    u"E_DRIVER"_s,
};

QImage Straight(const QPixmap& aPixmap) {
  return aPixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

struct TCoverage {
  int MaxAlpha = 0;
  int Visible = 0;
  int Partial = 0; // pixels neither empty nor fully covered
  QRect Bounds;
};

TCoverage Coverage(const QImage& aImage) {
  TCoverage result;
  for (int y = 0; y < aImage.height(); ++y) {
    for (int x = 0; x < aImage.width(); ++x) {
      const int alpha = qAlpha(aImage.pixel(x, y));
      result.MaxAlpha = qMax(result.MaxAlpha, alpha);
      if (alpha > 0) {
        ++result.Visible;
        result.Bounds |= QRect(x, y, 1, 1);
      }
      if (alpha > 0 && alpha < 255) {
        ++result.Partial;
      }
    }
  }
  return result;
}

// The first pixel, if any, whose colour is off aExpected by more than rounding; pixels with little
// coverage are left out because their colour is rounded away in the premultiplied picture.
QString OffColour(const QImage& aImage, const QColor& aExpected) {
  for (int y = 0; y < aImage.height(); ++y) {
    for (int x = 0; x < aImage.width(); ++x) {
      const QRgb pixel = aImage.pixel(x, y);
      if (qAlpha(pixel) < 64) {
        continue;
      }
      if (qAbs(qRed(pixel) - aExpected.red()) > 3 || qAbs(qGreen(pixel) - aExpected.green()) > 3 ||
          qAbs(qBlue(pixel) - aExpected.blue()) > 3) {
        return u"(%1,%2) is %3, expected %4"_s.arg(x).arg(y).arg(QColor(pixel).name(), aExpected.name());
      }
    }
  }
  return {};
}

} // namespace

class TstIcons : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void everyProgramNameRenders_data();
  void everyProgramNameRenders();
  void absentNames_data();
  void absentNames();
  void itemLookup_data();
  void itemLookup();

  void tintByPrefix_data();
  void tintByPrefix();
  void colourChangeIsNotServedFromCache();

  void drawingsSitOnWholePixels_data();
  void drawingsSitOnWholePixels();
  void iconCarriesDoubleDensityPicture();
  void sourceDrawingsAreSingleColour();
};

void TstIcons::everyProgramNameRenders_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("size");
  for (const QString& name : ProgramNames) {
    for (int size : {16, 24, 32}) {
      QTest::addRow("%s %d", qPrintable(name), size) << name << size;
    }
  }
}

void TstIcons::everyProgramNameRenders() {
  QFETCH(QString, name);
  QFETCH(int, size);
  TIcons icons;
  QVERIFY(icons.Has(name));
  const QPixmap pixmap = icons.Pixmap(name, size);
  QCOMPARE(pixmap.size(), QSize(size, size));
  // A resource that failed to load renders as a transparent square, not as a null pixmap.
  const TCoverage coverage = Coverage(Straight(pixmap));
  QVERIFY(coverage.Visible > 0);
  QVERIFY(!icons.Icon(name, size).isNull());
}

void TstIcons::absentNames_data() {
  QTest::addColumn<QString>("name");
  // The update section relies on finding nothing under this name and showing I_DEFAULT instead.
  QTest::newRow("update section") << u"I_UPDATE"_s;
  QTest::newRow("lower case") << u"e_info"_s;
  QTest::newRow("base without prefix") << u"INFO"_s;
  QTest::newRow("state the icon is not drawn in") << u"R_INFO"_s;
  QTest::newRow("empty") << QString();
}

void TstIcons::absentNames() {
  QFETCH(QString, name);
  TIcons icons;
  QVERIFY(!icons.Has(name));
  QVERIFY(icons.Pixmap(name, 24).isNull());
  QVERIFY(icons.Icon(name, 24).isNull());
}

void TstIcons::itemLookup_data() {
  QTest::addColumn<QString>("prefix");
  QTest::addColumn<QString>("base");
  QTest::addColumn<QString>("expected");

  QTest::newRow("active") << u"E_"_s << u"ACTION"_s << u"E_ACTION"_s;
  QTest::newRow("alarm") << u"R_"_s << u"ACTION"_s << u"R_ACTION"_s;
  QTest::newRow("waiting") << u"Y_"_s << u"ACTION"_s << u"Y_ACTION"_s;
  QTest::newRow("inactive") << u"D_"_s << u"ACTION"_s << u"D_ACTION"_s;
  QTest::newRow("empty prefix is inactive") << QString() << u"ACTION"_s << u"D_ACTION"_s;
  QTest::newRow("empty prefix, page icon") << QString() << u"INFO"_s << u"D_INFO"_s;
  QTest::newRow("section") << u"I_"_s << u"GEO"_s << u"I_GEO"_s;
  QTest::newRow("base alone") << u"E_"_s << u"I_GEO"_s << u"I_GEO"_s;
  QTest::newRow("base alone, empty prefix") << QString() << u"I_CAN"_s << u"I_CAN"_s;
  QTest::newRow("update section falls back") << u"I_"_s << u"UPDATE"_s << u"I_DEFAULT"_s;
  QTest::newRow("state not drawn") << u"R_"_s << u"INFO"_s << u"I_DEFAULT"_s;
  QTest::newRow("case differs") << u"e_"_s << u"action"_s << u"I_DEFAULT"_s;
  QTest::newRow("nothing given") << QString() << QString() << u"I_DEFAULT"_s;
}

void TstIcons::itemLookup() {
  QFETCH(QString, prefix);
  QFETCH(QString, base);
  QFETCH(QString, expected);
  TIcons icons;
  QCOMPARE(icons.ItemIconName(prefix, base), expected);
  const QImage item = Straight(icons.ItemIcon(prefix, base, 24));
  QVERIFY(!item.isNull());
  QCOMPARE(item, Straight(icons.Pixmap(expected, 24)));
}

void TstIcons::tintByPrefix_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QColor>("text");
  QTest::addColumn<QColor>("accent");
  QTest::addColumn<QColor>("expected");
  QTest::addColumn<int>("alpha");

  QTest::newRow("shown page, dark") << u"E_INFO"_s << DarkText << DarkAccent << DarkAccent << 255;
  QTest::newRow("shown page, light") << u"E_INFO"_s << LightText << LightAccent << LightAccent << 255;
  QTest::newRow("other page, dark") << u"D_INFO"_s << DarkText << DarkAccent << DarkText << 115;
  QTest::newRow("other page, light") << u"D_INFO"_s << LightText << LightAccent << LightText << 115;
  QTest::newRow("update waiting") << u"U_WELLCOME"_s << DarkText << DarkAccent << DarkAccent2 << 255;
  QTest::newRow("alarm") << u"R_ACTION"_s << LightText << LightAccent << Red << 255;
  QTest::newRow("waiting") << u"Y_ACTION"_s << LightText << LightAccent << Amber << 255;
  QTest::newRow("button, dark") << u"I_PLAY"_s << DarkText << DarkAccent << DarkText << 255;
  QTest::newRow("button, light") << u"I_PLAY"_s << LightText << LightAccent << LightText << 255;
}

void TstIcons::tintByPrefix() {
  QFETCH(QString, name);
  QFETCH(QColor, text);
  QFETCH(QColor, accent);
  QFETCH(QColor, expected);
  QFETCH(int, alpha);
  TIcons icons;
  icons.SetColors(text, accent, DarkAccent2);
  const QImage image = Straight(icons.Pixmap(name, 24));
  QCOMPARE(Coverage(image).MaxAlpha, alpha);
  const QString off = OffColour(image, expected);
  QVERIFY2(off.isEmpty(), qPrintable(off));
}

void TstIcons::colourChangeIsNotServedFromCache() {
  TIcons icons;
  icons.SetColors(DarkText, DarkAccent, DarkAccent2);
  const QImage darkShown = Straight(icons.Pixmap(u"E_INFO"_s, 24));
  const QImage darkOther = Straight(icons.Pixmap(u"D_INFO"_s, 24));
  const QImage darkItem = Straight(icons.ItemIcon(QString(), u"ACTION"_s, 16));

  icons.SetColors(LightText, LightAccent, DarkAccent2);
  QCOMPARE(OffColour(Straight(icons.Pixmap(u"E_INFO"_s, 24)), LightAccent), QString());
  QCOMPARE(OffColour(Straight(icons.Pixmap(u"D_INFO"_s, 24)), LightText), QString());
  QCOMPARE(OffColour(Straight(icons.ItemIcon(QString(), u"ACTION"_s, 16)), LightText), QString());

  // Back to the first colours: the same pictures as before, not the light ones.
  icons.SetColors(DarkText, DarkAccent, DarkAccent2);
  QCOMPARE(Straight(icons.Pixmap(u"E_INFO"_s, 24)), darkShown);
  QCOMPARE(Straight(icons.Pixmap(u"D_INFO"_s, 24)), darkOther);
  QCOMPARE(Straight(icons.ItemIcon(QString(), u"ACTION"_s, 16)), darkItem);
}

void TstIcons::drawingsSitOnWholePixels_data() {
  QTest::addColumn<int>("size");
  QTest::addColumn<qreal>("ratio");
  QTest::addColumn<QRect>("square");

  // The stop sign is a plain square, so any stretch off the drawing's grid shows as soft edges.
  QTest::newRow("16, the 16 px drawing") << 16 << 1.0 << QRect(2, 2, 12, 12);
  QTest::newRow("24, the 22 px drawing centred") << 24 << 1.0 << QRect(4, 4, 16, 16);
  QTest::newRow("32, the 16 px drawing doubled") << 32 << 1.0 << QRect(4, 4, 24, 24);
  QTest::newRow("16 on a double-density screen") << 16 << 2.0 << QRect(4, 4, 24, 24);
  QTest::newRow("24 on a double-density screen") << 24 << 2.0 << QRect(8, 8, 32, 32);
}

void TstIcons::drawingsSitOnWholePixels() {
  QFETCH(int, size);
  QFETCH(qreal, ratio);
  QFETCH(QRect, square);
  TIcons icons;
  const QPixmap pixmap = icons.Pixmap(u"I_STOP"_s, size, ratio);
  QCOMPARE(pixmap.devicePixelRatio(), ratio);
  QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(size, size));
  const TCoverage coverage = Coverage(Straight(pixmap));
  QCOMPARE(coverage.Partial, 0);
  QCOMPARE(coverage.Bounds, square);
}

void TstIcons::iconCarriesDoubleDensityPicture() {
  TIcons icons;
  const QIcon icon = icons.Icon(u"E_GET"_s, 24);
  const QPixmap doubled = icon.pixmap(QSize(24, 24), 2.0);
  QCOMPARE(doubled.devicePixelRatio(), 2.0);
  // Drawn at 48 px rather than the 24 px picture blown up.
  QCOMPARE(Straight(doubled), Straight(icons.Pixmap(u"E_GET"_s, 24, 2.0)));
  QCOMPARE(Straight(icon.pixmap(QSize(24, 24), 1.0)), Straight(icons.Pixmap(u"E_GET"_s, 24)));
}

void TstIcons::sourceDrawingsAreSingleColour() {
  // The tint keeps only a drawing's coverage: a full-colour drawing, whose details are painted in
  // other colours over a filled shape, would come out as a blob.
  for (const TIconSource& source : IconSources()) {
    for (const auto& [grid, file] : {std::pair{16, source.File16}, std::pair{22, source.File22}}) {
      if (file == nullptr) {
        continue;
      }
      const QString path = QString::fromLatin1(IconResourceRoot) + QLatin1String(file);
      QSvgRenderer renderer(path);
      QVERIFY2(renderer.isValid(), qPrintable(path));
      QImage image(grid * 4, grid * 4, QImage::Format_ARGB32);
      image.fill(Qt::transparent);
      {
        QPainter painter(&image);
        renderer.render(&painter);
      }
      QSet<QRgb> colours;
      for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
          if (qAlpha(image.pixel(x, y)) == 255) {
            colours.insert(image.pixel(x, y));
          }
        }
      }
      QVERIFY2(colours.size() == 1, qPrintable(u"%1: %2 colours"_s.arg(path).arg(colours.size())));
    }
  }
}

QTEST_MAIN(TstIcons)
#include "tst_icons.moc"
