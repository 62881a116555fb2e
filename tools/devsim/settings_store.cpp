#include "settings_store.h"

#include "updates/crypto/checksums.h"

#include <span>

namespace {

// Settings of a tracker without a carried schema.
constexpr TSimSetting kGeneric[] = {
    {1, 1, 1, nullptr},    {2, 2, 30, nullptr}, {3, 4, 20144, nullptr}, {4, 0, 0, "gw1.example.net"},
    {6, 0, 0, "internet"}, {7, 1, 0, nullptr},  {10, 2, 120, nullptr},
};

// Type 305: wake-up sources, sleep conditions, schedule days, indication and system flags are
// bits of 49152-49156; lists are one byte each.
constexpr TSimSetting k305[] = {
    {49152, 2, 0x0013, nullptr}, {49153, 1, 0x03, nullptr},  {49154, 1, 0x1F, nullptr},
    {49155, 2, 0x0007, nullptr}, {49156, 1, 0x01, nullptr},  {49170, 1, 1, nullptr},
    {49171, 1, 1, nullptr},      {49172, 1, 0, nullptr},     {49173, 1, 1, nullptr},
    {49174, 4, 3600, nullptr},   {49175, 2, 5, nullptr},     {49180, 1, 1, nullptr},
    {49181, 1, 0, nullptr},      {49182, 1, 0, nullptr},     {49183, 1, 1, nullptr},
    {49184, 2, 300, nullptr},    {49185, 2, 60, nullptr},    {49190, 1, 0, nullptr},
    {49191, 1, 1, nullptr},      {49192, 1, 8, nullptr},     {49193, 1, 30, nullptr},
    {49194, 2, 540, nullptr},    {49200, 1, 2, nullptr},     {49201, 1, 1, nullptr},
    {49202, 1, 2, nullptr},      {49203, 1, 1, nullptr},     {49204, 1, 1, nullptr},
    {49205, 1, 0, nullptr},      {49206, 1, 80, nullptr},    {49207, 1, 0xFE, nullptr}, // -2 °C
    {49210, 1, 0, nullptr},      {49211, 1, 0, nullptr},     {49212, 1, 2, nullptr},
    {49213, 1, 1, nullptr},      {49214, 2, 20144, nullptr}, {49215, 4, 60, nullptr},
};

constexpr TSimSetting k306[] = {
    {49152, 1, 1, nullptr}, {49153, 1, 0, nullptr}, {49154, 2, 50, nullptr}, {49160, 1, 0x03, nullptr},
    {49161, 1, 1, nullptr}, {49170, 1, 1, nullptr}, {49171, 2, 10, nullptr}, {49180, 4, 60, nullptr},
};

std::span<const TSimSetting> TableOf(int aType) {
  if (aType == 305)
    return k305;
  if (aType == 306)
    return k306;
  return kGeneric;
}

QByteArray Bytes(qint64 aValue, int aWidth, bool aBigEndian) {
  QByteArray bytes(aWidth, '\0');
  for (int i = 0; i < aWidth; ++i)
    bytes[i] = static_cast<char>((aValue >> (8 * (aBigEndian ? aWidth - 1 - i : i))) & 0xFF);
  return bytes;
}

} // namespace

QMap<int, QByteArray> FactorySettings(int aType, bool aBigEndian) {
  QMap<int, QByteArray> out;
  for (const TSimSetting& s : TableOf(aType))
    out[s.Number] = s.Width == 0 ? QByteArray(s.Text) : Bytes(s.Value, s.Width, aBigEndian);
  return out;
}

int SettingWidth(int aType, int aNumber) {
  if (aType != 305 && aType != 306)
    return -1;
  for (const TSimSetting& s : TableOf(aType))
    if (s.Number == aNumber)
      return s.Width;
  return -1;
}

bool ParseCorruptImage(const QString& aText, TCorruptImage* aKind) {
  static const struct {
    const char* Name;
    TCorruptImage Kind;
  } kinds[] = {{"crc", ciBadCrc}, {"short", ciTooShort}, {"overrun", ciOverrun}, {"base64", ciNotBase64}};
  for (const auto& k : kinds)
    if (aText == QLatin1String(k.Name)) {
      *aKind = k.Kind;
      return true;
    }
  return false;
}

QByteArray CorruptedImageText(const QByteArray& aImage, int aLayout, TCorruptImage aKind) {
  QByteArray image = aImage;
  switch (aKind) {
  case ciBadCrc:
    image[aLayout == 1 ? 2 : image.size() - 1] ^= 0x5A; // one CRC byte
    break;
  case ciTooShort:
    image = aLayout == 1 ? QByteArray("\x00\x00", 2) : QByteArray("\x01\x00", 2);
    break;
  case ciOverrun: {
    // One entry whose length runs past the end, under a valid header and CRC.
    const QByteArray entry =
        aLayout == 1 ? QByteArray("\x23\x07\x09\x01", 4) : QByteArray("\x07\x00\x09\x01", 4);
    if (aLayout == 1) {
      image = QByteArray(4, '\0') + entry;
      image[1] = static_cast<char>(entry.size());
      const quint16 crc = Crc16(image, 4, int(image.size()) - 1);
      image[2] = static_cast<char>(crc >> 8);
      image[3] = static_cast<char>(crc & 0xFF);
    } else {
      image = QByteArray("\x01", 1) + QByteArray(1, char(entry.size())) + QByteArray(1, '\0') + entry +
              QByteArray(2, '\0');
      const quint16 crc = Crc16(image, 0, int(image.size()) - 3);
      image[image.size() - 2] = static_cast<char>(crc >> 8);
      image[image.size() - 1] = static_cast<char>(crc & 0xFF);
    }
    break;
  }
  case ciNotBase64:
    return "not*base64!";
  case ciNone:
    break;
  }
  return Base64Encode(image).toLatin1();
}
