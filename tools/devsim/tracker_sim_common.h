#pragma once

// What the tracker's files share: the record texts it answers with, the ring arithmetic of its
// memory pointers, the byte order helper of its images, and where its settings keep the password.

#include <QByteArray>
#include <QByteArrayList>
#include <initializer_list>

namespace TrackerSim {

inline QByteArray Num(qint64 aValue) {
  return QByteArray::number(aValue);
}

inline QByteArray Fields(std::initializer_list<QByteArray> aFields) {
  return QByteArrayList(aFields).join(';');
}

inline QByteArray Record(const QByteArray& aKey, const QByteArray& aValue) {
  return '>' + aKey + '=' + aValue + "\r\n";
}

inline int Wrap(int aPointer, int aSize) {
  return aSize > 0 ? ((aPointer % aSize) + aSize) % aSize : 0;
}

inline QByteArray IntegerBytes(qint64 aValue, int aSize, bool aBigEndian) {
  QByteArray bytes(aSize, '\0');
  for (int i = 0; i < aSize; ++i) {
    const int shift = 8 * (aBigEndian ? aSize - 1 - i : i);
    bytes[i] = static_cast<char>((aValue >> shift) & 0xFF);
  }
  return bytes;
}

constexpr int kPasswordSetting = 5;
constexpr int kPasswordSetting2 = 0x5400; // the second layout keeps the password twice

} // namespace TrackerSim
