#include "storage_sim.h"

#include "updates/crypto/checksums.h"

#include <algorithm>

namespace {

bool IsDigits(const QByteArray& aText) {
  return !aText.isEmpty() &&
         std::all_of(aText.cbegin(), aText.cend(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

bool ParseBlockFaults(const QString& aText, QList<TBlockFault>* aFaults) {
  for (const QString& entry : aText.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
    const QStringList parts = entry.trimmed().split(QLatin1Char(':'));
    if (parts.size() != 2)
      return false;
    TBlockFault fault;
    if (parts[0] == QLatin1String("crc"))
      fault.Kind = TBlockFault::bfCrc;
    else if (parts[0] == QLatin1String("number"))
      fault.Kind = TBlockFault::bfNumber;
    else if (parts[0] == QLatin1String("drop"))
      fault.Kind = TBlockFault::bfDrop;
    else
      return false;
    bool ok = false;
    fault.Block = parts[1].toLongLong(&ok);
    if (!ok || fault.Block < 0)
      return false;
    aFaults->append(fault);
  }
  return true;
}

TStorageSim::TStorageSim(const TStorageGeometry& aGeometry, QByteArray aTripLog,
                         const QList<TBlockFault>& aFaults)
    : FGeometry(aGeometry), FFaults(aFaults) {
  const qsizetype size = qsizetype(FGeometry.FileBlocks) * kBlockSize;
  FFiles = FGeometry.FileImage.isEmpty() ? std::move(aTripLog) : FGeometry.FileImage;
  // Blocks in use: up to the last one that holds anything but erased flash.
  const qsizetype used = FFiles.size();
  FFileWrite = int(qMin<qsizetype>((used + kBlockSize - 1) / kBlockSize, FGeometry.FileBlocks));
  FFiles = FFiles.left(size);
  FFiles.append(QByteArray(size - FFiles.size(), '\xFF'));
}

QByteArray TStorageSim::Block(qint64 aNumber, qint64 aMemoryWritten) const {
  const qint64 memory = aNumber - FGeometry.MemoryOffset;
  if (memory >= 0 && memory < FGeometry.MemoryBlocks) {
    QByteArray data(kBlockSize, '\xFF'); // erased flash
    if (memory < aMemoryWritten)
      for (int i = 0; i < kBlockSize; ++i)
        data[i] = char((memory * 31 + i * 7) & 0xFF);
    return data;
  }
  const qint64 file = aNumber - FGeometry.FileOffset;
  if (file >= 0 && file < FGeometry.FileBlocks)
    return FFiles.mid(file * kBlockSize, kBlockSize);
  return {};
}

QByteArray TStorageSim::Answer(const QByteArray& aLine, qint64 aMemoryWritten) {
  const QByteArray number = aLine.mid(qsizetype(qstrlen(">D 18;")));
  if (!IsDigits(number) || number.size() > 9)
    return {};
  const qint64 block = number.toLongLong();
  QByteArray data = Block(block, aMemoryWritten);
  if (data.isEmpty())
    return {};
  const quint16 crc = Crc16(data.constData(), data.size());
  QByteArray payload = data;
  payload.append(char(crc >> 8));
  payload.append(char(crc & 0xFF));
  QByteArray shownNumber = number;
  const auto fault = std::find_if(FFaults.begin(), FFaults.end(),
                                  [block](const TBlockFault& f) { return f.Block == block; });
  if (fault != FFaults.end()) {
    const TBlockFault::TKind kind = fault->Kind;
    FFaults.erase(fault);
    switch (kind) {
    case TBlockFault::bfCrc:
      payload[kBlockSize + 1] = char(payload[kBlockSize + 1] ^ 0x5A);
      break;
    case TBlockFault::bfNumber:
      shownNumber = QByteArray::number(block + 1);
      break;
    case TBlockFault::bfDrop:
      return {};
    }
  }
  return ">FD=" + shownNumber + ",\"" + Base64Encode(payload).toLatin1() + "\"\r\n";
}
