#pragma once

#include "settings/controls/control_class.h"

#include <QComboBox>

class QCheckBox;
class QToolButton;

// A bit of a stored integer (or a whole 0/1 value) in a check box without text.
class TFlagClass : public TControlClass {
  Q_OBJECT
public:
  TFlagClass(TSettingsContext& aContext, QWidget* aParent);
  bool GetValue(QVariant& aValue) const override;
  QCheckBox* CheckBox() const { return FCheck; }

protected:
  void ShowValue(const QVariant& aValue) override;
  void Layout() override;

private:
  QCheckBox* FCheck;
};

// A drop-down list that the mouse wheel never changes.
class TMyComboBox : public QComboBox {
  Q_OBJECT
public:
  using QComboBox::QComboBox;

protected:
  void wheelEvent(QWheelEvent* aEvent) override;
};

// A value chosen from the schema's list; the stored number of the selected item is the value.
class TListClass : public TControlClass {
  Q_OBJECT
public:
  TListClass(TSettingsContext& aContext, QWidget* aParent);
  void AddDicItem(int aID, const QString& aDict);
  // Fills the drop-down with the translated texts, keeping the selection.
  void Init() override;
  bool GetValue(QVariant& aValue) const override;
  void SetSettings(int aValue) override;
  TMyComboBox* Combo() const { return FCombo; }

protected:
  void ShowValue(const QVariant& aValue) override;
  void Layout() override;

private:
  TMyComboBox* FCombo;
};

// A button that runs the command named by its ident.
class TButtonClass : public TControlClass {
  Q_OBJECT
public:
  static constexpr int kButtonHeight = 42;
  TButtonClass(TSettingsContext& aContext, QWidget* aParent);
  int FullHeight() const override { return kButtonHeight; }
  void SetCaption(const QString& aValue) override;
  QToolButton* Button() const { return FButton; }

protected:
  void ShowValue(const QVariant&) override {}
  void Layout() override;

private:
  QToolButton* FButton;
};
