#pragma once

#include "core/exchange_host.h"
#include "protocols/status_host.h"

// A host that lets a decoder read a packet without changing anything: no port, no values, no
// hints, no sends. Lookups that change nothing (texts, colours, the running operation) go to the
// real hosts when they are given, so a packet decodes exactly as it would for real.
//
// Used while the generation is still being detected (every packet is then decoded again once the
// generation is known, with the real host) and wherever a packet is only described.
class TQuietHost : public IExchangeHost, public IStatusHost {
public:
  TQuietHost() = default;
  TQuietHost(IExchangeHost* aExchange, const IStatusHost* aStatus) : FExchange(aExchange), FStatus(aStatus) {}

  TPortInfo* Q() override { return nullptr; }
  bool VisualSetValue(const QString&, const QVariant&, int, const QString&, TColorRef) override {
    return false;
  }
  QString Translate(const QString& aKey) override { return FExchange ? FExchange->Translate(aKey) : aKey; }
  void MainHintShow(int, const QString&) override {}
  void PostLogChange() override {}
  void StartCheckNameTimer(QObject*) override {}
  void QOperationData2(int) override {}
  void QOperationData7(int) override {}
  void ClearVisualValues() override {}
  void LogViewClear() override {}
  void LogViewSetHex(bool) override {}
  void LogViewSetRowCount(int) override {}
  void SetFollow(bool) override {}
  void OpenSettingsPage() override {}
  void ControlsLoadSettings(const QString&) override {}
  void CommandsUpdate() override {}
  void CommandsExec(const QString&) override {}
  void RefreshCaption() override {}
  void SetSettingsVersionLabel(const QString&) override {}
  void PasswordEditChange() override {}
  void UpdateTypeInfo() override {}
  void ShowSettingsLocked(bool) override {}
  // Starts nothing.
  bool StartOperation(TPortInfo*, quint8) override { return false; }
  bool InternetConnected() override { return false; }
  void StartDeviceInfoRequest(TPortInfo*, const QString&) override {}

  quint8 UpdateOperation() const override { return FStatus ? FStatus->UpdateOperation() : 0; }
  void SetUpdateStage(quint8) override {}
  quint8 UpdateStage() const override { return FStatus ? FStatus->UpdateStage() : 0; }
  bool SetValueOut(bool) override { return true; }
  TColorRef LinkColor() const override { return FStatus ? FStatus->LinkColor() : 0xFF9900; }
  void SetDynamicItem(const TDynamicItem&) override {}
  void AddOrUpdateBLEDevice(const QString&, const QString&, const QString&) override {}
  void AddOrUpdateWiFi(const QString&, const QString&, const QString&) override {}
  void AddOrUpdateLBS(const QString&, const QString&, const QString&, const QString&,
                      const QString&) override {}
  void ApplySettingsImage(const QString&) override {}
  void FirmwareTransferFrame(const QString&) override {}

private:
  IExchangeHost* FExchange = nullptr;
  const IStatusHost* FStatus = nullptr;
};
