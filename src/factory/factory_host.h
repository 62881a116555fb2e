#pragma once

#include "factory/factory_config.h"

#include <QString>
#include <QtGlobal>
#include <functional>

class TPortInfo;

// What the factory flows need from the main window beyond IExchangeHost and IOperationsHost: the
// configured services, the production lot and its dialog, the sticker and a message box. The
// window implements it; tests implement it with a recorder.
class IFactoryHost {
public:
  virtual ~IFactoryHost() = default;

  // Read at every start, so a changed configuration applies to the next device.
  virtual TFactoryConfig FactoryConfig() const = 0;
  // The stored lot (0: none) and whether the user confirmed it during this run.
  virtual quint16 LotNumber() const = 0;
  virtual bool LotConfirmed() const = 0;
  // Opens the lot dialog without blocking; aDone runs once it is closed, whatever the answer.
  virtual void AskLotNumber(std::function<void()> aDone) = 0;
  // The sticker of a device that has taken its ID (printed at once with automatic printing on).
  virtual void ShowSticker(const TPortInfo& aPort) = 0;
  // A message the operator must acknowledge; must not block the caller.
  virtual void FactoryMessage(const QString& aText) = 0;
};
