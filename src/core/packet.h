#pragma once

#include "base/date_time.h"

#include <QtGlobal>
#include <vector>

// State of an index entry.
enum TPacketState : quint8 {
  psOpen = 0,       // a generation packet whose end has not arrived yet
  psComplete = 1,   // a received chunk, or a closed packet its decoder did not recognise
  psRecognised = 2, // a closed packet its decoder accepted
  psSent = 255      // bytes the program sent
};

// One index entry: a stretch of the traffic log.
struct TPacket {
  TDateTime Time = 0;
  qint64 Position = 0;
  qint64 Size = 0;
  quint8 State = psOpen;

  qint64 End() const { return Position + Size; }
};

using TPacketArray = std::vector<TPacket>;

// Protocol generation of the selected port.
enum TVersionType { vtDetect, vtVersion0, vtVersion1, vtVersion2, vtVersion3 };
