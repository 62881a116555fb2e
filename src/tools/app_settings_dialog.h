#pragma once

#include <QDialog>

class TMF;

// The program's own settings: theme and language for now. Changes apply at once.
class TAppSettingsDialog : public QDialog {
  Q_OBJECT
public:
  explicit TAppSettingsDialog(TMF& aWindow);

private:
  TMF& FWindow;
};
