#include "style/icons.h"

#include "style/icon_names.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <array>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal InactiveOpacity = 0.45;
constexpr int CacheKiB = 8 * 1024;
const QColor AlarmRed{230, 60, 60};
const QColor WaitingAmber{230, 180, 40};

struct TPlacement {
  const char* File = nullptr;
  int Box = 0; // logical pixels the drawing is scaled to, centred in the icon
};

// Breeze drawings land on whole pixels only at whole multiples of their grid. A drawing is placed at
// such a multiple, centred, when that costs at most an eighth of the icon as margin: the 22 px
// drawing in a 24 px icon, the 16 px drawing doubled in a 32 px one. Otherwise it is stretched to
// the full size, which softens its edges a little.
TPlacement Place(const TIconSource& aSource, int aSize) {
  const std::array<std::pair<int, const char*>, 2> drawings{{{22, aSource.File22}, {16, aSource.File16}}};
  for (const auto& [grid, file] : drawings) {
    const int times = aSize / grid;
    if (file != nullptr && times >= 1 && (aSize - times * grid) * 8 <= aSize) {
      return {file, times * grid};
    }
  }
  for (const auto& [grid, file] : drawings) {
    if (file != nullptr && grid <= aSize) {
      return {file, aSize};
    }
  }
  return {aSource.File16 != nullptr ? aSource.File16 : aSource.File22, aSize};
}

QPixmap Render(const TIconSource& aSource, int aSize, qreal aRatio, const QColor& aTint) {
  const TPlacement placement = Place(aSource, aSize);
  QSvgRenderer renderer(QString::fromLatin1(IconResourceRoot) + QLatin1String(placement.File));
  if (!renderer.isValid()) {
    return {};
  }
  const int pixels = qRound(aSize * aRatio);
  const int box = qRound(placement.Box * aRatio);
  const int offset = (pixels - box) / 2;

  QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  renderer.render(&painter, QRectF(offset, offset, box, box));
  // The drawing only lends its coverage; every icon is one flat colour on top of it.
  painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
  painter.fillRect(image.rect(), aTint);
  painter.end();
  image.setDevicePixelRatio(aRatio);
  return QPixmap::fromImage(std::move(image));
}

} // namespace

TIcons::TIcons() : FCache(CacheKiB) {
  for (const TIconSource& source : IconSources()) {
    for (const char* prefix = source.Prefixes; *prefix != '\0'; ++prefix) {
      FSources.insert(QChar::fromLatin1(*prefix) + u'_' + QLatin1String(source.Base), &source);
    }
  }
}

void TIcons::SetColors(const QColor& aText, const QColor& aAccent, const QColor& aAccent2) {
  FText = aText;
  FAccent = aAccent;
  FAccent2 = aAccent2;
}

bool TIcons::Has(const QString& aName) const {
  return FSources.contains(aName);
}

QColor TIcons::Tint(const QString& aName) const {
  const QChar state = aName.size() > 2 && aName.at(1) == u'_' ? aName.at(0) : QChar();
  switch (state.unicode()) {
  case u'E':
    return FAccent;
  case u'U':
    return FAccent2;
  case u'R':
    return AlarmRed;
  case u'Y':
    return WaitingAmber;
  case u'D': {
    QColor faded = FText;
    faded.setAlphaF(faded.alphaF() * InactiveOpacity);
    return faded;
  }
  default:
    return FText;
  }
}

QPixmap TIcons::Pixmap(const QString& aName, int aSize, qreal aDevicePixelRatio) const {
  const TIconSource* source = FSources.value(aName);
  if (source == nullptr || aSize <= 0 || aDevicePixelRatio <= 0) {
    return {};
  }
  const QColor tint = Tint(aName);
  const QString key = u"%1|%2|%3|%4"_s.arg(aName).arg(aSize).arg(aDevicePixelRatio).arg(tint.rgba(), 8, 16);
  if (const QPixmap* cached = FCache.object(key)) {
    return *cached;
  }
  QPixmap pixmap = Render(*source, aSize, aDevicePixelRatio, tint);
  if (!pixmap.isNull()) {
    const qsizetype kib = qMax<qsizetype>(1, qsizetype(pixmap.width()) * pixmap.height() * 4 / 1024);
    FCache.insert(key, new QPixmap(pixmap), kib);
  }
  return pixmap;
}

QIcon TIcons::Icon(const QString& aName, int aSize) const {
  if (!Has(aName)) {
    return {};
  }
  QIcon icon;
  icon.addPixmap(Pixmap(aName, aSize, 1.0));
  icon.addPixmap(Pixmap(aName, aSize, 2.0));
  // A fractional screen ratio gets its own picture rather than a rescaled one.
  const qreal screen = qGuiApp != nullptr ? qGuiApp->devicePixelRatio() : 1.0;
  if (screen != 1.0 && screen != 2.0) {
    icon.addPixmap(Pixmap(aName, aSize, screen));
  }
  return icon;
}

QString TIcons::ItemIconName(const QString& aPrefix, const QString& aBase) const {
  const QString named = (aPrefix.isEmpty() ? u"D_"_s : aPrefix) + aBase;
  if (Has(named)) {
    return named;
  }
  if (Has(aBase)) {
    return aBase;
  }
  return u"I_DEFAULT"_s;
}

QPixmap TIcons::ItemIcon(const QString& aPrefix, const QString& aBase, int aSize,
                         qreal aDevicePixelRatio) const {
  return Pixmap(ItemIconName(aPrefix, aBase), aSize, aDevicePixelRatio);
}
