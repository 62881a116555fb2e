#pragma once

#include "settings/settings_image.h"
#include "settings/settings_model.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <functional>

// The checks a settings row's editor makes of its text; an empty result means valid. aCaption is
// the row's caption in the current language; aMin and aMax are the editor's bounds (invalid: none).
using TTranslateFn = std::function<QString(const QString&)>;
QString CheckStringSetting(int aNumber, const QString& aText, const QString& aCaption, const QVariant& aMin,
                           const QVariant& aMax, const TTranslateFn& aTranslate);
QString CheckIntegerSetting(const QString& aText, const QString& aCaption, const QVariant& aMin,
                            const QVariant& aMax, const TTranslateFn& aTranslate);

// An entry of a configuration file that cannot be taken: its setting number and why.
struct TEntryFault {
  int Number = 0;
  QString Reason;
};
// Every entry of a file checked against the rows that take it, before any is applied: its width,
// its value against the bounds and lists of the page (a value the device itself holds passes) and
// an entry running past the image's end. aHasEditor tells the rows the page gives an editor.
std::optional<TEntryFault> CheckFileEntries(int aLayout, const QList<TSetting>& aRows,
                                            const QList<TControlShape>& aShapes,
                                            const std::function<bool(int aRow)>& aHasEditor,
                                            const TDecodedImage& aFile, const TImageEntries& aDevice,
                                            const TTranslateFn& aTranslate);
// The message that refuses a whole file for one entry.
QString FileFaultText(const TEntryFault& aFault, const TTranslateFn& aTranslate);
// The message that refuses to write or save a value its storage cannot hold.
QString RefusedValueText(const TSetting& aRow, const TTranslateFn& aTranslate);

// What a settings page holds for a device type, without the page: each row that the page would
// give an editor keeps what its editor would keep, so that an image read, opened, checked and
// built here is byte for byte the one the window builds from the same input.
class TSettingsPageValues {
public:
  TSettingsPageValues() = default;
  explicit TSettingsPageValues(const TSettingsModel& aModel);

  const QList<TSetting>& Rows() const { return FRows; }
  bool Empty() const { return FRows.isEmpty(); }

  struct TApplied {
    // Base64, header and CRC were good; nothing is applied otherwise.
    bool Valid = false;
    // Rows with an editor that took a value.
    int Given = 0;
    bool HasPassword = false;
    QString Password;
    // Entries that could not be taken (and one that ran past the image's end): number and reason.
    QList<QPair<int, QString>> Errors;
    // A configuration file refused whole for this entry; nothing was applied.
    std::optional<TEntryFault> Fault;
  };
  // The device's answer put on the page: what it holds becomes the device's own values, where
  // every value written starts.
  TApplied ApplyDeviceImage(int aLayout, const QString& aBase64);
  // An image put on the page as it is, unchecked (what a file would show beside the device's).
  TApplied ApplyImage(int aLayout, const QString& aBase64);
  // A configuration file put on the page, whole or not at all: every entry is checked first.
  TApplied ApplyFile(int aLayout, const QString& aBase64, const TTranslateFn& aTranslate);
  // The image of what the page holds, as the write button and the save button build it.
  TBuiltImage Build(int aLayout) const;
  // The first failed check of a row that holds a value other than the device's own: number and
  // message; none when all pass.
  std::optional<QPair<int, QString>> FirstError(const TTranslateFn& aTranslate) const;
  // The value the row's editor shows, as text (empty when it holds none).
  QString ShownText(int aRow) const;
  // The row has an editor and was given a value.
  bool HoldsValue(int aRow) const;
  // The row holds the value the device sent, and it lies outside the page's bounds or list.
  bool HoldsOwnValueOutside(int aRow, const TTranslateFn& aTranslate) const;
  const TImageEntries& DeviceEntries() const { return FDevice; }

private:
  struct TSlot {
    bool HasEditor = false;
    bool IsSet = false;
    QVariant Value;
    // What the device sent for the row; invalid before its first answer.
    QVariant DeviceValue;
  };
  TRowValue ValueOf(const TSetting& aRow) const;
  int EditorOf(const QString& aAlias) const;
  TApplied Apply(int aLayout, const TDecodedImage& aImage, bool aFromDevice);
  QString CheckRow(int aRow, const TTranslateFn& aTranslate) const;

  QList<TSetting> FRows;
  QList<TControlShape> FShapes;
  QList<TSlot> FSlots;
  TImageEntries FDevice;
};
