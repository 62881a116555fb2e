#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// What the simulated tracker keeps in its settings: per setting number the value bytes exactly as
// they travel in the image. For the types whose settings schema the program carries (305, 306)
// the numbers and widths are those of the schema, with plausible factory values.
struct TSimSetting {
  int Number;
  int Width; // bytes of an integer; 0 for text
  qint64 Value;
  const char* Text;
};

// The factory settings of a device type (without the password, which the options give).
QMap<int, QByteArray> FactorySettings(int aType, bool aBigEndian);
// The width a setting must have on this type; -1 when the type does not fix one.
int SettingWidth(int aType, int aNumber);

// Ways the simulator can spoil the settings image it sends, for tests of the receiving side.
enum TCorruptImage { ciNone, ciBadCrc, ciTooShort, ciOverrun, ciNotBase64 };
// Parses the --corrupt-settings option: "crc", "short", "overrun", "base64"; false for others.
bool ParseCorruptImage(const QString& aText, TCorruptImage* aKind);
// The SF value (without quotes) for aImage spoiled as aKind says.
QByteArray CorruptedImageText(const QByteArray& aImage, int aLayout, TCorruptImage aKind);
