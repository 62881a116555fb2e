#include "style/theme.h"

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
  t.Muted = QColor(0x80, 0x80, 0x80);
  return t;
}

TThemeColors LightTheme() {
  TThemeColors t;
  t.Dark = false;
  t.Window = QColor(155, 160, 165);
  t.Panel = QColor(195, 200, 205);
  t.Text = Qt::black;
  t.Accent = QColor(54, 124, 60);
  // The hot-track colour of the common desktop themes.
  t.Accent2 = QColor(0, 102, 204);
  t.Value = QColor(54, 124, 60); // 0x3C7C36
  t.Button = QColor(175, 180, 185);
  t.Muted = QColor(0x60, 0x60, 0x60);
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
