#pragma once

#include "dialogs/sticker_settings.h"

#include <QImage>
#include <QString>
#include <vector>

inline constexpr int kStickerSide = 2400; // pixels: the sticker at a nominal 300 dots per inch
inline constexpr int kStickerDpi = 300;
inline constexpr int kQuietZone = 4;

// A QR symbol: its modules row by row, dark = true. Empty (Size 0) when the text could not be
// encoded; Error then says why.
struct TQRSymbol {
  int Size = 0;
  std::vector<bool> Modules;
  QString Error;
  // The error-correction level the symbol carries, 0..3 (L, M, Q, H).
  int Level = 0;
  bool Valid() const { return Size > 0; }
  bool Dark(int aX, int aY) const { return Modules[size_t(aY) * size_t(Size) + size_t(aX)]; }
};

// Encodes the text as UTF-8 at level 0..3 (L, M, Q, H), exactly the level chosen (a sticker's
// level is the technician's choice, not raised when it would fit); version and mask are chosen by
// the encoder.
TQRSymbol EncodeQR(const QString& aText, int aLevel);
// Pixels per module for a square of aSide pixels: the side divided by the modules across the
// symbol with its quiet zone, when that gives more than 3; else 4.
int QRModulePixels(int aSide, int aSymbolSize);
// The symbol on white with its quiet zone of 4 modules, aScale pixels per module.
QImage RenderQR(const TQRSymbol& aSymbol, int aScale);

struct TStickerImage {
  QImage Image; // 2400 × 2400
  QString QRText;
  QString QRError; // the text did not fit a QR symbol: none was drawn
  bool QRStretched = false;
};
// Draws the sticker: the QR code in its square and every non-empty line in black, without
// anti-aliasing.
TStickerImage RenderSticker(const TStickerSettings& aSettings, const TStickerTexts& aTexts);
