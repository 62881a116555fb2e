#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>

// The per-user store of the program's state. Paths are the ones the program has always used,
// relative to "Software\Velmora\" ("Forms", "InputHistory", "CustomCommands", …). On Windows this
// is exactly that registry key; elsewhere it is the native per-user configuration file.
class TRegistry {
public:
  TRegistry();
  ~TRegistry();

  bool KeyExists(const QString& aKey) const;
  QVariant Read(const QString& aKey, const QString& aName, const QVariant& aDefault = QVariant()) const;
  bool ValueExists(const QString& aKey, const QString& aName) const;
  // Every start reads the whole store: a value above kMaxValueBytes (as text or bytes) is not
  // written, and false says so. The program's own values are far below it.
  static constexpr qsizetype kMaxValueBytes = 256 * 1024;
  bool Write(const QString& aKey, const QString& aName, const QVariant& aValue);
  void DeleteKey(const QString& aKey);
  void DeleteValue(const QString& aKey, const QString& aName);
  QStringList ValueNames(const QString& aKey) const;
  // The keys directly under aKey, in the store's order.
  QStringList SubKeyNames(const QString& aKey) const;
  void Sync();

private:
  static QString Path(const QString& aKey, const QString& aName);
  std::unique_ptr<QSettings> FSettings;
};
