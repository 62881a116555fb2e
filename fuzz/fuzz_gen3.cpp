// The generation-3 framer and decoder (the fuel-sensor master): the input is the received stream
// of a port known to speak generation 3, split into chunks as the first byte decides, with the
// program's requests between the chunks (sensor data is only taken when it was asked for).

#include "fuzz_host.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 1)
    return 0;
  TFuzzRig rig(vtVersion3);
  TChunker chunker(aData[0]);
  const QByteArray bytes = FuzzBytes(aData + 1, aSize - 1);
  for (qsizetype at = 0; at < bytes.size();) {
    switch (chunker.Next(8)) {
    case 0:
      rig.Core.LogSent(Gen3::Request(Gen3::kSlotList));
      break;
    case 1:
      rig.Core.LogSent(Gen3::Request(Gen3::kSensorData, QByteArray(1, char(chunker.Next(4)))));
      break;
    case 2:
      rig.Core.LogSent(Gen3::Request(Gen3::kSearch));
      break;
    default:
      break;
    }
    const int size = chunker.NextSize(int(bytes.size() - at));
    rig.Receive(bytes.mid(at, size));
    at += size;
  }
  FuzzProcessEvents();
  return 0;
}
