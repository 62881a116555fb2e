// Every colour a status or a caption is written in, against the background it is written on, in
// both themes: the WCAG contrast ratio must reach 4.5:1, and each status colour keeps its meaning.

#include "base/color_ref.h"
#include "monitor/item_class.h"
#include "monitor/monitor_context.h"
#include "platform/registry.h"
#include "style/theme.h"
#include "ui/tmf.h"

#include <QApplication>
#include <QImage>
#include <QTest>
#include <functional>

namespace {

using TPick = std::function<QColor(const TThemeColors&)>;

// Backgrounds, as the window paints them.
enum TBackground { bgPanel, bgWindow, bgButton, bgBase };

QColor Background(const TThemeColors& aTheme, TBackground aWhere) {
  switch (aWhere) {
  case bgPanel:
    return aTheme.Panel;
  case bgWindow:
    return aTheme.Window;
  case bgButton:
    return aTheme.Button;
  case bgBase:
    // Lists and the packet inspector: the palette the window applies.
    return QApplication::palette().color(QPalette::Base);
  }
  return {};
}

TPick Decoded(TColorRef aColor) {
  return [aColor](const TThemeColors& aTheme) { return ReadableColor(aTheme, aColor); };
}

// What a colour means, told by its hue and saturation.
enum TMeaning { mnAny, mnRed, mnAmber, mnGreen, mnBlue, mnGrey };

bool Means(const QColor& aColor, TMeaning aMeaning) {
  const int hue = aColor.hslHue();
  const int saturation = aColor.hslSaturation();
  switch (aMeaning) {
  case mnAny:
    return true;
  case mnRed:
    return saturation > 100 && (hue <= 10 || hue >= 350);
  case mnAmber:
    return saturation > 100 && hue >= 30 && hue <= 65;
  case mnGreen:
    return saturation > 60 && hue >= 90 && hue <= 150;
  case mnBlue:
    return saturation > 100 && hue >= 195 && hue <= 230;
  case mnGrey:
    return saturation < 40;
  }
  return false;
}

} // namespace

Q_DECLARE_METATYPE(TPick)

class TstContrast : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void readable_data();
  void readable();
  void paintedInTheShownTheme();
};

void TstContrast::readable_data() {
  QTest::addColumn<int>("mode");
  QTest::addColumn<TPick>("colour");
  QTest::addColumn<int>("background");
  QTest::addColumn<int>("meaning");
  const TPick text = [](const TThemeColors& t) { return t.Text; };
  const TPick accent = [](const TThemeColors& t) { return t.Accent; };
  const TPick alarm = [](const TThemeColors& t) { return t.Alarm; };
  const TPick muted = [](const TThemeColors& t) { return t.Muted; };
  const TPick link = [](const TThemeColors& t) { return ReadableColor(t, ColorToColorRef(t.Accent2)); };
  for (int mode : {int(tmDark), int(tmLight)}) {
    const char* theme = mode == tmDark ? "dark" : "light";
    const auto row = [&](const char* aName) {
      return &QTest::newRow(
          qPrintable(QStringLiteral("%1, %2").arg(QLatin1String(theme), QLatin1String(aName))));
    };
    // The monitor: captions and the colours the decoders give values.
    *row("monitor caption") << mode << text << int(bgPanel) << int(mnAny);
    *row("value") << mode << Decoded(clValuePlaceholder) << int(bgPanel) << int(mnGreen);
    *row("in motion, waiting (yellow)") << mode << Decoded(clYellow) << int(bgPanel) << int(mnAmber);
    *row("fault (red)") << mode << Decoded(clRed) << int(bgPanel) << int(mnRed);
    *row("plain state (white)") << mode << Decoded(clWhite) << int(bgPanel) << int(mnGrey);
    *row("not tested (light grey)") << mode << Decoded(clLightGrey) << int(bgPanel) << int(mnGrey);
    *row("idle (grey)") << mode << Decoded(clGreyValue) << int(bgPanel) << int(mnGrey);
    *row("aged value") << mode << Decoded(clAgedValue) << int(bgPanel) << int(mnGrey);
    *row("data source other than satellites (link)") << mode << link << int(bgPanel) << int(mnBlue);
    // The settings page's captions, set and not yet set.
    *row("settings caption") << mode << accent << int(bgPanel) << int(mnGreen);
    *row("settings caption without a value") << mode << alarm << int(bgPanel) << int(mnRed);
    // The port column.
    *row("port name") << mode << muted << int(bgWindow) << int(mnGrey);
    *row("port state") << mode << accent << int(bgButton) << int(mnGreen);
    *row("stopped port") << mode << alarm << int(bgButton) << int(mnRed);
    // The packet inspector's marks.
    *row("inspector: decoded") << mode << accent << int(bgBase) << int(mnGreen);
    *row("inspector: wrong") << mode << alarm << int(bgBase) << int(mnRed);
    *row("inspector: unknown") << mode << muted << int(bgBase) << int(mnGrey);
  }
}

void TstContrast::readable() {
  QFETCH(int, mode);
  QFETCH(TPick, colour);
  QFETCH(int, background);
  QFETCH(int, meaning);
  TRegistry registry;
  TMF window(registry, [] { return false; });
  window.SetStyleMode(mode);
  const QColor fore = colour(window.Theme());
  const QColor back = Background(window.Theme(), TBackground(background));
  const double ratio = ContrastRatio(fore, back);
  QVERIFY2(ratio >= 4.5,
           qPrintable(QStringLiteral("%1 on %2: %3:1").arg(fore.name(), back.name()).arg(ratio, 0, 'f', 2)));
  QVERIFY2(Means(fore, TMeaning(meaning)), qPrintable(fore.name()));
}

void TstContrast::paintedInTheShownTheme() {
  // Hints of every kind, in both themes.
  for (const TThemeColors& theme : {DarkTheme(), LightTheme()})
    for (int kind = 0; kind < 4; ++kind)
      QVERIFY2(ContrastRatio(HintTextColor(theme, kind), HintColor(theme, kind)) >= 4.5,
               qPrintable(QString::number(kind)));

  // A value the decoder marked yellow, painted on the light panel: the readable shade, never the
  // yellow itself; and a value coloured in the dark theme follows a switch to the light one.
  TThemeColors theme = LightTheme();
  TDictionary dictionary;
  TMonitorContext context;
  context.Theme = &theme;
  context.Dictionary = &dictionary;
  QWidget host;
  host.setStyleSheet(QStringLiteral("background: %1;").arg(theme.Panel.name()));
  TItemClass item(context, &host);
  item.SetCaption(QStringLiteral("Status"));
  item.resize(300, TItemClass::kLineHeight);
  const auto painted = [&](const QColor& aColor) {
    const QImage image = item.grab().toImage();
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, y).rgb() == aColor.rgb())
          return true;
    return false;
  };
  item.SetColor(clYellow);
  item.SetValue(QStringLiteral("in motion"));
  QVERIFY(painted(theme.Warning));
  QVERIFY(!painted(QColor(255, 255, 0)));
  item.SetColor(ColorToColorRef(DarkTheme().Value));
  item.update();
  QVERIFY(painted(theme.Value));
  QVERIFY(!painted(DarkTheme().Value));
}

QTEST_MAIN(TstContrast)
#include "tst_contrast.moc"
