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
  };
  // The device's answer or a configuration file put on the page.
  TApplied ApplyImage(int aLayout, const QString& aBase64);
  // The image of what the page holds, as the write button and the save button build it.
  TBuiltImage Build(int aLayout) const;
  // The first failed check of a row that holds a value: number and message; none when all pass.
  std::optional<QPair<int, QString>> FirstError(const TTranslateFn& aTranslate) const;
  // The value the row's editor shows, as text (empty when it holds none).
  QString ShownText(int aRow) const;
  // The row has an editor and was given a value.
  bool HoldsValue(int aRow) const;

private:
  struct TSlot {
    bool HasEditor = false;
    bool IsSet = false;
    QVariant Value;
  };
  TRowValue ValueOf(const TSetting& aRow) const;
  int EditorOf(const QString& aAlias) const;

  QList<TSetting> FRows;
  QList<TControlShape> FShapes;
  QList<TSlot> FSlots;
};
