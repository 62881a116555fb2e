#pragma once

#include "dialogs/car_list.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

// Picks a vehicle by brand, model and year from the vehicle list and returns its CAN program
// number; shows which parameters the program reads on which CAN bus of the device.
class TCarSelectFrm : public QDialog {
  Q_OBJECT
public:
  explicit TCarSelectFrm(QWidget* aParent = nullptr);

  // Loads the list; on failure the error text is for the caller to show.
  bool LoadCars(const QString& aFileName, QString* aError);

  QString DeviceVer() const { return FDeviceVer; }
  // The device type decides the number of CAN columns (empty without a selected port).
  void SetDeviceVer(const QString& aValue);
  int MaxCAN() const { return FMaxCAN; }
  // The chosen program: 0 while no vehicle is chosen.
  int SelectedProg() const { return FSelectedProg; }
  int CurrentCar() const { return FCurrentCar; }

  QComboBox* Brands() const { return cbBrand; }
  QComboBox* Models() const { return cbModel; }
  QComboBox* Years() const { return cbYear; }
  QTreeWidget* Params() const { return lvParams; }
  QString CanInfoText() const;
  QString InfoText() const;
  QPushButton* OKButton() const { return btnOK; }

  void cbBrandChange();
  void cbModelChange();
  void cbYearChange();

private:
  void BuildColumns();
  void ClearSelection();
  void FillParams();

  TCarList FCars;
  QString FDeviceVer;
  int FMaxCAN = 1;
  int FSelectedProg = 0;
  int FCurrentCar = -1;

  QComboBox* cbBrand = nullptr;
  QComboBox* cbModel = nullptr;
  QComboBox* cbYear = nullptr;
  QTreeWidget* lvParams = nullptr;
  QPlainTextEdit* mmoCanInfo = nullptr;
  QPlainTextEdit* mmoInfo = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;
};

// The vehicle "..." button of the CAN program setting: loads "CAN_AUTO.json" from the application
// data folder and opens the dialog for the device type, window-modal without blocking the caller.
// aChosen receives the program number when the user confirms. On a load failure no dialog is
// opened and nullptr is returned with the error text. The dialog deletes itself when closed.
TCarSelectFrm* ShowCarSelect(QWidget* aParent, const QString& aDeviceVer, std::function<void(int)> aChosen,
                             QString* aError);
