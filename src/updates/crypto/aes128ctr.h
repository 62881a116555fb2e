#pragma once

#include <QByteArray>
#include <QString>

// AES-128 in counter mode, for text fields that travel encrypted.
//
// The key and the initial counter block are the UTF-8 bytes of the given texts, cut to 16 bytes or
// filled with zero bytes up to 16. The counter block is incremented as one 128-bit big-endian
// number per block. The ciphertext has the plain text's UTF-8 length and is returned as Base64.
class TAES128CTR {
public:
  TAES128CTR() = delete;

  // Throws std::runtime_error when the cipher library fails.
  static QString Encrypt(const QString& PlainText, const QString& Key, const QString& IV);
  // The raw key stream applied to aBytes: in counter mode this both encrypts and decrypts.
  static QByteArray Apply(const QByteArray& aBytes, const QString& Key, const QString& IV);
};
