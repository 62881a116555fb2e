#include "style/theme.h"

#include <cmath>

TThemeColors DarkTheme() {
  TThemeColors t;
  t.Dark = true;
  t.Window = QColor(22, 31, 40);
  t.Panel = QColor(35, 45, 57);
  t.Text = Qt::white;
  t.Accent = QColor(90, 183, 98);
  t.Accent2 = QColor(0, 153, 255);
  t.Value = QColor(90, 183, 98); // 0x62B75A as the devices' tools write colours
  t.Button = QColor(28, 38, 48);
  t.Muted = QColor(150, 150, 150);
  t.Alarm = QColor(255, 100, 100);
  t.Warning = QColor(255, 255, 0);
  t.Idle = QColor(150, 158, 165);
  return t;
}

TThemeColors LightTheme() {
  TThemeColors t;
  t.Dark = false;
  t.Window = QColor(155, 160, 165);
  t.Panel = QColor(195, 200, 205);
  t.Text = Qt::black;
  // Greens, blues and reds dark enough to read on the light greys of the panels and port buttons.
  t.Accent = QColor(25, 80, 30);
  // The hot-track colour of the common desktop themes, darkened likewise.
  t.Accent2 = QColor(0, 72, 160);
  t.Value = t.Accent;
  t.Button = QColor(175, 180, 185);
  t.Muted = QColor(50, 54, 58);
  t.Alarm = QColor(140, 0, 0);
  // Yellow on light grey cannot be read; amber-brown keeps the warning.
  t.Warning = QColor(105, 70, 0);
  t.Idle = QColor(70, 76, 82);
  return t;
}

TThemeColors ThemeForMode(int aMode, bool aDesktopPrefersDark) {
  if (aMode == tmSystem)
    return aDesktopPrefersDark ? DarkTheme() : LightTheme();
  if (aMode == tmLight)
    return LightTheme();
  return DarkTheme();
}

QColor HintColor(const TThemeColors& aTheme, int aKind) {
  switch (aKind) {
  case 0:
    return QColor(255, 0, 0);
  case 1:
    return aTheme.Accent;
  case 2:
    return QColor(192, 192, 192);
  default:
    return aTheme.Accent2;
  }
}

QColor HintTextColor(const TThemeColors& aTheme, int aKind) {
  const QColor back = HintColor(aTheme, aKind);
  const QColor light(Qt::white);
  const QColor dark(20, 20, 20);
  return ContrastRatio(back, light) >= ContrastRatio(back, dark) ? light : dark;
}

QColor ReadableColor(const TThemeColors& aTheme, TColorRef aColor) {
  static const TColorRef kValues[] = {clValuePlaceholder, ColorToColorRef(DarkTheme().Value),
                                      ColorToColorRef(LightTheme().Value)};
  static const TColorRef kLinks[] = {ColorToColorRef(DarkTheme().Accent2),
                                     ColorToColorRef(LightTheme().Accent2)};
  for (TColorRef value : kValues)
    if (aColor == value)
      return aTheme.Value;
  for (TColorRef link : kLinks)
    if (aColor == link)
      return aTheme.Accent2;
  switch (aColor) {
  case clRed:
    return aTheme.Alarm;
  case clYellow:
    return aTheme.Warning;
  case clWhite:
    return aTheme.Text;
  case clLightGrey:
    // A bright neutral on the dark panels, the text colour on the light ones.
    return aTheme.Dark ? ColorRefToColor(clLightGrey) : aTheme.Text;
  case clGreyValue:
  case clAgedValue:
    return aTheme.Idle;
  default:
    return ColorRefToColor(aColor);
  }
}

namespace {

double RelativeLuminance(const QColor& aColor) {
  const auto channel = [](int aValue) {
    const double c = aValue / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(aColor.red()) + 0.7152 * channel(aColor.green()) + 0.0722 * channel(aColor.blue());
}

} // namespace

double ContrastRatio(const QColor& aFirst, const QColor& aSecond) {
  const double a = RelativeLuminance(aFirst);
  const double b = RelativeLuminance(aSecond);
  return (qMax(a, b) + 0.05) / (qMin(a, b) + 0.05);
}
