#include "core/exchange_core.h"

#include "base/clock.h"
#include "core/exchange_host.h"
#include "device/port_info.h"
#include "updates/crypto/checksums.h"

#include <QByteArrayView>
#include <algorithm>
#include <string>

namespace {

struct TReplyText {
  const char* Text;
  enum { Locked, Unlocked, SavedOk, SavedError } Effect;
};

// Plain-text answers of the service-port devices, looked for in every chunk from such a device.
constexpr TReplyText kReplyTexts[] = {
    {"DEVICE PASSWORD ERROR", TReplyText::Locked},
    {"DEVICE PASSWORD OK", TReplyText::Unlocked},
    {"[Press ENTER to execute the previous command again]", TReplyText::Unlocked},
    {"Settings write OK EXTFLASH", TReplyText::SavedOk},
    {"Settings write Error EXTFLASH", TReplyText::SavedError},
};

// The longest reply text less one: enough of the previous chunk to find a reply cut in two.
constexpr qsizetype kReplyTailSize = [] {
  qsizetype longest = 0;
  for (const TReplyText& reply : kReplyTexts)
    longest = std::max<qsizetype>(longest, std::char_traits<char>::length(reply.Text));
  return longest - 1;
}();

// Silent sensors answer only a request; this one asks for the sensor's identity.
const QByteArray kSensorProbe = QByteArray::fromHex("3110B0");

} // namespace

TExchangeCore::TExchangeCore(IExchangeHost& aHost, const TClock& aClock) : FHost(aHost), FClock(aClock) {}

TPacketArray& TExchangeCore::GenIndex(int aGeneration) {
  switch (aGeneration) {
  case 1:
    return FGen1Index;
  case 2:
    return FGen2Index;
  default:
    return FGen3Index;
  }
}

void TExchangeCore::SetDecoder(int aGeneration, TDecoder aDecoder) {
  FDecoders[aGeneration - 1] = std::move(aDecoder);
}

void TExchangeCore::QReceiveData(QObject* Sender, const char* DataPtr, int DataSize) {
  if (DataSize < 1 || !DataPtr)
    return;
  const TVersionType previous = FVersion;
  TPortInfo* port = FHost.Q();

  int operationStart = int(FGen1Index.size());
  if (!FGen1Index.empty() && FGen1Index.back().State == psOpen)
    --operationStart;

  FTrafficLog.Write(DataPtr, DataSize);
  FPacketIndex.push_back(TPacket{FClock.NowStamp(), FTrafficLog.Size() - DataSize, DataSize, psComplete});
  const int k = int(FPacketIndex.size()) - 1;

  switch (FVersion) {
  case vtDetect:
    Detect(k);
    break;
  case vtVersion0:
    break;
  case vtVersion1:
    FrameV1(k);
    break;
  case vtVersion2:
    FrameV2(k);
    break;
  case vtVersion3:
    FrameV3(k);
    break;
  }

  // Bytes from a port that is not selected are logged and framed, but feed no port's operation.
  if (port) {
    const int operation = port->Operation();
    if (operation == 2 || operation == 3 || operation == 7) {
      for (int i = operationStart; i < int(FGen1Index.size()); ++i) {
        if (operation == 7)
          FHost.QOperationData7(i);
        else
          FHost.QOperationData2(i);
      }
    }

    if (port->DeviceVer() == QLatin1String("1")) {
      // A reply may arrive cut over two reads: look at the tail of the previous chunk too, but
      // count only replies that end in this one (those inside the tail were seen last time).
      const qsizetype tailSize = FReplyTail.size();
      FReplyTail.append(DataPtr, DataSize);
      const QByteArray seen = FReplyTail;
      if (FReplyTail.size() > kReplyTailSize)
        FReplyTail.remove(0, FReplyTail.size() - kReplyTailSize);
      for (const TReplyText& reply : kReplyTexts) {
        const QByteArrayView text(reply.Text);
        if (seen.indexOf(text, qMax<qsizetype>(0, tailSize - text.size() + 1)) < 0)
          continue;
        switch (reply.Effect) {
        case TReplyText::Locked:
          port->SetReadLocked(true);
          FHost.MainHintShow(1, FHost.Translate(QStringLiteral("mes_passwordneed")));
          break;
        case TReplyText::Unlocked:
          port->SetReadLocked(false);
          port->SetDevicePassword(port->UserPassword());
          break;
        case TReplyText::SavedOk:
          FHost.MainHintShow(1, FHost.Translate(QStringLiteral("SR1")));
          break;
        case TReplyText::SavedError:
          FHost.MainHintShow(1, FHost.Translate(QStringLiteral("SR0")));
          break;
        }
        if (!FAwaitedCommand.isEmpty()) {
          if (FClock.MonotonicMs() <= FAwaitedUntil) {
            const bool refused = reply.Effect == TReplyText::Locked || reply.Effect == TReplyText::SavedError;
            FHost.MainHintShow(refused ? 0 : 3,
                               FAwaitedCommand + QStringLiteral(": ") + QString::fromLatin1(text));
          }
          FAwaitedCommand.clear();
        }
      }
    }
  }

  FInByteTotal += DataSize;
  FHost.PostLogChange();

  if (previous == vtDetect && FVersion != previous)
    FHost.StartCheckNameTimer(Sender);
}

void TExchangeCore::AwaitReply(const QString& aCommand) {
  FAwaitedCommand = aCommand;
  FAwaitedUntil = FClock.MonotonicMs() + kReplyWaitMs;
}

void TExchangeCore::LogSent(const QByteArray& aBytes) {
  const TPacket entry{FClock.NowStamp(), FTrafficLog.Size(), aBytes.size(), psSent};
  FPacketIndex.push_back(entry);
  FTrafficLog.Write(aBytes);
  if (FViewIndex != &FPacketIndex)
    FViewIndex->push_back(entry);
  FOutByteTotal += aBytes.size();
  FHost.PostLogChange();
}

void TExchangeCore::Detect(int k) {
  FrameV1(k);
  FrameV2(k);
  FrameV3(k);
  const int count1 = FRecognised[0];
  const int count2 = FRecognised[1];
  const int count3 = FRecognised[2];

  const int from = qMax(0, FDetectStart);
  const int to = int(FPacketIndex.size()) - 1;
  if (count1 > count2 + count3) {
    TakeDetectionPackets(1, from, to);
    SetVersion(vtVersion1);
    Reframe(1, from, to);
  } else if (count2 > count1 + count3) {
    TakeDetectionPackets(2, from, to);
    SetVersion(vtVersion2);
    Reframe(2, from, to);
  } else if (count3 > count1 + count2) {
    // Emptied before the switch: what the switch itself sends (the new type's identity request)
    // lands in the fresh index and stays in view.
    TakeDetectionPackets(3, from, to);
    SetVersion(vtVersion3);
    if (TPortInfo* port = FHost.Q()) {
      port->SetDeviceVer(QStringLiteral("250"));
      port->SetDevicePassword(QString::fromLatin1(kDefaultDevicePassword));
    }
    FHost.OpenSettingsPage();
    Reframe(3, from, to);
  }

  if (FVersion != vtDetect) {
    FHost.SetFollow(true);
    FHost.MainHintShow(3, FHost.Translate(QStringLiteral("mes_devicestart")));
  }
}

// The entries the winning framer made during detection go, to be framed again with the sends of
// that stretch (replaced rather than duplicated). Decoders changed nothing while the generation was
// open, so re-framing hands every packet to the decoder again, now for real: the packets that
// decided detection reach the page and the port record like any later one.
void TExchangeCore::TakeDetectionPackets(int aGeneration, int aFrom, int aTo) {
  TPacketArray& index = GenIndex(aGeneration);
  if (aFrom <= aTo) {
    const qint64 rangeStart = FPacketIndex[aFrom].Position;
    if (aGeneration == 3) {
      index.clear();
    } else {
      while (!index.empty() && index.back().Position >= rangeStart)
        index.pop_back();
    }
  }
  FMemo[aGeneration - 1] = TScanMemo{};
  Recount(aGeneration);
}

void TExchangeCore::Reframe(int aGeneration, int aFrom, int aTo) {
  for (int k = aFrom; k <= aTo; ++k) {
    switch (aGeneration) {
    case 1:
      FrameV1(k);
      break;
    case 2:
      FrameV2(k);
      break;
    default:
      FrameV3(k);
      FHost.SetFollow(true);
      break;
    }
  }
}

void TExchangeCore::Recount(int aGeneration) {
  int n = 0;
  for (const TPacket& p : GenIndex(aGeneration))
    if (p.State == psRecognised && p.Position >= FDetectPosition)
      ++n;
  FRecognised[aGeneration - 1] = n;
}

void TExchangeCore::SetVersion(TVersionType aVersion) {
  FHost.ClearVisualValues();
  FHost.LogViewClear();
  switch (aVersion) {
  case vtDetect:
    FDetectStart = int(FPacketIndex.size());
    FDetectPosition = FTrafficLog.Size();
    FReplyTail.clear();
    FAwaitedCommand.clear();
    // The device on the line may be another one now: only its own packets may decide what it
    // speaks, and a packet the previous one left half-sent must not swallow its first bytes.
    FRecognised = {};
    for (int generation = 1; generation <= 3; ++generation) {
      TPacketArray& index = GenIndex(generation);
      if (!index.empty() && index.back().State == psOpen)
        index.back().State = psComplete;
      FMemo[generation - 1] = TScanMemo{};
    }
    FViewIndex = &FPacketIndex;
    break;
  case vtVersion0:
    FViewIndex = &FPacketIndex;
    break;
  case vtVersion1:
    FHost.LogViewSetHex(false);
    FViewIndex = &FGen1Index;
    break;
  case vtVersion2:
    FHost.LogViewSetHex(true);
    FViewIndex = &FGen2Index;
    break;
  case vtVersion3:
    FHost.LogViewSetHex(true);
    FViewIndex = &FGen3Index;
    break;
  }
  FHost.LogViewSetRowCount(int(FViewIndex->size()));
  if (aVersion != FVersion)
    FSettingsReady = false;
  FVersion = aVersion;
}

void TExchangeCore::Clear() {
  FProbedPort = nullptr;
  FReplyTail.clear();
  FAwaitedCommand.clear();
  FPacketIndex.clear();
  FGen1Index.clear();
  FGen2Index.clear();
  FGen3Index.clear();
  FRecognised = {};
  FMemo = {};
  FInByteTotal = 0;
  FOutByteTotal = 0;
  FDetectStart = 0;
  FDetectPosition = 0;
}

bool TExchangeCore::Probed(const TPortInfo* aPort) const {
  return aPort && FProbedPort == aPort && FProbedActiveTime == aPort->ActiveTime();
}

bool TExchangeCore::ProbeSilentSensor() {
  TPortInfo* port = FHost.Q();
  // What the program itself sent meanwhile (a type request from painting the port) does not
  // count: only the device's silence does.
  if (!port || FVersion != vtDetect || port->HeardSinceActive())
    return false;
  if (port->ActiveTime().msecsTo(FClock.Now()) <= kProbeWaitMs)
    return false;
  // Once per activation of a port, and once more after a Clear.
  if (Probed(port))
    return false;
  FProbedPort = port;
  FProbedActiveTime = port->ActiveTime();
  port->SendAnsiString(AppendCrc8(kSensorProbe));
  return true;
}
