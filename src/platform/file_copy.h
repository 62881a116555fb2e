#pragma once

#include <QObject>
#include <QString>
#include <QThread>
#include <functional>
#include <memory>

// The size in bytes of an existing file, -1 when there is none.
qint64 FileSizeOf(const QString& aFileName);

// Copies a firmware file onto a loader disk the way the device's loader expects it: two marker
// files "0" and "1" of 5120 bytes first, then the image as "fw", renamed to the source's own
// name once complete. The file and the folder reach the disk before it reports success, since
// the technician unplugs the device right after. Blocks: run it on a worker (TFileCopyJob).
struct TCopyOptions {
  // The loader watches the disk; it needs a moment between the steps.
  int PauseMs = 250;
  qint64 ChunkBytes = 64 * 1024;
};
using TCopyProgress = std::function<void(qint64 aDone, qint64 aTotal)>;
bool CopyFileTo(const QString& aFileName, const QString& aDrive, const TCopyProgress& aProgress = {},
                const TCopyOptions& aOptions = {});

// CopyFileTo on a worker thread; progress and the result arrive as queued signals in the
// thread that owns the job. One copy at a time.
class TFileCopyJob : public QObject {
  Q_OBJECT
public:
  explicit TFileCopyJob(QObject* aParent = nullptr);
  // Waits for a running copy: a half-written loader disk is worse than a late close.
  ~TFileCopyJob() override;

  // False while a copy is running.
  bool Start(const QString& aFileName, const QString& aDrive, const TCopyOptions& aOptions = {});
  bool Running() const;

Q_SIGNALS:
  void Progress(qint64 aDone, qint64 aTotal);
  void Finished(bool aSuccess);

private:
  std::unique_ptr<QThread> FThread;
};
