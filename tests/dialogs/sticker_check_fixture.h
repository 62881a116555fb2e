#pragma once

// Reading printed stickers back: the QR text through a reader from the system, pages of a PDF.

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>

// What a QR reader from the system makes of the image; empty when it finds no symbol.
inline QString DecodeQR(const QImage& aImage) {
  const QString zbar = QStandardPaths::findExecutable(QStringLiteral("zbarimg"));
  if (zbar.isEmpty())
    return QStringLiteral("<zbarimg missing: scripts/install-deps installs zbar-tools>");
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("qr.png"));
  aImage.save(file);
  QProcess p;
  p.start(zbar, {QStringLiteral("--raw"), QStringLiteral("-q"), QStringLiteral("-Sbinary"), file});
  p.waitForFinished(20000);
  return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Pages in a PDF file; -1 when it cannot be read.
inline int PdfPages(const QString& aFile) {
  QFile f(aFile);
  if (!f.open(QIODevice::ReadOnly))
    return -1;
  return int(
      QString::fromLatin1(f.readAll()).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}
