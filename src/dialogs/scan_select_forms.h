#pragma once

#include "device/scan_picker.h"

#include <QDialog>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QTableView;

// What the pickers need from the window: its clock, the way to the selected port and the
// dictionary.
struct TPickerServices {
  const TClock* Clock = nullptr;
  TScanPicker::TSend Send;
  std::function<QString(const QString& aKey)> Translate;
};

// A fixed dialog over a picker: the list, the scan button, OK, Cancel and the status line. It
// shows the picker's rows and forwards the user's clicks; the picker decides.
class TScanSelectForm : public QDialog {
  Q_OBJECT
public:
  TScanPicker& Picker() const { return *FPicker; }
  QTableView* List() const { return lvDevices; }
  QPushButton* ScanButton() const { return btnScan; }
  QPushButton* OKButton() const { return btnOK; }
  QPushButton* CancelButton() const { return btnCancel; }
  QLabel* StatusLabel() const { return FStatusLabel; }
  // The value confirmed with OK; empty otherwise.
  QString Selected() const { return FSelected; }

protected:
  struct TLayout {
    QSize Size;
    QString TitleKey;
    QStringList HeaderKeys;
  };
  TScanSelectForm(TScanPicker* aPicker, const TPickerServices& aServices, const TLayout& aLayout,
                  QWidget* aParent);
  void showEvent(QShowEvent* aEvent) override;

private:
  void UpdateState();
  void SelectRow(int aRow);
  void OK();
  void DoubleClicked();

  TScanPicker* FPicker;
  std::function<QString(const QString&)> FTranslate;
  QString FSelected;
  bool FShown = false;
  QTableView* lvDevices = nullptr;
  QPushButton* btnScan = nullptr;
  QPushButton* btnOK = nullptr;
  QPushButton* btnCancel = nullptr;
  QLabel* FStatusLabel = nullptr;
};

// Picks a BLE sensor or beacon; the result is its address.
class TBLEDeviceSelectForm : public TScanSelectForm {
  Q_OBJECT
public:
  TBLEDeviceSelectForm(TBLEDeviceList& aList, std::unique_ptr<IBLEScanner> aScanner,
                       const TPickerServices& aServices, QWidget* aParent = nullptr);
  QString SelectedMAC() const { return Selected(); }
};

// Picks a Wi-Fi network; the result is its name.
class TWiFiSelectForm : public TScanSelectForm {
  Q_OBJECT
public:
  TWiFiSelectForm(TWiFiList& aList, std::unique_ptr<IWiFiScanner> aScanner, const TPickerServices& aServices,
                  QWidget* aParent = nullptr);
  QString SelectedSSID() const { return Selected(); }
};

// Picks a mobile-network cell; the result is its area code and cell identifier joined by ";".
class TLBSSelectForm : public TScanSelectForm {
  Q_OBJECT
public:
  TLBSSelectForm(TLBSList& aList, const TPickerServices& aServices, QWidget* aParent = nullptr);
  QString SelectedLBS() const { return Selected(); }
};

// Opens aForm window-modal without blocking the caller; aChosen receives the confirmed value
// (possibly empty: OK without a selected row). The dialog deletes itself when closed.
TScanSelectForm* OpenScanSelect(TScanSelectForm* aForm, std::function<void(const QString&)> aChosen);
