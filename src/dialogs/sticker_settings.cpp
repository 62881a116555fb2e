#include "dialogs/sticker_settings.h"

#include <algorithm>

namespace {

QString Flag(bool aValue) {
  return aValue ? QStringLiteral("1") : QStringLiteral("0");
}

int Number(const QString& aText, int aFallback) {
  bool ok = false;
  const int v = aText.trimmed().toInt(&ok);
  return ok ? v : aFallback;
}

} // namespace

TStickerSettings::TStickerSettings() {
  for (int i = 0; i < kStickerLines; ++i)
    Lines[size_t(i)].Y = 35 * (i + 1) + 5;
}

QString TStickerSettings::ToText() const {
  QStringList f;
  f.reserve(kStickerFields);
  for (const TStickerLine& l : Lines)
    f << Flag(l.InQR) << QString::number(l.Source) << l.CustomText << QString::number(l.X)
      << QString::number(l.Y) << QString::number(l.FontSize);
  for (const TStickerLine& l : Lines)
    f << Flag(l.ShowText);
  for (const TStickerLine& l : Lines)
    f << Flag(l.Caption);
  for (const TStickerLine& l : Lines)
    f << Flag(l.CaptionInQR);
  for (int v : {QRLevel, QRSize, QRX, QRY, Separator, PrintScale, OffsetX, OffsetY, Copies, QRVersion})
    f << QString::number(v);
  return f.join(QLatin1Char(';'));
}

void TStickerSettings::FromText(const QString& aText) {
  if (aText.isEmpty())
    return; // nothing stored yet: not one empty field
  const QStringList f = aText.split(QLatin1Char(';'));
  const auto has = [&f](int aIndex) { return aIndex < f.size(); };
  // A text written by this dialog never has a caption with ";"; one from elsewhere may, and then
  // everything after it is shifted: the clamps below keep what follows inside the controls' ranges.
  for (int i = 0; i < kStickerLines; ++i) {
    TStickerLine& l = Lines[size_t(i)];
    const int b = i * 6;
    if (has(b))
      l.InQR = f[b] == QLatin1String("1");
    if (has(b + 1))
      l.Source = Number(f[b + 1], ssID);
    if (has(b + 2))
      l.CustomText = CleanCaption(f[b + 2]);
    if (has(b + 3))
      l.X = Number(f[b + 3], 200);
    if (has(b + 4))
      l.Y = Number(f[b + 4], 15 * (i + 1) + 15);
    if (has(b + 5))
      l.FontSize = Number(f[b + 5], 14);
  }
  for (int i = 0; i < kStickerLines; ++i) {
    TStickerLine& l = Lines[size_t(i)];
    if (has(48 + i))
      l.ShowText = f[48 + i] == QLatin1String("1");
    if (has(56 + i))
      l.Caption = f[56 + i] == QLatin1String("1");
    if (has(64 + i))
      l.CaptionInQR = f[64 + i] == QLatin1String("1");
  }
  struct TField {
    int* Value;
    int Fallback;
  };
  const TField tail[] = {{&QRLevel, 1},      {&QRSize, 200}, {&QRX, 10},    {&QRY, 10},   {&Separator, 0},
                         {&PrintScale, 100}, {&OffsetX, 0},  {&OffsetY, 0}, {&Copies, 1}, {&QRVersion, 0}};
  for (int k = 0; k < 10; ++k)
    if (has(72 + k))
      *tail[k].Value = Number(f[72 + k], tail[k].Fallback);
  Clamp();
}

void TStickerSettings::Clamp() {
  for (TStickerLine& l : Lines) {
    l.Source = std::clamp(l.Source, 0, ssSourceCount - 1);
    l.X = std::clamp(l.X, kPositionMin, kPositionMax);
    l.Y = std::clamp(l.Y, kPositionMin, kPositionMax);
    l.FontSize = std::clamp(l.FontSize, kFontMin, kFontMax);
  }
  QRLevel = std::clamp(QRLevel, 0, 3);
  QRSize = std::clamp(QRSize, kQRSizeMin, kQRSizeMax);
  QRX = std::clamp(QRX, kPositionMin, kPositionMax);
  QRY = std::clamp(QRY, kPositionMin, kPositionMax);
  QRVersion = std::clamp(QRVersion, 0, kQRVersionMax);
  Separator = std::clamp(Separator, 0, 6);
  PrintScale = std::clamp(PrintScale, kScaleMin, kScaleMax);
  OffsetX = std::clamp(OffsetX, kPositionMin, kPositionMax);
  OffsetY = std::clamp(OffsetY, kPositionMin, kPositionMax);
  Copies = std::clamp(Copies, kCopiesMin, kCopiesMax);
}

bool TStickerSettings::UsesList() const {
  return std::any_of(Lines.begin(), Lines.end(), [](const TStickerLine& l) { return l.Source == ssList; });
}

QString StickerSeparator(int aIndex) {
  static const char* const kSeparators[] = {";", ":", ".", ",", "\r\n", "\t", ""};
  return QString::fromLatin1(kSeparators[std::clamp(aIndex, 0, 6)]);
}

QStringList StickerSeparatorCaptions() {
  return {QStringLiteral(";"),          QStringLiteral(":"),   QStringLiteral("."),  QStringLiteral(","),
          QStringLiteral("Пер.строки"), QStringLiteral("Таб"), QStringLiteral("Нет")};
}

QStringList StickerSourceCaptions() {
  return {QStringLiteral("Пусто"),      QStringLiteral("ID"),           QStringLiteral("IMEI"),
          QStringLiteral("ICCID1"),     QStringLiteral("ICCID2"),       QStringLiteral("MAC"),
          QStringLiteral("DeviceVer"),  QStringLiteral("DeviceSubVer"), QStringLiteral("DeviceName"),
          QStringLiteral("DeviceSOFT"), QStringLiteral("ID_HEX"),       QStringLiteral("WiFiAC"),
          QStringLiteral("Текст"),      QStringLiteral("Из списка")};
}

QStringList StickerQRLevels() {
  return {QStringLiteral("L"), QStringLiteral("M"), QStringLiteral("Q"), QStringLiteral("H")};
}

QString CleanCaption(const QString& aText) {
  QString out = aText;
  out.remove(QLatin1Char(';'));
  out.remove(QLatin1Char('\r'));
  out.remove(QLatin1Char('\n'));
  return out;
}

bool CaptionAcceptable(const QString& aText) {
  return !aText.contains(QLatin1Char(';')) && !aText.contains(QLatin1Char('\r')) &&
         !aText.contains(QLatin1Char('\n'));
}

QString StickerSourceValue(const TStickerLine& aLine, const TDeviceData& aData, const QString* aListItem) {
  switch (aLine.Source) {
  case ssID:
    return aData.ID;
  case ssIMEI:
    return aData.IMEI;
  case ssICCID1:
    return aData.ICCID1;
  case ssICCID2:
    return aData.ICCID2;
  case ssMAC:
    return aData.MAC;
  case ssDeviceVer:
    return aData.DeviceVer;
  case ssDeviceSubVer:
    return aData.DeviceSubVer;
  case ssDeviceName:
    return aData.DeviceName;
  case ssDeviceSOFT:
    return aData.DeviceSOFT;
  case ssIDHex:
    return aData.ID_HEX;
  case ssWiFiAC:
    return aData.WiFiAC;
  case ssText:
    return aLine.CustomText;
  case ssList:
    return aListItem ? *aListItem : QString();
  default:
    return {};
  }
}

QString StickerCaptioned(const TStickerLine& aLine, const QString& aValue, bool aUseCaption) {
  const bool takesCaption = (aLine.Source >= ssID && aLine.Source <= ssWiFiAC) || aLine.Source == ssList;
  if (!aUseCaption || !takesCaption)
    return aValue;
  const QString& caption = aLine.CustomText;
  if (!caption.isEmpty() && caption.front() == QLatin1Char(' '))
    return aValue + caption;
  return caption + aValue;
}

TStickerTexts ComposeSticker(const TStickerSettings& aSettings, const TDeviceData& aData,
                             const QString* aListItem) {
  TStickerTexts out;
  QStringList qr;
  for (int i = 0; i < kStickerLines; ++i) {
    const TStickerLine& l = aSettings.Lines[size_t(i)];
    const QString value = StickerSourceValue(l, aData, aListItem);
    if (l.ShowText)
      out.Lines[size_t(i)] = StickerCaptioned(l, value, l.Caption);
    if (l.InQR)
      qr << StickerCaptioned(l, value, l.CaptionInQR);
  }
  out.QR = qr.join(StickerSeparator(aSettings.Separator));
  return out;
}

TDeviceData SampleDeviceData() {
  TDeviceData d;
  d.ID = QStringLiteral("000000");
  d.IMEI = QStringLiteral("000000000000000");
  d.ICCID1 = QStringLiteral("0000000000000000000");
  d.ICCID2 = d.ICCID1;
  d.MAC = QStringLiteral("FFFFFFFFFFFF");
  d.DeviceVer = QStringLiteral("0");
  d.DeviceSubVer = QStringLiteral("0");
  d.DeviceName = QStringLiteral("ABC");
  d.DeviceSOFT = QStringLiteral("0.00");
  d.ID_HEX = QStringLiteral("000000");
  d.WiFiAC = QStringLiteral("ABC_123");
  return d;
}
