// The pickers fed by the PC's own radios: BLE adverts rebuilt from what the platform reports,
// access points read from NetworkManager's properties, and the BLE and Wi-Fi picker models that
// list them beside the tracker's records, sorted, selected and refreshed.
//
// Input: a stream of steps, each one byte choosing what happens next and the values it needs.

#include "base/clock.h"
#include "device/scan_picker.h"
#include "fuzz_host.h"
#include "i18n/dictionary.h"
#include "platform/ble_scanner.h"
#include "platform/wifi_scanner.h"

#include <QVariantMap>
#include <fuzzer/FuzzedDataProvider.h>

namespace {

void Check(bool aHolds) {
  if (!aHolds)
    __builtin_trap();
}

// Radios that start whenever asked; what they report comes from the input.
class TFuzzBLEScanner : public IBLEScanner {
public:
  bool Start(int, QString*) override { return true; }
  void Stop() override {}
  void Report(const TBLEReport& aReport) { Q_EMIT Reported(aReport); }
};

class TFuzzWiFiScanner : public IWiFiScanner {
public:
  void Open() override {}
  void Scan() override {}
  void Close() override {}
  void Answer(bool aAvailable) { Q_EMIT Opened(aAvailable); }
  void Networks(const QList<TWiFiNetwork>& aNetworks) { Q_EMIT Scanned(aNetworks); }
};

QByteArray Bytes(FuzzedDataProvider& aInput, std::size_t aMax) {
  return QByteArray::fromStdString(aInput.ConsumeRandomLengthString(aMax));
}

// A rebuilt advert is a run of whole sections, one per piece: service data and the name as length,
// type, bytes; manufacturer data type first (FF, length), as the trackers pass it on. Each length
// covers the type byte and the data, and the last section ends where the bytes end.
void CheckSections(const QByteArray& aAdvert, const TAdvertPieces& aPieces) {
  qsizetype at = 0;
  const auto section = [&](bool aTypeFirst) {
    Check(at + 2 <= aAdvert.size());
    if (aTypeFirst)
      Check(quint8(aAdvert.at(at)) == 0xFF);
    const int length = quint8(aAdvert.at(aTypeFirst ? at + 1 : at));
    Check(length >= 1);
    at += 1 + length;
  };
  for (qsizetype i = 0; i < aPieces.ServiceData.size(); ++i)
    section(false);
  for (qsizetype i = 0; i < aPieces.ManufacturerData.size(); ++i)
    section(true);
  if (!aPieces.Name.isEmpty())
    section(false);
  Check(at == aAdvert.size());
}

TAdvertPieces Pieces(FuzzedDataProvider& aInput) {
  TAdvertPieces pieces;
  const int services = aInput.ConsumeIntegralInRange(0, 4);
  for (int i = 0; i < services; ++i) {
    static constexpr int kUuidSizes[] = {2, 4, 16};
    const int size = kUuidSizes[aInput.ConsumeIntegralInRange(0, 2)];
    QByteArray uuid = Bytes(aInput, std::size_t(size));
    uuid = uuid.leftJustified(size, '\0', true);
    pieces.ServiceData.append({uuid, Bytes(aInput, 300)});
  }
  const int makers = aInput.ConsumeIntegralInRange(0, 3);
  for (int i = 0; i < makers; ++i)
    pieces.ManufacturerData.append({aInput.ConsumeIntegral<quint16>(), Bytes(aInput, 300)});
  pieces.Name = Bytes(aInput, 300);
  return pieces;
}

// A property as the bus may deliver it: the expected type or any other.
QVariant Property(FuzzedDataProvider& aInput) {
  switch (aInput.ConsumeIntegralInRange(0, 5)) {
  case 0:
    return QVariant();
  case 1:
    return QVariant::fromValue(aInput.ConsumeIntegral<quint8>());
  case 2:
    return QVariant::fromValue(aInput.ConsumeIntegral<qint64>());
  case 3:
    return QVariant(aInput.ConsumeFloatingPoint<double>());
  case 4:
    return QVariant(Bytes(aInput, 40));
  default:
    return QVariant(QString::fromUtf8(Bytes(aInput, 40)));
  }
}

void CheckModel(const TScanPicker& aPicker) {
  const int rows = aPicker.rowCount();
  Check(aPicker.SelectedRow() >= -1 && aPicker.SelectedRow() < rows);
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < aPicker.columnCount(); ++c)
      (void)aPicker.data(aPicker.index(r, c));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  FuzzedDataProvider input(aData, aSize);
  TManualClock clock;
  TBLEDeviceList bleList;
  TWiFiList wifiList;
  auto bleScanner = std::make_unique<TFuzzBLEScanner>();
  auto wifiScanner = std::make_unique<TFuzzWiFiScanner>();
  TFuzzBLEScanner* ble = bleScanner.get();
  TFuzzWiFiScanner* wifi = wifiScanner.get();
  qint64 sent = 0;
  const auto send = [&sent](const QByteArray& aLine) { sent += aLine.size(); };
  // Rows are worded as the window words them, so the wording reads the fuzzed values too.
  const TDictionary dictionary;
  TBLEPicker blePicker(bleList, clock, send, std::move(bleScanner),
                       [&dictionary](const QString& aKey) { return dictionary.Translate(aKey); });
  TWiFiPicker wifiPicker(wifiList, clock, send, std::move(wifiScanner), QStringLiteral("(hidden)"));
  TScanPicker* pickers[] = {&blePicker, &wifiPicker};
  // Both open, the tracker stays silent, and the PC's radios take over.
  for (TScanPicker* picker : pickers)
    picker->Show();
  clock.Advance(6000);
  for (TScanPicker* picker : pickers)
    picker->Tick();
  wifi->Answer(true);

  for (int step = 0; step < 64 && input.remaining_bytes() > 0; ++step) {
    TScanPicker* picker = pickers[input.ConsumeBool() ? 1 : 0];
    switch (input.ConsumeIntegralInRange(0, 9)) {
    case 0: {
      const TAdvertPieces pieces = Pieces(input);
      const QByteArray advert = RebuildAdvertisement(pieces);
      CheckSections(advert, pieces);
      ble->Report({QString::fromUtf8(Bytes(input, 24)), input.ConsumeIntegral<qint32>(), advert,
                   QString::fromUtf8(Bytes(input, 24))});
      break;
    }
    case 1: {
      QList<TWiFiNetwork> networks;
      const int count = input.ConsumeIntegralInRange(0, 6);
      for (int i = 0; i < count; ++i) {
        QVariantMap properties;
        for (const char* name : {"Ssid", "Strength", "HwAddress"})
          if (input.ConsumeBool())
            properties.insert(QString::fromLatin1(name), Property(input));
        const TWiFiNetwork network = AccessPointFromProperties(properties);
        Check(network.Strength >= 0 && network.Strength <= 100);
        networks.append(network);
      }
      wifi->Networks(networks);
      break;
    }
    case 2:
      // The tracker's own records arrive beside the PC's.
      bleList.AddOrUpdate(QString::fromUtf8(Bytes(input, 16)), QString::fromUtf8(Bytes(input, 8)),
                          QString::fromLatin1(Bytes(input, 80).toBase64()));
      wifiList.AddOrUpdate(QString::fromUtf8(Bytes(input, 16)), QString::fromUtf8(Bytes(input, 8)),
                           QString::fromUtf8(Bytes(input, 40)));
      break;
    case 3:
      clock.Advance(input.ConsumeIntegralInRange<qint64>(0, 10000));
      picker->Tick();
      break;
    case 4:
      picker->HeaderClicked(input.ConsumeIntegralInRange(-2, 10));
      break;
    case 5:
      picker->SetSelectedRow(input.ConsumeIntegralInRange(-2, 40));
      break;
    case 6: {
      const int row = picker->SelectedRow();
      const QString value = picker->Confirm();
      Check(row >= 0 || value.isEmpty());
      break;
    }
    case 7:
      picker->ToggleScan();
      break;
    case 8:
      wifi->Answer(input.ConsumeBool());
      break;
    default:
      picker->Refresh();
      break;
    }
    CheckModel(*picker);
  }
  for (TScanPicker* picker : pickers)
    picker->Close();
  return 0;
}
