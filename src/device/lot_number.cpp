#include "device/lot_number.h"

#include "platform/registry.h"

namespace {

const QString kParam = QStringLiteral("Param");
const QString kLotNumber = QStringLiteral("LotNumber");
// FFFF is what an erased lot field reads as; it never names a lot.
constexpr uint kNoLot = 0xFFFF;

} // namespace

quint16 TLotNumber::Value() const {
  bool ok = false;
  const qint64 value = FRegistry.Read(kParam, kLotNumber).toString().toLongLong(&ok);
  return ok && value > 0 && value <= 0xFFFF ? quint16(value) : 0;
}

QString TLotNumber::Text(quint16 aValue) {
  return QStringLiteral("%1").arg(aValue, 4, 16, QLatin1Char('0')).toUpper();
}

bool TLotNumber::Enter(const QString& aText) {
  const QString text = aText.trimmed();
  bool ok = false;
  const uint value = text.toUInt(&ok, 16);
  if (!ok || value >= kNoLot)
    return false;
  FConfirmed = true;
  FRegistry.Write(kParam, kLotNumber, int(value));
  FRegistry.Sync();
  return true;
}
