#pragma once

#include <QDateTime>
#include <QString>

// Sets the file's last-write time to the given local date-time; true on success.
bool SetFileDate(const QString& aFileName, const QDateTime& aLocal);
// The file's last-write time in local time; invalid when the file does not exist.
QDateTime FileDate(const QString& aFileName);
// Moves aFrom over aTo in one step: readers see either the old file or the new one, never a gap.
bool ReplaceFile(const QString& aFrom, const QString& aTo, QString* aError = nullptr);
