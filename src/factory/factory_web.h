#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>

class TWebClient;

// What a factory service answered. Network is true when no answer came at all (refused, unknown
// host, time-out, broken transfer); then Error says why and Status is 0.
struct TFactoryAnswer {
  bool Network = false;
  int Status = 0;
  QByteArray Body;
  QString Error;
};

// The two requests of the factory flows. Each calls aDone exactly once, later, on this thread.
class IFactoryWeb {
public:
  virtual ~IFactoryWeb() = default;
  using TDone = std::function<void(const TFactoryAnswer&)>;
  virtual void Get(const QUrl& aUrl, TDone aDone) = 0;
  // POST of a JSON body with a bearer token.
  virtual void PostJson(const QUrl& aUrl, const QByteArray& aToken, const QByteArray& aBody, TDone aDone) = 0;
};

// Over the program's web client, with its time-outs and a cap on the answer.
class TFactoryWebClient : public IFactoryWeb {
public:
  static constexpr qint64 kMaxAnswer = 1 << 20;
  explicit TFactoryWebClient(TWebClient& aClient) : FClient(aClient) {}
  void Get(const QUrl& aUrl, TDone aDone) override;
  void PostJson(const QUrl& aUrl, const QByteArray& aToken, const QByteArray& aBody, TDone aDone) override;

private:
  TWebClient& FClient;
};
