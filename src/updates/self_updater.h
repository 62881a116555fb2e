#pragma once

#include <QByteArray>
#include <QDate>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QProcess;
class TWebClient;
class TWebTransfer;

// Replaces the program's own file with a newer one from the web. The new file is downloaded next to
// the program, checked (size, an executable of this machine, the checksum when one is known, and
// that it starts and names itself as the announced build of this program), and only then swapped
// in by one rename, a copy of the old program kept in the data folder. Until the swap the
// installed program is untouched; any failure leaves it as it was.
class TSelfUpdater : public QObject {
  Q_OBJECT
public:
  static constexpr qint64 kMaxProgramBytes = 512LL * 1024 * 1024;

  enum TRefusal { srNone, srBusy, srReadOnly, srBadAddress, srRunning };

  TSelfUpdater(TWebClient& aClient, QObject* aParent = nullptr);
  ~TSelfUpdater() override;

  // aProgram: the program's file; aBackupFolder: where the old program is kept.
  void SetTarget(const QString& aProgram, const QString& aBackupFolder, const QDate& aRelease);
  QString Program() const { return FProgram; }
  QString DownloadPath() const { return FProgram + QStringLiteral(".tmp"); }
  QString BackupPath() const;
  // The program's file (and its folder, for the rename) can be written by this user.
  bool ProgramWritable() const;

  // Starts the download, or says why not. Verified or Failed follows. aAnnounced is the build date
  // the update information gave: the download must tell it on "--version". An empty aSha256 skips
  // the checksum (the service may not send one).
  TRefusal Start(const QUrl& aUrl, const QDate& aAnnounced, const QString& aSha256, bool aOperationRunning);
  bool Running() const { return FRunning; }
  // After Verified, once the caller has released what it must: keeps the old program and swaps the
  // new one in. False with the download removed and the program untouched.
  bool Install(QString* aError);
  // Drops a verified download that is not going to be installed.
  void Discard();

  // An executable (or shared object) of the machine this program was built for.
  static bool IsNativeExecutable(const QString& aFileName, QString* aWhy);

Q_SIGNALS:
  void Verified();
  void Failed(const QString& aWhy);

private:
  void Downloaded();
  void Probed(int aCode, bool aNormalExit);
  void Fail(const QString& aWhy);

  TWebClient& FClient;
  QString FProgram;
  QString FBackupFolder;
  QDate FRelease;
  QDate FAnnounced;
  QString FSha256;
  QByteArray FProbeOutput;
  bool FRunning = false;
  QPointer<TWebTransfer> FTransfer;
  QPointer<QProcess> FProbe;
};
