#include "factory/factory_config.h"

#include "platform/registry.h"
#include "updates/service_hosts.h"

TFactoryConfig TFactoryConfig::Load(const TRegistry& aRegistry) {
  auto value = [&aRegistry](const char* aName) {
    return aRegistry.Read(QString::fromLatin1(kFactoryKey), QString::fromLatin1(aName)).toString();
  };
  auto host = [&value](const char* aEnv, const char* aName) {
    const QString env = qEnvironmentVariable(aEnv);
    return TServiceHosts::Normalize(env.trimmed().isEmpty() ? value(aName) : env);
  };
  TFactoryConfig config;
  config.RegistrationService = host("VELMORA_FACTORY_REGISTRATION", "RegistrationService");
  config.TestService = host("VELMORA_FACTORY_TEST", "TestService");
  config.TestToken = value("TestToken");
  config.RegistrationKey = value("RegistrationKey");
  config.RegistrationIV = value("RegistrationIV");
  config.DevicePassword = value("DevicePassword");
  return config;
}
