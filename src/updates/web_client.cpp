#include "updates/web_client.h"

#include "platform/save_file.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QtDebug>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

constexpr qint64 kReadBufferBytes = 256 * 1024;

} // namespace

bool IsWebAddress(const QUrl& aUrl) {
  const QString scheme = aUrl.scheme().toLower();
  return aUrl.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
         !aUrl.host().isEmpty();
}

TWebClient::TWebClient(QObject* aParent) : QObject(aParent), FManager(new QNetworkAccessManager(this)) {}

TWebClient::~TWebClient() = default;

QByteArray TWebClient::UserAgent() {
  return QFileInfo(QCoreApplication::applicationFilePath()).fileName().toUtf8();
}

TWebTransfer* TWebClient::Get(const QUrl& aUrl, qint64 aMaxBytes, TWebKind aKind) {
  return Start(aUrl, aMaxBytes, aKind, QString());
}

TWebTransfer* TWebClient::Download(const QUrl& aUrl, const QString& aFileName, qint64 aMaxBytes,
                                   TWebKind aKind) {
  return Start(aUrl, aMaxBytes, aKind, aFileName);
}

QNetworkRequest TWebClient::Request(const QUrl& aUrl) {
  QNetworkRequest request(aUrl);
  request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  // A service that sends us elsewhere is not the service that was configured.
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
  return request;
}

TWebTransfer* TWebClient::Send(const TRequest& aRequest, qint64 aMaxBytes) {
  QNetworkReply* reply = nullptr;
  if (IsWebAddress(aRequest.Url)) {
    QNetworkRequest request = Request(aRequest.Url);
    for (const auto& [name, value] : aRequest.Headers)
      request.setRawHeader(name, value);
    const QByteArray method = aRequest.Method.isEmpty() ? QByteArrayLiteral("GET") : aRequest.Method;
    reply = method == "GET" ? FManager->get(request)
                            : FManager->sendCustomRequest(request, method, aRequest.Body);
  }
  return new TWebTransfer(reply, aMaxBytes, FLimits, TWebKind::Information, QString(), this, true);
}

TWebTransfer* TWebClient::Start(const QUrl& aUrl, qint64 aMaxBytes, TWebKind aKind,
                                const QString& aFileName) {
  QNetworkReply* reply = IsWebAddress(aUrl) ? FManager->get(Request(aUrl)) : nullptr;
  return new TWebTransfer(reply, aMaxBytes, FLimits, aKind, aFileName, this);
}

TWebTransfer::TWebTransfer(QNetworkReply* aReply, qint64 aMaxBytes, const TWebLimits& aLimits, TWebKind aKind,
                           const QString& aFileName, QObject* aParent, bool aAnyStatus)
    : QObject(aParent), FReply(aReply), FMaxBytes(aMaxBytes), FLimits(aLimits), FFile(aFileName),
      FToFile(!aFileName.isEmpty()), FAnyStatus(aAnyStatus) {
  if (!FReply) {
    // Reported from the event loop, so callers can connect first.
    QTimer::singleShot(0, this,
                       [this] { Fail(TWebOutcome::Unreachable, QStringLiteral("not a web address")); });
    return;
  }
  FReply->setParent(this);
  // Without a read buffer limit Qt reads on as long as the socket has data before handing any of it
  // over (a chunked answer arrived as one piece of several hundred MB): the cap would be checked
  // only after the memory was spent. With it, reading stops while the piece here is unread.
  FReply->setReadBufferSize(qBound(qint64(4096), aMaxBytes + 1, kReadBufferBytes));
  if (FToFile && !FFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    const QString error = FFile.errorString();
    QTimer::singleShot(0, this, [this, error] { Fail(TWebOutcome::Failed, error); });
    return;
  }
  FConnectTimer.setSingleShot(true);
  FAnswerTimer.setSingleShot(true);
  FDeadline.setSingleShot(true);
  const int deadline = FLimits.DeadlineMs(aKind);
  connect(&FDeadline, &QTimer::timeout, this, [this, deadline] {
    Fail(TWebOutcome::Failed,
         QStringLiteral("answer deadline: not complete within %1 s").arg(deadline / 1000.0));
  });
  connect(&FConnectTimer, &QTimer::timeout, this,
          [this] { Fail(TWebOutcome::Unreachable, QStringLiteral("connection time-out")); });
  connect(&FAnswerTimer, &QTimer::timeout, this,
          [this] { Fail(TWebOutcome::Failed, QStringLiteral("answer time-out")); });
  // Once the request is out, the wait is for the answer; every piece of it restarts that wait.
  auto answerBegins = [this] {
    FConnectTimer.stop();
    FAnswerTimer.start(FLimits.AnswerTimeoutMs);
  };
  connect(FReply, &QNetworkReply::requestSent, this, answerBegins);
  connect(FReply, &QNetworkReply::metaDataChanged, this, [this, answerBegins] {
    answerBegins();
    const QVariant length = FReply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > FMaxBytes)
      Fail(TWebOutcome::Failed, QStringLiteral("answer larger than %1 bytes").arg(FMaxBytes));
  });
  connect(FReply, &QNetworkReply::readyRead, this, [this, answerBegins] {
    answerBegins();
    OnReadyRead();
  });
  connect(FReply, &QNetworkReply::finished, this, &TWebTransfer::OnFinished);
  FConnectTimer.start(FLimits.ConnectTimeoutMs);
  FDeadline.start(deadline);
}

void TWebTransfer::Abort() {
  Fail(TWebOutcome::Failed, QStringLiteral("aborted"));
}

void TWebTransfer::OnReadyRead() {
  if (FDone || !FReply)
    return;
  const QByteArray chunk = FReply->readAll();
  FResult.Size += chunk.size();
  if (FResult.Size > FMaxBytes) {
    Fail(TWebOutcome::Failed, QStringLiteral("answer larger than %1 bytes").arg(FMaxBytes));
    return;
  }
  if (!FToFile) {
    FResult.Body += chunk;
  } else {
    QString error;
    if (!WriteThrough(FFile, chunk, &error))
      Fail(TWebOutcome::Failed, error);
  }
}

void TWebTransfer::OnFinished() {
  if (FDone || !FReply)
    return;
  OnReadyRead();
  if (FDone)
    return;
  const QVariant status = FReply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  FResult.Status = status.toInt();
  // A service that answers with a status of its own has spoken; what it said is for the caller to
  // judge. Only a broken transfer stays a failure.
  const QNetworkReply::NetworkError error = FReply->error();
  if (error == QNetworkReply::InsecureRedirectError || error == QNetworkReply::TooManyRedirectsError) {
    // Sent on to another scheme, host or port (or round in circles): not followed.
    Fail(TWebOutcome::Unreachable,
         QStringLiteral(
             "redirect refused: %1 sends elsewhere; only the same scheme, host and port are followed")
             .arg(FReply->url().toDisplayString()));
    return;
  }
  const bool spoke =
      FAnyStatus && status.isValid() &&
      (error == QNetworkReply::NoError ||
       (error >= QNetworkReply::ContentAccessDenied && error <= QNetworkReply::UnknownContentError) ||
       (error >= QNetworkReply::InternalServerError && error <= QNetworkReply::UnknownServerError));
  if (!spoke && status.isValid() && FResult.Status != 200) {
    qDebug().noquote() << QStringLiteral("HTTP Error %1: %2")
                              .arg(FResult.Status)
                              .arg(FReply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    Fail(TWebOutcome::Unreachable, QStringLiteral("status %1").arg(FResult.Status));
    return;
  }
  if (!spoke && error != QNetworkReply::NoError) {
    // Nothing came back at all: the address could not be opened. Otherwise it broke off.
    const bool opened = status.isValid();
    Fail(opened ? TWebOutcome::Failed : TWebOutcome::Unreachable, FReply->errorString());
    return;
  }
  const QVariant length = FReply->header(QNetworkRequest::ContentLengthHeader);
  if (length.isValid() && length.toLongLong() != FResult.Size) {
    Fail(TWebOutcome::Failed,
         QStringLiteral("answer cut short: %1 of %2 bytes").arg(FResult.Size).arg(length.toLongLong()));
    return;
  }
  if (FToFile) {
    if (!FFile.flush()) {
      Fail(TWebOutcome::Failed, FFile.errorString());
      return;
    }
#ifdef Q_OS_UNIX
    // The file may replace something precious: it must be on the disk before anyone relies on it.
    if (::fsync(FFile.handle()) != 0) {
      Fail(TWebOutcome::Failed, QStringLiteral("fsync failed"));
      return;
    }
#endif
    FFile.close();
  }
  FResult.Outcome = TWebOutcome::Ok;
  Finish(FResult);
}

void TWebTransfer::Fail(TWebOutcome aOutcome, const QString& aError) {
  if (FDone)
    return;
  if (aOutcome == TWebOutcome::Failed)
    qDebug().noquote() << QStringLiteral("GetInetFile error: ") + aError;
  TWebResult result = FResult;
  result.Outcome = aOutcome;
  result.Error = aError;
  result.Body.clear();
  Finish(result);
}

void TWebTransfer::Finish(TWebResult aResult) {
  FDone = true;
  FConnectTimer.stop();
  FAnswerTimer.stop();
  FDeadline.stop();
  if (FReply) {
    FReply->disconnect(this);
    if (FReply->isRunning())
      FReply->abort();
  }
  if (FFile.isOpen())
    FFile.close();
  Q_EMIT Finished(aResult);
  deleteLater();
}
