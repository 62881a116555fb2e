#pragma once

#include "sim_device.h"

// A generation-2 tracker that repeats one known set of records every tick, for tests and
// screenshots: position, time, modem, power and pins with fixed values, and the awkward ones a
// receiver must live with: a second position whose altitude is not a number (the first altitude
// stays), a power record cut short, and a record type nobody knows.
class TLegacyFixedSim : public TSimDevice {
public:
  QByteArray Feed(const QByteArray&) override { return {}; }
  QByteArray Stream() override;
};
