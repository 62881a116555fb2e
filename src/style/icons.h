#pragma once

#include <QCache>
#include <QColor>
#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QString>

struct TIconSource;

// The program's icons, looked up by name: a state prefix and a base name ("E_INFO", "I_PLAY").
// Each is a monochrome Breeze drawing tinted by its prefix: E_ accent (shown page), D_ faded text
// (other pages), U_ second accent (update waiting), R_ red (alarm), Y_ amber (waiting), I_ text.
// The window owns one and calls SetColors when the theme changes.
class TIcons {
public:
  TIcons();
  TIcons(const TIcons&) = delete;
  TIcons& operator=(const TIcons&) = delete;

  void SetColors(const QColor& aText, const QColor& aAccent, const QColor& aAccent2);

  bool Has(const QString& aName) const;
  // An empty pixmap for a name we have no icon for. aSize is in logical pixels; the pixmap holds
  // aSize * aDevicePixelRatio pixels and carries that ratio.
  QPixmap Pixmap(const QString& aName, int aSize, qreal aDevicePixelRatio = 1.0) const;
  // Normal and double-density pixmaps of aSize, so buttons stay sharp on high-density screens.
  QIcon Icon(const QString& aName, int aSize) const;

  // The icon a monitor item shows: aPrefix + aBase, else aBase alone, else I_DEFAULT. An empty
  // prefix means the item's inactive state, "D_".
  QString ItemIconName(const QString& aPrefix, const QString& aBase) const;
  QPixmap ItemIcon(const QString& aPrefix, const QString& aBase, int aSize,
                   qreal aDevicePixelRatio = 1.0) const;

  // The colour aName is painted in under the current colours.
  QColor Tint(const QString& aName) const;

private:
  QHash<QString, const TIconSource*> FSources;
  QColor FText{Qt::white};
  QColor FAccent{90, 183, 98};
  QColor FAccent2{0, 153, 255};
  // Keyed by name, size, ratio and tint, so a colour change never serves an old picture; the cost
  // is in KiB, which bounds the memory however many colours the theme runs through.
  mutable QCache<QString, QPixmap> FCache;
};
