#pragma once

#include "base/color_ref.h"

#include <QColor>

// Theme modes as stored: 0 follows the desktop, 1 dark, 2 light.
enum TThemeMode { tmSystem = 0, tmDark = 1, tmLight = 2 };

// The colours every widget of the window is painted with.
struct TThemeColors {
  bool Dark = true;
  QColor Window;  // window background, tab bottom bars
  QColor Panel;   // pages, tool bars, tabs
  QColor Text;    // the window's font
  QColor Accent;  // success, checked tabs, settings captions
  QColor Accent2; // information
  QColor Value;   // values on the monitor page
  QColor Button;  // port buttons' outer panel
  QColor Muted;   // secondary text (port names, grey values)
  // The devices' status colours in shades this theme's panels keep readable (contrast 4.5:1 or
  // more): red, yellow and the greys of idle or aged values.
  QColor Alarm;
  QColor Warning;
  QColor Idle;
};

TThemeColors DarkTheme();
TThemeColors LightTheme();
// Mode 0 takes the dark palette when the desktop prefers dark; 2 light; 1 and anything else dark.
TThemeColors ThemeForMode(int aMode, bool aDesktopPrefersDark);

// Hint colours by kind: 0 error, 1 success, 2 notice, 3 information.
QColor HintColor(const TThemeColors& aTheme, int aKind);
// The text colour of a hint of that kind: white or near black, whichever reads better on it.
QColor HintTextColor(const TThemeColors& aTheme, int aKind);

// A colour as the decoders pass it (0x00BBGGRR), as the theme paints it: the value placeholder and
// either theme's value or link colour become this theme's; the fixed status colours keep their
// meaning in a readable shade (white, "plain", becomes the theme's text colour); any other colour
// is painted as it is.
QColor ReadableColor(const TThemeColors& aTheme, TColorRef aColor);

// The contrast ratio of two colours as WCAG 2 defines it: 1 (none) to 21 (black on white).
double ContrastRatio(const QColor& aFirst, const QColor& aSecond);

inline QColor ColorRefToColor(TColorRef aColor) {
  return QColor(int(aColor & 0xFF), int((aColor >> 8) & 0xFF), int((aColor >> 16) & 0xFF));
}
inline TColorRef ColorToColorRef(const QColor& aColor) {
  return TColorRef(aColor.red()) | (TColorRef(aColor.green()) << 8) | (TColorRef(aColor.blue()) << 16);
}
