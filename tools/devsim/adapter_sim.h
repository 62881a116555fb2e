#pragma once

#include "tracker_sim.h"

// The service adapter (type 1, USB identity VID_0483&PID_5742): a tracker that also speaks console
// words, and takes its password as a typed line before it obeys them. Until then every console
// word, and every other line that is not the password, is answered "DEVICE PASSWORD ERROR".
class TServiceAdapterSim : public TTrackerSim {
public:
  TServiceAdapterSim(const TTrackerOptions& aOptions, const TClock& aClock);

  bool Unlocked() const { return FUnlocked; }

protected:
  QByteArray Answer(const QByteArray& aLine) override;

private:
  QByteArray Console(const QByteArray& aLine);

  bool FUnlocked = false;
};
