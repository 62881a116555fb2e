// The receive path: bytes from a port, in chunks of any size, through detection or a known
// generation's framer into the decoders, with the program's own sends between the chunks.
//
// Input: one byte choosing the generation the core starts in (detection most often), one byte
// seeding how the rest is split and where sends fall, then the received bytes as recorded.

#include "fuzz_host.h"

#include <array>

namespace {

QByteArray Send(quint32 aWhich) {
  switch (aWhich) {
  case 0:
    return QByteArrayLiteral(">I 7\r\n");
  case 1:
    return QByteArrayLiteral(">D 18;3\r\n");
  case 2:
    return Gen3::Request(Gen3::kMasterInfo);
  case 3:
    return Gen3::Request(Gen3::kSensorData, QByteArray(1, '\x01'));
  default:
    return QByteArrayLiteral("111111\r\n");
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 2)
    return 0;
  static constexpr std::array<TVersionType, 8> kStart = {vtDetect,   vtDetect,   vtDetect,   vtDetect,
                                                         vtVersion0, vtVersion1, vtVersion2, vtVersion3};
  TFuzzRig rig(kStart[aData[0] % kStart.size()]);
  TChunker chunker(aData[1]);
  const QByteArray bytes = FuzzBytes(aData + 2, aSize - 2);
  qsizetype at = 0;
  while (at < bytes.size()) {
    const int size = chunker.NextSize(int(qMin<qsizetype>(bytes.size() - at, 1 << 20)));
    rig.Receive(bytes.mid(at, size));
    at += size;
    switch (chunker.Next(16)) {
    case 0:
      rig.Core.LogSent(Send(chunker.Next(5)));
      break;
    case 1:
      rig.Core.ProbeSilentSensor();
      break;
    default:
      break;
    }
    FuzzProcessEvents();
  }
  // Every index entry lies inside the traffic log. (Not always in the order of its bytes: a send
  // made while detection decides goes before the packets framed again after it.)
  const qint64 logSize = rig.Core.TrafficLog().Size();
  for (int g = 0; g <= 3; ++g) {
    const TPacketArray& index = g == 0 ? rig.Core.PacketIndex() : rig.Core.GenIndex(g);
    for (const TPacket& p : index)
      if (p.Position < 0 || p.Size < 0 || p.End() > logSize)
        __builtin_trap();
  }
  return 0;
}
