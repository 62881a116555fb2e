// Block answers of memory and file readings (">FD=" packets), one character per byte.

#include "device/block_reading.h"
#include "fuzz_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const QString text = QString::fromLatin1(FuzzBytes(aData, aSize));
  const BlockReading::TBlockAnswer answer = BlockReading::ParseBlockAnswer(text);
  // A block is whole or absent, and only an answer carries one.
  if (!answer.Data.isEmpty() && (answer.Data.size() != BlockReading::kBlockSize || !answer.IsAnswer))
    __builtin_trap();
  return 0;
}
