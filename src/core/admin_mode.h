#pragma once

#include <QString>

class IMachineIdentity;
class TRegistry;

// The character at position i moves up by i + 6 (16-bit arithmetic). Used for the administrator
// password and for the machine marker "Param0" kept under "Forms".
QString AdminScramble(const QString& aText);
QString AdminUnscramble(const QString& aText);

// The administrator mode: service functions of the settings dialog. It is tied to the machine: the
// marker stored when it is entered is this machine's identity, so the mode survives restarts here
// only. A machine without a readable identity can enter the mode for the run but cannot keep it.
class TAdminMode {
public:
  TAdminMode(TRegistry& aRegistry, const IMachineIdentity& aIdentity);

  bool On() const { return FOn; }
  // At start: on exactly when the stored marker unscrambles to this machine's identity.
  void Load(const QString& aParam0);
  // Off, and the marker deleted.
  void TurnOff();
  // Off without touching the store (the store was reset as a whole).
  void Forget() { FOn = false; }
  // The password typed by the user. On a match the mode goes on and the marker is stored when
  // the identity can be read; true then. A mismatch changes nothing.
  bool Enter(const QString& aPassword);
  // Whether the marker could be stored the last time the mode went on.
  bool Kept() const { return FKept; }

private:
  TRegistry& FRegistry;
  const IMachineIdentity& FIdentity;
  bool FOn = false;
  bool FKept = false;
};
