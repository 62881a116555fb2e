#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

class TClock;

// A record of every line the simulated device received, for tests and for looking back at a
// session: one line in the file per line on the wire, "<milliseconds since start>\t<bytes>", the
// bytes escaped as in C ("\r", "\n", "\\", "\xHH" for anything not printable ASCII). A line ends at
// LF; bytes that stay without one (binary requests) are written by Flush().
//
// The file is written as the lines come and flushed after each, so that it can be read while the
// simulator runs.
class TLineTrace {
public:
  explicit TLineTrace(const TClock& aClock);

  // Creates (or empties) the file. False with a reason when it cannot be written.
  bool Open(const QString& aFileName, QString* aError);
  void Feed(const QByteArray& aBytes);
  // Writes the bytes received since the last line end as a line of their own.
  void Flush();
  bool HasPending() const { return !FPending.isEmpty(); }

  static QByteArray Escape(const QByteArray& aBytes);

private:
  void WriteLine(const QByteArray& aBytes);

  const TClock& FClock;
  qint64 FStartMs;
  QFile FFile;
  QByteArray FPending;
};
