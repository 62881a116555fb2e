#pragma once

#include "base/color_ref.h"

#include <QString>
#include <QVariant>
#include <QtGlobal>

// A value line that a status record makes on the fly: pins and external sensors are not in the
// monitor layout, so the first record of each creates its line at the end of a section.
struct TDynamicItem {
  // The section that receives the line when no element has the ident yet; when the section does
  // not exist either, the record shows nothing.
  QString Section;
  QString Ident;
  // Given to a line made now; with CaptionAlways also to a line that already exists (pin lines
  // follow the pin type the device reports).
  QString Caption;
  bool CaptionAlways = false;
  // Written as the element's value (an empty text is a value and keeps the line visible).
  QVariant Value;
  TColorRef Color = clValuePlaceholder;
  // "D_", "E_" or "Y_" set on the line directly; empty leaves the icon as it is.
  QString IconPrefix;
  // With SetUnits the line's units become Units (empty: none).
  bool SetUnits = false;
  QString Units;
};

// What the status record decoder needs from the main window beyond IExchangeHost. The window
// implements both; tests implement them with a recorder.
class IStatusHost {
public:
  virtual ~IStatusHost() = default;

  // The operation the update timer supervises (0 none, 4, 5, 6, 8, 9).
  virtual quint8 UpdateOperation() const = 0;
  // Moves the factory flow of operations 8 and 9 on (the device's INFO test passed).
  virtual void SetUpdateStage(quint8 aStage) = 0;
  // The stage of that flow (0 idle, 1 start, 2 testing, 3 register, 4 check).
  virtual quint8 UpdateStage() const = 0;
  // The last reported state of output 0; the inputs and outputs panel switches it.
  virtual bool SetValueOut(bool aValue) = 0;
  // The theme's link colour (0x00BBGGRR): data sources other than satellites use it.
  virtual TColorRef LinkColor() const = 0;

  // Finds the line by ident (creating it in its section when missing) and writes the item into
  // it, stamping its last update time.
  virtual void SetDynamicItem(const TDynamicItem& aItem) = 0;

  // Scan reports; the decoder queues them to the event loop, so they arrive after the record
  // that carried them has been handled. The texts are as the device sent them (RSSI as text).
  virtual void AddOrUpdateBLEDevice(const QString& aMAC, const QString& aRSSI,
                                    const QString& aDataBase64) = 0;
  virtual void AddOrUpdateWiFi(const QString& aMAC, const QString& aRSSI, const QString& aSSID) = 0;
  virtual void AddOrUpdateLBS(const QString& aMCC, const QString& aMNC, const QString& aRSSI,
                              const QString& aCID, const QString& aLAC) = 0;

  // The device's settings image (Base64 text, quotes removed): decode, check and apply it to the
  // settings page, reporting its own errors. The decoder marks the port's settings as present
  // afterwards whatever happens here.
  virtual void ApplySettingsImage(const QString& aBase64) = 0;
  // The value of an "UPD" record for the firmware transfer: restart its watchdog and answer the
  // frame. May throw; the record then stays unrecognised like any failed record.
  virtual void FirmwareTransferFrame(const QString& aValue) = 0;
};
