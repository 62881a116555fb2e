#pragma once

#include <QByteArrayView>
#include <QString>

class QFileDevice;
class QSaveFile;

// Every file the program writes goes through these. A write to a file device only fills Qt's
// buffer and reports the whole count; a full disk or a file-size limit shows when the buffer is
// pushed out, and QSaveFile::commit() ignores that failure and still renames. So each step is
// checked here, and a failed save never replaces the old file nor leaves its temporary behind.

// Writes aBytes and pushes them past Qt's buffer to the system; false, with the reason in aError,
// when any of them did not arrive.
bool WriteThrough(QFileDevice& aFile, QByteArrayView aBytes, QString* aError = nullptr);

// Pushes out what is buffered, syncs it to the disk and commits; on any failure the save is
// cancelled (the target keeps its old contents and the temporary file is removed) and false is
// returned with the reason in aError.
bool CommitSaveFile(QSaveFile& aFile, QString* aError = nullptr);

// Cancels an open save: the target keeps its old contents and the temporary file is removed.
void DiscardSaveFile(QSaveFile& aFile);

// Replaces aFileName by aBytes in one step: readers see the old file or the new one, never a
// part, and a failure leaves the old one untouched.
bool SaveFileAtomically(const QString& aFileName, QByteArrayView aBytes, QString* aError = nullptr);

// Copies aFrom to aTo the same way, with aFrom's permissions.
bool CopyFileAtomically(const QString& aFrom, const QString& aTo, QString* aError = nullptr);
