#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// Files the device keeps in its file storage, found in a dump of that storage. The storage is a
// ring: a file's contents may run past the dump's end and go on at its start.
struct TStoredFile {
  // Offset of the header within the dump.
  qint64 HeaderAt = 0;
  QString Name;
  QString Extension;
  QByteArray Contents;
};

namespace StoredFiles {

inline constexpr int kHeaderSize = 256;

// Every header that passes its checks and names a file with a non-empty name and extension, in
// the order of the dump. A header is tried at every signature, also inside another file's data.
QList<TStoredFile> Extract(const QByteArray& aDump);

// The name the file gets in the target folder, or empty when the device's name cannot be used
// there: it would leave the folder, or holds characters a file name cannot.
QString SafeFileName(const TStoredFile& aFile);

// Characters a file name cannot hold on the devices' and the users' file systems become "-".
QString FileNameFromText(const QString& aText);

// The device's name of a file as the technician is shown it: characters that cannot be shown
// (NUL and the other control characters) are written as \xNN.
QString ShownName(const TStoredFile& aFile);

struct TWriteResult {
  // Names in the folder of the files that reached the disk.
  QStringList Written;
  // Shown names of the files left out: their names would leave the folder or cannot be file
  // names, or a link already stands under the name.
  QStringList Refused;
  // Names of the files that could not be written, and why the first of them could not.
  QStringList Failed;
  QString Error;
};

// Writes every file into aFolder (created when missing), each atomically. A name used again in
// the same run gets " (2)", " (3)"... before its extension, so no file replaces another; a link
// in the folder is never written through.
TWriteResult WriteAll(const QList<TStoredFile>& aFiles, const QString& aFolder);

} // namespace StoredFiles
