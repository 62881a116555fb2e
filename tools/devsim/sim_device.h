#pragma once

#include <QByteArray>

// A simulated device, free of any port: bytes from the client go in, the device's answers come
// out, and a streaming device has its periodic output ready on request. The caller owns timing.
class TSimDevice {
public:
  virtual ~TSimDevice() = default;
  // Takes the next bytes the client wrote (any chunking) and returns the answers to every request
  // completed by them, in order; empty when there is nothing to answer.
  virtual QByteArray Feed(const QByteArray& aBytes) = 0;
  // What the device sends on its own at one streaming tick; empty for a device that only answers.
  virtual QByteArray Stream() { return {}; }
  // Answers that the device gives some time after the request, once they are due.
  virtual QByteArray Due() { return {}; }
};
