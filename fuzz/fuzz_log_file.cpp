// The exchange log reader of the replay, and the replay of what it read into a detecting core.

#include "core/virtual_comm_driver.h"
#include "fuzz_host.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const QString path = FuzzWriteFile(FuzzBytes(aData, aSize), QStringLiteral(".log"));
  TManualClock clock;
  TVirtualCommDriver driver(clock);
  QString error;
  if (!driver.LoadFromFile(path, &error)) {
    if (error.isEmpty())
      __builtin_trap();
    return 0;
  }
  double last = 0;
  for (const TLogEntry& entry : driver.LogEntries()) {
    if (!(entry.TimeOffset >= last) || !entry.Data.endsWith("\r\n"))
      __builtin_trap();
    last = entry.TimeOffset;
  }
  TFuzzRig rig(vtDetect, false);
  driver.SetOnReceiveData([&rig](TCommPortDriver*, const char* aBytes, int aCount) {
    rig.Core.QReceiveData(nullptr, aBytes, aCount);
  });
  const int steps = int(qMin<std::size_t>(driver.LogEntries().size(), 2000));
  for (int i = 0; i < steps; ++i)
    driver.Step();
  driver.Disconnect();
  FuzzProcessEvents();
  return 0;
}
