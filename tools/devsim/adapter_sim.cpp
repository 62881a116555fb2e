#include "adapter_sim.h"

#include "updates/crypto/checksums.h"

namespace {

const QByteArray kPasswordOk = "DEVICE PASSWORD OK\r\n";
const QByteArray kPasswordError = "DEVICE PASSWORD ERROR\r\n";
const QByteArray kDone = "OK\r\n";

const char* const kConsoleWords[] = {
    "restart",       "upgrade extflash", "remotix getfw", "remotix getconf",
    "storage clear", "sendpacket",       "settings get",
};
const QByteArray kSettingsSet = "settings set ";

bool IsConsoleWord(const QByteArray& aLine) {
  if (aLine.startsWith(kSettingsSet))
    return true;
  for (const char* word : kConsoleWords) {
    if (aLine == word)
      return true;
  }
  return false;
}

} // namespace

TServiceAdapterSim::TServiceAdapterSim(const TTrackerOptions& aOptions, const TClock& aClock)
    : TTrackerSim(TTrackerOptions{1, aOptions.Id, aOptions.Imei, aOptions.Password}, aClock) {}

QByteArray TServiceAdapterSim::Answer(const QByteArray& aLine) {
  // The tracker requests (identity, clock, settings by number) work whether locked or not.
  if (aLine.startsWith('>'))
    return TTrackerSim::Answer(aLine);
  if (aLine == Password()) {
    FUnlocked = true;
    return kPasswordOk;
  }
  if (!FUnlocked)
    return kPasswordError;
  return IsConsoleWord(aLine) ? Console(aLine) : QByteArray();
}

QByteArray TServiceAdapterSim::Console(const QByteArray& aLine) {
  if (aLine == "restart") {
    Restart(aLine);
    return kDone;
  }
  if (aLine == "storage clear") {
    ClearMemory();
    return kDone;
  }
  if (aLine == "sendpacket")
    return Stream();
  if (aLine == "settings get")
    return ReadSettings(aLine);
  if (aLine.startsWith(kSettingsSet)) {
    bool decoded = false;
    const QByteArray image = Base64Decode(QString::fromLatin1(aLine.mid(kSettingsSet.size())), &decoded);
    return decoded && ApplySettingsImage(image) ? "Settings write OK EXTFLASH\r\n"
                                                : "Settings write Error EXTFLASH\r\n";
  }
  // Firmware and web updates: the adapter acknowledges and works on its own.
  return kDone;
}
