#pragma once

#include <QByteArray>
#include <QString>

// What a tracker does with the scan commands: report what it sees, or (an older firmware)
// ignore them, so that the program has to fall back to the PC's radios.
enum TScanMode { smScripted, smNone };
bool ParseScanMode(const QString& aText, TScanMode* aMode);

// The BLE, Wi-Fi and cell reports a tracker streams while ">D 20;1", ">D 21;1" or ">D 22;1" is
// on: a fixed script that walks through every sensor type the program decodes, a beacon, data
// of an unknown type, an address repeated in lower case, a device whose data stops decoding
// (it must leave the list) and levels that are no number.
class TScanStreams {
public:
  explicit TScanStreams(TScanMode aMode = smScripted) : FMode(aMode) {}
  // True when aLine is a scan command; aAnswer then gets the first reports of a scan turned on.
  bool Command(const QByteArray& aLine, QByteArray* aAnswer);
  // The reports of one streaming tick of every scan that is on.
  QByteArray Stream();

  // The reports of step aStep of each stream, as records.
  static QByteArray BLEReports(int aStep);
  static QByteArray WiFiReports(int aStep);
  static QByteArray LBSReports(int aStep);

private:
  enum { kBLE, kWiFi, kLBS, kStreams };
  QByteArray Reports(int aStream);

  TScanMode FMode;
  bool FOn[kStreams] = {};
  int FStep[kStreams] = {};
};
