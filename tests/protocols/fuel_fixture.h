#pragma once

// A window stand-in for the fuel-sensor master's page (its fields, the search result section) on
// top of the status recorder, and a rig with a generation-3 core whose selected port is a "250"
// master on a fake driver.

#include "protocols/fuel_host.h"
#include "protocols/gen3_decoder.h"
#include "status_fixture.h"
#include "updates/crypto/checksums.h"

#include <QMap>

class TFuelRecorder : public TStatusRecorder, public IFuelHost {
public:
  QMap<QString, TFuelField> Fields;
  bool Section = true;

  std::optional<TFuelField> FuelField(const QString& aIdent) override {
    const auto it = Fields.constFind(aIdent);
    return it == Fields.cend() ? std::nullopt : std::optional<TFuelField>(*it);
  }
  bool ClearSensorResults() override {
    Calls << QStringLiteral("ClearResults");
    return Section;
  }
  void AddSensorResult(const QString& aIdent, const QString& aCaption, const QString& aValue) override {
    Calls << QStringLiteral("result %1 '%2' = %3").arg(aIdent, aCaption, aValue);
  }
};

// An answer of the master: 3E 10, the command, the body and a CRC-8 (bad on request).
inline QByteArray Answer(quint8 aCommand, const QByteArray& aBody, bool aBadCrc = false) {
  QByteArray answer = QByteArray("\x3E\x10", 2) + char(aCommand) + aBody;
  return answer + char(Crc8(answer) ^ (aBadCrc ? 0x5A : 0));
}

struct TFuelRig {
  TFuelRecorder Host;
  TManualClock Clock;
  TExchangeCore Core{Host, Clock};
  TFakeDriver Driver;
  std::unique_ptr<TPortInfo> Port = std::make_unique<TPortInfo>(Core);
  TGen3Decoder Decoder{Core, Host};

  TFuelRig() {
    Driver.Connect();
    Port->SetCom(&Driver);
    Host.Port = Port.get();
    Core.SetVersion(vtVersion3);
    Port->SetDeviceVer(QStringLiteral("250"));
    Decoder.Install();
    Host.Calls.clear();
  }

  // Sends a request as the program would (through the port's queue and gate).
  void Send(const QByteArray& aRequest) { Port->SendAnsiString(aRequest); }
  void Receive(const QByteArray& aBytes) {
    Core.QReceiveData(nullptr, aBytes.constData(), int(aBytes.size()));
  }
  // The State of the last closed answer.
  int LastAnswerState() {
    for (auto it = Core.Gen3Index().crbegin(); it != Core.Gen3Index().crend(); ++it)
      if (it->State == psComplete || it->State == psRecognised)
        return it->State;
    return -1;
  }
};
