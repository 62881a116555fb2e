#pragma once

#include "updates/service_hosts.h"
#include "updates/update_info.h"

#include <QDate>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class TPortInfo;
class TWebClient;
class TWebTransfer;

// Identifiers of the three web answers.
enum TUpdateIdent { uiProgram = 200, uiModules = 201, uiDevice = 202 };
// Hint kind for a download that broke off.
inline constexpr int kUpdateErrorHintKind = 2;

// The update bar of the welcome page.
enum TUpdatePanelState {
  upsNoInformation,     // no program information, no module news
  upsLatest,            // this program is the newest
  upsProgram,           // a newer program
  upsProgramAndModules, // a newer program and newer modules
  upsModules,           // newer modules only
};
enum TUpdateButton { ubCheck, ubProgram, ubModules };

// Everything the welcome page shows, worked out from the three answers.
struct TWellcomeView {
  TProgramInfo Program;
  QString Caption;
  QString Text;
  QString BrowserURL;
  QList<int> NewerModules;
  QString UpdateModule; // "v305; v306"
  TUpdatePanelState State = upsNoInformation;
  QString Line1;
  QString Line2;
  QString Icon;
  bool Green = false; // panel in the value colour, lines in white
  bool ButtonVisible = false;
  TUpdateButton Button = ubCheck;
  bool ProgramUpdateAvailable = false;
  bool InstallModules = false; // the module update is pressed by the program
};

struct TWellcomeInputs {
  QString WellcomeFile;
  QString AdditionFile;
  QString DeviceFile;
  int Language = 0;
  QDate ReleaseDate;
  QString ModuleFolder;
  QUrl InfoSite;
  std::function<QString(const QString&)> Translate;
};

TWellcomeView ComputeWellcome(const TWellcomeInputs& aInputs);

// The three downloads of the welcome page and what they answered. Answers reach the window through
// InfoExternal on the thread that owns this object, in the order they complete.
class TUpdateCenter : public QObject {
  Q_OBJECT
public:
  static constexpr qint64 kMaxInfoBytes = 1024 * 1024;

  using TTranslate = std::function<QString(const QString&)>;
  TUpdateCenter(TWebClient& aClient, const TServiceHosts& aHosts, TTranslate aTranslate,
                QObject* aParent = nullptr);
  ~TUpdateCenter() override;

  const TServiceHosts& Hosts() const { return FHosts; }
  // Program information and module list, once each at start. Nothing without a service address.
  void StartRequests(const QDate& aRelease);
  // The module list again (the "Check" action).
  void RequestModuleList();
  // The device description for aPort; a request still in flight is dropped first. A download that
  // breaks off clears the asking record's in-progress flag, so the next identity change asks again.
  void RequestDeviceInfo(TPortInfo* aPort, const QString& aPathAndQuery);
  static QString ProgramInfoPath(const QDate& aRelease);
  static QString ModuleListPath();
  // The site's default welcome page in the language, empty without a site.
  QUrl DefaultPage(int aLanguage) const;

Q_SIGNALS:
  // aIdent 200, 201, 202 with the answer (empty when the address could not be opened), or a hint
  // kind with the hint's text.
  void InfoExternal(int aIdent, const QString& aText);

private:
  TWebTransfer* Fetch(int aIdent, const QUrl& aUrl, QPointer<TPortInfo> aPort = nullptr);

  TWebClient& FClient;
  TServiceHosts FHosts;
  TTranslate FTranslate;
  QPointer<TWebTransfer> FDeviceTransfer;
};
