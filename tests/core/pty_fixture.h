#pragma once

#include <QByteArray>
#include <QString>
#include <termios.h>

// The device end of a pseudo-terminal: the driver opens the slave path like a serial port, the
// test plays the device through the master. The fixture keeps a slave descriptor of its own so
// the line settings the driver applies can be read back.
class TPtyPeer {
public:
  TPtyPeer();
  ~TPtyPeer();
  TPtyPeer(const TPtyPeer&) = delete;
  TPtyPeer& operator=(const TPtyPeer&) = delete;

  bool IsOpen() const { return FMaster >= 0; }
  QString SlavePath() const { return FSlavePath; }

  // Writes every byte to the driver, running the event loop while the pty is full. False on an
  // error or when the bytes are not taken within a generous time.
  bool Write(const QByteArray& aBytes);
  // Everything the driver has sent so far (reads what is waiting, keeps what came before).
  QByteArray Received();
  // Waits for the driver's bytes without running the event loop, so only bytes the driver has
  // really written count; returns what came, at least aSize bytes unless the wait ran out.
  QByteArray ReceivedBlocking(qsizetype aSize, int aTimeoutMs);
  // True once bytes written by Write are in the line's input queue, ready for the driver.
  bool WaitQueuedForDriver(int aTimeoutMs) const;
  // The device vanishes: the slave side is hung up.
  void CloseMaster();
  // The line settings as the driver left them.
  termios SlaveTermios() const;

private:
  int FMaster = -1;
  int FSlave = -1;
  QString FSlavePath;
  QByteArray FReceived;
};
