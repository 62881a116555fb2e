#pragma once

#include "device/command_table.h"

#include <QList>
#include <QString>
#include <QStringList>

class TRegistry;

// The user's own commands, kept per device type under "CustomCommands\<type>\" as the number
// "Count" and the texts "Command0", "Command1", … each "name@text to send".
class TCustomCommandStore {
public:
  explicit TCustomCommandStore(TRegistry& aRegistry) : FRegistry(aRegistry) {}

  // A type the commands may be kept under: a non-negative decimal number. Anything else, above
  // all an empty text, would address the parent key and with it every type's commands.
  static bool IsTypeKey(const QString& aType);

  // Every non-empty entry stored for the type, in order, "@" or not. Only the values that exist
  // are read, whatever "Count" claims.
  QStringList Entries(const QString& aType) const;
  // The entries that can be run: those holding "@".
  QStringList Load(const QString& aType) const;
  // Replaces the type's entries. Refused (false, nothing touched) for a type that is not a key.
  bool Save(const QString& aType, const QStringList& aEntries);
  // The stored entries of every type that is a key, in the store's order.
  QList<TCustomCommandSet> All() const;
  // Removes every type's commands.
  void Clear();

private:
  TRegistry& FRegistry;
};
