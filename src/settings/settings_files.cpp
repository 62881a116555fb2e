#include "settings/settings_files.h"

#include "platform/save_file.h"
#include "settings/settings_image.h"
#include "settings/settings_model.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

std::optional<QString> ReadConfigFile(const QString& aFileName) {
  QFile file(aFileName);
  if (!file.open(QIODevice::ReadOnly))
    return std::nullopt;
  // A line end may follow the longest text; anything beyond cannot be an image.
  const QByteArray head = file.read(kMaxImageBase64 + 2);
  if (file.error() != QFileDevice::NoError)
    return std::nullopt;
  qsizetype end = head.size();
  for (qsizetype i = 0; i < head.size(); ++i)
    if (head.at(i) == '\r' || head.at(i) == '\n') {
      end = i;
      break;
    }
  return QString::fromLatin1(head.left(end));
}

bool WriteConfigFile(const QString& aFileName, const QString& aBase64) {
  return SaveFileAtomically(aFileName, aBase64.toLatin1());
}

std::optional<QByteArray> EmbeddedSettingsSchema(const QString& aType) {
  QFile file(QStringLiteral(":/velmora/Resource_") + aType);
  if (!file.open(QIODevice::ReadOnly))
    return std::nullopt;
  return file.readAll();
}

std::optional<TSchemaChoice>
ChooseSettingsSchema(const QString& aType, const QString& aFolder, const QDateTime& aEmbeddedDate,
                     const std::function<std::optional<QByteArray>(const QString&)>& aEmbedded) {
  const std::optional<QByteArray> embedded = aEmbedded(aType);
  const QFileInfo cached(QDir(aFolder).filePath(aType + QStringLiteral(".json")));
  if (cached.exists() && !(embedded && cached.lastModified() < aEmbeddedDate)) {
    QFile file(cached.filePath());
    if (file.open(QIODevice::ReadOnly)) {
      const QByteArray text = file.readAll();
      if (file.error() == QFileDevice::NoError && ParseSettingsSchema(text))
        return TSchemaChoice{text, true};
    }
  }
  if (embedded && ParseSettingsSchema(*embedded))
    return TSchemaChoice{*embedded, false};
  return std::nullopt;
}
