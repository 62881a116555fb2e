// Describing a packet: telling its generation, the common texts and stop reasons, and the lines
// the program sent. Each generation's own layout has a file of its own.

#include "protocols/packet_describer.h"

#include "protocols/gen3_decoder.h"
#include "protocols/packet_describing.h"

using namespace PacketDescribing;

namespace {

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

} // namespace

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

QString TPacketDescriber::ShownCaption(const QString& aIdent, const QString& aCaption) const {
  if (aIdent.isEmpty() || !FMonitorCaption)
    return aCaption;
  const QString caption = FMonitorCaption(aIdent);
  return caption.isEmpty() ? aCaption : caption;
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
