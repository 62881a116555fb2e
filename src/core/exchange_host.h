#pragma once

#include "base/color_ref.h"

#include <QString>
#include <QVariant>

class QObject;
class TPortInfo;

// What the exchange core and the port records need from the main window. The window implements
// it; tests implement it with a recorder. Every hook does nothing until the window part that owns
// it connects it, so logging, framing and sending work on their own.
class IExchangeHost {
public:
  virtual ~IExchangeHost() = default;

  // The selected port, or none.
  virtual TPortInfo* Q() { return nullptr; }
  // Puts a value on the monitor element with ident aName (an invalid QVariant clears it); identity
  // idents also reach the shown port's record. True when an element took the value.
  virtual bool VisualSetValue(const QString& /*aName*/, const QVariant& /*aValue*/, int /*aAction*/ = 1,
                              const QString& /*aValueAlter*/ = QString(), TColorRef /*aColor*/ = clValuePlaceholder) {
    return false;
  }
  // Dictionary lookup; an unknown key shows as itself.
  virtual QString Translate(const QString& aKey) { return aKey; }
  // Hint kinds: 0 error, 1 success, 2 notice, 3 information.
  virtual void MainHintShow(int /*aKind*/, const QString& /*aText*/) {}

  // The log view and counters need refreshing (posted, coalesced by the window).
  virtual void PostLogChange() {}
  // Detection has just decided: start the identity poll and run it once at once.
  virtual void StartCheckNameTimer(QObject* /*aSender*/) {}
  // Running memory and file readings consume generation-1 packets.
  virtual void QOperationData2(int /*aIndex*/) {}
  virtual void QOperationData7(int /*aIndex*/) {}

  // Called while the generation changes.
  virtual void ClearVisualValues() {}
  virtual void LogViewClear() {}
  virtual void LogViewSetHex(bool /*aHex*/) {}
  virtual void LogViewSetRowCount(int /*aRows*/) {}
  virtual void SetFollow(bool /*aFollow*/) {}
  virtual void OpenSettingsPage() {}

  // Port record notifications.
  virtual void ControlsLoadSettings(const QString& /*aDeviceType*/) {}
  virtual void CommandsUpdate() {}
  virtual void CommandsExec(const QString& /*aCommand*/) {}
  virtual void RefreshCaption() {}
  virtual void SetSettingsVersionLabel(const QString& /*aText*/) {}
  virtual void PasswordEditChange() {}
  virtual void UpdateTypeInfo() {}
  virtual void ShowSettingsLocked(bool /*aLocked*/) {}
  virtual void OperationChanged(TPortInfo* /*aPort*/) {}
  // The device information site is asked once per record; false means no connection.
  virtual bool InternetConnected() { return true; }
  virtual void StartDeviceInfoRequest(TPortInfo* /*aPort*/, const QString& /*aPathAndQuery*/) {}
};
