// Generation-1 records: the key and its fields, what the monitor's decoder shows for them, and the
// firmware-transfer frames and memory blocks that travel inside records and sent lines.

#include "device/block_reading.h"
#include "protocols/firmware_transfer.h"
#include "protocols/packet_describer.h"
#include "protocols/packet_describing.h"
#include "protocols/status_decoder.h"
#include "updates/crypto/checksums.h"

using namespace PacketDescribing;

// ---------------------------------------------------------------------------------------------
// Generation 1: "KEY=F0;F1;..." CR LF

QString TPacketDescriber::KeyCaption(const QString& aKey) const {
  if (TStatusDecoderV1::IsPinKey(aKey))
    return Text("insp_key_pin");
  // "MD2", "RW4", "SID1": numbered keys share their stem's caption.
  QString stem = aKey;
  for (;;) {
    const QString captionKey = QLatin1String("insp_key_") + stem;
    const QString caption = FDictionary.Translate(captionKey);
    if (caption != captionKey)
      return caption;
    if (stem.isEmpty() || !stem.back().isDigit())
      return QString();
    stem.chop(1);
  }
}

void TPacketDescriber::DescribeGen1(const TPacketInput& aInput, TPacketDescription& aOut) const {
  const QByteArray& bytes = aInput.Bytes;
  aOut.Title = Text("insp_gen1");
  const QString text = QString::fromLatin1(bytes);
  const bool signed_ = bytes.startsWith('>');
  if (signed_)
    aOut.Fields.append(Field(Text("insp_sign"), QStringLiteral(">"), QString(), 0, 1));
  else
    Stop(aOut, 0, QStringLiteral("insp_stop_nosign"));

  TStatusRecord record;
  if (!record.Parse(text)) {
    aOut.Fields.append(Field(Text("insp_bytes"), Visible(text), QString(), 0, bytes.size()));
    Stop(aOut, bytes.size(), QStringLiteral("insp_stop_noequals"));
    return;
  }
  const qint64 keyAt = signed_ ? 1 : 0;
  const bool handled = TStatusDecoderV1::Handles(record.Key());
  const QString caption = KeyCaption(record.Key());
  // Block answers have no handler of their own: the running memory or file reading takes them.
  const bool known = handled || BlockReading::ParseBlockAnswer(text).IsAnswer;
  TPacketField key =
      Field(Text("insp_key"), Visible(record.Key()), known ? caption : Text("insp_unknown_key"), keyAt,
            record.Key().size(), known ? TPacketField::fmPlain : TPacketField::fmUnknown);
  if (known && caption.isEmpty())
    key.Value = key.Raw;
  aOut.Fields.append(key);

  TPacketField fields = Field(Text("insp_fields"), Visible(record.Value()), QString(),
                              keyAt + record.Key().size() + 1, record.Value().size());
  for (int i = 0; i < record.Count(); ++i)
    fields.Children.append(Field(QStringLiteral("F%1").arg(i), Visible(record.F(i)), Visible(record.F(i))));
  aOut.Fields.append(fields);

  if (bytes.endsWith("\r\n"))
    aOut.Fields.append(Field(Text("insp_lineend"), QStringLiteral("0D 0A"), QString(), bytes.size() - 2, 2));
  else
    Stop(aOut, bytes.size(), QStringLiteral("insp_stop_open"));

  // The monitor's own decoder, on a core of our own.
  TDescribingHost host(FDictionary);
  {
    TPrivateExchange exchange(host, 1);
    TStatusDecoderV1 decoder(exchange.Core, host);
    decoder.SetObserver(&host);
    const int entry = exchange.Add(1, bytes, psComplete);
    RunDecoder(host, bytes.size(), [&] {
      decoder.OnPacketEventV1(entry);
      decoder.DeliverQueued();
    });
  }
  TPacketField shown = Field(Text("insp_shown"), QString(), QString());
  for (const TDescribingHost::TShown& s : host.Shown)
    shown.Children.append(Field(Visible(ShownCaption(s.Ident, s.Caption)), QString(), ValueText(s.Value)));
  for (const TDescribingHost::TNote& n : host.Notes)
    shown.Children.append(Field(FDictionary.Translate(n.CaptionKey), QString(), n.Text));
  if (!shown.Children.isEmpty())
    aOut.Fields.append(shown);
  if (host.Stop.Stopped)
    Stop(aOut, host.Stop.Offset, host.Stop.Reason, host.Stop.Detail);
  else if (handled && host.Shown.isEmpty() && host.Notes.isEmpty() && record.Key() != QLatin1String("UPD"))
    aOut.Fields.append(Field(Text("insp_shown"), QString(), Text("insp_nothing")));

  if (record.Key() == QLatin1String("UPD"))
    DescribeUpdRequest(record.Value(), aOut);
  DescribeBlockAnswer(text, aOut);
}

void TPacketDescriber::DescribeUpdRequest(const QString& aValue, TPacketDescription& aOut) const {
  namespace FT = FirmwareTransfer;
  const QByteArray frame = FT::DecodeValue(aValue);
  // The frame travels as Base64: offsets below count from its own first byte.
  TPacketField group = Field(Text("insp_upd_request"), Hex(frame.left(64)), Text("insp_frame_offsets"));
  if (frame.isEmpty()) {
    aOut.Fields.append(group);
    Stop(aOut, -1, QStringLiteral("insp_stop_base64"));
    return;
  }
  QString why;
  const std::optional<FT::TRequest> request = FT::ParseRequest(frame, &why);
  group.Children.append(Field(Text("insp_size"), QString(), QString::number(frame.size())));
  if (frame.size() >= 4) {
    const qint64 length = quint8(frame.at(2)) << 8 | quint8(frame.at(3));
    group.Children.append(Field(Text("insp_length"), Hex(Slice(frame, 2, 2)), QString::number(length), 2, 2,
                                length == frame.size() - 5 ? TPacketField::fmGood : TPacketField::fmBad));
  }
  if (!request) {
    aOut.Fields.append(group);
    Stop(aOut, -1, why);
    return;
  }
  group.Children.append(
      Field(Text("insp_upd_code"), HexByte(request->Code), QString::number(request->Code), FT::kCodeAt, 1));
  group.Children.append(Field(Text("insp_upd_type"), HexByte(request->Byte14),
                              QString::number(request->Byte14), FT::kByte14At, 1));
  group.Children.append(Field(Text("insp_upd_byte15"), HexByte(request->Byte15),
                              QString::number(request->Byte15), FT::kByte15At, 1));
  group.Children.append(Field(Text("insp_parameters"), Hex(request->Payload), QString(), FT::kPayloadAt,
                              request->Payload.size()));
  aOut.Fields.append(group);
}

void TPacketDescriber::DescribeUpdAnswer(const QByteArray& aBase64, TPacketDescription& aOut) const {
  bool ok = false;
  const QByteArray frame = Base64Decode(QString::fromLatin1(aBase64), &ok);
  TPacketField group = Field(Text("insp_upd_answer"), Hex(frame.left(64)), QString());
  const std::optional<FirmwareTransfer::TParsedAnswer> answer =
      ok ? FirmwareTransfer::ParseAnswer(frame) : std::nullopt;
  if (!answer) {
    aOut.Fields.append(group);
    Stop(aOut, -1, ok ? QStringLiteral("insp_upd_brackets") : QStringLiteral("insp_stop_base64"));
    return;
  }
  group.Children.append(Field(Text("insp_upd_code"), QString(), QString::number(answer->Code)));
  if (answer->Code == FirmwareTransfer::fcChunk && answer->Body.size() >= 2) {
    const quint16 stored = quint16(quint8(answer->Body.at(0)) << 8 | quint8(answer->Body.at(1)));
    const QByteArray chunk = answer->Body.mid(2);
    const quint16 computed = Crc16(chunk.constData(), chunk.size());
    group.Children.append(Field(Text("insp_chunk"), QString(), QString::number(chunk.size())));
    group.Children.append(Field(
        Text("insp_crc16"), QStringLiteral("%1").arg(stored, 4, 16, QLatin1Char('0')).toUpper(),
        stored == computed
            ? Text("insp_crc_ok")
            : Text("insp_crc_bad") + QStringLiteral(" (%1)").arg(computed, 4, 16, QLatin1Char('0')).toUpper(),
        -1, 0, stored == computed ? TPacketField::fmGood : TPacketField::fmBad));
  } else {
    group.Children.append(Field(Text("insp_parameters"), Hex(answer->Body), QString()));
  }
  aOut.Fields.append(group);
}

void TPacketDescriber::DescribeBlockAnswer(const QString& aText, TPacketDescription& aOut) const {
  const BlockReading::TBlockAnswer block = BlockReading::ParseBlockAnswer(aText);
  if (!block.IsAnswer)
    return;
  TPacketField group = Field(Text("insp_block"), QString(), QString());
  group.Children.append(Field(Text("insp_block_number"), QString(),
                              block.Number >= 0 ? QString::number(block.Number) : QString(), -1, 0,
                              block.Number >= 0 ? TPacketField::fmPlain : TPacketField::fmBad));
  group.Children.append(Field(
      Text("insp_size"), QString(), block.DecodedSize >= 0 ? QString::number(block.DecodedSize) : QString(),
      -1, 0, block.DecodedSize == BlockReading::kAnswerSize ? TPacketField::fmGood : TPacketField::fmBad));
  if (block.DecodedSize == BlockReading::kAnswerSize) {
    const bool match = block.StoredCrc == block.DataCrc;
    group.Children.append(Field(
        Text("insp_crc16"), QStringLiteral("%1").arg(block.StoredCrc, 4, 16, QLatin1Char('0')).toUpper(),
        match ? Text("insp_crc_ok")
              : Text("insp_crc_bad") +
                    QStringLiteral(" (%1)").arg(block.DataCrc, 4, 16, QLatin1Char('0')).toUpper(),
        -1, 0, match ? TPacketField::fmGood : TPacketField::fmBad));
    if (!match)
      Stop(aOut, -1, QStringLiteral("insp_crc_bad"));
  } else if (block.Number < 0) {
    Stop(aOut, -1, QStringLiteral("insp_stop_blocknumber"));
  } else {
    Stop(aOut, -1,
         block.DecodedSize < 0 ? QStringLiteral("insp_stop_base64") : QStringLiteral("insp_stop_blocksize"),
         block.DecodedSize < 0 ? QString() : QString::number(block.DecodedSize));
  }
  aOut.Fields.append(group);
}
