#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>

// A reader asked for bytes that are not in the stream.
class TStreamRangeError : public std::out_of_range {
public:
  using std::out_of_range::out_of_range;
};

// Growable in-memory byte stream with typed little-endian readers at absolute positions.
// The traffic log is one of these: append-only, so a stored position stays valid for the run.
//
// The readers check their range: a range that does not lie inside the stream throws
// TStreamRangeError instead of reading past the end. The searches treat their range as a query and
// only look at the part of it that lies inside the stream.
class TMemoryStreamEx {
public:
  qint64 Size() const { return FData.size(); }
  const char* Memory() const { return FData.constData(); }
  void Write(const char* aData, qint64 aSize);
  void Write(const QByteArray& aData) { Write(aData.constData(), aData.size()); }
  // Raw view of a range; throws when it does not fit.
  QByteArrayView View(qint64 aPos, qint64 aLength) const;

  quint8 AsByte(qint64 aPos) const;
  qint8 AsShortInt(qint64 aPos) const;
  quint16 AsWord(qint64 aPos) const;
  qint32 AsInteger(qint64 aPos) const;
  quint32 AsCardinal(qint64 aPos) const;
  float AsSingle(qint64 aPos) const;
  double AsDouble(qint64 aPos) const;
  // One character per byte; empty when aLength < 1.
  QString AsText(qint64 aPos, qint64 aLength) const;
  // Two upper-case hex digits per byte, aSeparator between neighbours, last byte first when aDesc.
  QString AsHEX(qint64 aPos, qint64 aLength, const QString& aSeparator = QString(), bool aDesc = false) const;

  // Position of the first occurrence of aSign lying wholly inside [aPos, aPos + aSize), or -1.
  qint64 StringPosition(qint64 aPos, qint64 aSize, QByteArrayView aSign) const;
  qint64 ArrayPosition(qint64 aPos, qint64 aSize, const char* aSign, int aSignLength) const;

private:
  void Check(qint64 aPos, qint64 aLength) const;
  template <typename T> T Read(qint64 aPos) const;

  QByteArray FData;
};
