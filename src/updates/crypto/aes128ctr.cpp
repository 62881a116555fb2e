#include "updates/crypto/aes128ctr.h"

#include "updates/crypto/checksums.h"

#include <QByteArray>
#include <algorithm>
#include <memory>
#include <openssl/evp.h>
#include <stdexcept>

namespace {

constexpr qsizetype kBlockSize = 16;
// EVP takes int lengths; longer texts go through in pieces of this size.
constexpr qsizetype kUpdatePiece = qsizetype(1) << 30;

struct TCipherContextFree {
  void operator()(EVP_CIPHER_CTX* aContext) const { EVP_CIPHER_CTX_free(aContext); }
};
using TCipherContext = std::unique_ptr<EVP_CIPHER_CTX, TCipherContextFree>;

QByteArray ToBlock(const QString& aText) {
  return aText.toUtf8().leftJustified(kBlockSize, '\0', true);
}

const unsigned char* Bytes(const QByteArray& aBytes) {
  return reinterpret_cast<const unsigned char*>(aBytes.constData());
}

} // namespace

QString TAES128CTR::Encrypt(const QString& PlainText, const QString& Key, const QString& IV) {
  return Base64Encode(Apply(PlainText.toUtf8(), Key, IV));
}

QByteArray TAES128CTR::Apply(const QByteArray& aBytes, const QString& Key, const QString& IV) {
  const QByteArray key = ToBlock(Key);
  const QByteArray counter = ToBlock(IV);
  const QByteArray& plain = aBytes;

  TCipherContext context(EVP_CIPHER_CTX_new());
  if (!context) {
    throw std::runtime_error("AES-128-CTR: cannot allocate a cipher context");
  }
  if (EVP_EncryptInit_ex(context.get(), EVP_aes_128_ctr(), nullptr, Bytes(key), Bytes(counter)) != 1) {
    throw std::runtime_error("AES-128-CTR: cannot initialise the cipher");
  }

  // A stream mode never emits more than it is given; the spare block only guards the final call.
  QByteArray cipher(plain.size() + kBlockSize, Qt::Uninitialized);
  auto* out = reinterpret_cast<unsigned char*>(cipher.data());
  qsizetype written = 0;
  for (qsizetype done = 0; done < plain.size();) {
    const qsizetype piece = std::min(plain.size() - done, kUpdatePiece);
    int outLength = 0;
    if (EVP_EncryptUpdate(context.get(), out + written, &outLength, Bytes(plain) + done,
                          static_cast<int>(piece)) != 1) {
      throw std::runtime_error("AES-128-CTR: encryption failed");
    }
    written += outLength;
    done += piece;
  }
  int finalLength = 0;
  if (EVP_EncryptFinal_ex(context.get(), out + written, &finalLength) != 1) {
    throw std::runtime_error("AES-128-CTR: cannot finish the encryption");
  }
  written += finalLength;
  if (written != plain.size()) {
    throw std::runtime_error("AES-128-CTR: ciphertext length differs from the plain text length");
  }
  cipher.truncate(written);
  return cipher;
}
