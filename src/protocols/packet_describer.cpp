#include "protocols/packet_describer.h"

#include "base/clock.h"
#include "core/exchange_core.h"
#include "core/exchange_host.h"
#include "device/block_reading.h"
#include "i18n/dictionary.h"
#include "protocols/decode_observer.h"
#include "protocols/firmware_transfer.h"
#include "protocols/fuel_host.h"
#include "protocols/gen2_decoder.h"
#include "protocols/gen3_decoder.h"
#include "protocols/status_decoder.h"
#include "protocols/status_host.h"
#include "updates/crypto/checksums.h"

namespace {

QString Hex(QByteArrayView aBytes) {
  QString text;
  text.reserve(aBytes.size() * 3);
  static const char digits[] = "0123456789ABCDEF";
  for (const char c : aBytes) {
    if (!text.isEmpty())
      text += u' ';
    text += QLatin1Char(digits[quint8(c) >> 4]);
    text += QLatin1Char(digits[quint8(c) & 15]);
  }
  return text;
}

// One character per byte, as the log shows it; control codes become their visible symbols, so
// that a NUL or a line end inside a field cannot cut or break the line that shows it.
QString Visible(const QString& aText) {
  QString text = aText;
  for (QChar& c : text) {
    if (c.unicode() < 0x20)
      c = QChar(0x2400 + c.unicode());
    else if (c.unicode() == 0x7F)
      c = QChar(0x2421);
  }
  return text;
}

QString HexByte(quint8 aByte) {
  return QStringLiteral("%1").arg(aByte, 2, 16, QLatin1Char('0')).toUpper();
}

// The bytes of [aOffset, aOffset + aSize) that lie in aBytes.
QByteArrayView Slice(const QByteArray& aBytes, qint64 aOffset, qint64 aSize) {
  if (aOffset < 0 || aOffset >= aBytes.size() || aSize <= 0)
    return {};
  return QByteArrayView(aBytes.constData() + aOffset, qMin<qint64>(aSize, aBytes.size() - aOffset));
}

TPacketField Field(const QString& aCaption, const QString& aRaw, const QString& aValue, qint64 aOffset = -1,
                   qint64 aSize = 0, TPacketField::TMark aMark = TPacketField::fmPlain) {
  TPacketField f;
  f.Caption = aCaption;
  f.Raw = aRaw;
  f.Value = aValue;
  f.Offset = aOffset;
  f.Size = aSize;
  f.Mark = aMark;
  return f;
}

// Stands in for the window while one of the monitor's decoders reads a packet: writes down every
// value, line, hint and report the decoder would hand the window, and takes part in nothing else.
// It has no port, so whatever a decoder would do to a port (send, start an operation) is skipped
// exactly as it is for a packet that arrives with no port selected.
class TDescribingHost : public IExchangeHost, public IStatusHost, public IFuelHost, public IDecodeObserver {
public:
  struct TShown {
    QString Ident;
    QString Caption;
    QVariant Value;
    qint64 Offset = -1;
    qint64 Size = 0;
  };
  struct TNote {
    QString CaptionKey;
    QString Text;
  };
  struct TStop {
    bool Stopped = false;
    qint64 Offset = -1;
    QString Reason;
    QString Detail;
  };

  explicit TDescribingHost(const TDictionary& aDictionary) : FDictionary(aDictionary) {}

  QList<TShown> Shown;
  QList<TNote> Notes;
  TStop Stop;

  // IDecodeObserver
  void Field(const QString& aIdent, qint64 aOffset, qint64 aSize) override {
    FPendingIdent = aIdent;
    FPendingOffset = aOffset;
    FPendingSize = aSize;
  }
  void Stopped(qint64 aOffset, const QString& aReason, const QString& aDetail) override {
    Stop = TStop{true, aOffset, aReason, aDetail};
  }

  // IExchangeHost
  TPortInfo* Q() override { return nullptr; }
  bool VisualSetValue(const QString& aName, const QVariant& aValue, int, const QString&, TColorRef) override {
    Add(aName, Translate(aName), aValue);
    return true;
  }
  QString Translate(const QString& aKey) override { return FDictionary.Translate(aKey); }
  void MainHintShow(int, const QString& aText) override {
    Notes.append({QStringLiteral("insp_hint"), aText});
  }
  void PostLogChange() override {}
  void StartCheckNameTimer(QObject*) override {}
  void QOperationData2(int) override {}
  void QOperationData7(int) override {}
  void ClearVisualValues() override {}
  void LogViewClear() override {}
  void LogViewSetHex(bool) override {}
  void LogViewSetRowCount(int) override {}
  void SetFollow(bool) override {}
  void OpenSettingsPage() override {}
  void ControlsLoadSettings(const QString&) override {}
  void CommandsUpdate() override {}
  void CommandsExec(const QString&) override {}
  void RefreshCaption() override {}
  void SetSettingsVersionLabel(const QString&) override {}
  void PasswordEditChange() override {}
  void UpdateTypeInfo() override {}
  void ShowSettingsLocked(bool) override {}
  bool StartOperation(TPortInfo*, quint8) override { return false; }
  bool InternetConnected() override { return false; }
  void StartDeviceInfoRequest(TPortInfo*, const QString&) override {}

  // IStatusHost
  quint8 UpdateOperation() const override { return 0; }
  void SetUpdateStage(quint8) override {}
  // A described packet belongs to no flow, so a result never advances one.
  quint8 UpdateStage() const override { return 0; }
  bool SetValueOut(bool aValue) override {
    Notes.append({QStringLiteral("insp_output"), QString::number(int(aValue))});
    return true;
  }
  TColorRef LinkColor() const override { return clValuePlaceholder; }
  void SetDynamicItem(const TDynamicItem& aItem) override {
    Add(aItem.Ident, aItem.Caption.isEmpty() ? Translate(aItem.Ident) : aItem.Caption, aItem.Value);
  }
  void AddOrUpdateBLEDevice(const QString& aMAC, const QString& aRSSI, const QString&) override {
    Notes.append({QStringLiteral("insp_scan"), aMAC + QLatin1String(" / ") + aRSSI});
  }
  void AddOrUpdateWiFi(const QString& aMAC, const QString& aRSSI, const QString& aSSID) override {
    Notes.append(
        {QStringLiteral("insp_scan"), aMAC + QLatin1String(" / ") + aRSSI + QLatin1String(" / ") + aSSID});
  }
  void AddOrUpdateLBS(const QString& aMCC, const QString& aMNC, const QString& aRSSI, const QString& aCID,
                      const QString& aLAC) override {
    Notes.append(
        {QStringLiteral("insp_scan"), QStringList{aMCC, aMNC, aRSSI, aCID, aLAC}.join(QLatin1String(" / "))});
  }
  void ApplySettingsImage(const QString& aBase64) override {
    Notes.append({QStringLiteral("insp_settings_image"), QString::number(aBase64.size())});
  }
  void FirmwareTransferFrame(const QString&) override {}

  // IFuelHost
  std::optional<TFuelField> FuelField(const QString&) override { return std::nullopt; }
  bool ClearSensorResults() override { return true; }
  void AddSensorResult(const QString&, const QString& aCaption, const QString& aValue) override {
    Add(QString(), aCaption, aValue);
  }

private:
  void Add(const QString& aIdent, const QString& aCaption, const QVariant& aValue) {
    TShown shown{aIdent, aCaption, aValue};
    if (!FPendingIdent.isNull() && FPendingIdent == aIdent) {
      shown.Offset = FPendingOffset;
      shown.Size = FPendingSize;
    }
    FPendingIdent = QString();
    Shown.append(shown);
  }

  const TDictionary& FDictionary;
  QString FPendingIdent;
  qint64 FPendingOffset = -1;
  qint64 FPendingSize = 0;
};

// A private exchange core holding just the packet (after its request, for a generation-3 answer),
// switched to the generation so that the decoders speak to the describing host.
struct TPrivateExchange {
  TPrivateExchange(TDescribingHost& aHost, int aGeneration) : Core(aHost, TClock::System()) {
    Core.SetVersion(aGeneration == 1 ? vtVersion1 : aGeneration == 2 ? vtVersion2 : vtVersion3);
  }
  // Adds aBytes as the next entry of the generation's index; returns its number.
  int Add(int aGeneration, const QByteArray& aBytes, quint8 aState) {
    const qint64 at = Core.TrafficLog().Size();
    Core.TrafficLog().Write(aBytes);
    TPacketArray& index = Core.GenIndex(aGeneration);
    index.push_back(TPacket{0, at, aBytes.size(), aState});
    return int(index.size()) - 1;
  }
  TExchangeCore Core;
};

// The framers hand the decoders whole packets only; the inspector also shows packets still open
// and chunks taken for a generation by their first bytes, where a decoder may reach past the end.
// The private log ends with the packet, so such a read throws instead of reading on; it is shown
// as the place where decoding stopped.
template <typename F> void RunDecoder(TDescribingHost& aHost, qint64 aSize, F&& aDecode) {
  try {
    aDecode();
  } catch (const TStreamRangeError&) {
    aHost.Stopped(aSize, QStringLiteral("insp_stop_short"), QString());
  } catch (const std::exception& e) {
    aHost.Stopped(-1, QStringLiteral("insp_stop_error"), QString::fromUtf8(e.what()));
  }
}

int GuessGeneration(const QByteArray& aBytes) {
  // A generation-3 answer opens with the status records' ">" too; the byte after it tells them apart.
  if (aBytes.startsWith("\x3E\x10") || Gen3::IsRequest(aBytes))
    return 3;
  if (aBytes.startsWith('>'))
    return 1;
  if (aBytes.startsWith("\x55\xAA"))
    return 2;
  return 0;
}

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

QString TPacketDescription::ToText() const {
  QString text = Title + u'\n';
  const std::function<void(const QList<TPacketField>&, int)> put = [&](const QList<TPacketField>& aFields,
                                                                       int aDepth) {
    for (const TPacketField& f : aFields) {
      QString line(aDepth * 2, u' ');
      line += f.Caption;
      if (!f.Value.isEmpty())
        line += QLatin1String(": ") + f.Value;
      if (!f.Raw.isEmpty() && f.Raw != f.Value)
        line += QLatin1String("  [") + f.Raw + u']';
      if (f.Offset >= 0)
        line += QStringLiteral("  @%1+%2").arg(f.Offset).arg(f.Size);
      text += line + u'\n';
      put(f.Children, aDepth + 1);
    }
  };
  put(Fields, 1);
  if (Stopped)
    text += QLatin1String("  ! ") + StopReason +
            (StopOffset >= 0 ? QStringLiteral(" @%1").arg(StopOffset) : QString()) + u'\n';
  return text;
}

TPacketDescriber::TPacketDescriber(const TDictionary& aDictionary, TValueText aValueText)
    : FDictionary(aDictionary), FValueText(std::move(aValueText)) {}

void TPacketDescriber::SetCommands(QList<TCommand> aRows, int aDeviceType) {
  FCommands = std::move(aRows);
  FDeviceType = aDeviceType;
}

QString TPacketDescriber::Text(const char* aKey) const {
  return FDictionary.Translate(QString::fromLatin1(aKey));
}

QString TPacketDescriber::ValueText(const QVariant& aValue) const {
  if (!aValue.isValid())
    return Text("insp_cleared");
  return Visible(FValueText ? FValueText(aValue) : aValue.toString());
}

void TPacketDescriber::Stop(TPacketDescription& aOut, qint64 aOffset, const QString& aReason,
                            const QString& aDetail) const {
  // The first reason wins: what follows an early stop only repeats it.
  if (aOut.Stopped)
    return;
  aOut.Stopped = true;
  aOut.StopOffset = aOffset;
  aOut.StopReason =
      FDictionary.Translate(aReason) + (aDetail.isEmpty() ? QString() : QLatin1String(": ") + aDetail);
}

TPacketDescription TPacketDescriber::Describe(const TPacketInput& aInput) const {
  TPacketDescription out;
  if (aInput.Bytes.isEmpty()) {
    out.Title = Text("insp_empty");
    Stop(out, 0, QStringLiteral("insp_stop_short"));
    return out;
  }
  int generation = aInput.Generation;
  if (generation < 1 || generation > 3)
    generation = GuessGeneration(aInput.Bytes);
  // A sent generation-3 request is a frame; every other sent entry is a line the program typed.
  if (aInput.Sent && !(generation == 3 && Gen3::IsRequest(aInput.Bytes))) {
    DescribeSentLine(aInput, out);
    return out;
  }
  switch (generation) {
  case 1:
    DescribeGen1(aInput, out);
    break;
  case 2:
    DescribeGen2(aInput, out);
    break;
  case 3:
    DescribeGen3(aInput, out);
    break;
  default:
    out.Title = Text("insp_raw");
    out.Fields.append(Field(Text("insp_bytes"), Hex(aInput.Bytes), QString(), 0, aInput.Bytes.size()));
    Stop(out, 0, QStringLiteral("insp_stop_nosign"));
    break;
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Generation 1: "KEY=F0;F1;..." CR LF

QString TPacketDescriber::ShownCaption(const QString& aIdent, const QString& aCaption) const {
  if (aIdent.isEmpty() || !FMonitorCaption)
    return aCaption;
  const QString caption = FMonitorCaption(aIdent);
  return caption.isEmpty() ? aCaption : caption;
}

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

// ---------------------------------------------------------------------------------------------
// Lines the program sent

void TPacketDescriber::DescribeSentLine(const TPacketInput& aInput, TPacketDescription& aOut) const {
  const QByteArray& bytes = aInput.Bytes;
  aOut.Title = Text("insp_sent");
  QByteArray line = bytes;
  if (line.endsWith("\r\n"))
    line.chop(2);
  aOut.Fields.append(Field(Text("insp_line"), Visible(QString::fromLatin1(line)), QString(), 0, line.size()));

  // The first row, in table order, whose text this is: as it stands, or after a password.
  int found = -1;
  for (int i = 0; i < FCommands.size() && found < 0; ++i) {
    const TCommand& row = FCommands.at(i);
    if (row.Send.isEmpty() || row.Operation != 0)
      continue;
    if (FDeviceType >= 0 && (FDeviceType < row.DeviceMin || FDeviceType > row.DeviceMax))
      continue;
    if (bytes == row.Send || (row.Send.startsWith('*') && bytes.endsWith(row.Send)))
      found = i;
  }
  if (found >= 0) {
    const TCommand& row = FCommands.at(found);
    const QString caption = FDictionary.Language() == TDictionary::lnEnglish ? row.NameEN : row.NameRU;
    TPacketField command = Field(Text("insp_command_row"), row.Ident, caption);
    command.Children.append(Field(Text("insp_row_number"), QString(), QString::number(found + 1)));
    command.Children.append(Field(Text("insp_row_types"), QString(),
                                  QStringLiteral("%1…%2").arg(row.DeviceMin).arg(row.DeviceMax)));
    if (row.Send.startsWith('*') && bytes != row.Send)
      command.Children.append(Field(Text("insp_password"), QString(),
                                    QString::fromLatin1(bytes.left(bytes.size() - row.Send.size()))));
    aOut.Fields.append(command);
  } else {
    aOut.Fields.append(Field(Text("insp_command_row"), QString(), Text("insp_no_row")));
  }

  const qsizetype upd = line.indexOf("*UPD*");
  if (upd >= 0)
    DescribeUpdAnswer(line.mid(upd + 5), aOut);
}
