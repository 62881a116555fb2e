#pragma once

#include <QString>
#include <QtGlobal>

// Watches a decoder take a packet apart: which bytes each shown value came from, and why decoding
// stopped short. The packet inspector sets one on a decoder of its own; the monitor's decoders
// have none, and then they only test a null pointer per value.
class IDecodeObserver {
public:
  virtual ~IDecodeObserver() = default;

  // The value the decoder is about to show under aIdent comes from aSize bytes at aOffset (from
  // the first byte of the packet).
  virtual void Field(const QString& aIdent, qint64 aOffset, qint64 aSize) = 0;
  // Decoding ends here without showing the rest; aOffset is -1 when no single byte is to blame.
  // aReason is a dictionary key; aDetail, when given, is shown after its text as it is.
  virtual void Stopped(qint64 aOffset, const QString& aReason, const QString& aDetail) = 0;
};
