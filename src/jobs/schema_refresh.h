#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>

class TModuleInstaller;
class TRegistry;
class TUpdateCenter;
class TWebClient;

// Before settings are touched, the settings schemas are brought up to date from the settings web
// service, as the window does at start: the module list, then every newer module into the
// application data folder, where the settings page of each type finds it. Without a service
// address nothing is asked; a failure leaves the schemas there are.
class TSchemaRefresh : public QObject {
  Q_OBJECT
public:
  TSchemaRefresh(TRegistry& aRegistry, int aLanguage, int aTimeoutMs, QObject* aParent = nullptr);
  ~TSchemaRefresh() override;

  // Finished comes from the event loop in every case.
  void Start();
  // Messages for standard error.
  const QStringList& Notes() const { return FNotes; }

Q_SIGNALS:
  void Finished();

private:
  void Done(const QString& aNote);

  std::unique_ptr<TWebClient> FClient;
  std::unique_ptr<TUpdateCenter> FCenter;
  std::unique_ptr<TModuleInstaller> FInstaller;
  int FLanguage = 0;
  QTimer FLimit;
  bool FDone = false;
  QStringList FNotes;
};
