#pragma once

#include <QPointer>
#include <QWidget>

class QLabel;
struct TThemeColors;

// A tab of the settings page's vertical tab strip: 48 px high, with a marker bar on the left.
// Checking it shows the page part it stands for and unchecks the other tabs of the strip.
class TTabPanel : public QWidget {
  Q_OBJECT
public:
  static constexpr int kHeight = 48;

  TTabPanel(QWidget* aOwner, const TThemeColors& aTheme);

  QString Dict() const { return FDict; }
  void SetDict(const QString& aValue) { FDict = aValue; }
  int Index() const { return FIndex; }
  bool Checked() const { return FChecked; }
  void SetChecked(bool aValue);
  QString Caption() const { return FCaption; }
  void SetCaption(const QString& aValue);
  QWidget* WinControl() const { return FWinControl; }
  void SetWinControl(QWidget* aValue) { FWinControl = aValue; }
  // Colours from the current palette.
  void UpdateStyle();
  QWidget* MarkerBar() const { return LPanel; }

Q_SIGNALS:
  void NotifyEvent(TTabPanel* aTab);

protected:
  void mousePressEvent(QMouseEvent* aEvent) override;
  void enterEvent(QEnterEvent* aEvent) override;
  void leaveEvent(QEvent* aEvent) override;
  void resizeEvent(QResizeEvent* aEvent) override;

private:
  QWidget* BPanel;
  QWidget* RPanel;
  QWidget* LPanel;
  QWidget* APanel;
  QWidget* SPanel;
  QLabel* FLabel;
  QWidget* FOwner;
  int FIndex = 0;
  bool FChecked = false;
  bool FHover = false;
  QString FCaption;
  QPointer<QWidget> FWinControl;
  QString FDict;
  const TThemeColors& FTheme;
};
