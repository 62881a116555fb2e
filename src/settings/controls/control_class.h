#pragma once

#include "monitor/elements.h"
#include "settings/input_history.h"

#include <QColor>
#include <QPointer>
#include <QTimer>
#include <memory>

class QLabel;
class QLineEdit;
class THistoryPopup;
struct TSettingsContext;

// A settings element: caption on the left, an editor in the middle, units on the right. It knows
// its setting number and bounds, whether the device (or a file) has given it a value, and keeps
// what the user typed before in an input history.
class TControlClass : public TBaseClass {
  Q_OBJECT
public:
  static constexpr int kHeight = 23;
  static constexpr int kFlashMs = 180;

  TControlClass(TSettingsContext& aContext, QWidget* aParent);
  ~TControlClass() override;

  void SetCaption(const QString& aValue) override;
  QString Units() const { return FUnits; }
  void SetUnits(const QString& aValue);
  int Settings() const { return FSetting; }
  virtual void SetSettings(int aValue);
  QString HistoryKey() const { return FHistoryKey; }
  void SetHistoryKey(const QString& aValue) { FHistoryKey = aValue; }
  int Bit() const { return FBit; }
  void SetBit(int aValue) { FBit = aValue; }
  QVariant Min() const { return FMin; }
  void SetMin(const QVariant& aValue) { FMin = aValue; }
  QVariant Max() const { return FMax; }
  void SetMax(const QVariant& aValue) { FMax = aValue; }
  QWidget* WinControl() const { return FControl; }
  bool IsSet() const { return FIsSet; }

  // Keys of the caption and units, for a change of language.
  void SetTextKeys(const QString& aCaptionKey, const QString& aUnitsKey);
  void Retranslate() override;
  // Caption and units in the current theme's colours (red ones stay red).
  void UpdateStyle();

  int FullHeight() const override { return kHeight; }
  void SetValue(const QVariant& aValue) override;
  // The device's answer: shown like any value and kept as the device's own. The device's own value
  // is taken as it is even outside the page's bounds or list; it is marked instead of refused.
  void SetDeviceValue(const QVariant& aValue);
  QVariant DeviceValue() const { return FDeviceValue; }
  bool OwnValueMarked() const { return FOwnMark; }
  // The value to store; false when the element has none to give (a list without selection).
  virtual bool GetValue(QVariant& aValue) const;
  // Empties the editor; the element no longer counts as set.
  virtual void ClearValue();
  // Red caption and units when the element is not set.
  void Colorize();
  bool Colorized() const { return FRed; }
  QColor CaptionColor() const;

  // History group: HistoryKey, else the setting number; empty without either.
  QString HistoryGroup() const { return TInputHistory::GroupOf(FHistoryKey, FSetting); }
  TInputHistory& History();
  virtual void ShowHistory();
  THistoryPopup* HistoryPopup() const;
  QLineEdit* Edit() const { return FEdit; }
  bool Flashing() const { return FFlashTimer.isActive(); }

protected:
  // The value shown in the editor.
  virtual void ShowValue(const QVariant& aValue) = 0;
  // Positions of caption, editor, button and units for the element's width.
  virtual void Layout() = 0;
  virtual void Validate() {}
  void resizeEvent(QResizeEvent* aEvent) override;
  void hideEvent(QHideEvent* aEvent) override;
  void leaveEvent(QEvent* aEvent) override;
  bool eventFilter(QObject* aWatched, QEvent* aEvent) override;

  // Creates the edit box as the editor, with history, flash and the not-set notice.
  QLineEdit* MakeEdit();
  // Caption in double quotes with a leading space; empty for an empty caption unless aAlways.
  QString QuotedCaption(bool aAlways) const;
  void Report(const QString& aText);
  // aMessage, unless aShown is the device's own value: then no message, and the mark.
  QString ExceptOwnValue(const QString& aMessage, const QString& aShown);
  void SetOwnMark(bool aOn);
  void NotSetNotice();
  void Place(QWidget* aWidget, double aLeft, double aWidth);
  void PlaceLabel(QLabel* aLabel, double aLeft, double aWidth);
  // The layouts of an edit box or list (aNarrow: an integer's narrow box) and of an editor with a
  // "..." button.
  void LayoutEditor(bool aNarrow);
  void LayoutWithButton(QWidget* aButton);
  // Makes a read-only display of an edit box (setting number 0).
  void ApplyReadOnly();

  TSettingsContext& FSettings;
  bool FIsSet = false;
  QLabel* FCLabel = nullptr;
  QLabel* FULabel = nullptr;
  QWidget* FControl = nullptr;
  QLineEdit* FEdit = nullptr;
  int FSetting = 0;
  int FBit = -1;
  QVariant FMin;
  QVariant FMax;
  QString FUnits;
  QString FHistoryKey;
  QString FCaptionKey;
  QString FUnitsKey;
  bool FRed = false;
  QVariant FDeviceValue;
  bool FOwnMark = false;
  QPointer<THistoryPopup> FHistoryForm;
  std::unique_ptr<TInputHistory> FHistoryValues;
  bool FHistoryDeleting = false;
  QTimer FFlashTimer;
  QString FFlashOldStyle;
  bool FDisabledUntilLeave = false;

private:
  friend class THistoryPopup;
  void Flash();
  void ConfirmEdit();
  void ChooseHistory(const QString& aText);
};
