#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class QSocketNotifier;

// The device end of a pseudo-terminal. The client opens the slave path as if it were a serial
// port; the device reads and writes the master. A slave descriptor stays open here for the whole
// run, so the line never hangs up between client sessions and keeps its raw settings.
//
// That descriptor also keeps the terminal buffering whatever the device sends while no client has
// the port open, and a client would then start with half a minute of old records. So the port
// watches the slave being opened and closed: while nobody has it open, writes are lost, as a real
// device's output is, and what the last client left unread is discarded when it goes.
class TPtyPort : public QObject {
  Q_OBJECT
public:
  explicit TPtyPort(QObject* aParent = nullptr);
  ~TPtyPort() override;
  TPtyPort(const TPtyPort&) = delete;
  TPtyPort& operator=(const TPtyPort&) = delete;

  // False with a reason when the pseudo-terminal cannot be set up.
  bool Open(QString* aError);
  QString SlavePath() const { return FSlavePath; }
  // True while a client has the terminal open (and always when opening cannot be watched).
  bool HasClient() const { return FClients > 0 || FWatch < 0; }

  // Lost while no client has the terminal open. Bytes the line cannot take now wait here, up to a
  // limit; beyond it newer writes are lost too, as a device streaming into a port nobody reads
  // loses them.
  void Write(const QByteArray& aBytes);

Q_SIGNALS:
  void Received(const QByteArray& aBytes);

private:
  void ReadMaster();
  void Flush();
  void ReadWatch();
  void Discard();

  int FMaster = -1;
  int FSlave = -1;
  QString FSlavePath;
  QSocketNotifier* FReadNotifier = nullptr;
  QSocketNotifier* FWriteNotifier = nullptr;
  int FWatch = -1;
  int FClients = 0;
  QSocketNotifier* FWatchNotifier = nullptr;
  QByteArray FPending;
};
