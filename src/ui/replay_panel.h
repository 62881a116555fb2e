#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QDoubleSpinBox;
class QToolButton;
class TIcons;

// The strip above the pages that plays a saved log into the VIRTUAL port: open or close a log,
// play, pause, stop, step, speed and loop.
class TReplayPanel : public QWidget {
  Q_OBJECT
public:
  explicit TReplayPanel(QWidget* aParent);

  void SetOpen(bool aOpen);
  bool IsOpen() const { return FOpen; }
  double Speed() const;
  void SetSpeed(double aSpeed);
  bool Loop() const;
  void SetIcons(const TIcons& aIcons);
  void Retranslate(int aLanguage);

Q_SIGNALS:
  void OpenCloseClicked();
  void PlayClicked();
  void PauseClicked();
  void StopClicked();
  void StepClicked();
  void StepBackClicked();
  void SpeedChanged(double aSpeed);
  void LoopChanged(bool aLoop);
  void CloseClicked();

private:
  QToolButton* Button(const char* aName);

  bool FOpen = false;
  int FLanguage = 0;
  QToolButton* FOpenClose;
  QToolButton* FPlay;
  QToolButton* FPause;
  QToolButton* FStop;
  QToolButton* FStepBack;
  QToolButton* FStep;
  QToolButton* FClose;
  QLabel* FSpeedLabel;
  QDoubleSpinBox* FSpeed;
  QCheckBox* FLoop;
};
