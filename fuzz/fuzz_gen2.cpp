// The generation-2 framer and decoder: the input is the received stream of a port known to speak
// generation 2, split into chunks as the first byte decides.

#include "fuzz_host.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 1)
    return 0;
  TFuzzRig rig(vtVersion2);
  TChunker chunker(aData[0]);
  const QByteArray bytes = FuzzBytes(aData + 1, aSize - 1);
  for (qsizetype at = 0; at < bytes.size();) {
    const int size = chunker.NextSize(int(bytes.size() - at));
    rig.Receive(bytes.mid(at, size));
    at += size;
  }
  FuzzProcessEvents();
  return 0;
}
