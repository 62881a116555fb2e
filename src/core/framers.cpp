// The framers of the three protocol generations. Each looks only at its current packet (the last
// entry of its index) and, for a packet that stays open over many chunks, only at the bytes it
// has not searched yet, so framing costs time in proportion to the new bytes.

#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "device/port_info.h"

#include <exception>

namespace {

constexpr char kSign1[] = ">";
constexpr char kLineEnd[] = "\r\n";
constexpr char kKeySeparator[] = "=";
constexpr char kSign2[] = "\x55\xAA";
constexpr char kSign3[] = "\x3E\x10";

// Body length of a generation-3 reply by its command byte.
qint64 Gen3BodyLength(quint8 aCommand, quint8 aFirstBodyByte) {
  switch (aCommand) {
  case 0xB0:
    return 32;
  case 0xB1:
    return 48;
  case 0xB2:
    return 1;
  case 0xB3:
    return 55;
  case 0xB4:
    return 32;
  case 0xB5:
  case 0xB6:
    return 1;
  case 0xB7:
    return 2;
  case 0xB8:
    return 8 * qint64(aFirstBodyByte) + 1;
  default:
    return 0;
  }
}

} // namespace

bool TExchangeCore::OpenForChunk(TPacketArray& aIndex, const TPacket& aChunk, TScanMemo& aMemo,
                                 bool& aExtended) {
  aExtended = false;
  if (aIndex.empty() || aIndex.back().State != psOpen) {
    const bool sent = aChunk.State == psSent;
    aIndex.push_back(
        TPacket{aChunk.Time, aChunk.Position, aChunk.Size, sent ? quint8(psSent) : quint8(psOpen)});
    aMemo = TScanMemo{};
    return !sent;
  }
  TPacket& last = aIndex.back();
  aExtended = aMemo.Position == last.Position && aMemo.End <= aChunk.End();
  last.Size = aChunk.End() - last.Position;
  return true;
}

void TExchangeCore::AppendOpen(TPacketArray& aIndex, const TPacket& aChunk, qint64 aFrom, qint64 aEnd) {
  aIndex.push_back(TPacket{aChunk.Time, aFrom, aEnd - aFrom, psOpen});
}

qint64 TExchangeCore::FindSign(const TPacket& aPacket, const TScanMemo& aMemo, bool aUseMemo,
                               const char* aSign, int aLength) const {
  qint64 from = aPacket.Position;
  if (aUseMemo) {
    if (aMemo.Sign >= 0)
      return aMemo.Sign;
    // A sign may straddle the old end: look back by its length less one.
    from = qMax(aPacket.Position, aMemo.End - (aLength - 1));
  }
  return FTrafficLog.ArrayPosition(from, aPacket.End() - from, aSign, aLength);
}

qint64 TExchangeCore::AlignToSign(TPacketArray& aIndex, TScanMemo& aMemo, bool& aUseMemo,
                                  const TPacket& aChunk, const char* aSign, int aLength) {
  for (;;) {
    const TPacket packet = aIndex.back();
    const qint64 p = FindSign(packet, aMemo, aUseMemo, aSign, aLength);
    if (p < 0) {
      aMemo = TScanMemo{packet.Position, packet.End(), -1, -2};
      return -1;
    }
    if (p == packet.Position)
      return p;
    aIndex.back().Size = p - packet.Position;
    AppendOpen(aIndex, aChunk, p, aChunk.End());
    aUseMemo = false;
  }
}

void TExchangeCore::HandOff(int aGeneration, int aIndex) {
  if (const TDecoder& decoder = FDecoders[aGeneration - 1]) {
    try {
      decoder(aIndex);
    } catch (const std::exception&) {
      // A packet the decoder choked on is simply not recognised; framing goes on.
      GenIndex(aGeneration)[aIndex].State = psComplete;
    }
  }
  if (GenIndex(aGeneration)[aIndex].State == psRecognised)
    ++FRecognised[aGeneration - 1];
}

void TExchangeCore::FrameV1(int k) {
  TPacketArray& index = FGen1Index;
  TScanMemo& memo = FMemo[0];
  const TPacket chunk = FPacketIndex[k];
  const qint64 E = chunk.End();
  bool useMemo = false;
  if (!OpenForChunk(index, chunk, memo, useMemo))
    return;

  for (;;) {
    if (AlignToSign(index, memo, useMemo, chunk, kSign1, 1) < 0)
      return;
    const int a = int(index.size()) - 1;
    const TPacket packet = index[a];

    qint64 e;
    if (useMemo && memo.Term >= 0) {
      e = memo.Term;
    } else {
      // Without a terminator in the bytes searched so far, only the new ones (and the last old
      // one, for a split CR LF) can hold it.
      const qint64 from = useMemo && memo.Term == -1 ? qMax(packet.Position, memo.End - 1) : packet.Position;
      e = FTrafficLog.StringPosition(from, packet.End() - from, kLineEnd);
    }
    if (e < 0) {
      memo = TScanMemo{packet.Position, packet.End(), packet.Position, -1};
      return;
    }
    useMemo = false;

    // A second ">" inside the line: what lies before it belongs to the open bytes before the line.
    const qint64 q = FTrafficLog.StringPosition(packet.Position + 1, e - packet.Position - 1, kSign1);
    if (q >= 0 && a > 0 && index[a - 1].State == psOpen) {
      index[a - 1].Size += q - packet.Position;
      index[a].Position = q;
    }
    index[a].Size = e + 2 - index[a].Position;
    index[a].State = psComplete;

    bool handOff = true;
    bool merged = false;
    if (FTrafficLog.StringPosition(index[a].Position, index[a].Size, kKeySeparator) < 0) {
      handOff = false;
      if (a > 0 && index[a - 1].State == psOpen) {
        index[a - 1].Size += index[a].Size;
        index.pop_back();
        merged = true;
      } else {
        index[a].State = psOpen;
      }
    }
    if (handOff)
      HandOff(1, a);

    if (e + 2 == E) {
      const TPacket& last = index.back();
      if (last.State != psOpen)
        memo = TScanMemo{};
      else if (merged)
        memo = TScanMemo{last.Position, E, packet.Position, -2};
      else
        memo = TScanMemo{last.Position, E, last.Position, e};
      return;
    }
    AppendOpen(index, chunk, e + 2, E);
  }
}

void TExchangeCore::FrameV2(int k) {
  TPacketArray& index = FGen2Index;
  TScanMemo& memo = FMemo[1];
  const TPacket chunk = FPacketIndex[k];
  const qint64 E = chunk.End();
  bool useMemo = false;
  if (!OpenForChunk(index, chunk, memo, useMemo))
    return;

  for (;;) {
    const int a = int(index.size()) - 1;
    const TPacket packet = index[a];
    const qint64 p = FindSign(packet, memo, useMemo, kSign2, 2);
    if (p < 0) {
      if (packet.Size == 0) {
        // A stretched placeholder that came to nothing: the next chunk opens its own entry.
        index.pop_back();
        memo = TScanMemo{};
      } else {
        memo = TScanMemo{packet.Position, packet.End(), -1, -2};
      }
      return;
    }
    if (p > packet.Position) {
      index[a].Size = p - packet.Position;
      AppendOpen(index, chunk, p, E);
      useMemo = false;
      continue;
    }
    const qint64 logSize = FTrafficLog.Size();
    if (logSize < p + 8) {
      memo = TScanMemo{packet.Position, packet.End(), p, -2};
      return;
    }
    const qint64 L = FTrafficLog.AsByte(p + 6) + 256 * qint64(FTrafficLog.AsByte(p + 7));
    if (logSize < p + 10 + L) {
      memo = TScanMemo{packet.Position, packet.End(), p, -2};
      return;
    }
    useMemo = false;
    index[a].Size = 10 + L;
    index[a].State = psComplete;
    HandOff(2, a);
    const qint64 end = p + 10 + L;
    // A packet that ends where the chunk ends leaves nothing open. (One that reaches past the
    // chunk, while re-framing older chunks, leaves an entry of negative size that the next chunk
    // stretches to its proper size.)
    if (end == E) {
      memo = TScanMemo{};
      return;
    }
    AppendOpen(index, chunk, end, E);
  }
}

void TExchangeCore::FrameV3(int k) {
  TPacketArray& index = FGen3Index;
  TScanMemo& memo = FMemo[2];
  const TPacket chunk = FPacketIndex[k];
  const qint64 E = chunk.End();
  bool useMemo = false;
  if (!OpenForChunk(index, chunk, memo, useMemo))
    return;

  for (;;) {
    const qint64 p = AlignToSign(index, memo, useMemo, chunk, kSign3, 2);
    if (p < 0)
      return;
    const int a = int(index.size()) - 1;
    const TPacket packet = index[a];
    const qint64 logSize = FTrafficLog.Size();
    if (p + 4 > E) {
      memo = TScanMemo{packet.Position, packet.End(), p, -2};
      return;
    }
    const qint64 end = p + 4 + Gen3BodyLength(FTrafficLog.AsByte(p + 2), FTrafficLog.AsByte(p + 3));
    if (end > logSize || end > E) {
      memo = TScanMemo{packet.Position, packet.End(), p, -2};
      return;
    }
    useMemo = false;
    index[a].Size = end - p;
    index[a].State = psComplete;
    const bool atLogEnd = end == logSize;
    HandOff(3, a);
    if (atLogEnd) {
      // The reply to the last request is in: the next queued request may go.
      memo = TScanMemo{};
      if (TPortInfo* port = FHost.Q())
        port->InnerSend();
      return;
    }
    if (end == E) {
      memo = TScanMemo{};
      return;
    }
    AppendOpen(index, chunk, end, E);
  }
}
