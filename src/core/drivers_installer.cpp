#include "core/drivers_installer.h"

#include "core/zip_extract.h"
#include "platform/elevated_runner.h"
#include "platform/save_file.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>

TDriversInstaller::TDriversInstaller(IElevatedRunner& aRunner, QString aArchive, QObject* aParent)
    : QObject(aParent), FRunner(aRunner), FArchive(std::move(aArchive)) {}

TDriversInstaller::~TDriversInstaller() = default;

void TDriversInstaller::Start() {
  if (FStage != dsIdle)
    return;
  FStage = dsLoading;
  QTimer::singleShot(0, this, [this] {
    // A folder of our own (mode 0700, unique name): nobody else can plant or swap what runs as
    // root from it.
    FFolder =
        std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("velmora-drivers-XXXXXX")));
    if (!FFolder->isValid())
      return Done(doFailed, QStringLiteral("Ошибка извлечения ресурса: ") + FFolder->errorString());
    QString error;
    if (!CopyFileAtomically(FArchive, FFolder->filePath(QString::fromLatin1(kArchiveName)), &error))
      return Done(doFailed, QStringLiteral("Ошибка извлечения ресурса: ") + error);
    FStage = dsInstalling;
    Q_EMIT Installing();
    QTimer::singleShot(0, this, &TDriversInstaller::Unpack);
  });
}

void TDriversInstaller::Unpack() {
  const QString folder =
      FFolder->filePath(QStringLiteral("driver_unpack_") + QUuid::createUuid().toString(QUuid::WithBraces));
  QString error;
  if (!QDir().mkpath(folder) ||
      !ExtractZipSafely(FFolder->filePath(QString::fromLatin1(kArchiveName)), folder, &error))
    return Done(doFailed, error.isEmpty() ? QStringLiteral("cannot create ") + folder : error);
  const QString installer = QDir(folder).filePath(QString::fromLatin1(kInstallerName));
  if (!QFileInfo(installer).isFile())
    return Done(doFailed, QString::fromLatin1(kInstallerName) + QStringLiteral(" не найден."));
  // The runner may outlive this object (a window closed while pkexec asks for the password).
  QPointer<TDriversInstaller> self(this);
  FRunner.Run(QStringLiteral("/bin/sh"), {installer}, folder, [self](TElevatedResult aResult) {
    if (!self)
      return;
    if (!aResult.Started)
      return self->Done(doFailed, QStringLiteral("Не удалось запустить установку с правами администратора"));
    if (aResult.ExitCode == 0)
      return self->Done(doInstalled);
    if (aResult.ExitCode == 126)
      return self->Done(doDismissed);
    self->Done(doFailed, QStringLiteral("installer exit status %1").arg(aResult.ExitCode));
  });
}

void TDriversInstaller::Done(TDriversOutcome aOutcome, const QString& aError) {
  if (!aError.isEmpty())
    qWarning().noquote() << aError;
  FFolder.reset();
  FStage = dsIdle;
  Q_EMIT Finished({aOutcome, aError});
}
