#pragma once

#include "factory_sim.h"

#include <QAbstractHttpServer>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

class QTcpSocket;

// A fault played on every request whose path begins with Prefix.
struct TWebFault {
  enum TKind { Status, Delay, Truncate, Stall, Html, Huge, Chunked, Trickle, Redirect } Kind = Status;
  QString Prefix;
  qint64 Arg = 0; // status code, milliseconds or bytes
  QString Target; // where a redirect sends
  // "PREFIX=status:404", "=delay:MS", "=truncate", "=stall:MS", "=html", "=huge:BYTES",
  // "=chunked:BYTES" (as huge, in chunked transfer encoding),
  // "=trickle:MS" (one byte every MS, no length given), "=redirect:URL" (302 to URL). Times and
  // sizes are bounded so a forgotten switch cannot hang a test run.
  static bool Parse(const QString& aText, TWebFault* aFault, QString* aError);
};

struct TWebSimOptions {
  QString ModulesFolder; // "<type>.json" files, dated by their modification time
  // Single modules kept elsewhere (a test's own schema), named and dated like the folder's; one of
  // these wins over the folder's module of the same type.
  QStringList ModuleFiles;
  QString CreatedAt; // when set, every module's "createdAt" as given
  QDate ProgramDate{2026, 9, 7};
  QString ProgramFile; // served as the program download; none: the download answers 404
  QString LogFile;     // one JSON object per request
  QList<TWebFault> Faults;
  TFactorySimOptions Factory;
};

// Both web services in one loopback server: program information, device descriptions and pages of
// the device information site; module list and modules of the settings web service; the program
// download. Every request is logged as one JSON line before it is answered.
class TWebSim : public QAbstractHttpServer {
  Q_OBJECT
public:
  explicit TWebSim(const TWebSimOptions& aOptions, QObject* aParent = nullptr);
  // Listens on 127.0.0.1; 0 picks a free port. The base address, empty on failure.
  QString Start(quint16 aPort = 0);
  QString BaseUrl() const { return FBase; }

protected:
  bool handleRequest(const QHttpServerRequest& aRequest, QTcpSocket* aSocket) override;
  void missingHandler(const QHttpServerRequest& aRequest, QTcpSocket* aSocket) override;

private:
  struct TAnswer {
    int Status = 200;
    QByteArray Type = "text/plain; charset=utf-8";
    QByteArray Body;
  };
  TAnswer Route(const QHttpServerRequest& aRequest) const;
  TAnswer ModuleList() const;
  TAnswer Module(int aType) const;
  // Every module served, by device type.
  QMap<int, QFileInfo> Modules() const;
  TAnswer DeviceDescription(const QHttpServerRequest& aRequest) const;
  TAnswer Page(const QString& aName) const;
  void Log(const QHttpServerRequest& aRequest, const TWebFault* aFault, const QJsonObject& aExtra = {});
  void SendFactory(const QHttpServerRequest& aRequest, QTcpSocket* aSocket);
  void Send(QTcpSocket* aSocket, const TAnswer& aAnswer, const TWebFault* aFault);
  static void Write(QTcpSocket* aSocket, const TAnswer& aAnswer, qint64 aBodyBytes);
  static void StreamHuge(QTcpSocket* aSocket, qint64 aBytes, bool aChunked);
  static void Trickle(QTcpSocket* aSocket, qint64 aEveryMs);

  TWebSimOptions FOptions;
  QString FBase;
  QFile FLog;
  TFactorySim FFactory;
};
