#include "updates/self_updater.h"

#include "base/build_info.h"
#include "platform/file_date.h"
#include "platform/save_file.h"
#include "updates/web_client.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>
#ifdef Q_OS_UNIX
#include <cstring>
#include <elf.h>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

constexpr int kProbeTimeoutMs = 10000;
// "--version" is one short line; a program that talks on is not the one asked.
constexpr qsizetype kMaxProbeOutput = 4096;

#ifdef Q_OS_UNIX
constexpr unsigned char kNativeClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr unsigned char kNativeData = ELFDATA2LSB;
#else
constexpr unsigned char kNativeData = ELFDATA2MSB;
#endif
#if defined(__x86_64__)
constexpr quint16 kNativeMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr quint16 kNativeMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr quint16 kNativeMachine = EM_386;
#elif defined(__arm__)
constexpr quint16 kNativeMachine = EM_ARM;
#elif defined(__riscv)
constexpr quint16 kNativeMachine = EM_RISCV;
#else
#error "unknown machine: add its ELF machine code"
#endif
#endif

} // namespace

TSelfUpdater::TSelfUpdater(TWebClient& aClient, QObject* aParent) : QObject(aParent), FClient(aClient) {}

TSelfUpdater::~TSelfUpdater() {
  if (FTransfer)
    FTransfer->disconnect(this);
  if (FProbe) {
    FProbe->disconnect(this);
    FProbe->kill();
    FProbe->waitForFinished(1000);
  }
}

void TSelfUpdater::SetTarget(const QString& aProgram, const QString& aBackupFolder, const QDate& aRelease) {
  FProgram = aProgram;
  FBackupFolder = aBackupFolder;
  FRelease = aRelease;
}

QString TSelfUpdater::BackupPath() const {
  const QFileInfo info(FProgram);
  const QString suffix = info.suffix().isEmpty() ? QString() : QStringLiteral(".") + info.suffix();
  return QDir(FBackupFolder)
      .filePath(info.completeBaseName() + QStringLiteral("_") + FRelease.toString(QStringLiteral("yyMMdd")) +
                suffix);
}

bool TSelfUpdater::ProgramWritable() const {
#ifdef Q_OS_UNIX
  const QByteArray file = QFile::encodeName(FProgram);
  const QByteArray folder = QFile::encodeName(QFileInfo(FProgram).absolutePath());
  // The effective credentials decide whether the rename will succeed, so they are the ones asked.
  return ::faccessat(AT_FDCWD, file.constData(), W_OK, AT_EACCESS) == 0 &&
         ::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) == 0;
#else
  return QFileInfo(FProgram).isWritable();
#endif
}

TSelfUpdater::TRefusal TSelfUpdater::Start(const QUrl& aUrl, const QDate& aAnnounced, const QString& aSha256,
                                           bool aOperationRunning) {
  if (FRunning)
    return srRunning;
  // Stopping the port in the middle of a firmware transfer would leave the device without one.
  if (aOperationRunning)
    return srBusy;
  // Without the announced build there is nothing to check the download against.
  if (!IsWebAddress(aUrl) || !aAnnounced.isValid())
    return srBadAddress;
  if (!ProgramWritable())
    return srReadOnly;
  FRunning = true;
  FAnnounced = aAnnounced;
  FSha256 = aSha256.trimmed().toLower();
  QFile::remove(DownloadPath());
  FTransfer = FClient.Download(aUrl, DownloadPath(), kMaxProgramBytes);
  connect(FTransfer, &TWebTransfer::Finished, this, [this](const TWebResult& aResult) {
    FTransfer = nullptr;
    if (aResult.Outcome != TWebOutcome::Ok)
      Fail(aResult.Error.isEmpty() ? QStringLiteral("download failed") : aResult.Error);
    else if (aResult.Size == 0)
      Fail(QStringLiteral("empty download"));
    else
      Downloaded();
  });
  return srNone;
}

bool TSelfUpdater::IsNativeExecutable(const QString& aFileName, QString* aWhy) {
#ifdef Q_OS_UNIX
  QFile file(aFileName);
  if (!file.open(QIODevice::ReadOnly)) {
    *aWhy = file.errorString();
    return false;
  }
  const QByteArray head = file.read(20);
  if (head.size() < 20 || !head.startsWith(ELFMAG)) {
    *aWhy = QStringLiteral("not an executable");
    return false;
  }
  const auto* bytes = reinterpret_cast<const unsigned char*>(head.constData());
  if (bytes[EI_CLASS] != kNativeClass || bytes[EI_DATA] != kNativeData) {
    *aWhy = QStringLiteral("an executable of another machine");
    return false;
  }
  // e_type and e_machine follow e_ident, in the file's own byte order (checked above).
  quint16 type = 0;
  quint16 machine = 0;
  memcpy(&type, bytes + EI_NIDENT, 2);
  memcpy(&machine, bytes + EI_NIDENT + 2, 2);
  if (machine != kNativeMachine) {
    *aWhy = QStringLiteral("an executable of another machine");
    return false;
  }
  if (type != ET_EXEC && type != ET_DYN) {
    *aWhy = QStringLiteral("not an executable");
    return false;
  }
  return true;
#else
  Q_UNUSED(aFileName);
  Q_UNUSED(aWhy);
  return true;
#endif
}

void TSelfUpdater::Downloaded() {
  const QString download = DownloadPath();
  QString why;
  if (!IsNativeExecutable(download, &why)) {
    Fail(why);
    return;
  }
  if (!FSha256.isEmpty()) {
    QFile file(download);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file) ||
        hash.result().toHex() != FSha256.toLatin1()) {
      Fail(QStringLiteral("checksum mismatch"));
      return;
    }
  }
  QFile::setPermissions(download,
                        QFile::permissions(FProgram) | QFileDevice::ExeOwner | QFileDevice::ReadOwner);
  // A program that cannot tell its version would not start after the swap either; one that tells
  // another name or build is not what the site announced (a damaged or foreign file).
  FProbeOutput.clear();
  FProbe = new QProcess(this);
  FProbe->setStandardErrorFile(QProcess::nullDevice());
  FProbe->setStandardInputFile(QProcess::nullDevice());
  auto* deadline = new QTimer(FProbe);
  deadline->setSingleShot(true);
  connect(deadline, &QTimer::timeout, FProbe, [this] { FProbe->kill(); });
  connect(FProbe, &QProcess::readyReadStandardOutput, this, [this] {
    FProbeOutput += FProbe->readAllStandardOutput();
    if (FProbeOutput.size() > kMaxProbeOutput)
      FProbe->kill();
  });
  connect(FProbe, &QProcess::finished, this, [this](int aCode, QProcess::ExitStatus aStatus) {
    FProbeOutput += FProbe->readAllStandardOutput();
    FProbe->deleteLater();
    FProbe = nullptr;
    Probed(aCode, aStatus == QProcess::NormalExit);
  });
  connect(FProbe, &QProcess::errorOccurred, this, [this](QProcess::ProcessError aError) {
    if (aError != QProcess::FailedToStart)
      return;
    FProbe->deleteLater();
    FProbe = nullptr;
    Fail(QStringLiteral("the new program does not start"));
  });
  deadline->start(kProbeTimeoutMs);
  FProbe->start(download, {QStringLiteral("--version")});
}

void TSelfUpdater::Probed(int aCode, bool aNormalExit) {
  if (!aNormalExit || aCode != 0 || FProbeOutput.size() > kMaxProbeOutput) {
    Fail(QStringLiteral("the new program does not start"));
    return;
  }
  const QString told = QString::fromUtf8(FProbeOutput).section(QLatin1Char('\n'), 0, 0).trimmed();
  const QString expected = VersionText(FAnnounced);
  const QString name = expected.section(QLatin1Char(' '), 0, 0) + QLatin1Char(' ');
  if (!told.startsWith(name)) {
    Fail(QStringLiteral("the download is not Velmora"));
    return;
  }
  if (told != expected) {
    Fail(QStringLiteral("the download is build %1, the announced one is %2")
             .arg(told.mid(name.size()).left(40), expected.mid(name.size())));
    return;
  }
  Q_EMIT Verified();
}

bool TSelfUpdater::Install(QString* aError) {
  auto fail = [this, aError](const QString& aWhy) {
    *aError = aWhy;
    Discard();
    return false;
  };
  if (!QFileInfo::exists(DownloadPath()))
    return fail(QStringLiteral("no verified download"));
  if (!QDir().mkpath(FBackupFolder))
    return fail(QStringLiteral("cannot create %1").arg(FBackupFolder));
  const QString backup = BackupPath();
  QFile::remove(backup);
  if (!CopyFileAtomically(FProgram, backup))
    return fail(QStringLiteral("cannot keep a copy of the program in %1").arg(FBackupFolder));
  QString error;
  if (!ReplaceFile(DownloadPath(), FProgram, &error))
    return fail(error);
  FRunning = false;
  return true;
}

void TSelfUpdater::Discard() {
  QFile::remove(DownloadPath());
  FRunning = false;
}

void TSelfUpdater::Fail(const QString& aWhy) {
  QFile::remove(DownloadPath());
  FRunning = false;
  Q_EMIT Failed(aWhy);
}
