#include "dialogs/sticker_render.h"

#include <QPainter>
#include <algorithm>
#include <qrcodegen.hpp>
#include <stdexcept>

TQRSymbol EncodeQR(const QString& aText, int aLevel) {
  static const qrcodegen::QrCode::Ecc kLevels[] = {
      qrcodegen::QrCode::Ecc::LOW, qrcodegen::QrCode::Ecc::MEDIUM, qrcodegen::QrCode::Ecc::QUARTILE,
      qrcodegen::QrCode::Ecc::HIGH};
  TQRSymbol out;
  try {
    const QByteArray utf8 = aText.toUtf8();
    const int level = std::clamp(aLevel, 0, 3);
    const qrcodegen::QrCode code = qrcodegen::QrCode::encodeSegments(
        qrcodegen::QrSegment::makeSegments(utf8.constData()), kLevels[level], qrcodegen::QrCode::MIN_VERSION,
        qrcodegen::QrCode::MAX_VERSION, -1, false);
    out.Level = level;
    out.Size = code.getSize();
    out.Modules.resize(size_t(out.Size) * size_t(out.Size));
    for (int y = 0; y < out.Size; ++y)
      for (int x = 0; x < out.Size; ++x)
        out.Modules[size_t(y) * size_t(out.Size) + size_t(x)] = code.getModule(x, y);
  } catch (const std::exception& e) {
    out = TQRSymbol{};
    out.Error = QString::fromUtf8(e.what());
  }
  return out;
}

int QRModulePixels(int aSide, int aSymbolSize) {
  const int modules = aSymbolSize + 2 * kQuietZone;
  const int perModule = modules > 0 ? aSide / modules : 0;
  return perModule > 3 ? perModule : 4;
}

QImage RenderQR(const TQRSymbol& aSymbol, int aScale) {
  const int modules = aSymbol.Size + 2 * kQuietZone;
  QImage image(modules * aScale, modules * aScale, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  for (int y = 0; y < aSymbol.Size; ++y)
    for (int x = 0; x < aSymbol.Size; ++x)
      if (aSymbol.Dark(x, y))
        p.fillRect((x + kQuietZone) * aScale, (y + kQuietZone) * aScale, aScale, aScale, Qt::black);
  return image;
}

TStickerImage RenderSticker(const TStickerSettings& aSettings, const TStickerTexts& aTexts) {
  TStickerSettings s = aSettings;
  s.Clamp();
  TStickerImage out;
  out.QRText = aTexts.QR;
  out.Image = QImage(kStickerSide, kStickerSide, QImage::Format_RGB32);
  out.Image.fill(Qt::white);
  // Point sizes become pixels as on a screen canvas, whatever screen (if any) this runs on.
  out.Image.setDotsPerMeterX(3780);
  out.Image.setDotsPerMeterY(3780);
  QPainter p(&out.Image);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::TextAntialiasing, false);
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);

  const TQRSymbol symbol = EncodeQR(aTexts.QR, s.QRLevel);
  if (symbol.Valid()) {
    const int side = s.QRSize;
    const QImage qr = RenderQR(symbol, QRModulePixels(side, symbol.Size));
    if (qr.width() == side && qr.height() == side) {
      p.drawImage(QPoint(s.QRX, s.QRY), qr);
    } else {
      out.QRStretched = true;
      p.drawImage(QRect(s.QRX, s.QRY, side, side), qr);
    }
  } else {
    out.QRError = symbol.Error;
  }

  p.setPen(Qt::black);
  for (int i = 0; i < kStickerLines; ++i) {
    const QString& text = aTexts.Lines[size_t(i)];
    if (text.isEmpty())
      continue;
    const TStickerLine& l = s.Lines[size_t(i)];
    QFont font = p.font();
    font.setPointSize(l.FontSize);
    font.setStyleStrategy(QFont::NoAntialias);
    p.setFont(font);
    // The position is the top left of the text, as a canvas draws it.
    p.drawText(QRect(l.X, l.Y, kStickerSide * 2, kStickerSide * 2), Qt::AlignLeft | Qt::AlignTop, text);
  }
  return out;
}
