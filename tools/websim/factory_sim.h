#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

class QHttpServerRequest;

// The two factory services: the registration service, which takes an encrypted query, and the
// test service, which hands out serial numbers. Their answers are chosen by switch, so that a
// flow can be walked through every outcome.
struct TFactorySimOptions {
  QString Key;   // of the encrypted registration query
  QString IV;    // its initial counter
  QString Token; // the test service's bearer token
  // inserted, updated, error, 500, garbage or hang
  QString RegistrationAnswer = QStringLiteral("inserted");
  // ok, 500, garbage, nosn or hang
  QString TestAnswer = QStringLiteral("ok");
  quint32 FirstId = 0x1A2B3; // the registration service's serials, hexadecimal
  quint64 FirstSerial = 123; // the test service's serials, decimal
  int HangMs = 40000;        // a hanging answer closes the connection after this long
};

struct TFactoryReply {
  int Status = 200;
  QByteArray Type = "application/json";
  QByteArray Body;
  bool Hang = false;
  QJsonObject Log; // what the log line adds about the request
};

class TFactorySim {
public:
  explicit TFactorySim(const TFactorySimOptions& aOptions) : FOptions(aOptions) {}
  const TFactorySimOptions& Options() const { return FOptions; }
  static bool Handles(const QString& aPath);
  TFactoryReply Handle(const QHttpServerRequest& aRequest);
  static bool IsAnswer(const QString& aValue, bool aRegistration);

private:
  TFactoryReply Registration(const QHttpServerRequest& aRequest);
  TFactoryReply TestService(const QHttpServerRequest& aRequest);

  TFactorySimOptions FOptions;
  quint32 FNextId = 0;
  quint64 FNextSerial = 0;
  int FQuantity = 0;
};
