#include "factory/factory_web.h"

#include "updates/web_client.h"

namespace {

void Deliver(TWebTransfer* aTransfer, IFactoryWeb::TDone aDone) {
  QObject::connect(aTransfer, &TWebTransfer::Finished, aTransfer, [aDone](const TWebResult& aResult) {
    TFactoryAnswer answer;
    answer.Network = aResult.Outcome != TWebOutcome::Ok;
    answer.Status = answer.Network ? 0 : aResult.Status;
    answer.Body = aResult.Body;
    answer.Error = aResult.Error;
    aDone(answer);
  });
}

} // namespace

void TFactoryWebClient::Get(const QUrl& aUrl, TDone aDone) {
  TWebClient::TRequest request;
  request.Url = aUrl;
  Deliver(FClient.Send(request, kMaxAnswer), std::move(aDone));
}

void TFactoryWebClient::PostJson(const QUrl& aUrl, const QByteArray& aToken, const QByteArray& aBody,
                                 TDone aDone) {
  TWebClient::TRequest request;
  request.Method = "POST";
  request.Url = aUrl;
  request.Headers = {{"Authorization", "Bearer " + aToken},
                     {"Content-Type", "application/json; charset=utf-8"}};
  request.Body = aBody;
  Deliver(FClient.Send(request, kMaxAnswer), std::move(aDone));
}
