#pragma once

#include "device/port_info.h"

#include <QString>
#include <QStringList>
#include <array>

// Where a sticker line takes its value from (the index of the source list).
enum TStickerSource {
  ssEmpty = 0,
  ssID,
  ssIMEI,
  ssICCID1,
  ssICCID2,
  ssMAC,
  ssDeviceVer,
  ssDeviceSubVer,
  ssDeviceName,
  ssDeviceSOFT,
  ssIDHex,
  ssWiFiAC,
  ssText,
  ssList,
  ssSourceCount
};

inline constexpr int kStickerLines = 8;
inline constexpr int kStickerFields = 82;
inline constexpr int kPositionMin = -1200;
inline constexpr int kPositionMax = 1200;
inline constexpr int kFontMin = 6;
inline constexpr int kFontMax = 72;
inline constexpr int kQRSizeMin = 20;
inline constexpr int kQRSizeMax = 800;
inline constexpr int kQRVersionMax = 40;
inline constexpr int kScaleMin = 10;
inline constexpr int kScaleMax = 500;
inline constexpr int kCopiesMin = 1;
inline constexpr int kCopiesMax = 99;

struct TStickerLine {
  bool InQR = true;         // chkLine
  bool CaptionInQR = false; // chkCaptionQR
  bool ShowText = true;     // chkShowText
  bool Caption = false;     // chkCaption
  int Source = ssID;        // cmbLine
  QString CustomText;       // edCustomText
  int X = 200;
  int Y = 0;
  int FontSize = 18;
  bool operator==(const TStickerLine&) const = default;
};

// Everything the sticker dialog keeps: eight lines, the QR code and the print settings.
struct TStickerSettings {
  std::array<TStickerLine, kStickerLines> Lines;
  int QRLevel = 1; // L, M, Q, H
  int QRSize = 200;
  int QRX = 10;
  int QRY = 10;
  int QRVersion = 0; // kept with the settings; the encoder picks the version
  int Separator = 0;
  int PrintScale = 100;
  int OffsetX = 0;
  int OffsetY = 0;
  int Copies = 1;

  TStickerSettings();
  bool operator==(const TStickerSettings&) const = default;

  // The 82 fields joined by ";".
  QString ToText() const;
  // Reads as far as the text goes; missing fields keep their current values. Every number ends up
  // inside its control's range, and captions lose what would break the ";"-joined form.
  void FromText(const QString& aText);
  // Brings every number into its control's range.
  void Clamp();
  // True when some line takes its value from the loaded list.
  bool UsesList() const;
};

// The separators offered for joining the QR lines, by index, and their captions.
QString StickerSeparator(int aIndex);
QStringList StickerSeparatorCaptions();
QStringList StickerSourceCaptions();
QStringList StickerQRLevels();

// A caption may hold neither ";" nor a line break: either would shift every later field of the
// settings text. Removes them.
QString CleanCaption(const QString& aText);
bool CaptionAcceptable(const QString& aText);

// The value of a line's source; the list item applies to source "from the list".
QString StickerSourceValue(const TStickerLine& aLine, const TDeviceData& aData, const QString* aListItem);
// The caption rule: with a caption beginning with a space, value + caption; otherwise caption +
// value. Only sources 1 to 11 and 13 take a caption.
QString StickerCaptioned(const TStickerLine& aLine, const QString& aValue, bool aUseCaption);

struct TStickerTexts {
  std::array<QString, kStickerLines> Lines; // what each line draws; empty draws nothing
  QString QR;
};
TStickerTexts ComposeSticker(const TStickerSettings& aSettings, const TDeviceData& aData,
                             const QString* aListItem);

// Data for a sticker when no device is at hand.
TDeviceData SampleDeviceData();
