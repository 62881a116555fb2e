#include "factory_sim.h"

#include "updates/crypto/aes128ctr.h"
#include "updates/crypto/checksums.h"

#include <QHttpServerRequest>
#include <QJsonDocument>
#include <QUrl>

namespace {

constexpr char kRegistrationPath[] = "/factory_qmr.php";
constexpr char kTestPath[] = "/v1/devices";

QByteArray Json(const QJsonObject& aObject) {
  return QJsonDocument(aObject).toJson(QJsonDocument::Compact);
}

} // namespace

bool TFactorySim::Handles(const QString& aPath) {
  return aPath == QLatin1String(kRegistrationPath) || aPath == QLatin1String(kTestPath);
}

bool TFactorySim::IsAnswer(const QString& aValue, bool aRegistration) {
  static const QStringList registration = {QStringLiteral("inserted"), QStringLiteral("updated"),
                                           QStringLiteral("error"),    QStringLiteral("500"),
                                           QStringLiteral("garbage"),  QStringLiteral("hang")};
  static const QStringList test = {QStringLiteral("ok"), QStringLiteral("500"), QStringLiteral("garbage"),
                                   QStringLiteral("nosn"), QStringLiteral("hang")};
  return (aRegistration ? registration : test).contains(aValue);
}

TFactoryReply TFactorySim::Handle(const QHttpServerRequest& aRequest) {
  if (aRequest.url().path() == QLatin1String(kRegistrationPath))
    return Registration(aRequest);
  return TestService(aRequest);
}

TFactoryReply TFactorySim::Registration(const QHttpServerRequest& aRequest) {
  TFactoryReply reply;
  if (aRequest.method() != QHttpServerRequest::Method::Get)
    return {405, "text/plain", "GET only\n", false, {}};
  // The whole query is the Base64 text, taken as it came.
  const QString cipher = aRequest.url().query(QUrl::FullyEncoded);
  bool base64 = false;
  const QByteArray bytes = Base64Decode(cipher, &base64);
  const QString plain =
      base64 ? QString::fromUtf8(TAES128CTR::Apply(bytes, FOptions.Key, FOptions.IV)) : QString();
  const qsizetype crcAt = plain.lastIndexOf(QLatin1String("&crc="));
  bool crcOk = false;
  if (crcAt > 0) {
    bool number = false;
    const quint32 crc = plain.mid(crcAt + 5).toUInt(&number);
    crcOk = number && crc == Crc32Text(plain.left(crcAt));
  }
  reply.Log[QStringLiteral("decrypted")] = plain;
  reply.Log[QStringLiteral("crcOk")] = crcOk;
  if (!crcOk)
    return {400, "application/json", Json({{QStringLiteral("ans"), QStringLiteral("bad request")}}), false,
            reply.Log};

  const QString& mode = FOptions.RegistrationAnswer;
  if (mode == QLatin1String("hang")) {
    reply.Hang = true;
    return reply;
  }
  if (mode == QLatin1String("500"))
    return {500, "text/html", "<html><body>Internal Server Error</body></html>\n", false, reply.Log};
  if (mode == QLatin1String("garbage"))
    return {200, "text/html", "<html><body>Please log in.</body></html>\n", false, reply.Log};
  const quint32 id = FOptions.FirstId + FNextId++;
  if (mode != QLatin1String("error"))
    ++FQuantity;
  QJsonObject answer;
  answer[QStringLiteral("ans")] = mode;
  answer[QStringLiteral("sn")] = QString::number(id, 16).toUpper();
  answer[QStringLiteral("quantity")] = FQuantity;
  reply.Body = Json(answer);
  return reply;
}

TFactoryReply TFactorySim::TestService(const QHttpServerRequest& aRequest) {
  TFactoryReply reply;
  const QByteArray authorization = aRequest.value("Authorization");
  const QByteArray type = aRequest.value("Content-Type");
  reply.Log[QStringLiteral("body")] = QString::fromUtf8(aRequest.body());
  reply.Log[QStringLiteral("contentType")] = QString::fromUtf8(type);
  reply.Log[QStringLiteral("tokenOk")] = authorization == "Bearer " + FOptions.Token.toUtf8();
  if (aRequest.method() != QHttpServerRequest::Method::Post)
    return {405, "application/json", "{\"error\":\"POST only\"}", false, reply.Log};
  if (authorization != "Bearer " + FOptions.Token.toUtf8())
    return {401, "application/json", "{\"error\":\"unauthorized\"}", false, reply.Log};
  if (type != "application/json; charset=utf-8")
    return {415, "application/json", "{\"error\":\"unsupported media type\"}", false, reply.Log};
  if (!QJsonDocument::fromJson(aRequest.body()).isObject())
    return {400, "application/json", "{\"error\":\"bad json\"}", false, reply.Log};

  const QString& mode = FOptions.TestAnswer;
  if (mode == QLatin1String("hang")) {
    reply.Hang = true;
    return reply;
  }
  if (mode == QLatin1String("500"))
    return {500, "application/json", "{\"error\":\"internal\"}", false, reply.Log};
  if (mode == QLatin1String("garbage"))
    return {201, "text/html", "<html>created</html>", false, reply.Log};
  const quint64 serial = FOptions.FirstSerial + FNextSerial++;
  QJsonObject answer;
  answer[QStringLiteral("id")] = QString::number(serial + 1000);
  if (mode != QLatin1String("nosn"))
    answer[QStringLiteral("sn")] = QString::number(serial);
  return {201, "application/json", Json(answer), false, reply.Log};
}
