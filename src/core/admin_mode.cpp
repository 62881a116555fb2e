#include "core/admin_mode.h"

#include "platform/machine_identity.h"
#include "platform/registry.h"

namespace {

const QString kForms = QStringLiteral("Forms");
const QString kMarker = QStringLiteral("Param0");

// The administrator password, kept scrambled so that it does not read as text in the program.
constexpr char16_t kScrambledPassword[] = {0x51, 0x7D, 0x3F, 0x5B, 0x77, 0x3F, 0x5D, 0x87};

QString Shift(const QString& aText, int aSign) {
  QString out = aText;
  for (qsizetype i = 0; i < out.size(); ++i)
    out[i] = QChar(char16_t(out[i].unicode() + aSign * (i + 6)));
  return out;
}

} // namespace

QString AdminScramble(const QString& aText) {
  return Shift(aText, 1);
}

QString AdminUnscramble(const QString& aText) {
  return Shift(aText, -1);
}

TAdminMode::TAdminMode(TRegistry& aRegistry, const IMachineIdentity& aIdentity)
    : FRegistry(aRegistry), FIdentity(aIdentity) {}

void TAdminMode::Load(const QString& aParam0) {
  const QString serial = FIdentity.SerialNumber();
  FOn = !serial.isEmpty() && !aParam0.isEmpty() && AdminUnscramble(aParam0) == serial;
  FKept = FOn;
}

void TAdminMode::TurnOff() {
  FOn = false;
  FKept = false;
  FRegistry.DeleteValue(kForms, kMarker);
  FRegistry.Sync();
}

bool TAdminMode::Enter(const QString& aPassword) {
  const QString stored = QString::fromUtf16(kScrambledPassword, std::size(kScrambledPassword));
  if (AdminScramble(aPassword) != stored)
    return false;
  FOn = true;
  const QString serial = FIdentity.SerialNumber();
  FKept = !serial.isEmpty();
  if (FKept) {
    FRegistry.Write(kForms, kMarker, AdminScramble(serial));
    FRegistry.Sync();
  }
  return true;
}
