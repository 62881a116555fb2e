#pragma once

#include "device/command_table.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>

class TDictionary;

// One line of a packet's description: a field of the packet, a value it puts on the monitor, or a
// group of such lines.
struct TPacketField {
  enum TMark : quint8 {
    fmPlain,
    fmGood,    // a check that passed (checksum, length)
    fmBad,     // a check that failed
    fmUnknown, // something the decoders have no rule for
  };

  QString Caption;
  // The bytes (hexadecimal) or the text as they came.
  QString Raw;
  // What the field means; for monitor values the text the monitor shows.
  QString Value;
  // From the first byte of the packet; -1 when the line is not tied to particular bytes.
  qint64 Offset = -1;
  qint64 Size = 0;
  TMark Mark = fmPlain;
  QList<TPacketField> Children;
};

struct TPacketDescription {
  QString Title;
  QList<TPacketField> Fields;
  // Decoding ended before the packet did: where (-1 when no single byte is to blame) and why,
  // in the dictionary's current language.
  bool Stopped = false;
  qint64 StopOffset = -1;
  QString StopReason;

  // Indented lines, one per field, for the clipboard.
  QString ToText() const;
};

// A packet as the log holds it. Everything is a copy: describing never reads the traffic log.
struct TPacketInput {
  QByteArray Bytes;
  bool Sent = false;
  // 1 to 3; 0 while the generation is undecided, and the packet's first bytes tell.
  int Generation = 0;
  // A generation-3 answer: the request sent just before it, which says what the answer is about.
  QByteArray Request;
};

// Describes one packet the way a network analyser shows a frame: its fields, their bytes and
// what the monitor would show for them. Received packets go through the monitor's own decoders,
// run on an exchange core of the describer's own with a host that writes down what the decoders
// would show, send or hint; nothing reaches the window, the ports or the traffic log. The cost is
// that of decoding the one packet.
class TPacketDescriber {
public:
  // Turns a monitor value into the text the monitor shows for it.
  using TValueText = std::function<QString(const QVariant&)>;

  explicit TPacketDescriber(const TDictionary& aDictionary, TValueText aValueText = {});

  // The caption the monitor shows for an ident; empty when it shows none.
  using TMonitorCaption = std::function<QString(const QString&)>;

  // The command table rows a sent line is matched against, and the device type code whose rows
  // count (-1: any row).
  void SetCommands(QList<TCommand> aRows, int aDeviceType);
  // Values the decoders put on the monitor are listed under the monitor's own captions; without
  // this (or for an ident the monitor lacks) under the dictionary's.
  void SetMonitorCaption(TMonitorCaption aCaption) { FMonitorCaption = std::move(aCaption); }

  TPacketDescription Describe(const TPacketInput& aInput) const;

private:
  QString Text(const char* aKey) const;
  QString ValueText(const QVariant& aValue) const;
  // The monitor's caption of aIdent, else aCaption (what the decoder or the dictionary named it).
  QString ShownCaption(const QString& aIdent, const QString& aCaption) const;
  // The caption of a status record key; empty when the dictionary has none.
  QString KeyCaption(const QString& aKey) const;
  void DescribeGen1(const TPacketInput& aInput, TPacketDescription& aOut) const;
  void DescribeGen2(const TPacketInput& aInput, TPacketDescription& aOut) const;
  void DescribeGen3(const TPacketInput& aInput, TPacketDescription& aOut) const;
  void DescribeSentLine(const TPacketInput& aInput, TPacketDescription& aOut) const;
  void DescribeUpdRequest(const QString& aValue, TPacketDescription& aOut) const;
  void DescribeUpdAnswer(const QByteArray& aBase64, TPacketDescription& aOut) const;
  void DescribeBlockAnswer(const QString& aText, TPacketDescription& aOut) const;
  void Stop(TPacketDescription& aOut, qint64 aOffset, const QString& aReason,
            const QString& aDetail = QString()) const;

  const TDictionary& FDictionary;
  TValueText FValueText;
  TMonitorCaption FMonitorCaption;
  QList<TCommand> FCommands;
  int FDeviceType = -1;
};
