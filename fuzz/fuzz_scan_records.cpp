// BLE advertisements and the scan lists of BLE devices, Wi-Fi networks and cell towers.
//
// Input: lines of ";"-separated fields. A line starting "B" is a BLE report (address, level,
// Base64 data), "W" a Wi-Fi report (address, level, name), "L" a cell (MCC, MNC, level, CID,
// LAC); any other line is advertisement data as raw bytes.

#include "fuzz_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  TBLEDeviceList ble;
  TWiFiList wifi;
  TLBSList lbs;
  const QByteArray bytes = FuzzBytes(aData, aSize);
  for (const QByteArray& line : bytes.split('\n')) {
    const QStringList f = QString::fromLatin1(line.mid(1)).split(QLatin1Char(';'));
    const auto field = [&f](int i) { return i < f.size() ? f.at(i) : QString(); };
    switch (line.isEmpty() ? 0 : line.at(0)) {
    case 'B':
      // A repeat in another letter case is the same device, kept under the address first seen.
      if (const TBLEDevice* d = ble.AddOrUpdate(field(0), field(1), field(2));
          d && d->MAC.compare(field(0), Qt::CaseInsensitive) != 0)
        __builtin_trap();
      break;
    case 'W':
      wifi.AddOrUpdate(field(0), field(1), field(2));
      break;
    case 'L':
      lbs.AddOrUpdate(field(0), field(1), field(2), field(3), field(4));
      break;
    default: {
      const auto ad = DecodeBLEAdvertisement(QString::fromLatin1(line.toBase64()));
      if (ad && BLEDeviceTypeText(ad->DeviceType).isEmpty())
        __builtin_trap();
      break;
    }
    }
  }
  (void)RSSIFromText(QString::fromLatin1(bytes.left(32)));
  return 0;
}
