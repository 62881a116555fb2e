#include "device/stored_files.h"

#include "core/log_file.h"

#include <QDir>
#include <QSaveFile>

namespace StoredFiles {

namespace {

constexpr char kSignature[] = "\xAA\x81\x5C\x9A";
constexpr int kSignatureAt = 1;
constexpr int kLengthAt = 9;
constexpr int kDescriptorAt = 13;
constexpr int kNameLengthAt = 14;

quint32 LittleEndian32(const QByteArray& aBytes, qsizetype aAt) {
  quint32 value = 0;
  for (int i = 3; i >= 0; --i)
    value = value << 8 | quint8(aBytes.at(aAt + i));
  return value;
}

// Names are written in the devices' 8-bit code page.
QString DecodeName(const QByteArray& aBytes) {
  return FromLogCodePage(aBytes);
}

bool ReadHeader(const QByteArray& aDump, qsizetype h, TStoredFile* aFile) {
  const qsizetype size = aDump.size();
  const int descriptor = quint8(aDump.at(h + kDescriptorAt));
  // The descriptor (name length, name, extension length, extension) stays inside the header.
  if (descriptor < 2 || kNameLengthAt + descriptor > kHeaderSize)
    return false;
  const int nameLength = quint8(aDump.at(h + kNameLengthAt));
  if (2 + nameLength > descriptor)
    return false;
  const int extensionLength = quint8(aDump.at(h + kNameLengthAt + 1 + nameLength));
  if (2 + nameLength + extensionLength > descriptor)
    return false;
  const quint32 length = LittleEndian32(aDump, h + kLengthAt);
  // The contents wrap around the ring at most once: a longer file cannot be in this dump.
  if (qint64(length) > size)
    return false;
  const QByteArray name = aDump.mid(h + kNameLengthAt + 1, nameLength);
  const QByteArray extension = aDump.mid(h + kNameLengthAt + 2 + nameLength, extensionLength);
  if (name.isEmpty() || extension.isEmpty())
    return false;
  aFile->HeaderAt = h;
  aFile->Name = DecodeName(name);
  aFile->Extension = DecodeName(extension);
  const qsizetype start = (h + kHeaderSize) % size;
  const qsizetype first = qMin<qsizetype>(qsizetype(length), size - start);
  aFile->Contents = aDump.mid(start, first) + aDump.left(qsizetype(length) - first);
  return true;
}

bool IsForbidden(QChar c) {
  return c.unicode() < 0x20 || c.unicode() == 0x7F || QStringView(u"\\/:*?\"<>|").contains(c);
}

} // namespace

QList<TStoredFile> Extract(const QByteArray& aDump) {
  QList<TStoredFile> files;
  const QByteArrayView signature(kSignature, 4);
  for (qsizetype j = aDump.indexOf(signature, kSignatureAt); j >= 0; j = aDump.indexOf(signature, j + 1)) {
    const qsizetype h = j - kSignatureAt;
    if (h + kHeaderSize > aDump.size())
      break;
    TStoredFile file;
    if (ReadHeader(aDump, h, &file))
      files.append(file);
  }
  return files;
}

QString SafeFileName(const TStoredFile& aFile) {
  const QString name = aFile.Name + QLatin1Char('.') + aFile.Extension;
  for (const QChar c : name)
    if (IsForbidden(c))
      return QString();
  // "." and ".." as the name part, or a name that is only dots, would point elsewhere.
  if (aFile.Name == QLatin1String(".") || aFile.Name == QLatin1String("..") ||
      name.startsWith(QLatin1String("..")))
    return QString();
  return name;
}

QString FileNameFromText(const QString& aText) {
  QString name = aText;
  for (QChar& c : name)
    if (IsForbidden(c))
      c = u'-';
  return name;
}

TWriteResult WriteAll(const QList<TStoredFile>& aFiles, const QString& aFolder) {
  TWriteResult result;
  const QDir folder(aFolder);
  for (const TStoredFile& file : aFiles) {
    const QString name = SafeFileName(file);
    if (name.isEmpty()) {
      ++result.Refused;
      continue;
    }
    if (!folder.mkpath(QStringLiteral("."))) {
      ++result.Failed;
      result.FailedFiles << folder.filePath(name);
      continue;
    }
    QSaveFile out(folder.filePath(name));
    if (out.open(QIODevice::WriteOnly) && out.write(file.Contents) == file.Contents.size() && out.commit()) {
      ++result.Written;
    } else {
      ++result.Failed;
      result.FailedFiles << folder.filePath(name);
    }
  }
  return result;
}

} // namespace StoredFiles
