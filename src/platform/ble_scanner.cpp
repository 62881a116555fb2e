#include "platform/ble_scanner.h"

#include <QBluetoothDeviceDiscoveryAgent>
#include <QBluetoothDeviceInfo>
#include <QBluetoothUuid>
#include <algorithm>

namespace {

QByteArray LittleEndian(quint64 aValue, int aBytes) {
  QByteArray out;
  for (int i = 0; i < aBytes; ++i)
    out += char((aValue >> (8 * i)) & 0xFF);
  return out;
}

// The shortest form a UUID travels in: 16 or 32 bits for those of the Bluetooth base range.
QByteArray UuidOnAir(const QBluetoothUuid& aUuid) {
  bool ok = false;
  const quint16 short16 = aUuid.toUInt16(&ok);
  if (ok)
    return LittleEndian(short16, 2);
  const quint32 short32 = aUuid.toUInt32(&ok);
  if (ok)
    return LittleEndian(short32, 4);
  QByteArray bytes = aUuid.toRfc4122();
  std::reverse(bytes.begin(), bytes.end());
  return bytes;
}

// aTypeFirst: the type byte before the length byte, as the trackers pass manufacturer sections on
// (and as the beacon decoder looks for them).
void AppendSection(QByteArray& aOut, quint8 aType, const QByteArray& aHead, const QByteArray& aData,
                   bool aTypeFirst = false) {
  // The length byte counts the type byte too.
  const qsizetype room = 255 - 1 - aHead.size();
  const QByteArray data = aData.left(std::max<qsizetype>(room, 0));
  const char length = char(1 + aHead.size() + data.size());
  if (aTypeFirst) {
    aOut += char(aType);
    aOut += length;
  } else {
    aOut += length;
    aOut += char(aType);
  }
  aOut += aHead;
  aOut += data;
}

// Big-endian order of a little-endian UUID, so shorter forms and lower values come first.
QByteArray SortKey(const QByteArray& aUuid) {
  QByteArray key = aUuid;
  std::reverse(key.begin(), key.end());
  return QByteArray(1, char(aUuid.size())) + key;
}

class TQtBLEScanner : public IBLEScanner {
public:
  explicit TQtBLEScanner(QObject* aParent) : IBLEScanner(aParent) {}
  ~TQtBLEScanner() override { Stop(); }

  bool Start(int aTimeoutMs, QString* aError) override {
    Stop();
    FAgent = new QBluetoothDeviceDiscoveryAgent(this);
    // Without an adapter the agent reports its error from inside start(): listen first.
    FStarting = true;
    FStartFailed = false;
    connect(FAgent, &QBluetoothDeviceDiscoveryAgent::errorOccurred, this,
            [this](QBluetoothDeviceDiscoveryAgent::Error) {
              if (FStarting) {
                FStartFailed = true;
                return;
              }
              const QString reason = FAgent->errorString();
              Stop();
              Q_EMIT Failed(reason);
            });
    connect(FAgent, &QBluetoothDeviceDiscoveryAgent::deviceDiscovered, this,
            [this](const QBluetoothDeviceInfo& aInfo) { Report(aInfo); });
    connect(FAgent, &QBluetoothDeviceDiscoveryAgent::deviceUpdated, this,
            [this](const QBluetoothDeviceInfo& aInfo, QBluetoothDeviceInfo::Fields) { Report(aInfo); });
    FAgent->setLowEnergyDiscoveryTimeout(aTimeoutMs);
    if (!(QBluetoothDeviceDiscoveryAgent::supportedDiscoveryMethods() &
          QBluetoothDeviceDiscoveryAgent::LowEnergyMethod)) {
      FStartFailed = true;
    } else {
      FAgent->start(QBluetoothDeviceDiscoveryAgent::LowEnergyMethod);
      FStartFailed = FStartFailed || FAgent->error() != QBluetoothDeviceDiscoveryAgent::NoError;
    }
    FStarting = false;
    if (!FStartFailed)
      return true;
    if (aError)
      *aError = FAgent->errorString();
    Stop();
    return false;
  }

  void Stop() override {
    if (!FAgent)
      return;
    FAgent->disconnect(this);
    if (FAgent->isActive())
      FAgent->stop();
    FAgent->deleteLater();
    FAgent = nullptr;
  }

private:
  void Report(const QBluetoothDeviceInfo& aInfo) {
    if (!(aInfo.coreConfigurations() & QBluetoothDeviceInfo::LowEnergyCoreConfiguration))
      return;
    TBLEReport report;
    report.Address = aInfo.address().toString();
    report.RSSI = aInfo.rssi();
    report.Data = RebuildAdvertisement(AdvertPiecesOf(aInfo));
    report.Name = aInfo.name();
    Q_EMIT Reported(report);
  }

  QBluetoothDeviceDiscoveryAgent* FAgent = nullptr;
  bool FStarting = false;
  bool FStartFailed = false;
};

} // namespace

QByteArray RebuildAdvertisement(TAdvertPieces aPieces) {
  std::stable_sort(aPieces.ServiceData.begin(), aPieces.ServiceData.end(), [](const auto& a, const auto& b) {
    const QByteArray ka = SortKey(a.first);
    const QByteArray kb = SortKey(b.first);
    return ka != kb ? ka < kb : a.second < b.second;
  });
  std::stable_sort(aPieces.ManufacturerData.begin(), aPieces.ManufacturerData.end(),
                   [](const auto& a, const auto& b) {
                     return a.first != b.first ? a.first < b.first : a.second < b.second;
                   });
  QByteArray out;
  for (const auto& [uuid, data] : aPieces.ServiceData) {
    const quint8 type = uuid.size() == 2 ? 0x16 : uuid.size() == 4 ? 0x20 : 0x21;
    AppendSection(out, type, uuid, data);
  }
  for (const auto& [company, data] : aPieces.ManufacturerData)
    AppendSection(out, 0xFF, LittleEndian(company, 2), data, true);
  if (!aPieces.Name.isEmpty())
    AppendSection(out, 0x09, QByteArray(), aPieces.Name);
  return out;
}

TAdvertPieces AdvertPiecesOf(const QBluetoothDeviceInfo& aInfo) {
  TAdvertPieces pieces;
  const QMultiHash<QBluetoothUuid, QByteArray> services = aInfo.serviceData();
  for (auto it = services.cbegin(); it != services.cend(); ++it)
    pieces.ServiceData.append({UuidOnAir(it.key()), it.value()});
  const QMultiHash<quint16, QByteArray> makers = aInfo.manufacturerData();
  for (auto it = makers.cbegin(); it != makers.cend(); ++it)
    pieces.ManufacturerData.append({it.key(), it.value()});
  pieces.Name = aInfo.name().toUtf8();
  return pieces;
}

std::unique_ptr<IBLEScanner> CreateSystemBLEScanner(QObject* aParent) {
  return std::make_unique<TQtBLEScanner>(aParent);
}
