#pragma once

#include <QObject>
#include <QString>
#include <functional>

struct TMonitorContext;
class TRegistry;
class TControlClass;

// What the settings page's elements need from the window beyond the monitor's context: where
// validation messages go, the per-user store of the input history, and the window's answers for
// buttons. The window owns it and keeps it valid for the elements' life.
struct TSettingsContext {
  TMonitorContext* Monitor = nullptr;
  TRegistry* Registry = nullptr;
  // SettingsError: a setting number and its message, empty when the value is valid, from the
  // control that checked it.
  std::function<void(int aNumber, const QString& aText, const QObject* aSource)> SettingsError;
  // A button element runs the command named by its ident.
  std::function<void(const QString& aCommand)> RunCommand;
  // A "..." button: let the user pick the element's value from a list.
  std::function<void(TControlClass* aControl)> PickValue;
};
