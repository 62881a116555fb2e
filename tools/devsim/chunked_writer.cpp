#include "chunked_writer.h"

#include "pty_port.h"

TChunkedWriter::TChunkedWriter(TPtyPort& aPort, int aChunk, int aGapMs, QObject* aParent)
    : QObject(aParent), FPort(aPort), FChunk(aChunk) {
  FTimer.setInterval(aGapMs);
  connect(&FTimer, &QTimer::timeout, this, &TChunkedWriter::Next);
}

void TChunkedWriter::Write(const QByteArray& aBytes) {
  if (FChunk <= 0) {
    FPort.Write(aBytes);
    return;
  }
  FPending += aBytes;
  if (!FTimer.isActive()) {
    Next();
    FTimer.start();
  }
}

void TChunkedWriter::Next() {
  if (FPending.isEmpty()) {
    FTimer.stop();
    return;
  }
  FPort.Write(FPending.left(FChunk));
  FPending.remove(0, FChunk);
}
