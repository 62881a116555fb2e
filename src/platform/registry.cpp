#include "platform/registry.h"

TRegistry::TRegistry() {
#ifdef Q_OS_WIN
  FSettings = std::make_unique<QSettings>(QStringLiteral("HKEY_CURRENT_USER\\Software\\Velmora"),
                                          QSettings::NativeFormat);
#else
  FSettings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                          QStringLiteral("Velmora"), QStringLiteral("Velmora"));
#endif
}

TRegistry::~TRegistry() = default;

QString TRegistry::Path(const QString& aKey, const QString& aName) {
  QString key = aKey;
  key.replace(QLatin1Char('\\'), QLatin1Char('/'));
  while (key.endsWith(QLatin1Char('/')))
    key.chop(1);
  return aName.isEmpty() ? key : key + QLatin1Char('/') + aName;
}

bool TRegistry::KeyExists(const QString& aKey) const {
  // A key without values cannot exist in the file form of the store.
  FSettings->beginGroup(Path(aKey, QString()));
  const bool any = !FSettings->allKeys().isEmpty();
  FSettings->endGroup();
  return any;
}

QVariant TRegistry::Read(const QString& aKey, const QString& aName, const QVariant& aDefault) const {
  return FSettings->value(Path(aKey, aName), aDefault);
}

bool TRegistry::ValueExists(const QString& aKey, const QString& aName) const {
  return FSettings->contains(Path(aKey, aName));
}

bool TRegistry::Write(const QString& aKey, const QString& aName, const QVariant& aValue) {
  qsizetype size = 0;
  switch (aValue.typeId()) {
  case QMetaType::QString:
    size = aValue.toString().size() * 2;
    break;
  case QMetaType::QByteArray:
    size = aValue.toByteArray().size();
    break;
  case QMetaType::QStringList:
    for (const QString& item : aValue.toStringList())
      size += item.size() * 2;
    break;
  default:
    break;
  }
  if (size > kMaxValueBytes) {
    qWarning("per-user value %s not written: %lld bytes", qPrintable(Path(aKey, aName)),
             static_cast<long long>(size));
    return false;
  }
  FSettings->setValue(Path(aKey, aName), aValue);
  return true;
}

void TRegistry::DeleteKey(const QString& aKey) {
  FSettings->remove(Path(aKey, QString()));
}

void TRegistry::DeleteValue(const QString& aKey, const QString& aName) {
  FSettings->remove(Path(aKey, aName));
}

QStringList TRegistry::ValueNames(const QString& aKey) const {
  FSettings->beginGroup(Path(aKey, QString()));
  const QStringList names = FSettings->childKeys();
  FSettings->endGroup();
  return names;
}

QStringList TRegistry::SubKeyNames(const QString& aKey) const {
  FSettings->beginGroup(Path(aKey, QString()));
  const QStringList names = FSettings->childGroups();
  FSettings->endGroup();
  return names;
}

void TRegistry::Sync() {
  FSettings->sync();
}
