#include "updates/service_hosts.h"

#include "platform/registry.h"

TServiceHosts TServiceHosts::Load(const TRegistry& aRegistry) {
  auto pick = [&aRegistry](const char* aEnv, const char* aName) {
    const QString env = qEnvironmentVariable(aEnv);
    if (!env.trimmed().isEmpty())
      return env;
    return aRegistry.Read(QString::fromLatin1(kServicesKey), QString::fromLatin1(aName)).toString();
  };
  TServiceHosts hosts;
  hosts.InfoSite = Normalize(pick("VELMORA_INFO_SITE", "InfoSite"));
  hosts.SettingsService =
      Normalize(pick("VELMORA_SETTINGS_SERVICE", "SettingsService"), kSettingsServicePort);
  return hosts;
}

QUrl TServiceHosts::Normalize(const QString& aValue, int aDefaultPort) {
  QString text = aValue.trimmed();
  if (text.isEmpty())
    return QUrl();
  if (!text.contains(QLatin1String("://")))
    text.prepend(QLatin1String("http://"));
  QUrl url(text, QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || url.host().isEmpty() ||
      (scheme != QLatin1String("http") && scheme != QLatin1String("https")) || url.hasQuery() ||
      url.hasFragment())
    return QUrl();
  if (url.port() < 0 && aDefaultPort > 0 && scheme == QLatin1String("http"))
    url.setPort(aDefaultPort);
  QString path = url.path();
  while (path.endsWith(QLatin1Char('/')))
    path.chop(1);
  url.setPath(path);
  return url;
}

QUrl TServiceHosts::Join(const QUrl& aBase, const QString& aPathAndQuery) {
  if (aBase.isEmpty())
    return QUrl();
  return QUrl::fromEncoded(aBase.toEncoded() + aPathAndQuery.toUtf8(), QUrl::StrictMode);
}
