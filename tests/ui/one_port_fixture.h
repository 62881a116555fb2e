#pragma once

// One present port on a path nobody can open: the window lists and selects it, and nothing is
// sent anywhere.

#include "platform/serial_enumerator.h"

class TOnePort : public ISerialEnumerator {
public:
  QList<TSerialPortEntry> Enumerate() override {
    return {{QStringLiteral("USB\\VID_0483&PID_5740"), QStringLiteral("Tracker (ttyACM0)"),
             QStringLiteral("/nonexistent/ttyACM0")}};
  }
};
