#pragma once

#include "settings/settings_model.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>
#include <functional>

// The settings image: a header, one entry per setting number and a CRC-16, in one of two layouts
// chosen by the device type's settings version (1: one-byte numbers, big-endian; 2: two-byte
// numbers, little-endian).

inline constexpr int kPasswordSetting = 5;
// The second layout keeps the password under this number as well.
inline constexpr int kPasswordSetting2 = 0x5400;

// What the page holds for one row when the image is built.
struct TRowValue {
  // The row's element exists on the page (found by the row's alias).
  bool Found = false;
  bool IsSet = false;
  // False when the element has no value to give (a list without selection).
  bool HasValue = false;
  QVariant Value;
};

struct TImageEntry {
  int Number = 0;
  QByteArray Value;
};

// Value bytes by setting number, as the device sent them.
using TImageEntries = QMap<int, QByteArray>;
TImageEntries EntriesByNumber(const QList<TImageEntry>& aEntries);

struct TBuiltImage {
  QByteArray Image;
  int Entries = 0;
  // A value its storage cannot hold: nothing is built, and this row names the setting.
  int RefusedRow = -1;
  bool Refused() const { return RefusedRow >= 0; }
};

// Builds the image of the rows' values; numbers 1-255 in layout 1, 1-65535 in layout 2. Only
// settings whose element is set are written. Every value starts from the device's own bytes
// (aDevice): flag rows set or clear their own bits and leave the others, a list without a
// selection keeps the device's value, and a value the page leaves as the device sent it goes back
// byte for byte. An empty image (layout neither 1 nor 2) when nothing can be built.
TBuiltImage BuildSettingsImage(int aLayout, const QList<TSetting>& aRows,
                               const std::function<TRowValue(const TSetting&)>& aValueOf,
                               const TImageEntries& aDevice = {});

struct TDecodedImage {
  // The header and CRC check passed; when false nothing may be applied.
  bool Valid = false;
  QList<TImageEntry> Entries;
  // An entry that runs past the image ended the walk; the entries before it are kept.
  bool Truncated = false;
  int TruncatedNumber = 0;
};

// Checks the image and walks its entries without reading past its end.
TDecodedImage DecodeSettingsImage(int aLayout, const QByteArray& aImage);

struct TRowAssignment {
  int Row = 0;
  QVariant Value;
};

struct TAppliedImage {
  QList<TRowAssignment> Assignments;
  // The password the image carried (number 5, or 21504 in layout 2), when it had one.
  bool HasPassword = false;
  QString Password;
  // Entries that could not be given to their rows: setting number and what was wrong.
  QList<QPair<int, QString>> Errors;
};

// The values each row gets from the entries. An entry whose length is not its row's width leaves
// that row without a value.
TAppliedImage ApplySettingsEntries(int aLayout, const QList<TSetting>& aRows,
                                   const QList<TImageEntry>& aEntries);

// Value bytes of one entry by storage type; empty (and aOk false) for a value that cannot be stored
// whole: an integer outside what its width holds is refused, never cut to it.
QByteArray EncodeSettingValue(int aLayout, quint16 aVarType, const QVariant& aValue, bool* aOk);
// The value of one entry; invalid when its length does not fit the type.
QVariant DecodeSettingValue(int aLayout, quint16 aVarType, const QByteArray& aBytes, QString* aError);

// The longest Base64 text an image can have (layout 2 with the largest length field).
inline constexpr qsizetype kMaxImageBase64 = ((65535 + 5 + 2) / 3) * 4;
