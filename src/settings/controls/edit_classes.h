#pragma once

#include "settings/controls/control_class.h"

class QToolButton;

// A text setting in an edit box; its bounds are lengths.
class TStringClass : public TControlClass {
  Q_OBJECT
public:
  TStringClass(TSettingsContext& aContext, QWidget* aParent);
  bool GetValue(QVariant& aValue) const override;
  // The message the current text deserves; empty when it is valid.
  QString Check() const;

protected:
  void ShowValue(const QVariant& aValue) override;
  void Layout() override;
  void Validate() override;
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override;
};

// A text setting picked from a scanned list (BLE devices, Wi-Fi networks, cell towers).
class TStringWithButtonClass : public TStringClass {
  Q_OBJECT
public:
  static constexpr int kButtonWidth = 25;
  TStringWithButtonClass(TSettingsContext& aContext, QWidget* aParent);
  QToolButton* Button() const { return FButton; }

protected:
  void Layout() override;

private:
  QToolButton* FButton;
};

// A number in an edit box, as a 64-bit integer so every 4-byte value fits.
class TIntegerClass : public TControlClass {
  Q_OBJECT
public:
  TIntegerClass(TSettingsContext& aContext, QWidget* aParent);
  bool GetValue(QVariant& aValue) const override;
  void SetSetting(int aValue) { SetSettings(aValue); }
  QString Check() const;

protected:
  void ShowValue(const QVariant& aValue) override;
  void Layout() override;
  void Validate() override;
};

// The vehicle bus program, picked from the vehicle list.
class TIntegerWithButtonClass : public TIntegerClass {
  Q_OBJECT
public:
  static constexpr int kButtonWidth = 25;
  TIntegerWithButtonClass(TSettingsContext& aContext, QWidget* aParent);
  QToolButton* Button() const { return FButton; }

protected:
  void Layout() override;

private:
  QToolButton* FButton;
};
