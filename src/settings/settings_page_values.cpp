#include "settings/settings_page_values.h"

#include "updates/crypto/checksums.h"

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
  if (text.isEmpty() || text == QLatin1String("-") || text == QLatin1String("+"))
    return QString();
  const QString q = Quoted(aCaption, true);
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

TSettingsPageValues::TApplied TSettingsPageValues::ApplyImage(int aLayout, const QString& aBase64) {
  TApplied out;
  bool decoded = false;
  const QByteArray image = Base64Decode(aBase64.trimmed(), &decoded);
  const TDecodedImage checked = decoded ? DecodeSettingsImage(aLayout, image) : TDecodedImage();
  if (!checked.Valid)
    return out;
  out.Valid = true;
  const TAppliedImage applied = ApplySettingsEntries(aLayout, FRows, checked.Entries);
  for (const TRowAssignment& a : applied.Assignments) {
    TSlot& slot = FSlots[a.Row];
    if (!slot.HasEditor)
      continue;
    slot.Value = a.Value;
    slot.IsSet = true;
    ++out.Given;
  }
  out.HasPassword = applied.HasPassword;
  out.Password = applied.Password;
  out.Errors = applied.Errors;
  if (checked.Truncated)
    out.Errors.append({checked.TruncatedNumber, QStringLiteral("the entry runs past the end of the image")});
  return out;
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
    v.Value = ok ? value : qint64(0);
    v.HasValue = true;
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
  return BuildSettingsImage(aLayout, FRows, [this](const TSetting& aRow) { return ValueOf(aRow); });
}

QString TSettingsPageValues::ShownText(int aRow) const {
  return aRow >= 0 && aRow < FSlots.size() ? ValueText(FSlots.at(aRow).Value) : QString();
}

bool TSettingsPageValues::HoldsValue(int aRow) const {
  return aRow >= 0 && aRow < FSlots.size() && FSlots.at(aRow).HasEditor && FSlots.at(aRow).IsSet;
}

std::optional<QPair<int, QString>> TSettingsPageValues::FirstError(const TTranslateFn& aTranslate) const {
  for (qsizetype i = 0; i < FRows.size(); ++i) {
    const TSlot& slot = FSlots.at(i);
    if (!slot.HasEditor || !slot.IsSet)
      continue;
    const TSetting& row = FRows.at(i);
    const TControlShape& shape = FShapes.at(i);
    const QVariant min = shape.Min ? QVariant(*shape.Min) : QVariant();
    const QVariant max = shape.Max ? QVariant(*shape.Max) : QVariant();
    const QString caption = aTranslate(row.TextBefore);
    QString message;
    if (row.Control == ckString)
      message = CheckStringSetting(row.Number, ValueText(slot.Value), caption, min, max, aTranslate);
    else if (row.Control == ckInteger)
      message = CheckIntegerSetting(ValueText(slot.Value), caption, min, max, aTranslate);
    if (!message.isEmpty())
      return QPair<int, QString>(row.Number, message);
  }
  return std::nullopt;
}
