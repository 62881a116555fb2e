#include "device/scan_picker.h"

#include "base/clock.h"
#include "core/log_file.h"
#include "updates/crypto/checksums.h"

#include <algorithm>

namespace {

// Often enough that a step is never late by more than a blink; the steps themselves go by the
// clock.
constexpr int kHeartbeatMs = 100;

int ThreeWay(qint32 a, qint32 b) {
  return a < b ? -1 : a > b ? 1 : 0;
}

} // namespace

QString PickerStatusKey(TPickerStatus aStatus) {
  switch (aStatus) {
  case psTracker:
    return QStringLiteral("pick_scan_tracker");
  case psPCAdapter:
    return QStringLiteral("pick_scan_pc");
  case psNoBluetooth:
    return QStringLiteral("pick_error_ble");
  case psNoWiFi:
    return QStringLiteral("pick_error_wifi");
  case psIdle:
    break;
  }
  return QString();
}

TScanPicker::TScanPicker(const TClock& aClock, TSend aSend, TShape aShape, QObject* aParent)
    : QAbstractTableModel(aParent), FClock(aClock), FSend(std::move(aSend)), FShape(std::move(aShape)),
      FRefreshMs(FShape.RefreshMs), FSortColumn(FShape.SortColumn) {
  FHeartbeat.setInterval(kHeartbeatMs);
  connect(&FHeartbeat, &QTimer::timeout, this, &TScanPicker::Tick);
}

TScanPicker::~TScanPicker() = default;

int TScanPicker::rowCount(const QModelIndex& aParent) const {
  return aParent.isValid() ? 0 : int(FRows.size());
}

int TScanPicker::columnCount(const QModelIndex& aParent) const {
  return aParent.isValid() ? 0 : int(FShape.NumericColumns.size());
}

QVariant TScanPicker::data(const QModelIndex& aIndex, int aRole) const {
  if (!aIndex.isValid() || aIndex.row() >= FRows.size() || aRole != Qt::DisplayRole)
    return QVariant();
  return FRows.at(aIndex.row()).Cells.value(aIndex.column());
}

QVariant TScanPicker::headerData(int aSection, Qt::Orientation aOrientation, int aRole) const {
  if (aOrientation != Qt::Horizontal || aRole != Qt::DisplayRole)
    return QVariant();
  return FHeaders.value(aSection);
}

void TScanPicker::SetHeaders(const QStringList& aCaptions) {
  FHeaders = aCaptions;
  Q_EMIT headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void TScanPicker::Show() {
  ClearList();
  FSavedKey.clear();
  FSelectedRow = -1;
  FScanActive = false;
  Refresh();
  StartScan();
}

void TScanPicker::ToggleScan() {
  if (FScanActive)
    StopScan();
  else
    StartScan();
}

void TScanPicker::StartScan() {
  FScanActive = true;
  ClearList();
  FSavedKey.clear();
  FSelectedRow = -1;
  Refresh();
  Send(FShape.StartCommand);
  const qint64 now = FClock.MonotonicMs();
  FRefreshDue = now + FRefreshMs;
  FFallbackDue = FShape.Fallback ? now + kFallbackMs : -1;
  FHeartbeat.start();
  if (PCActiveOrStarting())
    StopPC();
  FPCActive = false;
  FPCStarting = false;
  SetStatus(FShape.HasStatus ? psTracker : psIdle);
}

void TScanPicker::StopScan() {
  FScanActive = false;
  StopTimers();
  Send(FShape.StopCommand);
  if (PCActiveOrStarting())
    StopPC();
  FPCActive = false;
  FPCStarting = false;
  SetStatus(psIdle);
}

void TScanPicker::Close() {
  if (!FScanActive)
    return;
  Send(FShape.StopCommand);
  StopTimers();
  if (PCActiveOrStarting())
    StopPC();
  FPCActive = false;
  FPCStarting = false;
  FScanActive = false;
}

void TScanPicker::Tick() {
  if (!FScanActive)
    return;
  const qint64 now = FClock.MonotonicMs();
  if (FRefreshDue >= 0 && now >= FRefreshDue) {
    FRefreshDue = now + FRefreshMs;
    if (FPCActive)
      PCRefresh();
    Refresh();
    // The tracker answers: the PC's radio is not needed.
    if (ListCount() > 0 && !PCActiveOrStarting())
      FFallbackDue = -1;
  }
  if (FScanActive && FFallbackDue >= 0 && now >= FFallbackDue) {
    FFallbackDue = -1;
    if (ListCount() == 0) {
      SetStatus(psPCAdapter);
      FPCStarting = true;
      StartPC();
    }
  }
}

void TScanPicker::Refresh() {
  const QString remembered =
      FSelectedRow >= 0 && FSelectedRow < FRows.size() ? FRows.at(FSelectedRow).Key : FSavedKey;
  beginResetModel();
  FRows = BuildRows();
  SortRows();
  FSelectedRow = -1;
  endResetModel();
  int found = -1;
  if (!remembered.isEmpty())
    for (int i = 0; i < FRows.size(); ++i)
      if (FRows.at(i).Key == remembered) {
        found = i;
        break;
      }
  FSelectedRow = found;
  FSavedKey = found >= 0 ? remembered : QString();
  Q_EMIT SelectRow(found);
}

void TScanPicker::HeaderClicked(int aColumn) {
  if (!FShape.Sortable || aColumn < 0 || aColumn >= columnCount())
    return;
  if (aColumn == FSortColumn) {
    FSortAscending = !FSortAscending;
  } else {
    FSortColumn = aColumn;
    FSortAscending = !FShape.NumericColumns.at(aColumn);
  }
  Refresh();
}

void TScanPicker::SetSelectedRow(int aRow) {
  FSelectedRow = aRow >= 0 && aRow < FRows.size() ? aRow : -1;
}

QString TScanPicker::Confirm() {
  if (FSelectedRow < 0 || FSelectedRow >= FRows.size())
    return QString();
  const TPickerRow& row = FRows.at(FSelectedRow);
  FSavedKey = row.Key;
  return row.Value;
}

void TScanPicker::PCStarted() {
  FPCStarting = false;
  FPCActive = true;
}

void TScanPicker::PCFailed() {
  const bool wasScanning = FScanActive;
  FPCStarting = false;
  FPCActive = false;
  FScanActive = false;
  StopTimers();
  if (wasScanning)
    Send(FShape.StopCommand);
  SetStatus(FShape.NoRadio);
}

void TScanPicker::SetStatus(TPickerStatus aStatus) {
  FStatus = aStatus;
  Q_EMIT StateChanged();
}

void TScanPicker::StopTimers() {
  FHeartbeat.stop();
  FRefreshDue = -1;
  FFallbackDue = -1;
}

void TScanPicker::Send(const QByteArray& aLine) {
  if (FSend && !aLine.isEmpty())
    FSend(aLine);
}

void TScanPicker::SortRows() {
  const int column = FSortColumn;
  const bool numeric = FShape.NumericColumns.value(column);
  const auto compare = [column, numeric](const TPickerRow& a, const TPickerRow& b) {
    // Three-way on the levels themselves: a difference of two extreme levels overflows.
    return numeric ? ThreeWay(a.RSSI, b.RSSI)
                   : QString::compare(a.Cells.value(column), b.Cells.value(column), Qt::CaseInsensitive);
  };
  const bool ascending = FSortAscending;
  std::stable_sort(FRows.begin(), FRows.end(), [&](const TPickerRow& a, const TPickerRow& b) {
    const int c = compare(a, b);
    return ascending ? c < 0 : c > 0;
  });
}

// BLE

TBLEPicker::TBLEPicker(TBLEDeviceList& aList, const TClock& aClock, TSend aSend,
                       std::unique_ptr<IBLEScanner> aScanner, TBLEText::TTranslate aTranslate,
                       QObject* aParent)
    : TScanPicker(aClock, std::move(aSend),
                  TShape{{false, false, false, false, false, false, false, true},
                         7,
                         true,
                         2000,
                         true,
                         true,
                         QByteArrayLiteral(">D 20;1\r\n"),
                         QByteArrayLiteral(">D 20;0\r\n"),
                         psNoBluetooth},
                  aParent),
      FList(aList), FScanner(std::move(aScanner)), FTranslate(std::move(aTranslate)) {
  if (FScanner) {
    connect(FScanner.get(), &IBLEScanner::Reported, this, &TBLEPicker::PCReport);
    connect(FScanner.get(), &IBLEScanner::Failed, this, [this] {
      if (PCActiveOrStarting())
        PCFailed();
    });
  }
}

QList<TPickerRow> TBLEPicker::BuildRows() const {
  QList<TPickerRow> rows;
  rows.reserve(FList.Count());
  for (int i = 0; i < FList.Count(); ++i) {
    const TBLEDevice& d = FList.At(i);
    rows.append(
        TPickerRow{{d.MAC, d.Name, BLEDeviceTypeText(d.DeviceType), d.Version, d.Temperature,
                    d.MainParam.Text(FTranslate), d.Voltage.Text(FTranslate), QString::number(d.RSSI)},
                   d.MAC,
                   d.RSSI,
                   d.MAC});
  }
  return rows;
}

void TBLEPicker::StartPC() {
  QString error;
  if (!FScanner || !FScanner->Start(kDiscoveryMs, &error)) {
    PCFailed();
    return;
  }
  PCStarted();
}

void TBLEPicker::StopPC() {
  if (FScanner)
    FScanner->Stop();
}

void TBLEPicker::PCReport(const TBLEReport& aReport) {
  if (!PCActive())
    return;
  QString address = aReport.Address;
  address.remove(QLatin1Char(':'));
  if (address.isEmpty())
    return;
  FList.AddOrUpdate(address, aReport.RSSI, Base64Encode(aReport.Data), aReport.Name);
}

// Wi-Fi

QString PCNetworkName(const QByteArray& aSsid, const QString& aHidden) {
  if (aSsid.isEmpty())
    return aHidden;
  const QString name = QString::fromUtf8(aSsid);
  if (name.isEmpty() || name.contains(QChar(QChar::ReplacementCharacter)))
    return FromLogCodePage(aSsid);
  return name;
}

qint32 PCNetworkRSSI(int aStrength) {
  return qBound(0, aStrength, 100) / 2 - 100;
}

void AddPCNetworks(TWiFiList& aList, const QList<TWiFiNetwork>& aNetworks, const QString& aHidden) {
  for (const TWiFiNetwork& network : aNetworks) {
    const QString name = PCNetworkName(network.Ssid, aHidden);
    // The access point's address tells networks apart; a name alone would merge equal ones.
    const QString key = QStringLiteral("PC_") + (network.Bssid.isEmpty() ? name : network.Bssid.toUpper());
    aList.AddOrUpdatePC(key, PCNetworkRSSI(network.Strength), name);
  }
}

TWiFiPicker::TWiFiPicker(TWiFiList& aList, const TClock& aClock, TSend aSend,
                         std::unique_ptr<IWiFiScanner> aScanner, const QString& aHiddenName, QObject* aParent)
    : TScanPicker(aClock, std::move(aSend),
                  TShape{{false, false, true},
                         2,
                         true,
                         2000,
                         true,
                         true,
                         QByteArrayLiteral(">D 21;1\r\n"),
                         QByteArrayLiteral(">D 21;0\r\n"),
                         psNoWiFi},
                  aParent),
      FList(aList), FScanner(std::move(aScanner)), FHiddenName(aHiddenName) {
  if (FScanner) {
    connect(FScanner.get(), &IWiFiScanner::Opened, this, &TWiFiPicker::Opened);
    connect(FScanner.get(), &IWiFiScanner::Scanned, this, [this](const QList<TWiFiNetwork>& aNetworks) {
      if (PCActive())
        AddPCNetworks(FList, aNetworks, FHiddenName);
    });
  }
}

QList<TPickerRow> TWiFiPicker::BuildRows() const {
  QList<TPickerRow> rows;
  rows.reserve(FList.Count());
  for (int i = 0; i < FList.Count(); ++i) {
    const TWiFiDevice& w = FList.At(i);
    const bool pc = w.MAC.startsWith(QLatin1String("PC_"), Qt::CaseInsensitive);
    rows.append(TPickerRow{
        {pc ? QStringLiteral("---") : w.MAC, w.SSID, QString::number(w.RSSI)}, w.MAC, w.RSSI, w.SSID});
  }
  return rows;
}

void TWiFiPicker::StartPC() {
  if (!FScanner) {
    PCFailed();
    return;
  }
  FScanner->Open();
}

void TWiFiPicker::Opened(bool aAvailable) {
  // An answer to an opening that a stop or a new scan has overtaken.
  if (!PCActiveOrStarting() || PCActive())
    return;
  if (!aAvailable) {
    FScanner->Close();
    PCFailed();
    return;
  }
  PCStarted();
  ClearList();
  Refresh();
  FScanner->Scan();
}

void TWiFiPicker::StopPC() {
  if (FScanner)
    FScanner->Close();
}

void TWiFiPicker::PCRefresh() {
  FScanner->Scan();
}

// Cells

TLBSPicker::TLBSPicker(TLBSList& aList, const TClock& aClock, TSend aSend, QObject* aParent)
    : TScanPicker(aClock, std::move(aSend),
                  TShape{{false, false, false, false, true},
                         4,
                         false,
                         1000,
                         false,
                         false,
                         QByteArrayLiteral(">D 22;1\r\n"),
                         QByteArrayLiteral(">D 22;0\r\n")},
                  aParent),
      FList(aList) {}

QList<TPickerRow> TLBSPicker::BuildRows() const {
  QList<TPickerRow> rows;
  rows.reserve(FList.Count());
  for (int i = 0; i < FList.Count(); ++i) {
    const TLBSRecord& c = FList.At(i);
    const QString key =
        c.MCC + QLatin1Char(';') + c.MNC + QLatin1Char(';') + c.LAC + QLatin1Char(';') + c.CID;
    rows.append(TPickerRow{{c.MCC, c.MNC, c.LAC, c.CID, QString::number(c.RSSI)},
                           key,
                           c.RSSI,
                           c.LAC + QLatin1Char(';') + c.CID});
  }
  return rows;
}
