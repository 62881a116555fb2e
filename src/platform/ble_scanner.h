#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>
#include <memory>

class QBluetoothDeviceInfo;

// One advertisement the PC's adapter received: the sender's address as the platform writes it,
// the signal level, and the advertisement's sections ([length][type][data]...) as far as the
// platform keeps them.
struct TBLEReport {
  QString Address;
  qint32 RSSI = 0;
  QByteArray Data;
  QString Name;
};

// The PC's BLE advertisement watcher. Reports arrive on the thread that owns the scanner.
class IBLEScanner : public QObject {
  Q_OBJECT
public:
  using QObject::QObject;
  // Starts discovering for aTimeoutMs milliseconds; false with the reason when the adapter is
  // missing or refuses.
  virtual bool Start(int aTimeoutMs, QString* aError) = 0;
  virtual void Stop() = 0;

Q_SIGNALS:
  void Reported(const TBLEReport& aReport);
  // The adapter gave up after a successful start (switched off, taken away).
  void Failed(const QString& aError);
};

// What the platform tells of an advertisement, before it is turned back into sections.
struct TAdvertPieces {
  // Service UUIDs in their little-endian over-the-air form (2, 4 or 16 bytes), with their data.
  QList<QPair<QByteArray, QByteArray>> ServiceData;
  QList<QPair<quint16, QByteArray>> ManufacturerData;
  QByteArray Name; // UTF-8
};

// The sections the pieces came from, in a fixed order so that equal adverts give equal bytes:
// service data by UUID, then manufacturer data by company, then the complete local name. A section
// too long for its one length byte keeps what fits. Manufacturer sections carry their type byte
// before their length byte, as the trackers' own reports do: a beacon decodes from either.
QByteArray RebuildAdvertisement(TAdvertPieces aPieces);
TAdvertPieces AdvertPiecesOf(const QBluetoothDeviceInfo& aInfo);

// QtBluetooth low-energy discovery (BlueZ on Linux).
std::unique_ptr<IBLEScanner> CreateSystemBLEScanner(QObject* aParent = nullptr);
