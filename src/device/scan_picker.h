#pragma once

#include "platform/ble_scanner.h"
#include "platform/wifi_scanner.h"
#include "protocols/scan_lists.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

class TClock;

// What the status line of a picker says.
enum TPickerStatus { psIdle, psTracker, psPCAdapter, psNoBluetooth, psNoWiFi };
// The dictionary key of a status text; empty for psIdle.
QString PickerStatusKey(TPickerStatus aStatus);

// One row as shown, with copies of what it needs later: the rows never point into the list,
// which changes (and frees entries) between refreshes.
struct TPickerRow {
  QStringList Cells;
  QString Key; // the row's identity across refreshes
  qint32 RSSI = -999;
  QString Value; // what confirming this row yields
};

// The logic of a list picker: the tracker's scan commands, the refresh and fall-back timing, the
// rows, their order and the selection kept across refreshes. The dialog shows this model and
// forwards clicks; time comes from the clock (a heartbeat runs the steps that are due), so tests
// drive it without waiting.
class TScanPicker : public QAbstractTableModel {
  Q_OBJECT
public:
  // Sends one command line to the selected port; does nothing without one.
  using TSend = std::function<void(const QByteArray& aLine)>;
  static constexpr int kFallbackMs = 5000;

  ~TScanPicker() override;

  int rowCount(const QModelIndex& aParent = QModelIndex()) const override;
  int columnCount(const QModelIndex& aParent = QModelIndex()) const override;
  QVariant data(const QModelIndex& aIndex, int aRole = Qt::DisplayRole) const override;
  QVariant headerData(int aSection, Qt::Orientation aOrientation, int aRole = Qt::DisplayRole) const override;
  void SetHeaders(const QStringList& aCaptions);

  // The dialog appeared: start from an empty list.
  void Show();
  // The scan button.
  void ToggleScan();
  void StartScan();
  void StopScan();
  // The dialog closes, however.
  void Close();
  // Runs the refresh and fall-back steps whose time has come.
  void Tick();
  // Rebuilds the rows from the list, sorted, and selects again the row that was selected.
  void Refresh();

  // A click on a column header: the same column reverses the order, another sorts by it (RSSI
  // strongest first, text A to Z). Pickers with a fixed order ignore it.
  void HeaderClicked(int aColumn);
  int SortColumn() const { return FSortColumn; }
  bool SortAscending() const { return FSortAscending; }

  // The view's selection (-1: none).
  void SetSelectedRow(int aRow);
  int SelectedRow() const { return FSelectedRow; }
  // OK and double click: the selected row's value (empty without one); its key is kept.
  QString Confirm();

  bool ScanActive() const { return FScanActive; }
  bool PCActive() const { return FPCActive; }
  TPickerStatus Status() const { return FStatus; }
  QString SavedKey() const { return FSavedKey; }
  const TPickerRow& Row(int aRow) const { return FRows.at(aRow); }
  int RefreshMs() const { return FRefreshMs; }

Q_SIGNALS:
  // The scan button's text or the status changed.
  void StateChanged();
  // After a refresh: the row to select and scroll into view (-1: none).
  void SelectRow(int aRow);

protected:
  struct TShape {
    QList<bool> NumericColumns; // compared as signal levels; the others as text ignoring case
    int SortColumn = 0;
    bool Sortable = true;
    int RefreshMs = 2000;
    bool Fallback = false;
    bool HasStatus = true;
    QByteArray StartCommand;
    QByteArray StopCommand;
    // What the status says when neither the tracker nor the PC can scan.
    TPickerStatus NoRadio = psIdle;
  };
  TScanPicker(const TClock& aClock, TSend aSend, TShape aShape, QObject* aParent);

  virtual void ClearList() = 0;
  virtual int ListCount() const = 0;
  virtual QList<TPickerRow> BuildRows() const = 0;
  // The tracker found nothing: start the PC's radio. Call PCStarted or PCFailed, now or later.
  virtual void StartPC() = 0;
  virtual void StopPC() = 0;
  // Each refresh tick while the PC's radio is on.
  virtual void PCRefresh() {}

  void PCStarted();
  // Neither the tracker nor the PC can scan.
  void PCFailed();
  bool PCActiveOrStarting() const { return FPCActive || FPCStarting; }

private:
  void SetStatus(TPickerStatus aStatus);
  void StopTimers();
  void Send(const QByteArray& aLine);
  void SortRows();

  const TClock& FClock;
  TSend FSend;
  TShape FShape;
  QStringList FHeaders;
  QList<TPickerRow> FRows;
  QTimer FHeartbeat;
  qint64 FRefreshDue = -1;
  qint64 FFallbackDue = -1;
  int FRefreshMs = 2000;
  int FSortColumn = 0;
  bool FSortAscending = false;
  int FSelectedRow = -1;
  QString FSavedKey;
  bool FScanActive = false;
  bool FPCActive = false;
  bool FPCStarting = false;
  TPickerStatus FStatus = psIdle;
};

// BLE sensors and beacons, by the tracker's BLESCAN records or the PC's adapter.
class TBLEPicker : public TScanPicker {
  Q_OBJECT
public:
  static constexpr int kDiscoveryMs = 60000;
  // aScanner may be null (no adapter at all). aTranslate words the sensors' values in the
  // language of the moment.
  TBLEPicker(TBLEDeviceList& aList, const TClock& aClock, TSend aSend, std::unique_ptr<IBLEScanner> aScanner,
             TBLEText::TTranslate aTranslate, QObject* aParent = nullptr);
  // A report of the PC's adapter, as it reaches the main thread.
  void PCReport(const TBLEReport& aReport);

protected:
  void ClearList() override { FList.Clear(); }
  int ListCount() const override { return FList.Count(); }
  QList<TPickerRow> BuildRows() const override;
  void StartPC() override;
  void StopPC() override;

private:
  TBLEDeviceList& FList;
  std::unique_ptr<IBLEScanner> FScanner;
  TBLEText::TTranslate FTranslate;
};

// The name a PC-seen network is listed under: the bytes as UTF-8, or in the 8-bit code page when
// they are not; aHidden for a network that broadcasts no name.
QString PCNetworkName(const QByteArray& aSsid, const QString& aHidden);
// The level a signal quality of 0 to 100 stands for: -100 to -50 dBm.
qint32 PCNetworkRSSI(int aStrength);
// Adds the networks the PC sees to the list, each keyed by its access point.
void AddPCNetworks(TWiFiList& aList, const QList<TWiFiNetwork>& aNetworks, const QString& aHidden);

// Wi-Fi networks, by the tracker's WIFISCAN records or the PC's wireless service.
class TWiFiPicker : public TScanPicker {
  Q_OBJECT
public:
  TWiFiPicker(TWiFiList& aList, const TClock& aClock, TSend aSend, std::unique_ptr<IWiFiScanner> aScanner,
              const QString& aHiddenName, QObject* aParent = nullptr);

protected:
  void ClearList() override { FList.Clear(); }
  int ListCount() const override { return FList.Count(); }
  QList<TPickerRow> BuildRows() const override;
  void StartPC() override;
  void StopPC() override;
  void PCRefresh() override;

private:
  void Opened(bool aAvailable);

  TWiFiList& FList;
  std::unique_ptr<IWiFiScanner> FScanner;
  QString FHiddenName;
};

// Mobile-network cells, by the tracker's LBSSCAN records only.
class TLBSPicker : public TScanPicker {
  Q_OBJECT
public:
  TLBSPicker(TLBSList& aList, const TClock& aClock, TSend aSend, QObject* aParent = nullptr);

protected:
  void ClearList() override { FList.Clear(); }
  int ListCount() const override { return FList.Count(); }
  QList<TPickerRow> BuildRows() const override;
  void StartPC() override {}
  void StopPC() override {}

private:
  TLBSList& FList;
};
