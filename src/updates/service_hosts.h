#pragma once

#include <QString>
#include <QUrl>

class TRegistry;

// Where the web services live. Each is a base address kept in the per-user store under
// "Services"; the environment variables VELMORA_INFO_SITE and VELMORA_SETTINGS_SERVICE override it.
// With no address a service is simply not asked.
struct TServiceHosts {
  QUrl InfoSite;        // program information, device descriptions, welcome pages
  QUrl SettingsService; // settings modules

  static TServiceHosts Load(const TRegistry& aRegistry);
  // "host", "host:port" or "http(s)://host[:port][/base]"; anything else is no address. The
  // settings service listens on 8089 unless the address names a port.
  static QUrl Normalize(const QString& aValue, int aDefaultPort = -1);

  // aPathAndQuery is already encoded.
  QUrl InfoUrl(const QString& aPathAndQuery) const { return Join(InfoSite, aPathAndQuery); }
  QUrl SettingsUrl(const QString& aPathAndQuery) const { return Join(SettingsService, aPathAndQuery); }
  static QUrl Join(const QUrl& aBase, const QString& aPathAndQuery);
};

inline constexpr char kServicesKey[] = "Services";
inline constexpr int kSettingsServicePort = 8089;
