#include "settings/settings_page_values.h"

#include "updates/crypto/checksums.h"

#include <QHash>
#include <algorithm>

namespace {

bool IsEmptyValue(const QVariant& aValue) {
  return !aValue.isValid() || aValue.isNull();
}

QString ValueText(const QVariant& aValue) {
  return IsEmptyValue(aValue) ? QString() : aValue.toString();
}

QString Quoted(const QString& aCaption, bool aAlways) {
  if (aCaption.isEmpty() && !aAlways)
    return QString();
  return QStringLiteral(" \"") + aCaption + QLatin1Char('"');
}

bool IsEditorKind(qint32 aControl) {
  return aControl == ckString || aControl == ckInteger || aControl == ckFlag || aControl == ckList ||
         aControl == ckButton;
}

} // namespace

QString CheckStringSetting(int aNumber, const QString& aText, const QString& aCaption, const QVariant& aMin,
                           const QVariant& aMax, const TTranslateFn& aTranslate) {
  const qsizetype n = aText.size();
  if (aNumber == kPasswordSetting)
    return n != 0 && n != 6 ? aTranslate(QStringLiteral("mes_passwordlength")) : QString();
  const QString q = Quoted(aCaption, false);
  if (aMin.isValid() && n < aMin.toLongLong())
    return aTranslate(QStringLiteral("mes_valueminlength")) + q + QStringLiteral(": ") + aMin.toString();
  if (aMax.isValid() && n > aMax.toLongLong())
    return aTranslate(QStringLiteral("mes_valuemaxlength")) + q + QStringLiteral(": ") + aMax.toString();
  return QString();
}

QString CheckIntegerSetting(const QString& aText, const QString& aCaption, const QVariant& aMin,
                            const QVariant& aMax, const TTranslateFn& aTranslate) {
  const QString text = aText.trimmed();
  const QString q = Quoted(aCaption, true);
  // Nothing, or a sign without digits, is no value: it must never go out as 0.
  if (text.isEmpty())
    return aTranslate(QStringLiteral("mes_valueempty")) + q;
  bool ok = false;
  const qint64 value = text.toLongLong(&ok);
  if (!ok)
    return aTranslate(QStringLiteral("mes_valuechar")) + q;
  if (aMin.isValid() && value < aMin.toLongLong())
    return aTranslate(QStringLiteral("mes_valuemin")) + q + QStringLiteral(": ") + aMin.toString();
  if (aMax.isValid() && value > aMax.toLongLong())
    return aTranslate(QStringLiteral("mes_valuemax")) + q + QStringLiteral(": ") + aMax.toString();
  return QString();
}

TSettingsPageValues::TSettingsPageValues(const TSettingsModel& aModel)
    : FRows(aModel.Rows), FShapes(aModel.Controls), FSlots(aModel.Rows.size()) {
  // Only rows placed in a sub-section get an editor on the page.
  for (const TSchemaSection& section : aModel.Sections)
    for (const TSchemaSubSection& sub : section.SubSections)
      for (int index : sub.Rows)
        if (index >= 0 && index < FRows.size() && IsEditorKind(FRows.at(index).Control))
          FSlots[index].HasEditor = true;
}

int TSettingsPageValues::EditorOf(const QString& aAlias) const {
  // The page finds an element by its ident, ignoring case; the first one placed answers.
  for (qsizetype i = 0; i < FRows.size(); ++i)
    if (FSlots.at(i).HasEditor && FRows.at(i).Alias.compare(aAlias, Qt::CaseInsensitive) == 0)
      return int(i);
  return -1;
}

TSettingsPageValues::TApplied TSettingsPageValues::Apply(int aLayout, const TDecodedImage& aImage,
                                                         bool aFromDevice) {
  TApplied out;
  out.Valid = true;
  const TAppliedImage applied = ApplySettingsEntries(aLayout, FRows, aImage.Entries);
  for (const TRowAssignment& a : applied.Assignments) {
    TSlot& slot = FSlots[a.Row];
    if (!slot.HasEditor)
      continue;
    slot.Value = a.Value;
    slot.IsSet = true;
    if (aFromDevice)
      slot.DeviceValue = a.Value;
    ++out.Given;
  }
  out.HasPassword = applied.HasPassword;
  out.Password = applied.Password;
  out.Errors = applied.Errors;
  if (aImage.Truncated)
    out.Errors.append({aImage.TruncatedNumber, QStringLiteral("the entry runs past the end of the image")});
  return out;
}

namespace {

TDecodedImage DecodeText(int aLayout, const QString& aBase64) {
  bool decoded = false;
  const QByteArray image = Base64Decode(aBase64.trimmed(), &decoded);
  return decoded ? DecodeSettingsImage(aLayout, image) : TDecodedImage();
}

} // namespace

TSettingsPageValues::TApplied TSettingsPageValues::ApplyImage(int aLayout, const QString& aBase64) {
  const TDecodedImage checked = DecodeText(aLayout, aBase64);
  return checked.Valid ? Apply(aLayout, checked, false) : TApplied();
}

TSettingsPageValues::TApplied TSettingsPageValues::ApplyDeviceImage(int aLayout, const QString& aBase64) {
  const TDecodedImage checked = DecodeText(aLayout, aBase64);
  if (!checked.Valid)
    return TApplied();
  FDevice = EntriesByNumber(checked.Entries);
  return Apply(aLayout, checked, true);
}

TSettingsPageValues::TApplied TSettingsPageValues::ApplyFile(int aLayout, const QString& aBase64,
                                                             const TTranslateFn& aTranslate) {
  const TDecodedImage checked = DecodeText(aLayout, aBase64);
  if (!checked.Valid)
    return TApplied();
  TApplied out;
  out.Fault = CheckFileEntries(
      aLayout, FRows, FShapes, [this](int aRow) { return FSlots.at(aRow).HasEditor; }, checked, FDevice,
      aTranslate);
  if (out.Fault) {
    out.Valid = true;
    return out;
  }
  return Apply(aLayout, checked, false);
}

TRowValue TSettingsPageValues::ValueOf(const TSetting& aRow) const {
  TRowValue v;
  const int index = EditorOf(aRow.Alias);
  if (index < 0)
    return v;
  const TSlot& slot = FSlots.at(index);
  const TSetting& row = FRows.at(index);
  v.Found = true;
  v.IsSet = slot.IsSet;
  // What each editor gives back of the value it was given.
  switch (row.Control) {
  case ckString:
    v.Value = ValueText(slot.Value);
    v.HasValue = true;
    break;
  case ckInteger: {
    bool ok = false;
    const qint64 value = ValueText(slot.Value).trimmed().toLongLong(&ok);
    v.Value = value;
    v.HasValue = ok;
    break;
  }
  case ckFlag:
    v.Value = qint64(!IsEmptyValue(slot.Value) && slot.Value.toString() == QLatin1String("1") ? 1 : 0);
    v.HasValue = true;
    break;
  case ckList: {
    bool ok = false;
    const qint64 wanted = IsEmptyValue(slot.Value) ? 0 : slot.Value.toLongLong(&ok);
    for (const auto& item : FShapes.at(index).Items)
      if (ok && item.first == wanted) {
        v.Value = qint64(item.first);
        v.HasValue = true;
        break;
      }
    break;
  }
  default:
    v.Value = slot.Value;
    v.HasValue = slot.Value.isValid();
    break;
  }
  return v;
}

TBuiltImage TSettingsPageValues::Build(int aLayout) const {
  return BuildSettingsImage(
      aLayout, FRows, [this](const TSetting& aRow) { return ValueOf(aRow); }, FDevice);
}

QString TSettingsPageValues::ShownText(int aRow) const {
  return aRow >= 0 && aRow < FSlots.size() ? ValueText(FSlots.at(aRow).Value) : QString();
}

bool TSettingsPageValues::HoldsValue(int aRow) const {
  return aRow >= 0 && aRow < FSlots.size() && FSlots.at(aRow).HasEditor && FSlots.at(aRow).IsSet;
}

QString TSettingsPageValues::CheckRow(int aRow, const TTranslateFn& aTranslate) const {
  const TSlot& slot = FSlots.at(aRow);
  const TSetting& row = FRows.at(aRow);
  const TControlShape& shape = FShapes.at(aRow);
  const QVariant min = shape.Min ? QVariant(*shape.Min) : QVariant();
  const QVariant max = shape.Max ? QVariant(*shape.Max) : QVariant();
  const QString caption = aTranslate(row.TextBefore);
  if (row.Control == ckString)
    return CheckStringSetting(row.Number, ValueText(slot.Value), caption, min, max, aTranslate);
  if (row.Control == ckInteger)
    return CheckIntegerSetting(ValueText(slot.Value), caption, min, max, aTranslate);
  if (row.Control == ckList && !ValueOf(row).HasValue)
    return aTranslate(QStringLiteral("mes_entrynotinlist")) + Quoted(caption, true) + QStringLiteral(": ") +
           ValueText(slot.Value);
  return QString();
}

bool TSettingsPageValues::HoldsOwnValueOutside(int aRow, const TTranslateFn& aTranslate) const {
  if (!HoldsValue(aRow))
    return false;
  const TSlot& slot = FSlots.at(aRow);
  return slot.DeviceValue.isValid() && ValueText(slot.DeviceValue) == ValueText(slot.Value) &&
         !CheckRow(aRow, aTranslate).isEmpty();
}

std::optional<QPair<int, QString>> TSettingsPageValues::FirstError(const TTranslateFn& aTranslate) const {
  for (qsizetype i = 0; i < FRows.size(); ++i) {
    const TSlot& slot = FSlots.at(i);
    if (!slot.HasEditor || !slot.IsSet)
      continue;
    // The device's own value is kept as it is, whatever the page's bounds say.
    if (slot.DeviceValue.isValid() && ValueText(slot.DeviceValue) == ValueText(slot.Value))
      continue;
    const QString message = CheckRow(int(i), aTranslate);
    if (!message.isEmpty())
      return QPair<int, QString>(FRows.at(i).Number, message);
  }
  return std::nullopt;
}

std::optional<TEntryFault> CheckFileEntries(int aLayout, const QList<TSetting>& aRows,
                                            const QList<TControlShape>& aShapes,
                                            const std::function<bool(int aRow)>& aHasEditor,
                                            const TDecodedImage& aFile, const TImageEntries& aDevice,
                                            const TTranslateFn& aTranslate) {
  QHash<int, QList<int>> byNumber;
  for (qsizetype i = 0; i < aRows.size(); ++i)
    byNumber[aRows.at(i).Number].append(int(i));
  for (const TImageEntry& entry : aFile.Entries) {
    // The device's own bytes are taken back as they are.
    const auto device = aDevice.constFind(entry.Number);
    const bool own = device != aDevice.cend() && *device == entry.Value;
    for (int index : byNumber.value(entry.Number)) {
      const TSetting& row = aRows.at(index);
      if (!aHasEditor(index) || (row.VarType != varString && !VarTypeIsInteger(row.VarType)))
        continue;
      const QVariant value = DecodeSettingValue(aLayout, row.VarType, entry.Value, nullptr);
      if (!value.isValid())
        return TEntryFault{entry.Number, aTranslate(QStringLiteral("mes_entrywidth"))
                                             .arg(entry.Value.size())
                                             .arg(VarTypeWidth(row.VarType))};
      if (own)
        continue;
      const TControlShape& shape = aShapes.at(index);
      const QVariant min = shape.Min ? QVariant(*shape.Min) : QVariant();
      const QVariant max = shape.Max ? QVariant(*shape.Max) : QVariant();
      const QString caption = aTranslate(row.TextBefore);
      QString reason;
      if (row.Control == ckString) {
        reason = CheckStringSetting(row.Number, value.toString(), caption, min, max, aTranslate);
      } else if (row.Control == ckInteger) {
        reason = CheckIntegerSetting(value.toString(), caption, min, max, aTranslate);
      } else if (row.Control == ckList) {
        const qint64 wanted = value.toLongLong();
        if (std::none_of(shape.Items.cbegin(), shape.Items.cend(),
                         [wanted](const QPair<int, QString>& aItem) { return aItem.first == wanted; }))
          reason = aTranslate(QStringLiteral("mes_entrynotinlist")) + Quoted(caption, true) +
                   QStringLiteral(": ") + value.toString();
      }
      // A password refused is named as the file's, not taken for the device's.
      if (!reason.isEmpty() && (row.Number == kPasswordSetting || row.Number == kPasswordSetting2))
        reason = aTranslate(QStringLiteral("mes_filepassword")) + QStringLiteral(": ") + reason;
      if (!reason.isEmpty())
        return TEntryFault{entry.Number, reason};
    }
  }
  if (aFile.Truncated)
    return TEntryFault{aFile.TruncatedNumber, aTranslate(QStringLiteral("mes_entryoverrun"))};
  return std::nullopt;
}

QString FileFaultText(const TEntryFault& aFault, const TTranslateFn& aTranslate) {
  return aTranslate(QStringLiteral("mes_filedataerror")) + QLatin1Char(' ') +
         aTranslate(QStringLiteral("mes_fileentry")).arg(aFault.Number).arg(aFault.Reason);
}

QString RefusedValueText(const TSetting& aRow, const TTranslateFn& aTranslate) {
  return aTranslate(QStringLiteral("mes_valuenotstorable"))
      .arg(aRow.Number)
      .arg(Quoted(aTranslate(aRow.TextBefore), false));
}
