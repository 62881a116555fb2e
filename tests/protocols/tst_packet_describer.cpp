// The packet inspector's describer: packets of every generation, sent and received, well formed
// and broken, to the lines it shows; and describing leaves the exchange, the port and the
// decoders of the monitor as they were.

#include "device/block_reading.h"
#include "device/command_table.h"
#include "fuel_fixture.h"
#include "protocols/firmware_transfer.h"
#include "protocols/gen2_decoder.h"
#include "protocols/packet_describer.h"

#include <QTest>

namespace {

QByteArray Hex(const char* aHex) {
  return QByteArray::fromHex(aHex);
}

QByteArray Gen2Record(quint32 aType, const QByteArray& aBody) {
  QByteArray record("\x55\xAA", 2);
  for (int i = 0; i < 4; ++i)
    record += char((aType >> (8 * i)) & 0xFF);
  record += char(aBody.size() & 0xFF);
  record += char(aBody.size() >> 8);
  return record + aBody + "\xEE\xEE";
}

// Power: 12.345 V outside, 4.1 V battery.
QByteArray PowerRecord() {
  return Gen2Record(TGen2Decoder::kPower, Hex("39306410"));
}

QByteArray BlockAnswer(qint64 aNumber, bool aBadCrc) {
  QByteArray data(BlockReading::kBlockSize, '\0');
  for (int i = 0; i < data.size(); ++i)
    data[i] = char(i);
  quint16 crc = Crc16(data.constData(), data.size());
  if (aBadCrc)
    crc ^= 0x0101;
  data += char(crc >> 8);
  data += char(crc & 0xFF);
  return ">FD=" + QByteArray::number(aNumber) + ",\"" + Base64Encode(data).toLatin1() + "\"\r\n";
}

QByteArray UpdRecord(const QByteArray& aFrame) {
  return ">UPD=\"" + Base64Encode(aFrame).toLatin1() + "\"\r\n";
}

QByteArray MasterInfo() {
  QByteArray body = Hex("010203040506") + "1.07" + char(3) + Hex("8D0E0000");
  return Answer(Gen3::kMasterInfo, body + QByteArray(17, '\0'));
}

QByteArray SensorData() {
  return Answer(Gen3::kSensorData, Hex("01FF0F3C0058020000FFFFFFFF") + QByteArray(19, '\0'));
}

QString TextOf(const TPacketDescription& aDescription) {
  return aDescription.ToText();
}

} // namespace

class TestPacketDescriber : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void initTestCase();
  void describe_data();
  void describe();
  void sentLines_data();
  void sentLines();
  void russian();
  void monitorCaptionsNameTheValues();
  void describingChangesNothing();

private:
  TDictionary FDictionary;
  TCommandTable FTable{FDictionary};
};

void TestPacketDescriber::initTestCase() {
  FDictionary.SetLanguage(TDictionary::lnEnglish);
  FTable.Fill(nullptr, {});
}

void TestPacketDescriber::describe_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<int>("generation");
  QTest::addColumn<QByteArray>("request");
  QTest::addColumn<QStringList>("lines");
  // Empty: decoded to the end.
  QTest::addColumn<QString>("stopped");

  const QByteArray none;
  QTest::newRow("gen1 position")
      << QByteArray(">GK=55.751200;37.618400\r\n") << 1 << none
      << QStringList{"Key: Coordinates  [GK]  @1+2", "F0: 55.751200",        "F1: 37.618400",
                     "Latitude: 55.751200",          "Longitude: 37.618400", "Line end  [0D 0A]  @23+2"}
      << "";
  QTest::newRow("gen1 numbered key takes its stem's caption")
      << QByteArray(">SID1=8970101\r\n") << 1 << none
      << QStringList{"Key: SIM card ICCID  [SID1]", "SIM 2 ICCID: 8970101"} << "";
  QTest::newRow("gen1 pin") << QByteArray(">IA3=1\r\n") << 1 << none
                            << QStringList{"Key: Input or output  [IA3]"} << "";
  QTest::newRow("gen1 unknown key") << QByteArray(">ZZQ=1;\"a;b\"\r\n") << 1 << none
                                    << QStringList{"Key: unknown key  [ZZQ]", "F0: 1", "F1: a;b"} << "";
  QTest::newRow("gen1 scan report goes to its list")
      << QByteArray(">WIFISCAN=AA:BB;-50;bmV0\r\n") << 1 << none
      << QStringList{"Key: Wi-Fi scan  [WIFISCAN]", "List entry: AA:BB / -50 / net"} << "";
  QTest::newRow("gen1 known key that shows nothing")
      << QByteArray(">MN=12345\r\n") << 1 << none << QStringList{"On the monitor: nothing shown"} << "";
  QTest::newRow("gen1 while undecided") << QByteArray(">GK=1.5;2.5\r\n") << 0 << none
                                        << QStringList{"Status record (generation 1)", "Latitude: 1.5"} << "";
  QTest::newRow("gen1 no equals") << QByteArray(">GK55\r\n") << 1 << none
                                  << QStringList{QString::fromUtf16(u"Bytes  [>GK55\u240D\u240A]")}
                                  << "no \"=\" after the key @7";
  QTest::newRow("gen1 not finished") << QByteArray(">GK=1;2") << 1 << none << QStringList{"Latitude: 1"}
                                     << "the line is not finished (no CR LF) @7";
  QTest::newRow("gen1 handler gives up")
      << QByteArray(">LLS=x;1;2\r\n") << 1 << none << QStringList{"Key: LLS"}
      << "a field of the record is wrong: not a number: \"x\"";
  QTest::newRow("gen1 block answer") << BlockAnswer(7, false) << 1 << none
                                     << QStringList{"Key: Memory block  [FD]", "Block number: 7", "Size: 258",
                                                    "CRC-16: correct"}
                                     << "";
  QTest::newRow("gen1 block answer, bad CRC")
      << BlockAnswer(7, true) << 1 << none << QStringList{"CRC-16: checksum wrong"} << "checksum wrong";
  QTest::newRow("gen1 block answer, short")
      << QByteArray(">FD=3,\"AAEC\"\r\n") << 1 << none << QStringList{"Size: 3"}
      << "the block has the wrong size, bytes: 3";
  QTest::newRow("gen1 UPD request")
      << UpdRecord(FirmwareTransfer::BuildRequest(1, 30, FirmwareTransfer::fcChunk,
                                                  Hex("0102030400000000000003FF")))
      << 1 << none
      << QStringList{"Firmware request (UPD)", "Length: 27  [00 1B]  @2+2", "Code: 4  [04]  @18+1",
                     "Device type: 30  [1E]  @14+1",
                     "Parameters  [01 02 03 04 00 00 00 00 00 00 03 FF]  @19+12"}
      << "";
  QByteArray badLength = FirmwareTransfer::BuildRequest(1, 30, FirmwareTransfer::fcInfo, QByteArray());
  badLength[3] = char(99);
  QTest::newRow("gen1 UPD request, bad length")
      << UpdRecord(badLength) << 1 << none << QStringList{"Length: 99"}
      << "the length field does not match the frame";

  QTest::newRow("gen2 power") << PowerRecord() << 2 << none
                              << QStringList{"Start sign  [55 AA]  @0+2", "Record type: 0x00030001 (power)",
                                             "Length: 4  [04 00]  @6+2",
                                             "External voltage: 12.345  [39 30]  @8+2",
                                             "Trailer  [EE EE]  @12+2"}
                              << "";
  QTest::newRow("gen2 body too short") << Gen2Record(TGen2Decoder::kPosition, QByteArray(10, '\0')) << 2
                                       << none << QStringList{"Record type: 0x00010010 (position)"}
                                       << "the body is shorter than this type's fields, bytes needed: 33 @18";
  QTest::newRow("gen2 unknown type") << Gen2Record(0x00990001, Hex("01")) << 2 << none
                                     << QStringList{"Record type: 0x00990001"} << "unknown record type @2";
  QTest::newRow("gen2 shorter than a header")
      << Hex("55AA0100") << 2 << none << QStringList{"Body  @4+0"} << "the packet is too short @4";

  QTest::newRow("gen3 master info") << MasterInfo() << 3 << none
                                    << QStringList{"Direction: device > PC (answer)",
                                                   "Start sign  [3E 10]  @0+2",
                                                   "Command: master information  [B0]  @2+1",
                                                   "06 05 04 03 02 01  [01 02 03 04 05 06]  @3+6",
                                                   "01:02:05  [8D 0E 00 00]  @14+4",
                                                   "CRC-8: correct"}
                                    << "";
  QTest::newRow("gen3 bad CRC, NUL bytes shown as symbols")
      << Answer(Gen3::kMasterInfo, QByteArray(32, '\0'), true) << 3 << none
      << QStringList{QString::fromUtf16(u"master_2: \u2400\u2400\u2400\u2400  [00 00 00 00]  @9+4"),
                     "CRC-8: checksum wrong ("}
      << "checksum wrong @35";
  QTest::newRow("gen3 sensor data after its request")
      << SensorData() << 3 << Gen3::Request(Gen3::kSensorData, Hex("01"))
      << QStringList{"sensor_2_5: 4095  [FF 0F]  @4+2"} << "";
  QTest::newRow("gen3 sensor data nobody asked for")
      << SensorData() << 3 << none << QStringList{"Command: sensor data"}
      << "no request of ours for a slot's data precedes the answer";
  QTest::newRow("gen3 unknown command") << Answer(0xA0, QByteArray()) << 3 << none
                                        << QStringList{"Command: unknown  [A0]"} << "unknown command @2";
  QTest::newRow("gen3 status hint") << Answer(Gen3::kWriteSlot, Hex("00")) << 3 << none
                                    << QStringList{"Hint: Settings saved successfully"} << "";
  // An answer still open in the log (or a chunk taken for one) is shorter than its command says.
  QTest::newRow("gen3 master info cut short")
      << Hex("3E10B00102030405060708") << 3 << none
      << QStringList{"master_1: 06 05 04 03 02 01  [01 02 03 04 05 06]  @3+6"}
      << "the packet is too short @11";
  QTest::newRow("undecided chunk that opens like an answer")
      << Hex("3E10B1AA") << 0 << none << QStringList{"Command: slot list"} << "the packet is too short @4";
  QTest::newRow("gen3 cut short") << Hex("3E10") << 3 << none << QStringList{}
                                  << "the packet is too short @2";
  QTest::newRow("raw noise") << Hex("0001FF") << 0 << none << QStringList{"Bytes  [00 01 FF]"}
                             << "no start sign @0";
}

void TestPacketDescriber::describe() {
  QFETCH(QByteArray, bytes);
  QFETCH(int, generation);
  QFETCH(QByteArray, request);
  QFETCH(QStringList, lines);
  QFETCH(QString, stopped);

  const TPacketDescriber describer(FDictionary);
  const TPacketDescription d = describer.Describe({bytes, false, generation, request});
  const QString text = TextOf(d);
  for (const QString& line : lines)
    QVERIFY2(text.contains(line), qPrintable(line + QStringLiteral(" not in:\n") + text));
  // What the monitor shows is listed by its caption; the program's idents are no one's business.
  QVERIFY2(!text.contains(QStringLiteral("[_")), qPrintable(text));
  QCOMPARE(d.Stopped, !stopped.isEmpty());
  if (!stopped.isEmpty())
    QVERIFY2(text.contains(QStringLiteral("! ") + stopped), qPrintable(text));
}

void TestPacketDescriber::sentLines_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<int>("generation");
  QTest::addColumn<QStringList>("lines");

  // The first plain row of the table that sends a fixed text, and the first with a password.
  int plain = -1;
  int service = -1;
  for (int i = 0; i < FTable.Count(); ++i) {
    const TCommand& row = FTable.Rows().at(i);
    if (row.Send.isEmpty() || row.Operation != 0 || !row.Show)
      continue;
    if (plain < 0 && !row.Send.startsWith('*'))
      plain = i;
    if (service < 0 && row.Send.startsWith('*'))
      service = i;
  }
  QVERIFY(plain >= 0 && service >= 0);
  const TCommand& p = FTable.Rows().at(plain);
  const TCommand& s = FTable.Rows().at(service);
  QTest::newRow("table row") << p.Send << 1
                             << QStringList{
                                    QStringLiteral("Command table row: %1  [%2]").arg(p.NameEN, p.Ident),
                                    QStringLiteral("Row number: %1").arg(plain + 1)};
  QTest::newRow("table row after a password")
      << "1234" + s.Send << 1
      << QStringList{QStringLiteral("Command table row: %1").arg(s.NameEN), "Password: 1234"};
  QTest::newRow("typed line") << QByteArray(">D 99;zz\r\n") << 1
                              << QStringList{"Line  [>D 99;zz]  @0+8", "Command table row: none"};

  FirmwareTransfer::TImage image{QByteArray(600, 'x'), "1", "2"};
  const FirmwareTransfer::TRequest request{FirmwareTransfer::fcChunk, 30, 2, Hex("0102031E00000000000000FF")};
  const std::optional<FirmwareTransfer::TAnswer> answer = FirmwareTransfer::Answer(request, image);
  QVERIFY(answer);
  QTest::newRow("UPD answer") << "1234*UPD*" + Base64Encode(answer->Frame).toLatin1() + "\r\n"
                              << 1
                              << QStringList{"Firmware answer (UPD)", "Code: 4", "Image chunk, bytes: 256",
                                             "CRC-16: correct"};
  QTest::newRow("gen3 request") << Gen3::Request(Gen3::kSensorData, Hex("02")) << 3
                                << QStringList{"Direction: PC > device (request)",
                                               "Command: sensor data  [B4]", "Parameters  [02]  @3+1",
                                               "CRC-8: correct"};
}

void TestPacketDescriber::sentLines() {
  QFETCH(QByteArray, bytes);
  QFETCH(int, generation);
  QFETCH(QStringList, lines);
  TPacketDescriber describer(FDictionary);
  describer.SetCommands(FTable.Rows(), -1);
  const TPacketDescription d = describer.Describe({bytes, true, generation, {}});
  const QString text = TextOf(d);
  for (const QString& line : lines)
    QVERIFY2(text.contains(line), qPrintable(line + QStringLiteral(" not in:\n") + text));
  QVERIFY2(!d.Stopped, qPrintable(text));
}

void TestPacketDescriber::monitorCaptionsNameTheValues() {
  TPacketDescriber describer(FDictionary);
  describer.SetMonitorCaption([](const QString& aIdent) {
    return aIdent == QLatin1String("_Latitude") ? QStringLiteral("Latitude (WGS 84)") : QString();
  });
  const QString text = TextOf(describer.Describe({QByteArray(">GK=55.75;37.61\r\n"), false, 1, {}}));
  QVERIFY2(text.contains(QStringLiteral("Latitude (WGS 84): 55.75")), qPrintable(text));
  // An ident the monitor has no line for keeps the dictionary's caption.
  QVERIFY2(text.contains(QStringLiteral("Longitude: 37.61")), qPrintable(text));
}

void TestPacketDescriber::russian() {
  TDictionary russian;
  russian.SetLanguage(TDictionary::lnRussian);
  const TPacketDescription d = TPacketDescriber(russian).Describe({Hex("3E10"), false, 3, {}});
  QCOMPARE(d.Title, QStringLiteral("Кадр датчиков (поколение 3)"));
  QCOMPARE(d.StopReason, QStringLiteral("пакет короче, чем нужно"));
}

// The monitor's own exchange, port and decoder take packets; describing each of them afterwards
// must leave every one of them as it was, and no queued report may reach the window later.
void TestPacketDescriber::describingChangesNothing() {
  TStatusRig rig;
  rig.Identity(QStringLiteral("304"), QStringLiteral("0"));
  const QList<QByteArray> packets{">MD1=host;1;t\r\n",
                                  ">BLESCAN=AA:BB;-60;AgEG\r\n",
                                  ">WIFISCAN=AA:BB;-50;bmV0\r\n",
                                  ">SID0=8970101\r\n",
                                  ">O10=1\r\n",
                                  ">TW=100;5\r\n",
                                  ">PB=12000;1\r\n",
                                  BlockAnswer(1, false),
                                  ">SYS=1;2;3\r\n",
                                  ">LLS=x;1;2\r\n"};
  for (const QByteArray& p : packets)
    rig.Core.QReceiveData(nullptr, p.constData(), int(p.size()));
  QCoreApplication::processEvents();
  // One report of the monitor's decoder is still waiting for the event loop while packets are
  // described: it must arrive afterwards, once, and not earlier.
  const QByteArray pending(">BLESCAN=CC:DD;-70;AgEG\r\n");
  rig.Core.QReceiveData(nullptr, pending.constData(), int(pending.size()));

  const QByteArray log(rig.Core.TrafficLog().Memory(), qsizetype(rig.Core.TrafficLog().Size()));
  const TPacketArray index = rig.Core.Gen1Index();
  const QStringList calls = rig.Host.Calls + rig.Host.ViewCalls;
  const QList<QByteArray> written = rig.Driver.Written;
  const QString server = rig.Decoder.ServerAddress(1);
  const int timeCounter = rig.Decoder.TimeRecordCounter();
  const bool lowVoltage = rig.Decoder.LowVoltage();
  const quint8 operation = rig.Port->Operation();

  TPacketDescriber describer(rig.Host.Dictionary);
  describer.SetCommands(TCommandTable(rig.Host.Dictionary).Rows(), 304);
  for (const TPacket& entry : index) {
    const QByteArray bytes = log.mid(entry.Position, entry.Size);
    QVERIFY(!describer.Describe({bytes, false, 1, {}}).Fields.isEmpty());
    QVERIFY(!describer.Describe({bytes, true, 1, {}}).Fields.isEmpty());
  }

  QCOMPARE(QByteArray(rig.Core.TrafficLog().Memory(), qsizetype(rig.Core.TrafficLog().Size())), log);
  QCOMPARE(rig.Core.Gen1Index().size(), index.size());
  for (std::size_t i = 0; i < index.size(); ++i)
    QCOMPARE(rig.Core.Gen1Index()[i].State, index[i].State);
  QCOMPARE(rig.Host.Calls + rig.Host.ViewCalls, calls);
  QCOMPARE(rig.Driver.Written, written);
  QCOMPARE(rig.Decoder.ServerAddress(1), server);
  QCOMPARE(rig.Decoder.TimeRecordCounter(), timeCounter);
  QCOMPARE(rig.Decoder.LowVoltage(), lowVoltage);
  QCOMPARE(rig.Port->Operation(), operation);
  QCOMPARE(rig.Core.Version(), vtVersion1);

  // Whatever the describer's own decoder queued is gone with it; the monitor's report arrives.
  QCoreApplication::processEvents();
  QCOMPARE(rig.Host.Calls.size(), calls.size() - rig.Host.ViewCalls.size() + 1);
  QCOMPARE(rig.Host.Calls.constLast(), QStringLiteral("BLE:CC:DD|-70|AgEG"));
}

QTEST_GUILESS_MAIN(TestPacketDescriber)
#include "tst_packet_describer.moc"
