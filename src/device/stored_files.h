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

struct TWriteResult {
  int Written = 0;
  int Refused = 0;         // names that would leave the folder or cannot be file names
  int Failed = 0;          // files that could not be written
  QStringList FailedFiles; // their paths, for the message (a name too long for the file system)
};

// Writes every file into aFolder (created when missing), each atomically; a name used twice
// keeps the last file. Counts only files that reached the disk.
TWriteResult WriteAll(const QList<TStoredFile>& aFiles, const QString& aFolder);

} // namespace StoredFiles
