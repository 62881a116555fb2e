#include "platform/app_paths.h"

#include <QDir>
#include <QStandardPaths>

QString AppDataFolder() {
  QString root = qEnvironmentVariable("APPDATA");
  if (root.isEmpty()) {
    root = qEnvironmentVariable("XDG_DATA_HOME");
    if (root.isEmpty())
      root = QDir::homePath() + QStringLiteral("/.local/share");
  }
  const QString folder = QDir(root).filePath(QStringLiteral("Quillbay"));
  QDir().mkpath(folder);
  return folder;
}
