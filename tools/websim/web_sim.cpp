#include "web_sim.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHttpServerRequest>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>
#include <memory>

namespace {

constexpr qint64 kMaxWaitMs = 120000;
constexpr qint64 kMaxHugeBytes = 1024LL * 1024 * 1024;

QByteArray Reason(int aStatus) {
  switch (aStatus) {
  case 200:
    return "OK";
  case 404:
    return "Not Found";
  case 500:
    return "Internal Server Error";
  case 503:
    return "Service Unavailable";
  default:
    return "Status";
  }
}

QString Xml(const QString& aText) {
  return aText.toHtmlEscaped();
}

} // namespace

bool TWebFault::Parse(const QString& aText, TWebFault* aFault, QString* aError) {
  const qsizetype eq = aText.indexOf(QLatin1Char('='));
  if (eq <= 0) {
    *aError = QStringLiteral("a fault is PATH=KIND[:ARG]: %1").arg(aText);
    return false;
  }
  TWebFault fault;
  fault.Prefix = aText.left(eq);
  const QString what = aText.mid(eq + 1);
  const QString kind = what.section(QLatin1Char(':'), 0, 0);
  const QString arg = what.section(QLatin1Char(':'), 1);
  if (kind == QLatin1String("redirect")) {
    fault.Kind = Redirect;
    fault.Target = arg;
    if (!QUrl(arg).isValid() || arg.isEmpty()) {
      *aError = QStringLiteral("a redirect needs an address: %1").arg(what);
      return false;
    }
    *aFault = fault;
    return true;
  }
  bool ok = true;
  const qint64 value = arg.isEmpty() ? 0 : arg.toLongLong(&ok);
  if (!ok || value < 0) {
    *aError = QStringLiteral("bad fault argument: %1").arg(what);
    return false;
  }
  if (kind == QLatin1String("status")) {
    fault.Kind = Status;
    fault.Arg = value >= 100 && value <= 599 ? value : 500;
  } else if (kind == QLatin1String("delay")) {
    fault.Kind = Delay;
    fault.Arg = qMin(value, kMaxWaitMs);
  } else if (kind == QLatin1String("truncate")) {
    fault.Kind = Truncate;
  } else if (kind == QLatin1String("stall")) {
    fault.Kind = Stall;
    fault.Arg = qMin(value > 0 ? value : 60000, kMaxWaitMs);
  } else if (kind == QLatin1String("trickle")) {
    fault.Kind = Trickle;
    fault.Arg = qBound(qint64(10), value > 0 ? value : 5000, kMaxWaitMs);
  } else if (kind == QLatin1String("html")) {
    fault.Kind = Html;
  } else if (kind == QLatin1String("huge") || kind == QLatin1String("chunked")) {
    fault.Kind = kind == QLatin1String("huge") ? Huge : Chunked;
    fault.Arg = qMin(value > 0 ? value : 64LL * 1024 * 1024, kMaxHugeBytes);
  } else {
    *aError = QStringLiteral("unknown fault: %1").arg(kind);
    return false;
  }
  *aFault = fault;
  return true;
}

TWebSim::TWebSim(const TWebSimOptions& aOptions, QObject* aParent)
    : QAbstractHttpServer(aParent), FOptions(aOptions), FFactory(aOptions.Factory) {
  if (!FOptions.LogFile.isEmpty()) {
    FLog.setFileName(FOptions.LogFile);
    FLog.open(QIODevice::WriteOnly | QIODevice::Append);
  }
}

QString TWebSim::Start(quint16 aPort) {
  const quint16 port = listen(QHostAddress::LocalHost, aPort);
  if (port == 0)
    return QString();
  FBase = QStringLiteral("http://127.0.0.1:%1").arg(port);
  return FBase;
}

void TWebSim::Log(const QHttpServerRequest& aRequest, const TWebFault* aFault, const QJsonObject& aExtra) {
  if (!FLog.isOpen())
    return;
  QJsonObject entry;
  entry[QStringLiteral("time")] = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
  entry[QStringLiteral("method")] =
      aRequest.method() == QHttpServerRequest::Method::Get    ? QStringLiteral("GET")
      : aRequest.method() == QHttpServerRequest::Method::Post ? QStringLiteral("POST")
                                                              : QStringLiteral("OTHER");
  entry[QStringLiteral("path")] = aRequest.url().path();
  entry[QStringLiteral("query")] = aRequest.url().query(QUrl::FullyEncoded);
  entry[QStringLiteral("userAgent")] = QString::fromUtf8(aRequest.value("User-Agent"));
  if (aFault)
    entry[QStringLiteral("fault")] = aFault->Prefix;
  for (auto it = aExtra.begin(); it != aExtra.end(); ++it)
    entry[it.key()] = it.value();
  FLog.write(QJsonDocument(entry).toJson(QJsonDocument::Compact) + '\n');
  FLog.flush();
}

bool TWebSim::handleRequest(const QHttpServerRequest& aRequest, QTcpSocket* aSocket) {
  const QString path = aRequest.url().path();
  const TWebFault* fault = nullptr;
  for (const TWebFault& f : FOptions.Faults)
    if (path.startsWith(f.Prefix)) {
      fault = &f;
      break;
    }
  if (!fault && TFactorySim::Handles(path)) {
    SendFactory(aRequest, aSocket);
    return true;
  }
  Log(aRequest, fault);
  Send(aSocket, Route(aRequest), fault);
  return true;
}

void TWebSim::SendFactory(const QHttpServerRequest& aRequest, QTcpSocket* aSocket) {
  const TFactoryReply reply = FFactory.Handle(aRequest);
  Log(aRequest, nullptr, reply.Log);
  if (!reply.Hang) {
    Write(aSocket, {reply.Status, reply.Type, reply.Body}, -1);
    return;
  }
  // Says nothing, then hangs up by itself so a forgotten switch cannot hold a client for ever.
  QPointer<QTcpSocket> socket(aSocket);
  QTimer::singleShot(FFactory.Options().HangMs, this, [socket] {
    if (socket)
      socket->abort();
  });
}

void TWebSim::missingHandler(const QHttpServerRequest& aRequest, QTcpSocket* aSocket) {
  Log(aRequest, nullptr);
  Write(aSocket, {404, "text/plain", "not found\n"}, -1);
}

TWebSim::TAnswer TWebSim::Route(const QHttpServerRequest& aRequest) const {
  const QString path = aRequest.url().path();
  if (aRequest.method() != QHttpServerRequest::Method::Get)
    return {405, "text/plain", "GET only\n"};
  if (path == QLatin1String("/info_application.php")) {
    QString url;
    QString sha;
    if (!FOptions.ProgramFile.isEmpty()) {
      url = FBase + QStringLiteral("/download/velmora");
      QFile file(FOptions.ProgramFile);
      QCryptographicHash hash(QCryptographicHash::Sha256);
      if (file.open(QIODevice::ReadOnly) && hash.addData(&file))
        sha = QString::fromLatin1(hash.result().toHex());
    }
    const QString body =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<info><version url=\"%1\" "
                       "date=\"%2\"%3/></info>\n")
            .arg(Xml(url), FOptions.ProgramDate.toString(QStringLiteral("yyyy-MM-dd")),
                 sha.isEmpty() ? QString() : QStringLiteral(" sha256=\"%1\"").arg(sha));
    return {200, "text/xml; charset=utf-8", body.toUtf8()};
  }
  if (path == QLatin1String("/info_device.php"))
    return DeviceDescription(aRequest);
  if (path == QLatin1String("/public-api/v1/device-types/configurations/current"))
    return ModuleList();
  static const QRegularExpression modulePath(
      QStringLiteral("^/public-api/v1/device-types/(\\d+)/configuration/with-translations$"));
  const QRegularExpressionMatch module = modulePath.match(path);
  if (module.hasMatch())
    return Module(module.captured(1).toInt());
  if (path.startsWith(QLatin1String("/device_site/")))
    return Page(path.mid(13));
  if (path == QLatin1String("/download/velmora")) {
    QFile file(FOptions.ProgramFile);
    if (FOptions.ProgramFile.isEmpty() || !file.open(QIODevice::ReadOnly))
      return {404, "text/plain", "no program\n"};
    return {200, "application/octet-stream", file.readAll()};
  }
  return {404, "text/plain", "not found\n"};
}

QMap<int, QFileInfo> TWebSim::Modules() const {
  QMap<int, QFileInfo> modules;
  QFileInfoList files;
  if (!FOptions.ModulesFolder.isEmpty())
    files = QDir(FOptions.ModulesFolder).entryInfoList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
  for (const QString& file : FOptions.ModuleFiles)
    files.append(QFileInfo(file));
  for (const QFileInfo& file : files) {
    bool ok = false;
    const int type = file.completeBaseName().toInt(&ok);
    if (ok && file.isFile())
      modules.insert(type, file);
  }
  return modules;
}

TWebSim::TAnswer TWebSim::ModuleList() const {
  QJsonArray data;
  const QMap<int, QFileInfo> modules = Modules();
  for (auto it = modules.cbegin(); it != modules.cend(); ++it) {
    QJsonObject entry;
    entry[QStringLiteral("deviceTypeId")] = it.key();
    entry[QStringLiteral("createdAt")] =
        FOptions.CreatedAt.isEmpty()
            ? it->lastModified().toLocalTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))
            : FOptions.CreatedAt;
    data.append(entry);
  }
  QJsonObject root;
  root[QStringLiteral("data")] = data;
  return {200, "application/json", QJsonDocument(root).toJson(QJsonDocument::Compact)};
}

TWebSim::TAnswer TWebSim::Module(int aType) const {
  QFile file(Modules().value(aType).filePath());
  if (file.fileName().isEmpty() || !file.open(QIODevice::ReadOnly))
    return {404, "application/json", "{\"error\":\"no such module\"}"};
  return {200, "application/json", file.readAll()};
}

TWebSim::TAnswer TWebSim::DeviceDescription(const QHttpServerRequest& aRequest) const {
  const QUrlQuery query = aRequest.query();
  const QString id = query.queryItemValue(QStringLiteral("idsn"), QUrl::FullyDecoded);
  const QString type = query.queryItemValue(QStringLiteral("type"), QUrl::FullyDecoded);
  const QString imei = query.queryItemValue(QStringLiteral("imei"), QUrl::FullyDecoded);
  const QString soft = query.queryItemValue(QStringLiteral("soft"), QUrl::FullyDecoded);
  const QString page =
      FBase + QStringLiteral("/device_site/%1.html").arg(QString::fromLatin1(QUrl::toPercentEncoding(type)));
  const QString body =
      QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<info>"
                     "<ru name=\"Трекер %1 № %2\" URL=\"%5\">IMEI %3, версия ПО %4.</ru>"
                     "<en name=\"Tracker %1 No. %2\" URL=\"%5\">IMEI %3, software %4.</en></info>\n")
          .arg(Xml(type), Xml(id), Xml(imei), Xml(soft), Xml(page));
  return {200, "text/xml; charset=utf-8", body.toUtf8()};
}

TWebSim::TAnswer TWebSim::Page(const QString& aName) const {
  const bool english = aName.endsWith(QLatin1String("_en.html"));
  QString title = aName;
  title.remove(QLatin1String(".html"));
  const QString heading = title.startsWith(QLatin1String("0"))
                              ? (english ? QStringLiteral("Velmora news") : QStringLiteral("Новости Velmora"))
                              : QStringLiteral("Device %1").arg(title);
  const QString body =
      QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title></head>"
                     "<body style=\"font-family:sans-serif;background:#20262c;color:#e0e0e0\">"
                     "<h1 id=\"heading\">%1</h1><p>Served by velmora-websim.</p></body></html>\n")
          .arg(Xml(heading));
  return {200, "text/html; charset=utf-8", body.toUtf8()};
}

void TWebSim::Write(QTcpSocket* aSocket, const TAnswer& aAnswer, qint64 aBodyBytes) {
  const qint64 sent = aBodyBytes < 0 ? aAnswer.Body.size() : qMin(aBodyBytes, qint64(aAnswer.Body.size()));
  QByteArray head = "HTTP/1.1 " + QByteArray::number(aAnswer.Status) + ' ' + Reason(aAnswer.Status) + "\r\n";
  head += "Content-Type: " + aAnswer.Type + "\r\n";
  head += "Content-Length: " + QByteArray::number(aAnswer.Body.size()) + "\r\n";
  head += "Connection: close\r\n\r\n";
  aSocket->write(head);
  aSocket->write(aAnswer.Body.constData(), sent);
  if (aBodyBytes < 0 || aBodyBytes >= aAnswer.Body.size())
    aSocket->disconnectFromHost();
}

void TWebSim::StreamHuge(QTcpSocket* aSocket, qint64 aBytes, bool aChunked) {
  // No length announced: the client finds out how big it is only by reading.
  aSocket->write(
      aChunked ? "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                 "Transfer-Encoding: chunked\r\n\r\n"
               : "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nConnection: close\r\n\r\n");
  auto left = std::make_shared<qint64>(aBytes);
  auto feed = [aSocket, left, aChunked] {
    static const QByteArray block(64 * 1024, 'x');
    while (*left > 0 && aSocket->bytesToWrite() < 4 * block.size()) {
      const qint64 n = qMin(*left, qint64(block.size()));
      if (aChunked)
        aSocket->write(QByteArray::number(n, 16) + "\r\n");
      aSocket->write(block.constData(), n);
      if (aChunked)
        aSocket->write("\r\n");
      *left -= n;
    }
    if (*left == 0) {
      *left = -1;
      if (aChunked)
        aSocket->write("0\r\n\r\n");
      aSocket->disconnectFromHost();
    }
  };
  QObject::connect(aSocket, &QTcpSocket::bytesWritten, aSocket, feed);
  feed();
}

void TWebSim::Trickle(QTcpSocket* aSocket, qint64 aEveryMs) {
  // Never silent for long and never done: only a deadline on the whole answer ends it.
  aSocket->write("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n");
  auto* timer = new QTimer(aSocket);
  auto since = std::make_shared<QElapsedTimer>();
  since->start();
  QObject::connect(timer, &QTimer::timeout, aSocket, [aSocket, timer, since] {
    if (since->elapsed() > kMaxWaitMs) {
      timer->stop();
      aSocket->disconnectFromHost();
      return;
    }
    aSocket->write("x", 1);
  });
  timer->start(int(aEveryMs));
}

void TWebSim::Send(QTcpSocket* aSocket, const TAnswer& aAnswer, const TWebFault* aFault) {
  if (!aFault) {
    Write(aSocket, aAnswer, -1);
    return;
  }
  QPointer<QTcpSocket> socket(aSocket);
  switch (aFault->Kind) {
  case TWebFault::Status:
    Write(aSocket, {int(aFault->Arg), "text/html", "<html><body>error</body></html>\n"}, -1);
    break;
  case TWebFault::Delay:
    QTimer::singleShot(aFault->Arg, this, [socket, aAnswer] {
      if (socket)
        Write(socket, aAnswer, -1);
    });
    break;
  case TWebFault::Truncate:
    Write(aSocket, aAnswer, aAnswer.Body.size() / 2);
    aSocket->disconnectFromHost();
    break;
  case TWebFault::Stall:
    Write(aSocket, aAnswer, aAnswer.Body.size() / 2);
    QTimer::singleShot(aFault->Arg, this, [socket] {
      if (socket)
        socket->abort();
    });
    break;
  case TWebFault::Html:
    Write(aSocket,
          {200, "text/html; charset=utf-8",
           "<!DOCTYPE html><html><head><title>Portal</title></head><body>Please log in.</body></html>\n"},
          -1);
    break;
  case TWebFault::Huge:
  case TWebFault::Chunked:
    StreamHuge(aSocket, aFault->Arg, aFault->Kind == TWebFault::Chunked);
    break;
  case TWebFault::Trickle:
    Trickle(aSocket, aFault->Arg);
    break;
  case TWebFault::Redirect: {
    const QByteArray body = "moved\n";
    aSocket->write("HTTP/1.1 302 Found\r\nLocation: " + aFault->Target.toUtf8() +
                   "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) +
                   "\r\nConnection: close\r\n\r\n" + body);
    aSocket->disconnectFromHost();
    break;
  }
  }
}
