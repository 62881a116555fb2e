#include "device/custom_commands.h"

#include "platform/registry.h"

#include <QMap>

namespace {

const QString kRoot = QStringLiteral("CustomCommands");
const QString kCount = QStringLiteral("Count");
const QString kCommand = QStringLiteral("Command");

// Type codes fit a 32-bit number with room to spare.
constexpr qsizetype kMaxTypeDigits = 9;

QString TypeKey(const QString& aType) {
  return kRoot + QLatin1Char('\\') + aType;
}

} // namespace

bool TCustomCommandStore::IsTypeKey(const QString& aType) {
  if (aType.isEmpty() || aType.size() > kMaxTypeDigits)
    return false;
  for (const QChar c : aType) {
    if (c < u'0' || c > u'9')
      return false;
  }
  return true;
}

QStringList TCustomCommandStore::Entries(const QString& aType) const {
  if (!IsTypeKey(aType))
    return {};
  const QString key = TypeKey(aType);
  bool ok = false;
  const qint64 count = FRegistry.Read(key, kCount).toString().toLongLong(&ok);
  if (!ok || count <= 0)
    return {};
  // Walk the values that are there rather than counting up to "Count": a damaged count of
  // billions must not stall the window.
  QMap<qint64, QString> byIndex;
  for (const QString& name : FRegistry.ValueNames(key)) {
    if (!name.startsWith(kCommand))
      continue;
    const QString digits = name.mid(kCommand.size());
    bool isNumber = false;
    const qint64 index = digits.toLongLong(&isNumber);
    if (!isNumber || index < 0 || index >= count || QString::number(index) != digits)
      continue;
    const QString entry = FRegistry.Read(key, name).toString();
    if (!entry.isEmpty())
      byIndex.insert(index, entry);
  }
  return byIndex.values();
}

QStringList TCustomCommandStore::Load(const QString& aType) const {
  QStringList runnable;
  for (const QString& entry : Entries(aType)) {
    if (entry.contains(QLatin1Char('@')))
      runnable.append(entry);
  }
  return runnable;
}

bool TCustomCommandStore::Save(const QString& aType, const QStringList& aEntries) {
  if (!IsTypeKey(aType))
    return false;
  const QString key = TypeKey(aType);
  FRegistry.DeleteKey(key);
  FRegistry.Write(key, kCount, int(aEntries.size()));
  for (qsizetype i = 0; i < aEntries.size(); ++i)
    FRegistry.Write(key, kCommand + QString::number(i), aEntries.at(i));
  FRegistry.Sync();
  return true;
}

QList<TCustomCommandSet> TCustomCommandStore::All() const {
  QList<TCustomCommandSet> sets;
  for (const QString& type : FRegistry.SubKeyNames(kRoot)) {
    if (!IsTypeKey(type))
      continue;
    sets.append({type.toInt(), Entries(type)});
  }
  return sets;
}

void TCustomCommandStore::Clear() {
  FRegistry.DeleteKey(kRoot);
  FRegistry.Sync();
}
