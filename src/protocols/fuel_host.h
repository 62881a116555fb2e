#pragma once

#include <QString>
#include <optional>

// One element of the fuel-sensor master's settings page, as the write-back needs it.
struct TFuelField {
  QString Text;
  // Names the field in a refusal; the ident when empty.
  QString Caption;
  // The device (or a file) has given the element a value.
  bool IsSet = false;
  // Its value differs from the one the program last put there.
  bool Changed = false;
};

// What the generation-3 decoder and the write-back need of the settings page of a fuel-sensor
// master beyond IExchangeHost (values reach the page through VisualSetValue). The window
// implements it; tests implement it with a recorder.
class IFuelHost {
public:
  virtual ~IFuelHost() = default;

  // The page element with this ident; nothing when the page has none.
  virtual std::optional<TFuelField> FuelField(const QString& aIdent) = 0;
  // Removes the elements the previous search made (only those) from the "SensorResult" section;
  // false when the page has no such section.
  virtual bool ClearSensorResults() = 0;
  // Adds one found sensor to the "SensorResult" section. Its caption is final: a language switch
  // must not replace it with a translation of the ident.
  virtual void AddSensorResult(const QString& aIdent, const QString& aCaption, const QString& aValue) = 0;
};
