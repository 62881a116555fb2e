#pragma once

// Scripted stand-ins for the PC's radios: whether the radio is there, what it was asked, and
// reports handed in by the test.

#include "platform/ble_scanner.h"
#include "platform/wifi_scanner.h"

#include <QMetaObject>

class TFakeBLEScanner : public IBLEScanner {
public:
  explicit TFakeBLEScanner(bool aAvailable) : Available(aAvailable) {}
  bool Start(int aTimeoutMs, QString* aError) override {
    ++Starts;
    TimeoutMs = aTimeoutMs;
    if (!Available) {
      if (aError)
        *aError = QStringLiteral("no adapter");
      return false;
    }
    Active = true;
    return true;
  }
  void Stop() override {
    if (Active)
      ++Stops;
    Active = false;
  }
  void Report(const QString& aAddress, qint32 aRSSI, const QByteArray& aData, const QString& aName = {}) {
    Q_EMIT Reported(TBLEReport{aAddress, aRSSI, aData, aName});
  }

  bool Available;
  bool Active = false;
  int Starts = 0;
  int Stops = 0;
  int TimeoutMs = 0;
};

class TFakeWiFiScanner : public IWiFiScanner {
public:
  explicit TFakeWiFiScanner(bool aAvailable) : Available(aAvailable) {}
  // Like the real service, the answers come on a later turn of the event loop.
  void Open() override {
    ++Opens;
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT Opened(Available); }, Qt::QueuedConnection);
  }
  void Scan() override {
    ++Scans;
    QMetaObject::invokeMethod(
        this, [this] { Q_EMIT Scanned(Networks); }, Qt::QueuedConnection);
  }
  void Close() override { ++Closes; }

  bool Available;
  QList<TWiFiNetwork> Networks;
  int Opens = 0;
  int Scans = 0;
  int Closes = 0;
};
