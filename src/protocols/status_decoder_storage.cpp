// Servers and stored data keys of the generation-1 status records: the server addresses that
// "DS2" shows beside each server's state, and the ring buffer and file counters of the port.

#include "device/port_info.h"
#include "protocols/status_decoder.h"

#include <limits>

using namespace StatusText;

namespace {

// The port keeps 32-bit counters; a text that is no 32-bit integer counts as 0.
qint32 AsInt32(QStringView aText) {
  const qint64 value = AsInteger(aText);
  return value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max()
             ? 0
             : qint32(value);
}

const QString kNotConfigured = QStringLiteral("-");

} // namespace

void TStatusDecoderV1::AddStorageKeys(TTable& t) {
  t.insert(QStringLiteral("MD0"), {&TStatusDecoderV1::OnMD, 0});
  t.insert(QStringLiteral("MD"), {&TStatusDecoderV1::OnMD, 1});
  for (int n = 1; n <= 4; ++n) {
    const QString digit = QString::number(n);
    t.insert(QStringLiteral("MD") + digit, {&TStatusDecoderV1::OnMD, n});
    t.insert(QStringLiteral("RW") + digit, {&TStatusDecoderV1::OnRWn, n});
    t.insert(QStringLiteral("FS") + digit, {&TStatusDecoderV1::OnFSn, n});
  }
  t.insert(QStringLiteral("RW"), {&TStatusDecoderV1::OnRW});
  t.insert(QStringLiteral("WSP"), {&TStatusDecoderV1::OnWholeValue, 0});
  t.insert(QStringLiteral("EMS"), {&TStatusDecoderV1::OnWholeValue, 1});
  t.insert(QStringLiteral("MSD"), {&TStatusDecoderV1::OnWholeValue, 2});
}

void TStatusDecoderV1::OnMD(const TStatusRecord& r, int aServer) {
  const QString& host = r.F(0);
  const std::size_t n = std::size_t(aServer);
  if (aServer == 0) {
    static const QString web = QStringLiteral("WEB SERVER");
    if (!host.isEmpty() && FServerAddress[0] != web)
      Set(QStringLiteral("_Server0"), web);
    FServerAddress[0] = web;
    return;
  }
  // The line changes only when the address does, so a device repeating it costs nothing.
  const QString address = host + QLatin1Char(':') + r.F(1);
  if (!host.isEmpty() && FServerAddress[n] != address)
    Set(QStringLiteral("_Server") + QString::number(aServer),
        address + QLatin1String(" (") + r.F(2) + QLatin1Char(')'));
  FServerAddress[n] = address;
  if (aServer >= 2 && (host.isEmpty() || r.F(1) == QLatin1String("0")))
    FServerAddress[n] = kNotConfigured;
}

void TStatusDecoderV1::OnRW(const TStatusRecord& r, int) {
  TPortInfo* port = Port();
  if (!port)
    return;
  Set(QStringLiteral("_StrorageWrite"), r.F(1));
  const QString& pair = r.F(0);
  const qsizetype slash = pair.indexOf(u'/');
  Set(QStringLiteral("_StrorageSendServer1"), slash < 0 ? QStringLiteral("") : pair.left(slash));
  Set(QStringLiteral("_StrorageSendServer2"), slash < 0 ? pair : pair.mid(slash + 1));
  port->FMemoryWrite = AsInt32(r.F(1));
}

void TStatusDecoderV1::OnRWn(const TStatusRecord& r, int aServer) {
  TPortInfo* port = Port();
  if (!port)
    return;
  const qint32 send = AsInt32(r.F(0));
  const qint32 write = AsInt32(r.F(1));
  const qint32 size = AsInt32(r.F(2));
  qint32* sends[] = {&port->FMemorySend1, &port->FMemorySend2, &port->FMemorySend3, &port->FMemorySend4};
  *sends[aServer - 1] = send;
  port->FMemoryWrite = write;
  port->FMemoryCount = size;
  port->FMemoryOffset = AsInt32(r.F(3));
  // The counters of a server that is not configured mean nothing to the user.
  if (aServer >= 2 && FServerAddress[std::size_t(aServer)] == kNotConfigured)
    return;
  if (const auto share = SentShare(write, send, size))
    Set(QStringLiteral("_StrorageSendServer") + QString::number(aServer), *share);
}

void TStatusDecoderV1::OnFSn(const TStatusRecord& r, int aServer) {
  TPortInfo* port = Port();
  if (!port)
    return;
  const qint32 send = AsInt32(r.F(0));
  const qint32 write = AsInt32(r.F(1));
  const qint32 size = AsInt32(r.F(2));
  qint32* sends[] = {&port->FFileSend1, &port->FFileSend2, &port->FFileSend3, &port->FFileSend4};
  *sends[aServer - 1] = send;
  port->FFileWrite = write;
  port->FFileCount = size;
  port->FFileOffset = AsInt32(r.F(3));
  if (aServer >= 2 && FServerAddress[std::size_t(aServer)] == kNotConfigured)
    return;
  if (aServer == 1) {
    // An empty store has no fill level; it is left out rather than divided by.
    if (write < send)
      Set(QStringLiteral("_FileWrite"), QStringLiteral("100 %"));
    else if (size != 0)
      Set(QStringLiteral("_FileWrite"),
          LocaleFixed(double(write - send) * 100.0 / double(size), 2) + QLatin1String(" %"));
  }
  if (const auto share = FileShare(write, send, size))
    Set(QStringLiteral("_FileSendServer") + QString::number(aServer), *share);
}

void TStatusDecoderV1::OnWholeValue(const TStatusRecord& r, int aWhich) {
  static const QString idents[] = {QStringLiteral("_PointWIFI"), QStringLiteral("_StatusExtmemory"),
                                   QStringLiteral("_StatusCardSD")};
  Set(idents[aWhich], r.Value());
}
