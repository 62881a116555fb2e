#pragma once

#include "base/color_ref.h"

#include <QString>
#include <QVariant>

class QObject;
class TPortInfo;

// What the exchange core and the port records need from the main window. The window implements
// it; tests implement it with a recorder. Every hook is pure: a hook nobody answers does not
// compile, so no part of the window can go missing quietly.
class IExchangeHost {
public:
  virtual ~IExchangeHost() = default;

  // The selected port, or none.
  virtual TPortInfo* Q() = 0;
  // Puts a value on the monitor element with ident aName (an invalid QVariant clears it); identity
  // idents also reach the shown port's record. True when an element took the value.
  virtual bool VisualSetValue(const QString& aName, const QVariant& aValue, int aAction = 1,
                              const QString& aValueAlter = QString(),
                              TColorRef aColor = clValuePlaceholder) = 0;
  // Dictionary lookup; an unknown key shows as itself.
  virtual QString Translate(const QString& aKey) = 0;
  // Hint kinds: 0 error, 1 success, 2 notice, 3 information.
  virtual void MainHintShow(int aKind, const QString& aText) = 0;

  // The log view and counters need refreshing (posted, coalesced by the window).
  virtual void PostLogChange() = 0;
  // Detection has just decided: start the identity poll and run it once at once.
  virtual void StartCheckNameTimer(QObject* aSender) = 0;
  // Running memory and file readings consume generation-1 packets.
  virtual void QOperationData2(int aIndex) = 0;
  virtual void QOperationData7(int aIndex) = 0;

  // Called while the generation changes.
  virtual void ClearVisualValues() = 0;
  virtual void LogViewClear() = 0;
  virtual void LogViewSetHex(bool aHex) = 0;
  virtual void LogViewSetRowCount(int aRows) = 0;
  virtual void SetFollow(bool aFollow) = 0;
  virtual void OpenSettingsPage() = 0;

  // Port record notifications.
  virtual void ControlsLoadSettings(const QString& aDeviceType) = 0;
  virtual void CommandsUpdate() = 0;
  virtual void CommandsExec(const QString& aCommand) = 0;
  virtual void RefreshCaption() = 0;
  virtual void SetSettingsVersionLabel(const QString& aText) = 0;
  virtual void PasswordEditChange() = 0;
  virtual void UpdateTypeInfo() = 0;
  virtual void ShowSettingsLocked(bool aLocked) = 0;
  // The Operation setter of a port: start operation aValue (0 ends the running one). False when
  // it was refused or the user cancelled its dialog; the port then keeps its operation.
  virtual bool StartOperation(TPortInfo* aPort, quint8 aValue) = 0;
  // The device information site is asked once per record; false means no connection.
  virtual bool InternetConnected() = 0;
  virtual void StartDeviceInfoRequest(TPortInfo* aPort, const QString& aPathAndQuery) = 0;
};
