// Generation-2 and generation-3 frames: header, type or command, body or parameters, and the
// check bytes, with what the monitor's decoders show for the body.

#include "protocols/gen2_decoder.h"
#include "protocols/gen3_decoder.h"
#include "protocols/packet_describer.h"
#include "protocols/packet_describing.h"
#include "updates/crypto/checksums.h"

using namespace PacketDescribing;

namespace {

const char* Gen2TypeKey(quint32 aType) {
  switch (aType) {
  case TGen2Decoder::kPosition:
    return "insp_g2_position";
  case TGen2Decoder::kTime:
    return "insp_g2_time";
  case TGen2Decoder::kModem:
    return "insp_g2_modem";
  case TGen2Decoder::kPower:
    return "insp_g2_power";
  case TGen2Decoder::kInputsOutputs:
    return "insp_g2_io";
  default:
    return nullptr;
  }
}

const char* Gen3CommandKey(quint8 aCommand) {
  switch (aCommand) {
  case Gen3::kMasterInfo:
    return "insp_g3_info";
  case Gen3::kSlotList:
    return "insp_g3_slots";
  case Gen3::kWriteSlot:
    return "insp_g3_writeslot";
  case Gen3::kSensorData:
    return "insp_g3_sensor";
  case Gen3::kWriteSensor:
    return "insp_g3_writesensor";
  case Gen3::kRestart:
    return "insp_g3_restart";
  case Gen3::kSearch:
    return "insp_g3_search";
  default:
    return nullptr;
  }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Generation 2: 55 AA, type, body length, body, two trailing bytes

void TPacketDescriber::DescribeGen2(const TPacketInput& aInput, TPacketDescription& aOut) const {
  const QByteArray& bytes = aInput.Bytes;
  const qint64 size = bytes.size();
  aOut.Title = Text("insp_gen2");
  TPacketField header =
      Field(Text("insp_header"), Hex(Slice(bytes, 0, 8)), QString(), 0, qMin<qint64>(size, 8));
  const bool signOk = bytes.startsWith("\x55\xAA");
  header.Children.append(Field(Text("insp_sign"), Hex(Slice(bytes, 0, 2)), QString(), 0,
                               qMin<qint64>(size, 2), signOk ? TPacketField::fmGood : TPacketField::fmBad));
  if (!signOk)
    Stop(aOut, 0, QStringLiteral("insp_stop_nosign"));
  if (size >= 6) {
    const quint32 type = quint32(quint8(bytes[2])) | quint32(quint8(bytes[3])) << 8 |
                         quint32(quint8(bytes[4])) << 16 | quint32(quint8(bytes[5])) << 24;
    const char* key = Gen2TypeKey(type);
    header.Children.append(Field(Text("insp_type"), Hex(Slice(bytes, 2, 4)),
                                 QStringLiteral("0x%1")
                                         .arg(type, 8, 16, QLatin1Char('0'))
                                         .toUpper()
                                         .replace(QLatin1String("0X"), QLatin1String("0x")) +
                                     (key ? QLatin1String(" ") + Text(key) : QString()),
                                 2, 4, key ? TPacketField::fmPlain : TPacketField::fmUnknown));
  }
  if (size >= 8) {
    const qint64 length = quint8(bytes[6]) | qint64(quint8(bytes[7])) << 8;
    header.Children.append(Field(Text("insp_length"), Hex(Slice(bytes, 6, 2)), QString::number(length), 6, 2,
                                 10 + length == size ? TPacketField::fmGood : TPacketField::fmBad));
  }
  aOut.Fields.append(header);

  TDescribingHost host(FDictionary);
  {
    TPrivateExchange exchange(host, 2);
    TGen2Decoder decoder(exchange.Core, host);
    decoder.SetObserver(&host);
    const int entry = exchange.Add(2, bytes, psComplete);
    RunDecoder(host, size, [&] { decoder.OnPacketEventV2(entry); });
  }
  // A packet cut inside its header has an empty body where it ends, not past it.
  TPacketField body =
      Field(Text("insp_body"), QString(), QString(), qMin<qint64>(size, 8), qMax<qint64>(0, size - 10));
  for (const TDescribingHost::TShown& s : host.Shown)
    body.Children.append(Field(ShownCaption(s.Ident, s.Caption), Hex(Slice(bytes, s.Offset, s.Size)),
                               ValueText(s.Value), s.Offset, s.Size));
  aOut.Fields.append(body);
  if (size >= 10)
    aOut.Fields.append(Field(Text("insp_trailer"), Hex(Slice(bytes, size - 2, 2)), QString(), size - 2, 2));
  if (host.Stop.Stopped)
    Stop(aOut, host.Stop.Offset, host.Stop.Reason, host.Stop.Detail);
}

// ---------------------------------------------------------------------------------------------
// Generation 3: 31 10 (request) or 3E 10 (answer), command, parameters, CRC-8

void TPacketDescriber::DescribeGen3(const TPacketInput& aInput, TPacketDescription& aOut) const {
  const QByteArray& bytes = aInput.Bytes;
  const qint64 size = bytes.size();
  aOut.Title = Text("insp_gen3");
  const bool request = aInput.Sent;
  aOut.Fields.append(
      Field(Text("insp_direction"), QString(), Text(request ? "insp_dir_request" : "insp_dir_answer")));
  const bool signOk = request ? Gen3::IsRequest(bytes) : bytes.startsWith("\x3E\x10");
  aOut.Fields.append(Field(Text("insp_sign"), Hex(Slice(bytes, 0, 2)), QString(), 0, qMin<qint64>(size, 2),
                           signOk ? TPacketField::fmGood : TPacketField::fmBad));
  if (!signOk)
    Stop(aOut, 0, QStringLiteral("insp_stop_nosign"));
  if (size >= 3) {
    const quint8 command = quint8(bytes[2]);
    const char* key = Gen3CommandKey(command);
    aOut.Fields.append(Field(Text("insp_command"), HexByte(command), key ? Text(key) : Text("insp_unknown"),
                             2, 1, key ? TPacketField::fmPlain : TPacketField::fmUnknown));
  }
  if (size > 4)
    aOut.Fields.append(
        Field(Text("insp_parameters"), Hex(Slice(bytes, 3, size - 4)), QString(), 3, size - 4));

  if (!request) {
    TDescribingHost host(FDictionary);
    {
      TPrivateExchange exchange(host, 3);
      TGen3Decoder decoder(exchange.Core, host);
      decoder.SetObserver(&host);
      if (!aInput.Request.isEmpty())
        exchange.Add(3, aInput.Request, psSent);
      const int entry = exchange.Add(3, bytes, psComplete);
      RunDecoder(host, size, [&] { decoder.OnPacketEventV3(entry); });
    }
    TPacketField shown = Field(Text("insp_shown"), QString(), QString());
    for (const TDescribingHost::TShown& s : host.Shown)
      shown.Children.append(Field(ShownCaption(s.Ident, s.Caption),
                                  s.Offset >= 0 ? Hex(Slice(bytes, s.Offset, s.Size)) : QString(),
                                  ValueText(s.Value), s.Offset, s.Size));
    for (const TDescribingHost::TNote& n : host.Notes)
      shown.Children.append(Field(FDictionary.Translate(n.CaptionKey), QString(), n.Text));
    if (!shown.Children.isEmpty())
      aOut.Fields.append(shown);
    if (host.Stop.Stopped)
      Stop(aOut, host.Stop.Offset, host.Stop.Reason, host.Stop.Detail);
  }

  if (size >= 4) {
    const quint8 stored = quint8(bytes[size - 1]);
    const quint8 computed = Crc8(bytes.left(size - 1));
    const bool match = stored == computed;
    aOut.Fields.append(Field(Text("insp_crc8"), HexByte(stored),
                             match ? Text("insp_crc_ok")
                                   : Text("insp_crc_bad") + QStringLiteral(" (%1)").arg(HexByte(computed)),
                             size - 1, 1, match ? TPacketField::fmGood : TPacketField::fmBad));
    if (!match)
      Stop(aOut, size - 1, QStringLiteral("insp_crc_bad"));
  } else {
    Stop(aOut, size, QStringLiteral("insp_stop_short"));
  }
}
