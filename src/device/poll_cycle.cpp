#include "device/poll_cycle.h"

#include "base/clock.h"
#include "base/date_time.h"
#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "device/port_info.h"

#include <cmath>

TPollCycle::TPollCycle(TExchangeCore& aCore, QObject* aParent) : QObject(aParent), FCore(aCore) {
  FCheckNameTimer.setInterval(kCheckNameIntervalMs);
  connect(&FCheckNameTimer, &QTimer::timeout, this, &TPollCycle::CheckNameTimerTimer);
  FUpdateTimer.setSingleShot(true);
  connect(&FUpdateTimer, &QTimer::timeout, this, &TPollCycle::OnUpdateTimeout);
}

void TPollCycle::StartCheckNameTimer() {
  FCheckNameTimer.start();
  CheckNameTimerTimer();
}

void TPollCycle::CheckNameTimerTimer() {
  TPortInfo* port = FCore.Host().Q();
  if (!port || !port->WaitInfo()) {
    FCheckNameTimer.stop();
    return;
  }
  // A locked device, another generation or the service adapter: keep waiting without asking.
  if (port->ReadLocked() || FCore.Version() != vtVersion1 || port->FDeviceVerField() == QLatin1String("1"))
    return;
  const QString type = port->DeviceVer();
  if (type == QLatin1String("99") || type == QLatin1String("82")) {
    port->SendAnsiString(">I 36\r\n");
  } else {
    port->SendAnsiString(">I 0\r\n");
    port->SendAnsiString(">I 7\r\n");
  }
  if (port->FDeviceVerField() == QLatin1String("90")) {
    // The clock device keeps local time: seconds since 1970 counted in local time, not UTC.
    const double local = ToTDateTime(FCore.Clock().Now());
    const qint64 seconds = std::llround((local - 25569.0) * 86400.0);
    port->SendAnsiString(">UNIX=" + QByteArray::number(seconds) + "\r\n");
  }
}

void TPollCycle::OnUpdateTimeout() {
  FUpdateTimer.stop();
  if (FUpdateOperation == 0) {
    FUpdateTimer.setProperty("tag", 0);
    FUpdateStage = 0;
    Q_EMIT UpdateCleanup();
    return;
  }
  if (FUpdateOperation >= FUpdateFlows.size() || !FUpdateFlows[FUpdateOperation])
    return;
  try {
    FUpdateFlows[FUpdateOperation]();
  } catch (...) {
    FUpdateOperation = 0;
    FUpdateTimer.stop();
  }
}

int TPollCycle::UpdateTag() const {
  return FUpdateTimer.property("tag").toInt();
}

void TPollCycle::SetUpdateTag(int aValue) {
  FUpdateTimer.setProperty("tag", aValue);
}

void TPollCycle::ArmUpdateTimer(int aMs) {
  FUpdateTimer.start(aMs);
}

void TPollCycle::SetUpdateFlow(quint8 aOperation, TUpdateFlow aFlow) {
  if (aOperation < FUpdateFlows.size())
    FUpdateFlows[aOperation] = std::move(aFlow);
}
