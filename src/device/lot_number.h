#pragma once

#include <QString>
#include <QtGlobal>

class TRegistry;

// The production lot the factory flows register devices under: a 16-bit number kept in the
// per-user store ("Param\LotNumber"), and whether the user confirmed it during this run.
class TLotNumber {
public:
  explicit TLotNumber(TRegistry& aRegistry) : FRegistry(aRegistry) {}

  // The stored lot; 0 when there is none or what is stored is not a 16-bit number.
  quint16 Value() const;
  // Four upper-case hexadecimal digits.
  static QString Text(quint16 aValue);
  // Confirmed by the lot dialog since the program started.
  bool Confirmed() const { return FConfirmed; }

  // The dialog's answer: hexadecimal, 0 to FFFE. Taken: stored, confirmed, true. Anything else
  // changes nothing.
  bool Enter(const QString& aText);

private:
  TRegistry& FRegistry;
  bool FConfirmed = false;
};
