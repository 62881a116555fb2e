#pragma once

// One file of a device's file storage as the device keeps it: a 256-byte header with the mark,
// the length and the name, then the contents.

#include <QByteArray>

inline QByteArray StoredFileRecord(const QByteArray& aName, const QByteArray& aExtension,
                                   const QByteArray& aContents) {
  QByteArray header(256, '\0');
  header.replace(1, 4, QByteArray("\xAA\x81\x5C\x9A", 4));
  const auto length = quint32(aContents.size());
  for (int i = 0; i < 4; ++i)
    header[9 + i] = char((length >> (8 * i)) & 0xFF);
  header[13] = char(2 + aName.size() + aExtension.size());
  header[14] = char(aName.size());
  header.replace(15, aName.size(), aName);
  header[15 + aName.size()] = char(aExtension.size());
  header.replace(16 + aName.size(), aExtension.size(), aExtension);
  return header + aContents;
}
