#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

// Configuration files (".cfg") and the schema files cached per device type.

// The Base64 text of a configuration file: its first line, read no further than the longest
// text an image can have. None when the file cannot be opened or read.
std::optional<QString> ReadConfigFile(const QString& aFileName);
// The Base64 text as the whole file, without a line end; the file appears whole or not at all.
bool WriteConfigFile(const QString& aFileName, const QString& aBase64);

// The schema text of a device type: the cached file "<type>.json" in aFolder unless it is older
// than aEmbeddedDate while an embedded schema exists, else the embedded one. A cached file that
// cannot be read or parsed gives way to the embedded schema. aEmbedded returns the embedded
// schema's text, or none.
// The schema the program carries for a device type (":/velmora/Resource_<type>"), or none.
std::optional<QByteArray> EmbeddedSettingsSchema(const QString& aType);

struct TSchemaChoice {
  QByteArray Text;
  bool FromCache = false;
};
std::optional<TSchemaChoice>
ChooseSettingsSchema(const QString& aType, const QString& aFolder, const QDateTime& aEmbeddedDate,
                     const std::function<std::optional<QByteArray>(const QString&)>& aEmbedded);
