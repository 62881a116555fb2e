#include "line_trace.h"

#include "base/clock.h"

TLineTrace::TLineTrace(const TClock& aClock) : FClock(aClock), FStartMs(aClock.MonotonicMs()) {}

bool TLineTrace::Open(const QString& aFileName, QString* aError) {
  FFile.setFileName(aFileName);
  if (!FFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    *aError = "cannot write the trace " + aFileName + ": " + FFile.errorString();
    return false;
  }
  return true;
}

QByteArray TLineTrace::Escape(const QByteArray& aBytes) {
  QByteArray out;
  out.reserve(aBytes.size() * 2);
  for (const char c : aBytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\\')
      out += "\\\\";
    else if (byte >= 0x20 && byte < 0x7F)
      out += c;
    else
      out += "\\x" + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
  }
  return out;
}

void TLineTrace::WriteLine(const QByteArray& aBytes) {
  if (!FFile.isOpen())
    return;
  FFile.write(QByteArray::number(FClock.MonotonicMs() - FStartMs) + '\t' + Escape(aBytes) + '\n');
  FFile.flush();
}

void TLineTrace::Feed(const QByteArray& aBytes) {
  FPending += aBytes;
  for (qsizetype end = FPending.indexOf('\n'); end >= 0; end = FPending.indexOf('\n')) {
    WriteLine(FPending.left(end + 1));
    FPending.remove(0, end + 1);
  }
}

void TLineTrace::Flush() {
  if (FPending.isEmpty())
    return;
  WriteLine(FPending);
  FPending.clear();
}
