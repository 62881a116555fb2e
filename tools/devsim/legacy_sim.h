#pragma once

#include "sim_device.h"
#include "vehicle_model.h"

class TClock;

// A generation-2 tracker: it only talks, streaming binary records (position, time, modem, power,
// inputs and outputs) that begin with 55 AA, and ignores whatever it is sent.
class TLegacyTrackerSim : public TSimDevice {
public:
  static constexpr quint32 kPosition = 0x00010010;
  static constexpr quint32 kTime = 0x00020001;
  static constexpr quint32 kModem = 0x00020002;
  static constexpr quint32 kPower = 0x00030001;
  static constexpr quint32 kInputsOutputs = 0x00200009;

  explicit TLegacyTrackerSim(const TClock& aClock);

  QByteArray Feed(const QByteArray& aBytes) override;
  QByteArray Stream() override;

private:
  const TClock& FClock;
  TVehicleModel FVehicle;
  qint64 FStartMs;
};
