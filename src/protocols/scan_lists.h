#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The BLE devices, Wi-Fi networks and cell towers that a tracker (or the PC) reports while the
// user picks one for a setting. The window owns one list of each; the scan records of the status
// decoder and the PC's radios feed them, and the selection dialogs show them.

// The order gives the numbers of the type column.
enum TBLEDeviceType : quint8 { dtUnknown, dtZRA, dtZRE, dtZRI, dtZRO, dtZRU, dtZRY, dtZRK, dtIBeacon };

// "???", "ZRA", ... "iBeacon".
QString BLEDeviceTypeText(TBLEDeviceType aType);

// A worded value of an advertisement, kept apart from its wording so that the list shows it in
// the language of the moment, not in the one it arrived in: a dictionary key whose text takes the
// arguments (%1, %2), or, without a key, the one argument as it stands.
struct TBLEText {
  QString Key;
  QStringList Args;

  using TTranslate = std::function<QString(const QString& aKey)>;
  QString Text(const TTranslate& aTranslate) const;
  bool operator==(const TBLEText&) const = default;
};

// What one advertisement tells about its sender.
struct TBLEAdvertisement {
  TBLEDeviceType DeviceType = dtUnknown;
  QString Name;
  QString Version;
  QString Temperature;
  TBLEText MainParam;
  TBLEText Voltage;
};

// Decodes advertisement data given as standard Base64 text: a sensor frame of a known type, or
// else a beacon frame. Nothing when it is neither (or the text is no Base64).
std::optional<TBLEAdvertisement> DecodeBLEAdvertisement(const QString& aBase64);

// A signal level as reported; -999 when the text is no number.
qint32 RSSIFromText(const QString& aText);

// One BLE device seen; the address is the key.
class TBLEDevice {
public:
  TBLEDevice(const QString& AMAC, qint32 ARSSI, const QString& ADataHex);
  // Takes the new level; the decoded texts only when the data decodes, else the type becomes
  // dtUnknown and the texts stay.
  void UpdateFromData(qint32 ARSSI, const QString& ADataHex);

  QString MAC;
  qint32 RSSI = -999;
  TBLEDeviceType DeviceType = dtUnknown;
  QString Name;
  QString Version;
  QString Temperature;
  TBLEText MainParam;
  TBLEText Voltage;
  // The latest data that decoded, as the Base64 text it came in.
  QString DataHex;
};

// Only devices whose latest advertisement decodes stay in the list.
class TBLEDeviceList {
public:
  // A tracker report (RSSI as text). The entry after the update, or nullptr when the address is
  // not (or no longer) in the list.
  TBLEDevice* AddOrUpdate(const QString& aMAC, const QString& aRSSI, const QString& aDataBase64);
  // A report of the PC's adapter: an entry without a name of its own takes aAdapterName.
  TBLEDevice* AddOrUpdate(const QString& aMAC, qint32 aRSSI, const QString& aDataBase64,
                          const QString& aAdapterName = QString());

  int Count() const { return int(FItems.size()); }
  const TBLEDevice& At(int aIndex) const { return *FItems.at(std::size_t(aIndex)); }
  void Clear() {
    FItems.clear();
    FByMAC.clear();
  }

private:
  // Owned here: an entry is freed when it leaves the list.
  std::vector<std::unique_ptr<TBLEDevice>> FItems;
  // The entries by case-folded address: a device floods its reports, and a list of thousands
  // must not cost a walk per report.
  QHash<QString, TBLEDevice*> FByMAC;
};

struct TWiFiDevice {
  // The access point's address as reported, or a "PC_" key for networks the PC saw.
  QString MAC;
  qint32 RSSI = -999;
  QString SSID;
};

class TWiFiList {
public:
  // The first network with the same address (ignoring case) takes the new level and name;
  // otherwise a new one is appended.
  void AddOrUpdate(const QString& aMAC, const QString& aRSSI, const QString& aSSID);
  // A network the PC saw, keyed "PC_" + its access point's address: the first item with that key,
  // or the first PC item of the same name (both ignoring case), takes the level and name;
  // otherwise a new one is appended.
  void AddOrUpdatePC(const QString& aKey, qint32 aRSSI, const QString& aSSID);

  int Count() const { return int(FItems.size()); }
  const TWiFiDevice& At(int aIndex) const { return FItems.at(std::size_t(aIndex)); }
  void Clear() {
    FItems.clear();
    FByMAC.clear();
  }

private:
  std::vector<TWiFiDevice> FItems;
  // Positions in FItems by case-folded address.
  QHash<QString, std::size_t> FByMAC;
};

struct TLBSRecord {
  QString MCC;
  QString MNC;
  QString LAC;
  QString CID;
  qint32 RSSI = -999;
};

class TLBSList {
public:
  // The first cell with the same MCC, MNC, LAC and CID (exactly) takes the new level; otherwise a
  // new one is appended. The argument order is the report's.
  void AddOrUpdate(const QString& aMCC, const QString& aMNC, const QString& aRSSI, const QString& aCID,
                   const QString& aLAC);

  int Count() const { return int(FItems.size()); }
  const TLBSRecord& At(int aIndex) const { return FItems.at(std::size_t(aIndex)); }
  void Clear() {
    FItems.clear();
    FByCell.clear();
  }

private:
  std::vector<TLBSRecord> FItems;
  // Positions in FItems by the four parts of the key, each with its length so that no two keys
  // run together.
  QHash<QString, std::size_t> FByCell;
};
