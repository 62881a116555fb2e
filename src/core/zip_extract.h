#pragma once

#include <QString>

// The most an archive may unpack to, all entries together: the sizes an entry declares are not
// believed, the bytes it inflates to are counted.
inline constexpr qint64 kMaxZipExtractBytes = 256LL * 1024 * 1024;

// Unpacks the ZIP archive aArchiveFile into the existing folder aFolder. Every entry is checked
// before anything is written: an absolute path, a drive letter or a ".." that would leave aFolder
// refuses the whole archive. Entries are written as plain files (a symbolic link's entry holds its
// target as text); a name given twice keeps the last. More than aMaxBytes in all stops it, the
// entry in hand not written. False with a reason in aError on any failure.
bool ExtractZipSafely(const QString& aArchiveFile, const QString& aFolder, QString* aError,
                      qint64 aMaxBytes = kMaxZipExtractBytes);
