#pragma once

#include <QByteArray>
#include <QObject>
#include <QTimer>

class TPtyPort;

// Hands what the device sends to the line a few bytes at a time with a pause between, as a slow
// or badly buffered device does, so receivers meet records and answers split anywhere.
class TChunkedWriter : public QObject {
  Q_OBJECT
public:
  // aChunk 0 writes everything at once.
  TChunkedWriter(TPtyPort& aPort, int aChunk, int aGapMs, QObject* aParent = nullptr);

  void Write(const QByteArray& aBytes);

private:
  void Next();

  TPtyPort& FPort;
  int FChunk;
  QByteArray FPending;
  QTimer FTimer;
};
