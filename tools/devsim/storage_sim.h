#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Where the tracker's external memory and file storage lie in its block numbering, and what
// they hold. Both storages share one numbering, so a block number alone tells which is meant.
struct TStorageGeometry {
  int MemoryOffset = 256;
  int MemoryBlocks = 4096;
  // Blocks recorded; -1: the recording grows with time from a start value.
  int MemoryWrite = -1;
  int FileOffset = 8192;
  int FileBlocks = 64;
  // The file storage's contents; empty: one stored trip log.
  QByteArray FileImage;
};

// A fault the block answers play once, for the reader's error paths.
struct TBlockFault {
  enum TKind { bfCrc, bfNumber, bfDrop };
  TKind Kind = bfCrc;
  qint64 Block = 0;
};

// Parses "crc:N", "number:N" or "drop:N" entries separated by ","; false on a malformed one.
bool ParseBlockFaults(const QString& aText, QList<TBlockFault>* aFaults);

// Serves ">D 18;n": the FD record with block n in Base64 and its CRC-16, high byte first.
class TStorageSim {
public:
  static constexpr int kBlockSize = 256;

  TStorageSim(const TStorageGeometry& aGeometry, QByteArray aTripLog, const QList<TBlockFault>& aFaults);

  const TStorageGeometry& Geometry() const { return FGeometry; }
  int FileWrite() const { return FFileWrite; }
  // The answer record to a block request line, or empty (unknown block, dropped answer).
  // aMemoryWritten: blocks recorded so far (not wrapped); the others read as erased flash.
  QByteArray Answer(const QByteArray& aLine, qint64 aMemoryWritten);

private:
  QByteArray Block(qint64 aNumber, qint64 aMemoryWritten) const;

  TStorageGeometry FGeometry;
  QByteArray FFiles;
  int FFileWrite = 0;
  QList<TBlockFault> FFaults;
};
