#pragma once

#include "core/memory_stream_ex.h"
#include "core/packet.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <array>
#include <functional>

class IExchangeHost;
class QObject;
class TClock;
class TPortInfo;

// The exchange state of the window: every byte received and sent, the packet indexes over it,
// the framers of the three protocol generations and the detection of the generation.
// Lives on the user-interface thread; no locks.
class TExchangeCore {
public:
  // Hands a closed packet (its index in the generation's index) to the generation's decoder. The
  // decoder sets the entry's State to psRecognised when it accepts the packet.
  using TDecoder = std::function<void(int aIndex)>;

  TExchangeCore(IExchangeHost& aHost, const TClock& aClock);

  IExchangeHost& Host() const { return FHost; }
  const TClock& Clock() const { return FClock; }

  TMemoryStreamEx& TrafficLog() { return FTrafficLog; }
  const TMemoryStreamEx& TrafficLog() const { return FTrafficLog; }
  TPacketArray& PacketIndex() { return FPacketIndex; }
  TPacketArray& Gen1Index() { return FGen1Index; }
  TPacketArray& Gen2Index() { return FGen2Index; }
  TPacketArray& Gen3Index() { return FGen3Index; }
  // 1, 2 or 3.
  TPacketArray& GenIndex(int aGeneration);
  TPacketArray& ViewIndex() { return *FViewIndex; }
  bool ViewIsPacketIndex() const { return FViewIndex == &FPacketIndex; }
  int DetectStart() const { return FDetectStart; }
  qint64 InByteTotal() const { return FInByteTotal; }
  qint64 OutByteTotal() const { return FOutByteTotal; }
  TVersionType Version() const { return FVersion; }
  bool SettingsReady() const { return FSettingsReady; }
  void SetSettingsReady(bool aReady) { FSettingsReady = aReady; }

  void SetDecoder(int aGeneration, TDecoder aDecoder);

  // The receive entry of every transport. aDataSize must be at least 1.
  void QReceiveData(QObject* Sender, const char* DataPtr, int DataSize);
  // Logs bytes the port accepted for sending (the send path of a port record).
  void LogSent(const QByteArray& aBytes);
  // The technician sent aCommand (a menu caption, or a line as typed). The first reply text of a
  // service adapter that follows within kReplyWaitMs is shown as a hint that names the command
  // too: the adapter's answers carry no trace of what they answer.
  void AwaitReply(const QString& aCommand);
  static constexpr qint64 kReplyWaitMs = 10000;
  void SetVersion(TVersionType aVersion);
  // Empties the indexes and counters; the bytes of the log stay, so positions stay valid.
  void Clear();
  // A selected port that has stayed silent this long is probed for a sensor master.
  static constexpr qint64 kProbeWaitMs = 2000;
  // Sent on the data timer: generation-3 sensors stay silent until asked. True when sent.
  bool ProbeSilentSensor();
  // The probe went to aPort in its current activation.
  bool Probed(const TPortInfo* aPort) const;

  void FrameV1(int k);
  void FrameV2(int k);
  void FrameV3(int k);

  // Number of entries recognised since the current detection began (kept as packets are handed
  // off); what earlier devices sent stays in the log but has no say.
  int RecognisedCount(int aGeneration) const { return FRecognised[aGeneration - 1]; }

private:
  // What is already known of the open packet at the end of a generation index, so that a packet
  // that stays open over many chunks is searched only in its new bytes.
  struct TScanMemo {
    qint64 Position = -1; // the open entry the memo describes
    qint64 End = -1;      // searched up to here
    qint64 Sign = -1;     // first start sign in [Position, End), or -1
    qint64 Term = -2;     // first terminator in [Position, End), -1 none, -2 not searched
  };

  void Detect(int k);
  void TakeDetectionPackets(int aGeneration, int aFrom, int aTo);
  void Reframe(int aGeneration, int aFrom, int aTo);
  // Opens or extends the current packet of a generation for chunk k; false when k was a send.
  bool OpenForChunk(TPacketArray& aIndex, const TPacket& aChunk, TScanMemo& aMemo, bool& aExtended);
  // Brings the current packet of a generation to its next start sign: the bytes before the sign
  // stay behind in the open entry and the sign begins a new one. Returns the sign's position (the
  // current packet's start), or -1 when the packet holds none, remembered in the memo.
  qint64 AlignToSign(TPacketArray& aIndex, TScanMemo& aMemo, bool& aUseMemo, const TPacket& aChunk,
                     const char* aSign, int aLength);
  void HandOff(int aGeneration, int aIndex);
  void AppendOpen(TPacketArray& aIndex, const TPacket& aChunk, qint64 aFrom, qint64 aEnd);
  qint64 FindSign(const TPacket& aPacket, const TScanMemo& aMemo, bool aUseMemo, const char* aSign,
                  int aLength) const;
  void Recount(int aGeneration);

  IExchangeHost& FHost;
  const TClock& FClock;
  TMemoryStreamEx FTrafficLog;
  TPacketArray FPacketIndex;
  TPacketArray FGen1Index;
  TPacketArray FGen2Index;
  TPacketArray FGen3Index;
  TPacketArray* FViewIndex = &FPacketIndex;
  int FDetectStart = 0;
  // Where the traffic of the current detection begins in the log.
  qint64 FDetectPosition = 0;
  qint64 FInByteTotal = 0;
  qint64 FOutByteTotal = 0;
  TVersionType FVersion = vtDetect;
  bool FSettingsReady = false;
  std::array<TDecoder, 3> FDecoders;
  std::array<int, 3> FRecognised{};
  std::array<TScanMemo, 3> FMemo;
  // The end of the last chunk from a service adapter, where a reply text may have begun.
  QByteArray FReplyTail;
  // The command whose reply is awaited, and until when (the clock's steady milliseconds).
  QString FAwaitedCommand;
  qint64 FAwaitedUntil = 0;
  // The port last probed and the activation it was probed in.
  const TPortInfo* FProbedPort = nullptr;
  QDateTime FProbedActiveTime;
};
