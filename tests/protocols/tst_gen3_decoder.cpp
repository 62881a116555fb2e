// The fuel-sensor master: request frames, every answer to values, hints and search results
// (through the real receive path and send queue), and the write-back of slots and sensors.

#include "fuel_fixture.h"
#include "protocols/fuel_writer.h"

#include <QTest>

namespace {

QByteArray Hex(const char* aHex) {
  return QByteArray::fromHex(aHex);
}

QByteArray Zeros(int aCount) {
  return QByteArray(aCount, '\0');
}

QByteArray MasterInfoBody(quint32 aSeconds) {
  QByteArray body = Hex("010203040506") + "1.07" + char(3);
  for (int i = 0; i < 4; ++i)
    body += char((aSeconds >> (8 * i)) & 0xFF);
  return body + Zeros(17);
}

QByteArray SlotListBody() {
  return Hex("114F2B903AE2") + char(1) + char(10) + Zeros(8) + Hex("27815C903AE2") + char(2) + char(255) +
         Zeros(8) + Zeros(16);
}

QStringList SlotListCalls() {
  QStringList calls;
  const char* addresses[] = {"E2 3A 90 2B 4F 11", "E2 3A 90 5C 81 27", "00 00 00 00 00 00"};
  const int p2[] = {1, 2, 0};
  const int p3[] = {10, 255, 0};
  for (int k = 1; k <= 3; ++k)
    for (const char* stem : {"master", "sensor"})
      calls << QStringLiteral("%1_%2_1=s:%3")
                   .arg(QLatin1String(stem))
                   .arg(k)
                   .arg(QLatin1String(addresses[k - 1]))
            << QStringLiteral("%1_%2_2=i:%3").arg(QLatin1String(stem)).arg(k).arg(p2[k - 1])
            << QStringLiteral("%1_%2_3=i:%3").arg(QLatin1String(stem)).arg(k).arg(p3[k - 1]);
  return calls;
}

QByteArray SensorBody() {
  // Mode 1, 4095, 60, 600 and 4294967295, then the reserved tail.
  return Hex("01FF0F3C0058020000FFFFFFFF") + Zeros(19);
}

QStringList SensorCalls(int k) {
  return {QStringLiteral("sensor_%1_4=i:1").arg(k), QStringLiteral("sensor_%1_5=i:4095").arg(k),
          QStringLiteral("sensor_%1_6=i:60").arg(k), QStringLiteral("sensor_%1_7=i:600").arg(k),
          QStringLiteral("sensor_%1_8=i:4294967295").arg(k)};
}

QByteArray SearchBody(std::initializer_list<QByteArray> aEntries) {
  QByteArray body(1, char(aEntries.size()));
  for (const QByteArray& e : aEntries)
    body += e;
  return body;
}

// A page with every slot and sensor read from the master and nothing changed yet.
QMap<QString, TFuelField> ReadPage() {
  QMap<QString, TFuelField> page;
  for (int k = 1; k <= 3; ++k) {
    page[QStringLiteral("master_%1_1").arg(k)] = {QStringLiteral("E2 3A 90 2B 4F 1%1").arg(k), QString(),
                                                  true};
    page[QStringLiteral("master_%1_2").arg(k)] = {QStringLiteral("1"), QStringLiteral("Mode"), true};
    page[QStringLiteral("master_%1_3").arg(k)] = {QStringLiteral("10"), QStringLiteral("Filter"), true};
    for (int n = 4; n <= 8; ++n)
      page[QStringLiteral("sensor_%1_%2").arg(k).arg(n)] = {QString::number(n), QString(), true};
  }
  return page;
}

using TEdits = QList<QPair<QString, QString>>;

} // namespace

class TestGen3Decoder : public QObject {
  Q_OBJECT

private Q_SLOTS:
  void requestFrames_data();
  void requestFrames();
  void answers_data();
  void answers();
  void slotListAsksEachSlotOnePerAnswer();
  void writeBack_data();
  void writeBack();
  void writeBackSkips();
};

void TestGen3Decoder::requestFrames_data() {
  QTest::addColumn<int>("command");
  QTest::addColumn<QByteArray>("parameters");
  QTest::addColumn<QByteArray>("frame");

  QTest::newRow("master information") << 0xB0 << QByteArray() << Hex("3110B0AB");
  QTest::newRow("slot list") << 0xB1 << QByteArray() << Hex("3110B1F5");
  QTest::newRow("search") << 0xB8 << QByteArray() << Hex("3110B869");
  QTest::newRow("restart") << 0xB7 << Hex("0001") << Hex("3110B70001E9");
}

void TestGen3Decoder::requestFrames() {
  QFETCH(int, command);
  QFETCH(QByteArray, parameters);
  QFETCH(QByteArray, frame);
  QCOMPARE(Gen3::Request(quint8(command), parameters), frame);
  QVERIFY(Gen3::IsRequest(frame));
}

void TestGen3Decoder::answers_data() {
  QTest::addColumn<QByteArray>("request"); // sent before the answer, empty for none
  QTest::addColumn<QByteArray>("answer");
  QTest::addColumn<int>("state");
  QTest::addColumn<QStringList>("calls");
  QTest::addColumn<QString>("deviceName");

  const QStringList master{"master_1=s:06 05 04 03 02 01", "master_2=s:1.07", "master_3=i:3"};
  QTest::newRow("B0") << Hex("3110B0AB") << Answer(0xB0, MasterInfoBody(3725)) << 2
                      << master + QStringList{"master_4=s:01:02:05"} << "010203040506";
  QTest::newRow("B0 hours past a day") << QByteArray() << Answer(0xB0, MasterInfoBody(25 * 3600)) << 2
                                       << master + QStringList{"master_4=s:25:00:00"} << "010203040506";
  QTest::newRow("B0 with a bad trailing CRC")
      << QByteArray() << Answer(0xB0, MasterInfoBody(59), true) << 2
      << master + QStringList{"master_4=s:00:00:59"} << "010203040506";
  QTest::newRow("B1") << Hex("3110B1F5") << Answer(0xB1, SlotListBody()) << 2 << SlotListCalls() << "";

  QTest::newRow("B2 success") << QByteArray() << Answer(0xB2, Hex("00")) << 2
                              << QStringList{"Hint1:Settings saved successfully"} << "";
  QTest::newRow("B2 invalid handle") << QByteArray() << Answer(0xB2, Hex("FB")) << 2
                                     << QStringList{"Hint0:mes_ERROR_INVALID_HANDLE"} << "";
  QTest::newRow("B2 unknown code shows nothing")
      << QByteArray() << Answer(0xB2, Hex("11")) << 2 << QStringList{} << "";
  QTest::newRow("B5 size") << QByteArray() << Answer(0xB5, Hex("FF")) << 2
                           << QStringList{"Hint0:mes_ERROR_SIZE"} << "";
  QTest::newRow("B5 not supported") << QByteArray() << Answer(0xB5, Hex("FA")) << 2
                                    << QStringList{"Hint0:mes_ERROR_NOT_SUPPROTED"} << "";
  QTest::newRow("B7 success") << Hex("3110B70001E9") << Answer(0xB7, Hex("0000")) << 2
                              << QStringList{"Hint1:Settings saved successfully"} << "";
  QTest::newRow("B7 not connected") << QByteArray() << Answer(0xB7, Hex("FD00")) << 2
                                    << QStringList{"Hint0:mes_ERROR_NOT_CONNECTED"} << "";

  QTest::newRow("B4 slot 0") << Gen3::Request(0xB4, Hex("00")) << Answer(0xB4, SensorBody()) << 2
                             << SensorCalls(1) << "";
  QTest::newRow("B4 slot 2") << Gen3::Request(0xB4, Hex("02")) << Answer(0xB4, SensorBody()) << 2
                             << SensorCalls(3) << "";
  QTest::newRow("B4 slot 3 does not exist")
      << Gen3::Request(0xB4, Hex("03")) << Answer(0xB4, SensorBody()) << 1 << QStringList{} << "";
  QTest::newRow("B4 without a request")
      << QByteArray() << Answer(0xB4, SensorBody()) << 1 << QStringList{} << "";
  QTest::newRow("B4 after another request")
      << Hex("3110B0AB") << Answer(0xB4, SensorBody()) << 1 << QStringList{} << "";
  QTest::newRow("B4 after noise following the request")
      << Gen3::Request(0xB4, Hex("01")) << Hex("0707") + Answer(0xB4, SensorBody()) << 2 << SensorCalls(2)
      << "";

  QTest::newRow("B8 none found") << Hex("3110B869") << Answer(0xB8, Hex("00")) << 2
                                 << QStringList{"ClearResults", "Hint0:No sensors found"} << "";
  QTest::newRow("B8 two found")
      << Hex("3110B869") << Answer(0xB8, SearchBody({Hex("01114F2B903AE2BD"), Hex("0905EE128861D7A8")})) << 2
      << QStringList{"ClearResults", "result FindResultSensors0 'LLS / -67 dB' = E2 3A 90 2B 4F 11",
                     "result FindResultSensors1 'type #9 / -88 dB' = D7 61 88 12 EE 05"}
      << "";
  QTest::newRow("B8 every known type")
      << QByteArray()
      << Answer(0xB8, SearchBody({Hex("020000000000010A"), Hex("0300000000000200"), Hex("04000000000003F6")}))
      << 2
      << QStringList{"ClearResults", "result FindResultSensors0 'Bridge / 10 dB' = 01 00 00 00 00 00",
                     "result FindResultSensors1 'Escort / 0 dB' = 02 00 00 00 00 00",
                     "result FindResultSensors2 'Thermo / -10 dB' = 03 00 00 00 00 00"}
      << "";

  QTest::newRow("B3 is framed, not decoded")
      << QByteArray() << Answer(0xB3, Zeros(55)) << 1 << QStringList{} << "";
  QTest::newRow("B6 is framed, not decoded")
      << QByteArray() << Answer(0xB6, Zeros(1)) << 1 << QStringList{} << "";
  QTest::newRow("unknown command") << QByteArray() << Answer(0xA0, QByteArray()) << 1 << QStringList{} << "";
}

void TestGen3Decoder::answers() {
  QFETCH(QByteArray, request);
  QFETCH(QByteArray, answer);
  QFETCH(int, state);
  QFETCH(QStringList, calls);
  QFETCH(QString, deviceName);

  TFuelRig rig;
  rig.Host.Dictionary.SetLanguage(TDictionary::lnEnglish);
  if (!request.isEmpty())
    rig.Send(request);
  rig.Receive(answer);
  QCOMPARE(rig.LastAnswerState(), state);
  QCOMPARE(rig.Host.Calls, calls);
  QCOMPARE(rig.Port->DeviceName(), deviceName);
}

void TestGen3Decoder::slotListAsksEachSlotOnePerAnswer() {
  TFuelRig rig;
  rig.Send(Hex("3110B1F5"));
  rig.Receive(Answer(0xB1, SlotListBody()));
  // The answers come back in turn: the next request leaves only when the last one is answered.
  QCOMPARE(rig.Driver.Written, (QList<QByteArray>{Hex("3110B1F5"), Gen3::Request(0xB4, Hex("00"))}));
  QStringList values;
  for (int slot = 0; slot < 3; ++slot) {
    rig.Host.Calls.clear();
    rig.Receive(Answer(0xB4, SensorBody()));
    QCOMPARE(rig.Host.Calls, SensorCalls(slot + 1));
    QCOMPARE(rig.Driver.Written.size(), slot + 3);
  }
  // Then the master's information again, so that its uptime is as fresh as the settings read.
  QCOMPARE(rig.Driver.Written.mid(1),
           (QList<QByteArray>{Gen3::Request(0xB4, Hex("00")), Gen3::Request(0xB4, Hex("01")),
                              Gen3::Request(0xB4, Hex("02")), Hex("3110B0AB")}));
  rig.Host.Calls.clear();
  rig.Receive(Answer(0xB0, MasterInfoBody(3725)));
  QVERIFY(rig.Host.Calls.contains(QStringLiteral("master_4=s:01:02:05")));
  QCOMPARE(rig.Port->QueuedCount(), 0);
}

void TestGen3Decoder::writeBack_data() {
  QTest::addColumn<TEdits>("edits");
  QTest::addColumn<QList<QByteArray>>("requests");
  QTest::addColumn<QString>("error");

  const QByteArray sensor2 = Gen3::Request(0xB5, Hex("01") + char(4) + Hex("0500") + Hex("0600") +
                                                     Hex("A0860100") + Hex("08000000") + Zeros(19));
  QTest::newRow("nothing changed") << TEdits{} << QList<QByteArray>{} << QString();
  QTest::newRow("one sensor value") << TEdits{{"sensor_2_7", "100000"}} << QList<QByteArray>{sensor2}
                                    << QString();
  QTest::newRow("short slot address")
      << TEdits{{"master_1_1", "AA BB CC"}}
      << QList<QByteArray>{Gen3::Request(0xB2,
                                         Hex("00") + Hex("000000CCBBAA") + char(1) + char(10) + Zeros(8))}
      << QString();
  QTest::newRow("full address without spaces, lower case")
      << TEdits{{"master_3_2", "255"}, {"master_3_1", "e23a902b4f13"}}
      << QList<QByteArray>{Gen3::Request(0xB2,
                                         Hex("02") + Hex("134F2B903AE2") + char(255) + char(10) + Zeros(8))}
      << QString();
  QTest::newRow("widest values")
      << TEdits{{"sensor_1_4", "255"}, {"sensor_1_5", "65535"}, {"sensor_1_8", "4294967295"}}
      << QList<QByteArray>{Gen3::Request(0xB5, Hex("00") + Hex("FF") + Hex("FFFF") + Hex("0600") +
                                                   Hex("07000000") + Hex("FFFFFFFF") + Zeros(19))}
      << QString();
  QTest::newRow("slots before sensors")
      << TEdits{{"sensor_1_6", "7"}, {"master_2_3", "11"}}
      << QList<QByteArray>{Gen3::Request(0xB2,
                                         Hex("01") + Hex("124F2B903AE2") + char(1) + char(11) + Zeros(8)),
                           Gen3::Request(0xB5, Hex("00") + char(4) + Hex("0500") + Hex("0700") +
                                                   Hex("07000000") + Hex("08000000") + Zeros(19))}
      << QString();

  QTest::newRow("a byte over its width")
      << TEdits{{"master_1_2", "300"}} << QList<QByteArray>{} << "Maximum value parameter \"Mode\": 255";
  QTest::newRow("two bytes over their width") << TEdits{{"sensor_3_5", "65536"}} << QList<QByteArray>{}
                                              << "Maximum value parameter \"sensor_3_5\": 65535";
  QTest::newRow("four bytes over their width") << TEdits{{"sensor_3_7", "4294967296"}} << QList<QByteArray>{}
                                               << "Maximum value parameter \"sensor_3_7\": 4294967295";
  QTest::newRow("negative") << TEdits{{"master_2_3", "-1"}} << QList<QByteArray>{}
                            << "Minimum value parameter \"Filter\": 0";
  QTest::newRow("not a number") << TEdits{{"sensor_1_6", "12x"}} << QList<QByteArray>{}
                                << "Invalid characters in value parameter \"sensor_1_6\"";
  QTest::newRow("empty number") << TEdits{{"sensor_1_6", ""}} << QList<QByteArray>{}
                                << "Invalid characters in value parameter \"sensor_1_6\"";
  QTest::newRow("address with an odd digit") << TEdits{{"master_1_1", "AA BB C"}} << QList<QByteArray>{}
                                             << "Invalid characters in value parameter \"master_1_1\"";
  QTest::newRow("address of seven bytes")
      << TEdits{{"master_1_1", "11 22 33 44 55 66 77"}} << QList<QByteArray>{}
      << "Invalid characters in value parameter \"master_1_1\"";
  QTest::newRow("address not hexadecimal") << TEdits{{"master_1_1", "GG 00"}} << QList<QByteArray>{}
                                           << "Invalid characters in value parameter \"master_1_1\"";
  QTest::newRow("empty address") << TEdits{{"master_1_1", ""}} << QList<QByteArray>{}
                                 << "Invalid characters in value parameter \"master_1_1\"";
  // The first slot is good, the third is not: neither goes out.
  QTest::newRow("no half-written master")
      << TEdits{{"master_1_2", "2"}, {"sensor_3_4", "256"}} << QList<QByteArray>{}
      << "Maximum value parameter \"sensor_3_4\": 255";
}

void TestGen3Decoder::writeBack() {
  QFETCH(TEdits, edits);
  QFETCH(QList<QByteArray>, requests);
  QFETCH(QString, error);

  TFuelRecorder host;
  host.Fields = ReadPage();
  for (const auto& [ident, text] : edits) {
    host.Fields[ident].Text = text;
    host.Fields[ident].Changed = true;
  }
  const TFuelWriter::TResult result =
      TFuelWriter::Build(host, [&](const QString& aKey) { return host.Translate(aKey); });
  QCOMPARE(result.Error, error);
  QCOMPARE(result.Requests, requests);
}

void TestGen3Decoder::writeBackSkips() {
  TFuelRecorder host;
  const auto build = [&] {
    return TFuelWriter::Build(host, [&](const QString& aKey) { return host.Translate(aKey); });
  };

  // A slot the page lacks an element of is not written, changed or not; the others are.
  host.Fields = ReadPage();
  host.Fields.remove(QStringLiteral("master_1_3"));
  host.Fields[QStringLiteral("master_1_2")].Changed = true;
  host.Fields[QStringLiteral("sensor_1_4")].Changed = true;
  TFuelWriter::TResult result = build();
  QVERIFY(result.Error.isEmpty());
  QCOMPARE(result.Requests.size(), 1);
  QCOMPARE(result.Requests[0].at(2), char(0xB5));

  // A changed slot whose address was never read would wipe the address: refused, by name.
  host.Fields = ReadPage();
  host.Fields[QStringLiteral("master_2_1")] = {QString(), QStringLiteral("Address"), false};
  host.Fields[QStringLiteral("master_2_2")].Changed = true;
  result = build();
  QCOMPARE(result.Error, QStringLiteral("The value \"Address\" has not been read from the device"));
  QVERIFY(result.Requests.isEmpty());

  // An element never read is fine while nothing in its slot changes.
  host.Fields[QStringLiteral("master_2_2")].Changed = false;
  result = build();
  QVERIFY(result.Error.isEmpty());
  QVERIFY(result.Requests.isEmpty());
}

QTEST_GUILESS_MAIN(TestGen3Decoder)
#include "tst_gen3_decoder.moc"
