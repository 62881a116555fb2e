#include "settings/input_history.h"

#include "platform/registry.h"

namespace {
QString Key(const QString& aGroup) {
  return QStringLiteral("InputHistory\\") + aGroup;
}
} // namespace

QString TInputHistory::ExtractHistoryKey(const QString& aCaptionKey) {
  QString rest;
  if (aCaptionKey.startsWith(QLatin1String("setting_view."), Qt::CaseInsensitive))
    rest = aCaptionKey.mid(13);
  else if (aCaptionKey.startsWith(QLatin1String("parameter."), Qt::CaseInsensitive))
    rest = aCaptionKey.mid(10);
  else
    return QString();
  for (qsizetype i = 0; i < rest.size(); ++i)
    if (rest.at(i) == QLatin1Char('-') || rest.at(i) == QLatin1Char('.')) {
      rest.truncate(i);
      break;
    }
  return rest.trimmed();
}

QString TInputHistory::GroupOf(const QString& aHistoryKey, int aSetting) {
  if (!aHistoryKey.isEmpty())
    return aHistoryKey;
  return aSetting >= 1 ? QString::number(aSetting) : QString();
}

void TInputHistory::Load() {
  FValues.clear();
  if (FGroup.isEmpty())
    return;
  for (int i = 0; i < kMaxEntries; ++i) {
    const QString value = FRegistry.Read(Key(FGroup), QString::number(i)).toString();
    if (!value.isEmpty() && !FValues.contains(value))
      FValues.append(value);
  }
}

void TInputHistory::Add(const QString& aText) {
  const QString text = aText.trimmed();
  if (FGroup.isEmpty() || text.isEmpty())
    return;
  if (FValues.isEmpty())
    Load();
  FValues.removeAll(text);
  FValues.prepend(text);
  while (FValues.size() > kMaxEntries)
    FValues.removeLast();
  Save();
}

void TInputHistory::Delete(int aIndex) {
  if (aIndex < 0 || aIndex >= FValues.size())
    return;
  FValues.removeAt(aIndex);
  Save();
}

QStringList TInputHistory::Matching(const QString& aFilter) const {
  const QString filter = aFilter.trimmed();
  if (filter.isEmpty())
    return FValues;
  QStringList out;
  for (const QString& v : FValues)
    if (v.contains(filter, Qt::CaseInsensitive))
      out.append(v);
  return out;
}

void TInputHistory::Save() {
  for (int i = 0; i < kMaxEntries; ++i)
    FRegistry.DeleteValue(Key(FGroup), QString::number(i));
  for (int i = 0; i < FValues.size(); ++i)
    FRegistry.Write(Key(FGroup), QString::number(i), FValues.at(i));
}
