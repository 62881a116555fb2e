// The generation-1 status decoder: one record per input line, as the device frames it, for a
// port of the device type and under the operation the first two bytes choose.

#include "fuzz_host.h"

#include <array>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 2)
    return 0;
  static const std::array<const char*, 12> kTypes = {"",    "1",   "206", "215", "237", "250",
                                                     "301", "303", "305", "306", "31",  "99"};
  static constexpr std::array<quint8, 6> kOperations = {0, 4, 5, 6, 8, 9};
  TFuzzRig rig(vtVersion1);
  rig.Port->SetDeviceVer(QString::fromLatin1(kTypes[aData[0] % kTypes.size()]));
  rig.Host.Operation = kOperations[aData[1] % kOperations.size()];
  FuzzProcessEvents();
  const QByteArray text = FuzzBytes(aData + 2, aSize - 2);
  for (const QByteArray& line : text.split('\n')) {
    const QByteArray record = '>' + line + "\r\n";
    rig.Receive(record);
    FuzzProcessEvents();
  }
  return 0;
}
