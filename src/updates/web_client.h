#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <utility>

class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;

// How a fetch ended. An address that cannot be opened (refused, unknown host, no connection in
// time, or any status but 200) is told apart from a transfer that broke off once it had begun.
enum class TWebOutcome { Ok, Unreachable, Failed };

struct TWebResult {
  TWebOutcome Outcome = TWebOutcome::Unreachable;
  int Status = 0;
  QByteArray Body; // empty when streamed to a file
  qint64 Size = 0; // bytes received
  QString Error;   // why it was not Ok
};

// What a request fetches; each kind has its own overall deadline.
enum class TWebKind { Information, Module, Program };

// Without explicit limits a request could wait forever: Qt sets none of its own. The silence
// limit alone is not enough: an answer that trickles in a byte at a time is never silent for long.
struct TWebLimits {
  int ConnectTimeoutMs = 10000; // until the request is on the wire
  int AnswerTimeoutMs = 30000;  // longest silence while the answer comes in
  // The whole request, from sending to the last byte, by kind: program information, module lists
  // and device descriptions are a few KB, a settings module up to a few MB, the program a large
  // file over a slow line.
  int InformationDeadlineMs = 60 * 1000;
  int ModuleDeadlineMs = 3 * 60 * 1000;
  int ProgramDeadlineMs = 30 * 60 * 1000;
  int DeadlineMs(TWebKind aKind) const {
    switch (aKind) {
    case TWebKind::Module:
      return ModuleDeadlineMs;
    case TWebKind::Program:
      return ProgramDeadlineMs;
    case TWebKind::Information:
      break;
    }
    return InformationDeadlineMs;
  }
};

// One GET in flight. Emits Finished exactly once, then deletes itself.
class TWebTransfer : public QObject {
  Q_OBJECT
public:
  void Abort();

Q_SIGNALS:
  void Finished(const TWebResult& aResult);

private:
  friend class TWebClient;
  TWebTransfer(QNetworkReply* aReply, qint64 aMaxBytes, const TWebLimits& aLimits, TWebKind aKind,
               const QString& aFileName, QObject* aParent, bool aAnyStatus = false);
  void OnReadyRead();
  void OnFinished();
  void Fail(TWebOutcome aOutcome, const QString& aError);
  void Finish(TWebResult aResult);

  QPointer<QNetworkReply> FReply;
  qint64 FMaxBytes;
  TWebLimits FLimits;
  QTimer FConnectTimer;
  QTimer FAnswerTimer;
  QTimer FDeadline;
  QFile FFile;
  bool FToFile = false;
  bool FDone = false;
  // Services that answer with a status of their own: any status is an answer, body kept.
  bool FAnyStatus = false;
  TWebResult FResult;
};

// The program's HTTP client: asynchronous on the calling thread, explicit time-outs and a deadline,
// a cap on the answer's size that holds however the answer comes, and redirects followed only to
// the same scheme, host and port. The agent is the program's executable file name.
class TWebClient : public QObject {
  Q_OBJECT
public:
  explicit TWebClient(QObject* aParent = nullptr);
  ~TWebClient() override;

  const TWebLimits& Limits() const { return FLimits; }
  void SetLimits(const TWebLimits& aLimits) { FLimits = aLimits; }
  static QByteArray UserAgent();

  // Keeps the answer in memory. Only http and https addresses are fetched; others end Unreachable.
  TWebTransfer* Get(const QUrl& aUrl, qint64 aMaxBytes, TWebKind aKind = TWebKind::Information);
  // Streams the answer into aFileName (created or truncated), flushed to disk before Finished.
  TWebTransfer* Download(const QUrl& aUrl, const QString& aFileName, qint64 aMaxBytes,
                         TWebKind aKind = TWebKind::Program);
  // A request to a service whose status is part of its answer: every status ends Ok with Status
  // and Body set; only a failed transfer (no answer, time-out, size cap) ends otherwise. An empty
  // aMethod or "GET" sends no body.
  struct TRequest {
    QByteArray Method = "GET";
    QUrl Url;
    QList<std::pair<QByteArray, QByteArray>> Headers;
    QByteArray Body;
  };
  TWebTransfer* Send(const TRequest& aRequest, qint64 aMaxBytes);

private:
  TWebTransfer* Start(const QUrl& aUrl, qint64 aMaxBytes, TWebKind aKind, const QString& aFileName);
  static QNetworkRequest Request(const QUrl& aUrl);
  QNetworkAccessManager* FManager;
  TWebLimits FLimits;
};

// http:// or https:// with a host.
bool IsWebAddress(const QUrl& aUrl);
