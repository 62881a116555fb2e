// "UPD" frames of the firmware transfer: the record's value as text, the request frame the
// device sends and the answer frame as the device reads it back.

#include "fuzz_host.h"
#include "protocols/firmware_transfer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const QByteArray bytes = FuzzBytes(aData, aSize);
  static const FirmwareTransfer::TImage image{QByteArray(70000, '\xA5'), QStringLiteral("2"),
                                              QStringLiteral("300")};
  for (const QByteArray& frame : {FirmwareTransfer::DecodeValue(QString::fromLatin1(bytes)), bytes}) {
    if (const auto request = FirmwareTransfer::ParseRequest(frame)) {
      if (const auto answer = FirmwareTransfer::Answer(*request, image)) {
        // What we answer must read back as an answer of the same code.
        const auto back = FirmwareTransfer::ParseAnswer(answer->Frame);
        if (!back || back->Code != answer->Code || answer->ChunkEnd > image.Bytes.size())
          __builtin_trap();
      }
    }
    (void)FirmwareTransfer::ParseAnswer(frame);
  }
  (void)FirmwareTransfer::VersionByte(QString::fromLatin1(bytes));
  return 0;
}
