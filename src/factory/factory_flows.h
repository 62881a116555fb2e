#pragma once

#include "factory/factory_requests.h"
#include "factory/factory_web.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QtGlobal>
#include <functional>

class IFactoryHost;
class IFactoryWeb;
class IOperationsHost;
class TExchangeCore;
class TPollCycle;
class TPortInfo;

// The production-line flows that test a fresh device and give it its ID: the RFID test of type
// 303 (operation 6), the test and registration of type 304 (8) and of types 305/306 (9). The
// port's Operation setter starts them here; the update timer runs them tick by tick. Web requests
// never block: while one is out the flow waits without ticking, and only one flow runs at a time.
class TFactoryFlows : public QObject {
  Q_OBJECT
public:
  // Tick intervals and attempt counts of the flows.
  static constexpr int kRfidTickMs = 5000;
  static constexpr int kRfidTimeoutTag = 10;
  static constexpr int kStartTickMs = 1000;
  static constexpr int kTest304TickMs = 5000;
  static constexpr int kSelfTestTickMs = 1000;
  static constexpr int kCheckTickMs = 2000;
  static constexpr int kTestTimeoutTag = 36;
  // How long the last message of a flow stays before the cleanup tick.
  static constexpr int kLastMessageMs = 5000;

  TFactoryFlows(TExchangeCore& aCore, TPollCycle& aPoll, IOperationsHost& aOperations, IFactoryHost& aHost,
                IFactoryWeb& aWeb, QObject* aParent = nullptr);
  ~TFactoryFlows() override;

  // The Operation setter for 6, 8 and 9: false when refused or waiting for the lot dialog (which
  // then starts the flow itself once a lot is known).
  bool Start(TPortInfo* aPort, quint8 aValue);
  // A request or the lot dialog is out.
  bool Waiting() const { return FWaiting; }

private:
  bool CheckStart(TPortInfo* aPort, quint8 aValue);
  void StartRfid(TPortInfo* aPort);
  void RfidRegistered(const TFactoryAnswer& aAnswer, quint16 aLot);
  void RfidTick();
  void TestTick();     // operation 8
  void SelfTestTick(); // operation 9
  void CheckStage(quint8 aOperation, int aIntervalMs);
  void CallTestService(TPortInfo* aPort);
  void TestServiceAnswered(const TFactoryAnswer& aAnswer);
  // The registration of flows 8 and 9, its report, then aThen (if the flow is still the same).
  void Register(TPortInfo* aPort, const QString& aSerial, std::function<void()> aThen);
  void ReportRegistration(const TFactoryAnswer& aAnswer, const QString& aSerial, quint16 aLot);
  FactoryRequests::TRegistration RegistrationOf(const TPortInfo* aPort, quint16 aLot) const;
  // Calls back only while the same flow on the same port is still running.
  std::function<void(const TFactoryAnswer&)> Guarded(std::function<void(const TFactoryAnswer&)> aCall);
  TPortInfo* FlowPort(const QStringList& aTypes) const;
  void EndFlow(int aLastMessageMs);
  void ClearProgress();
  void Hint(int aKind, const QString& aText);
  QString Text(const char* aKey) const;
  QString NetworkText(const TFactoryAnswer& aAnswer) const;

  TExchangeCore& FCore;
  TPollCycle& FPoll;
  IOperationsHost& FOperations;
  IFactoryHost& FHost;
  IFactoryWeb& FWeb;
  bool FWaiting = false;
  bool FResuming = false;
  // Grows with every start, so an answer for an earlier flow is dropped.
  quint64 FFlowId = 0;
  QPointer<TPortInfo> FPort;
};
