#pragma once

#include <QString>

// Unpacks the ZIP archive aArchiveFile into the existing folder aFolder. Every entry is checked
// before anything is written: an absolute path, a drive letter or a ".." that would leave aFolder
// refuses the whole archive. False with a reason in aError on any failure.
bool ExtractZipSafely(const QString& aArchiveFile, const QString& aFolder, QString* aError);
