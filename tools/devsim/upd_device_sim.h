#pragma once

#include <QByteArray>
#include <QString>

struct TUpdOptions {
  // Where the device writes the image it received and checked; empty: it does not take part
  // in the firmware exchange and stays silent after ">D 3;0".
  QString FwOut;
  // The device falls silent after this many requests (0: right after ">D 3;0"); -1 never.
  int StallAfter = -1;
  // Bytes the device asks for at a time.
  int Chunk = 4096;
};

// The device's side of the firmware exchange carried in "UPD" records: it asks for the image
// information, then for the image chunk by chunk, checks every chunk's CRC-16 and the whole
// image's CRC-32, writes what it received and reports the end. Frames are read here on their
// own terms, independently of the program's code.
class TUpdDeviceSim {
public:
  TUpdDeviceSim(const TUpdOptions& aOptions, quint64 aImei, int aType, QByteArray aPassword);

  bool Enabled() const { return !FOptions.FwOut.isEmpty(); }
  // ">D 3;0": the device enters firmware reception; returns its first request.
  QByteArray Begin();
  // A "password*UPD*Base64" line from the program; returns the device's next records.
  QByteArray Answer(const QByteArray& aLine);
  void SetPassword(const QByteArray& aPassword) { FPassword = aPassword; }

  bool Finished() const { return FFinished; }
  // Chunks or answers the device found wrong and asked for again.
  int Rejected() const { return FRejected; }

private:
  QByteArray Request(quint8 aCode, const QByteArray& aPayload);
  QByteArray RequestChunk();
  QByteArray OnInfo(const QByteArray& aFrame);
  QByteArray OnChunk(const QByteArray& aFrame);
  QByteArray Complete();

  TUpdOptions FOptions;
  quint64 FImei;
  quint8 FType;
  QByteArray FPassword;
  bool FActive = false;
  bool FFinished = false;
  int FRequests = 0;
  int FRejected = 0;
  quint8 FMajor = 0;
  quint8 FMinor = 0;
  quint32 FSize = 0;
  quint32 FCrc32 = 0;
  QByteArray FImage;
};
