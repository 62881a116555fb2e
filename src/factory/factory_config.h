#pragma once

#include <QString>
#include <QUrl>

class TRegistry;

// Where the factory services live and the secrets they and the device expect. All of them are
// kept in the per-user store under "Factory"; the environment variables
// VELMORA_FACTORY_REGISTRATION and VELMORA_FACTORY_TEST override the two service addresses.
// Nothing is built in: a production line configures its own values.
struct TFactoryConfig {
  QUrl RegistrationService; // base address of the registration service
  QUrl TestService;         // base address of the test service
  QString TestToken;        // bearer token of the test service
  QString RegistrationKey;  // key of the encrypted registration query
  QString RegistrationIV;   // its initial counter
  QString DevicePassword;   // the factory password a type-304 device takes before its serial

  static TFactoryConfig Load(const TRegistry& aRegistry);

  // Everything a registration needs.
  bool CanRegister() const {
    return RegistrationService.isValid() && !RegistrationService.isEmpty() && !RegistrationKey.isEmpty() &&
           !RegistrationIV.isEmpty();
  }
  // Everything the type-304 flow needs on top of that.
  bool CanTest() const {
    return TestService.isValid() && !TestService.isEmpty() && !TestToken.isEmpty() &&
           !DevicePassword.isEmpty();
  }
};

inline constexpr char kFactoryKey[] = "Factory";
