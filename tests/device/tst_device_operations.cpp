#include "operations_fixture.h"
#include "protocols/firmware_transfer.h"
#include "stored_file_fixture.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

QByteArray StoredFileDump(const QByteArray& aName, const QByteArray& aExtension, const QByteArray& aContents,
                          int aBlocks) {
  QByteArray dump(aBlocks * 256, '\xFF');
  const QByteArray record = StoredFileRecord(aName, aExtension, aContents);
  dump.replace(256, record.size(), record);
  return dump;
}

QByteArray WriteFile(const QString& aPath, const QByteArray& aBytes) {
  QFile file(aPath);
  if (file.open(QIODevice::WriteOnly))
    file.write(aBytes);
  return aBytes;
}

QByteArray UpdRecord(quint8 aCode, const QByteArray& aPayload) {
  const QByteArray frame = FirmwareTransfer::BuildRequest(359254060123456ULL, 216, aCode, aPayload);
  return ">UPD=\"" + Base64Encode(frame).toLatin1() + "\"\r\n";
}

} // namespace

class TstDeviceOperations : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void blockAnswers_data();
  void blockAnswers();
  void readingSavesEveryBlock_data();
  void readingSavesEveryBlock();
  void silenceReRequestsThenGivesUp();
  void readingFailuresAreReported_data();
  void readingFailuresAreReported();
  void readingEndedFromOutsideSaysSo_data();
  void readingEndedFromOutsideSaysSo();
  void silentDeviceEndsTheReading();
  void fileReadingWritesStoredFiles();
  void refusals_data();
  void refusals();
  void firmwareOverTheLine();
  void firmwareWatchdogAndCleanup();
  void emulationPlaysTheDevice();
  void loaderDiskWaitsThenTimesOut();
  void loaderDiskCopies_data();
  void loaderDiskCopies();
};

void TstDeviceOperations::blockAnswers_data() {
  QTest::addColumn<QByteArray>("answer");
  QTest::addColumn<QByteArray>("next");
  QTest::addColumn<int>("index");
  const QByteArray block = TestBlock(100);
  QTest::newRow("good") << BlockAnswer(100, block) << QByteArray(">D 18;101\r\n") << 1;
  QTest::newRow("crc swapped") << BlockAnswer(100, block, true) << QByteArray(">D 18;100\r\n") << 0;
  // One bit of the data flipped on the line: the CRC sent no longer matches.
  QByteArray payload = block + QByteArray(2, '\0');
  const quint16 crc = Crc16(block.constData(), block.size());
  payload[256] = char(crc >> 8);
  payload[257] = char(crc & 0xFF);
  payload[7] = char(payload[7] ^ 1);
  QTest::newRow("data changed") << ">FD=100,\"" + Base64Encode(payload).toLatin1() + "\"\r\n"
                                << QByteArray(">D 18;100\r\n") << 0;
  QTest::newRow("wrong number") << BlockAnswer(101, TestBlock(101)) << QByteArray(">D 18;100\r\n") << 0;
  QTest::newRow("short block") << BlockAnswer(100, block.left(255)) << QByteArray(">D 18;100\r\n") << 0;
  QTest::newRow("base64 garbage") << QByteArray(">FD=100,\"@@@@not base64\"\r\n")
                                  << QByteArray(">D 18;100\r\n") << 0;
  QTest::newRow("no comma") << QByteArray(">FD=100\r\n") << QByteArray(">D 18;100\r\n") << 0;
  QTest::newRow("unterminated quote") << QByteArray(">FD=100,\"AAAA\r\n") << QByteArray(">D 18;100\r\n") << 0;
}

void TstDeviceOperations::blockAnswers() {
  QFETCH(QByteArray, answer);
  QFETCH(QByteArray, next);
  QFETCH(int, index);
  TOperationsRig rig;
  rig.Port->FMemoryOffset = 100;
  rig.Port->FMemoryCount = 10;
  rig.Port->FMemoryWrite = 3;
  rig.Host.SaveAnswer = rig.Path(QStringLiteral("m.dump"));
  rig.Port->SetOperation(2);
  QCOMPARE(rig.LastSent(), QByteArray(">D 18;100\r\n"));
  const int state = rig.Receive(answer);
  QCOMPARE(rig.Port->FMemoryIndex, index);
  QCOMPARE(rig.LastSent(), next);
  QCOMPARE(int(rig.Port->Operation()), 2);
  QCOMPARE(state, index ? int(psRecognised) : int(psComplete));
}

void TstDeviceOperations::readingSavesEveryBlock_data() {
  QTest::addColumn<int>("operation");
  QTest::addColumn<int>("blocks");
  QTest::newRow("recorded part") << 2 << 3;
  QTest::newRow("whole memory") << 3 << 5;
}

void TstDeviceOperations::readingSavesEveryBlock() {
  QFETCH(int, operation);
  QFETCH(int, blocks);
  TOperationsRig rig;
  rig.Port->FMemoryOffset = 100;
  rig.Port->FMemoryWrite = 3;
  rig.Port->FMemoryCount = 5;
  const QString file = rig.Path(QStringLiteral("memory.dump"));
  rig.Host.SaveAnswer = file;
  rig.Port->SetOperation(quint8(operation));
  QCOMPARE(rig.Host.Dialogs.size(), 1);
  QVERIFY(rig.Host.Dialogs[0].startsWith(QStringLiteral("save 359254060123456 12345 ")));
  QVERIFY(rig.Host.Dialogs[0].endsWith(QStringLiteral(".dump dump *.dump")));
  QVERIFY(rig.Host.HasHint(3, rig.Host.Translate(QStringLiteral("mes_devicememoryreading"))));
  QByteArray expected;
  for (int i = 0; i < blocks; ++i) {
    QCOMPARE(rig.LastSent(), ">D 18;" + QByteArray::number(100 + i) + "\r\n");
    // Status records in between are not block answers and change nothing.
    rig.Receive(">TW=1767268800;4000\r\n");
    rig.Receive(BlockAnswer(100 + i, TestBlock(100 + i)));
    expected += TestBlock(100 + i);
  }
  QCOMPARE(int(rig.Port->Operation()), 0);
  QCOMPARE(rig.Driver.Written.size(), blocks);
  QFile saved(file);
  QVERIFY(saved.open(QIODevice::ReadOnly));
  QCOMPARE(saved.readAll(), expected);
  QVERIFY(rig.Host.HasHint(3, QStringLiteral("mes_filesave")));
  QCOMPARE(rig.Host.Count, 0);
  QVERIFY(!rig.Operations.HasBlockBuffer());
}

void TstDeviceOperations::silenceReRequestsThenGivesUp() {
  TOperationsRig rig;
  // Just before midnight: a time of day would wrap here and never time out.
  rig.Clock.SetNow(QDateTime(QDate(2026, 1, 1), QTime(23, 59, 58)));
  rig.Port->FMemoryOffset = 100;
  rig.Port->FMemoryCount = 5;
  rig.Port->FMemoryWrite = 5;
  rig.Host.SaveAnswer = rig.Path(QStringLiteral("m.dump"));
  rig.Port->SetOperation(2);
  rig.Receive(BlockAnswer(100, TestBlock(100)));
  rig.Driver.Written.clear();
  rig.Clock.Advance(2900);
  rig.Receive(">TW=1;1\r\n");
  QVERIFY(rig.Driver.Written.isEmpty());
  rig.Clock.Advance(200);
  rig.Receive(">TW=1;1\r\n");
  QCOMPARE(rig.Driver.Written, QList<QByteArray>{">D 18;101\r\n"});
  rig.Clock.Advance(15001);
  rig.Receive(">TW=1;1\r\n");
  QCOMPARE(int(rig.Port->Operation()), 0);
  QVERIFY(rig.Host.HasHint(0, QStringLiteral("mes_filesaveerror")));
  QVERIFY(!QFile::exists(rig.Path(QStringLiteral("m.dump"))));
}

void TstDeviceOperations::readingFailuresAreReported_data() {
  QTest::addColumn<bool>("unwritable");
  QTest::addColumn<bool>("totalDrops");
  QTest::newRow("disk refuses the file") << true << false;
  QTest::newRow("ends without a block") << false << true;
}

void TstDeviceOperations::readingFailuresAreReported() {
  QFETCH(bool, unwritable);
  QFETCH(bool, totalDrops);
  TOperationsRig rig;
  rig.Port->FMemoryOffset = 100;
  rig.Port->FMemoryCount = 5;
  rig.Port->FMemoryWrite = 1;
  rig.Host.SaveAnswer =
      unwritable ? rig.Path(QStringLiteral("missing/folder/m.dump")) : rig.Path(QStringLiteral("m.dump"));
  rig.Port->SetOperation(2);
  if (totalDrops) {
    // The device reports an emptied memory while the reading runs.
    rig.Port->FMemoryWrite = 0;
    rig.Receive(BlockAnswer(101, TestBlock(101)));
  } else {
    rig.Receive(BlockAnswer(100, TestBlock(100)));
  }
  QCOMPARE(int(rig.Port->Operation()), 0);
  QVERIFY(rig.Host.HasHintStarting(0, QStringLiteral("mes_filesaveerror")));
  QVERIFY(!rig.Host.HasHint(3, QStringLiteral("mes_filesave")));
}

void TstDeviceOperations::readingEndedFromOutsideSaysSo_data() {
  QTest::addColumn<int>("operation");
  QTest::newRow("memory") << 2;
  QTest::newRow("files") << 7;
}

void TstDeviceOperations::readingEndedFromOutsideSaysSo() {
  QFETCH(int, operation);
  TOperationsRig rig;
  rig.Port->FMemoryOffset = 100;
  rig.Port->FMemoryCount = 5;
  rig.Port->FMemoryWrite = 5;
  rig.Port->FFileOffset = 200;
  rig.Port->FFileCount = 5;
  rig.Host.SaveAnswer = rig.Path(QStringLiteral("m.dump"));
  rig.Host.FolderAnswer = rig.Path(QStringLiteral("files"));
  rig.Port->SetOperation(quint8(operation));
  rig.Receive(BlockAnswer(operation == 7 ? 200 : 100, TestBlock(operation == 7 ? 200 : 100)));
  QCOMPARE(rig.Host.Count, 5);
  // Another port chosen (or the device gone) ends the reading from outside.
  rig.Port->SetActive(false);
  QCOMPARE(int(rig.Port->Operation()), 0);
  QVERIFY(rig.Host.HasHint(0, QStringLiteral("mes_readinginterrupted")));
  QCOMPARE(rig.Host.Count, 0);
  QVERIFY(rig.Host.ProgressText.isEmpty());
  QVERIFY(!rig.Operations.Reading());
  // The end of an operation that is not a reading says nothing.
  rig.Host.Hints.clear();
  rig.Port->SetOperation(0);
  QVERIFY(rig.Host.Hints.isEmpty());
}

void TstDeviceOperations::silentDeviceEndsTheReading() {
  TOperationsRig rig;
  rig.Port->FMemoryOffset = 100;
  rig.Port->FMemoryCount = 5;
  rig.Port->FMemoryWrite = 5;
  rig.Host.SaveAnswer = rig.Path(QStringLiteral("m.dump"));
  rig.Operations.SetGiveUpMs(300);
  rig.Port->SetOperation(2);
  rig.Receive(BlockAnswer(100, TestBlock(100)));
  // Every block request re-arms the watchdog: steady answers never trip it.
  for (int i = 1; i < 3; ++i) {
    QTest::qWait(200);
    rig.Receive(BlockAnswer(100 + i, TestBlock(100 + i)));
  }
  QCOMPARE(int(rig.Port->Operation()), 2);
  // Then nothing arrives at all, not even a status record.
  QTRY_COMPARE_WITH_TIMEOUT(int(rig.Port->Operation()), 0, 2000);
  QVERIFY(rig.Host.HasHint(0, QStringLiteral("mes_filesaveerror")));
  QCOMPARE(rig.Host.Count, 0);
  QVERIFY(rig.Host.ProgressText.isEmpty());
  QVERIFY(!QFile::exists(rig.Path(QStringLiteral("m.dump"))));
}

void TstDeviceOperations::fileReadingWritesStoredFiles() {
  TOperationsRig rig;
  rig.Host.Admin = true;
  const QByteArray trip = "time;speed\n1;50\n";
  QByteArray dump = StoredFileDump("TRIP0001", "CSV", trip, 4);
  // A second header names a file outside the folder: skipped, the first still counts.
  const QByteArray evil = StoredFileDump("../../evil", "sh", "x", 4);
  dump.replace(768, 256, evil.mid(256, 256));
  rig.Port->FFileOffset = 8192;
  rig.Port->FFileCount = 4;
  rig.Host.FolderAnswer = rig.Path(QStringLiteral("out"));
  rig.Port->SetOperation(7);
  QCOMPARE(rig.Host.Dialogs, QStringList{QStringLiteral("folder Выберите папку для сохранения")});
  for (int i = 0; i < 4; ++i)
    rig.Receive(BlockAnswer(8192 + i, dump.mid(i * 256, 256)));
  QCOMPARE(int(rig.Port->Operation()), 0);
  QFile file(rig.Path(QStringLiteral("out/TRIP0001.CSV")));
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), trip);
  QVERIFY(!QFile::exists(rig.Path(QStringLiteral("evil.sh"))));
  QVERIFY(rig.Host.HasHint(3, QStringLiteral("mes_devicefileok 1")));
  // The refused name is said, not dropped in silence.
  QVERIFY(rig.Host.HasHint(0, QStringLiteral("mes_devicefilerefused ../../evil.sh")));
  // The administrator also keeps the raw dump, in the chosen folder.
  QFile raw(rig.Port->FMemoryFile);
  QCOMPARE(QFileInfo(raw).absolutePath(), QDir(rig.Path(QStringLiteral("out"))).absolutePath());
  QVERIFY(raw.open(QIODevice::ReadOnly));
  QCOMPARE(raw.readAll(), dump);
}

void TstDeviceOperations::refusals_data() {
  QTest::addColumn<int>("operation");
  QTest::addColumn<QString>("setup");
  QTest::addColumn<int>("kind");
  QTest::addColumn<QString>("hint");
  QTest::newRow("memory without offset") << 2 << "no offset" << 3 << "mes_devicememoryempty";
  QTest::newRow("recorded part empty") << 2 << "nothing written" << 3 << "mes_devicememoryempty";
  QTest::newRow("files without storage") << 7 << "" << 3 << "mes_devicememoryempty";
  QTest::newRow("save dialog cancelled") << 3 << "cancel" << -1 << "";
  QTest::newRow("folder dialog cancelled") << 7 << "files cancel" << -1 << "";
  QTest::newRow("firmware without a port") << 4 << "no port" << 0 << "mes_infonodevice";
  QTest::newRow("loader without a port") << 5 << "no port" << 0 << "mes_infonodevice";
  QTest::newRow("firmware write-locked") << 4 << "locked" << 0 << "mes_passwordneedfw";
  QTest::newRow("loader write-locked") << 5 << "locked" << 0 << "mes_passwordneedfw";
  QTest::newRow("firmware dialog cancelled") << 4 << "cancel" << -1 << "";
  QTest::newRow("empty firmware file") << 4 << "empty file" << 0 << "mes_fileopenerror";
  QTest::newRow("missing loader file") << 5 << "missing file" << 0 << "mes_fileopenerror";
}

void TstDeviceOperations::refusals() {
  QFETCH(int, operation);
  QFETCH(QString, setup);
  QFETCH(int, kind);
  QFETCH(QString, hint);
  TOperationsRig rig;
  rig.Port->FMemoryOffset = setup == QLatin1String("no offset") ? 0 : 100;
  rig.Port->FMemoryCount = 5;
  rig.Port->FMemoryWrite = setup == QLatin1String("nothing written") ? 0 : 3;
  if (setup.startsWith(QLatin1String("files"))) {
    rig.Port->FFileOffset = 8192;
    rig.Port->FFileCount = 4;
  }
  if (setup != QLatin1String("cancel") && setup != QLatin1String("files cancel")) {
    rig.Host.SaveAnswer = rig.Path(QStringLiteral("m.dump"));
    rig.Host.OpenAnswer = rig.Path(QStringLiteral("fw-1.2.dfw"));
    WriteFile(rig.Host.OpenAnswer, setup == QLatin1String("empty file") ? QByteArray() : QByteArray("image"));
  }
  if (setup == QLatin1String("missing file"))
    rig.Host.OpenAnswer = rig.Path(QStringLiteral("gone.dfw"));
  if (setup == QLatin1String("no port"))
    rig.Host.Port = nullptr;
  if (setup == QLatin1String("locked"))
    rig.Port->SetUserPassword(QStringLiteral("222222"));
  rig.Port->SetOperation(quint8(operation));
  QCOMPARE(int(rig.Port->Operation()), 0);
  QVERIFY(rig.Driver.Written.isEmpty());
  QCOMPARE(int(rig.Poll.UpdateOperation()), 0);
  QVERIFY(!rig.Poll.UpdateTimer().isActive());
  if (kind < 0)
    QVERIFY(rig.Host.Hints.isEmpty());
  else
    QCOMPARE(rig.Host.Hints, (QList<QPair<int, QString>>{{kind, hint}}));
}

void TstDeviceOperations::firmwareOverTheLine() {
  TOperationsRig rig;
  rig.Port->SetDeviceSOFT(QStringLiteral("216:0|2.14"));
  // Every answer carries the password in the device's code page, like every other send.
  const QString password = QStringLiteral("пароль");
  rig.Port->SetDevicePassword(password);
  rig.Port->SetUserPassword(password);
  const QByteArray prefix = QByteArray("\xEF\xE0\xF0\xEE\xEB\xFC") + "*UPD*";
  QByteArray image(5000, '\0');
  for (int i = 0; i < image.size(); ++i)
    image[i] = char(i * 13);
  rig.Host.OpenAnswer = rig.Path(QStringLiteral("vt-3.15.dfw"));
  WriteFile(rig.Host.OpenAnswer, image);
  rig.Port->SetOperation(4);
  QCOMPARE(rig.Host.Dialogs, QStringList{QStringLiteral("open *.dfw")});
  QCOMPARE(rig.Driver.Written, QList<QByteArray>{">D 3;0\r\n"});
  QCOMPARE(int(rig.Port->Operation()), 4);
  QCOMPARE(int(rig.Poll.UpdateOperation()), 4);
  QCOMPARE(rig.Poll.UpdateTimer().interval(), 10000);
  QVERIFY(rig.Poll.UpdateTimer().isActive());
  const QString message =
      QStringLiteral("mes_deviceupdateloading. _UPD_FWsize: 4.9 KB. _SoftVersion: 2.14 -> 3.15");
  QCOMPARE(rig.Host.ProgressText, message);
  QVERIFY(rig.Host.HasHint(3, message));

  // The device asks for the image information, two chunks, then reports the image written.
  rig.Receive(UpdRecord(3, {}));
  QCOMPARE(rig.Poll.UpdateTimer().interval(), 30000);
  QByteArray info = QByteArray::fromHex("5b00120003030fd802") + QByteArray::fromHex("00001388");
  const quint32 crc = Crc32Stream(image);
  for (int i = 3; i >= 0; --i)
    info.append(char((crc >> (8 * i)) & 0xFF));
  info.append(']');
  QCOMPARE(rig.LastSent(), prefix + Base64Encode(info).toLatin1() + "\r\n");
  QCOMPARE(rig.Receive(UpdRecord(4, FirmwareTransfer::ChunkPayload(3, 15, 216, 2, 4096, 4999))),
           int(psComplete));
  QVERIFY(rig.LastSent().startsWith(prefix));
  const QByteArray chunk = Base64Decode(QString::fromLatin1(rig.LastSent().mid(prefix.size()).chopped(2)));
  QCOMPARE(chunk.size(), 904 + 8);
  QCOMPARE(chunk.mid(7, 904), image.mid(4096));
  QCOMPARE(rig.Host.Position, 5000);
  QCOMPARE(rig.Host.Count, 5000);

  rig.Receive(UpdRecord(6, QByteArray(1, '\1')));
  QCOMPARE(rig.LastSent(), prefix + Base64Encode(QByteArray::fromHex("5b00030006015d")).toLatin1() + "\r\n");
  QCOMPARE(int(rig.Port->Operation()), 0);
  QCOMPARE(int(rig.Poll.UpdateOperation()), 0);
  QVERIFY(rig.Operations.Firmware().isEmpty());
  QCOMPARE(rig.Poll.UpdateTimer().interval(), 5000);
  QVERIFY(rig.Host.HasHint(1, QStringLiteral("mes_deviceupdatecomplete")));
  // With the image released, a late record only restarts the watchdog.
  const qsizetype sent = rig.Driver.Written.size();
  rig.Receive(UpdRecord(3, {}));
  QCOMPARE(rig.Driver.Written.size(), sent);
}

void TstDeviceOperations::firmwareWatchdogAndCleanup() {
  TOperationsRig rig;
  rig.Host.OpenAnswer = rig.Path(QStringLiteral("noversion.dfw"));
  WriteFile(rig.Host.OpenAnswer, QByteArray(100, 'x'));
  rig.Port->SetOperation(4);
  QCOMPARE(rig.Operations.FirmwareVerMajor(), QStringLiteral("255"));
  QCOMPARE(rig.Host.ProgressText, QStringLiteral("mes_deviceupdateloading. _UPD_FWsize: 0.1 KB. "));
  // The device stays silent: the tick is the watchdog.
  rig.Poll.OnUpdateTimeout();
  QVERIFY(rig.Host.HasHint(0, QStringLiteral("mes_deviceupdatefail_timeout")));
  QCOMPARE(int(rig.Poll.UpdateOperation()), 0);
  QCOMPARE(rig.Poll.UpdateTimer().interval(), 5000);
  QVERIFY(rig.Poll.UpdateTimer().isActive());
  QCOMPARE(int(rig.Port->Operation()), 4);
  QVERIFY(!rig.Operations.Firmware().isEmpty());
  // The cleanup tick releases the image and stops.
  rig.Poll.OnUpdateTimeout();
  QVERIFY(rig.Operations.Firmware().isEmpty());
  QVERIFY(rig.Operations.FirmwareVerMajor().isEmpty());
  QVERIFY(!rig.Poll.UpdateTimer().isActive());
}

void TstDeviceOperations::emulationPlaysTheDevice() {
  TOperationsRig rig;
  rig.Host.Emulate = true;
  QByteArray image(9000, '\0');
  for (int i = 0; i < image.size(); ++i)
    image[i] = char(i % 251);
  rig.Host.OpenAnswer = rig.Path(QStringLiteral("fw-1.2.dfw"));
  WriteFile(rig.Host.OpenAnswer, image);
  rig.Port->SetOperation(4);
  QList<int> delays;
  for (int delay = rig.Host.RunScheduled(); delay >= 0; delay = rig.Host.RunScheduled())
    delays << delay;
  // First request, three chunks of at most 4096 bytes, then the end of the transfer.
  QCOMPARE(delays, (QList<int>{500, 300, 300, 300, 800}));
  QCOMPARE(rig.Driver.Written.size(), 1 + 5);
  QByteArray received;
  for (int i = 2; i <= 4; ++i)
    received += Base64Decode(QString::fromLatin1(rig.Driver.Written[i].mid(11).chopped(2))).mid(7).chopped(1);
  QCOMPARE(received, image);
  QCOMPARE(int(rig.Port->Operation()), 0);
  QVERIFY(rig.Host.HasHint(1, QStringLiteral("mes_deviceupdatecomplete")));
}

void TstDeviceOperations::loaderDiskWaitsThenTimesOut() {
  TOperationsRig rig;
  rig.Host.OpenAnswer = rig.Path(QStringLiteral("fw-2.1.dfw"));
  WriteFile(rig.Host.OpenAnswer, QByteArray(2048, 'f'));
  rig.Port->SetOperation(5);
  QCOMPARE(rig.Driver.Written, QList<QByteArray>{">D 3;0\r\n"});
  QCOMPARE(rig.Operations.UpdateDiskLabel(), QStringLiteral("LOADER_216"));
  QCOMPARE(rig.Poll.UpdateTimer().interval(), 5000);
  QCOMPARE(rig.Host.Count, 2048);
  for (int tick = 1; tick <= 20; ++tick) {
    rig.Poll.OnUpdateTimeout();
    QCOMPARE(rig.Poll.UpdateTimer().interval(), 1000);
    QCOMPARE(int(rig.Poll.UpdateOperation()), 5);
  }
  QVERIFY(rig.Host.Hints.size() == 1);
  rig.Poll.OnUpdateTimeout();
  QCOMPARE(rig.Host.VolumeLookups.size(), 21);
  QVERIFY(rig.Host.HasHint(0, QStringLiteral("mes_deviceupdatefail_timeout")));
  QCOMPARE(int(rig.Poll.UpdateOperation()), 0);
  QCOMPARE(rig.Poll.UpdateTimer().interval(), 1000);
  rig.Poll.OnUpdateTimeout();
  QVERIFY(rig.Operations.UpdateFilePath().isEmpty());
  QVERIFY(!rig.Poll.UpdateTimer().isActive());
  QVERIFY(rig.Host.Copies.isEmpty());
}

void TstDeviceOperations::loaderDiskCopies_data() {
  QTest::addColumn<QString>("type");
  QTest::addColumn<QString>("label");
  QTest::addColumn<bool>("success");
  QTest::newRow("type 216") << "216"
                            << "LOADER_216" << true;
  QTest::newRow("type 99") << "99"
                           << "VT_FLEET" << true;
  QTest::newRow("type 82") << "82"
                           << "VT_FLEET" << false;
  QTest::newRow("type 35") << "35"
                           << "VT_35" << true;
}

void TstDeviceOperations::loaderDiskCopies() {
  QFETCH(QString, type);
  QFETCH(QString, label);
  QFETCH(bool, success);
  TOperationsRig rig;
  rig.Port->SetDeviceVer(type);
  const QString file = rig.Path(QStringLiteral("fw-2.1.dfw"));
  rig.Host.OpenAnswer = file;
  WriteFile(file, QByteArray(3000, 'f'));
  rig.Port->SetOperation(5);
  rig.Host.Volume = QStringLiteral("/media/loader");
  rig.Poll.OnUpdateTimeout();
  QCOMPARE(rig.Host.VolumeLookups, QStringList{label});
  QCOMPARE(rig.Host.Copies, QStringList{file + QStringLiteral(" -> /media/loader")});
  QVERIFY(!rig.Poll.UpdateTimer().isActive());
  // Ticks while the copy runs start nothing more.
  rig.Poll.OnUpdateTimeout();
  QCOMPARE(rig.Host.Copies.size(), 1);
  rig.Operations.CopyProgress(1500, 3000);
  QCOMPARE(rig.Host.Position, 1500);
  rig.Operations.CopyFinished(success);
  const QString text =
      success ? QStringLiteral("mes_deviceupdatecomplete") : QStringLiteral("mes_filesaveerror");
  QVERIFY(rig.Host.HasHint(success ? 1 : 0, text));
  QCOMPARE(rig.Host.ProgressText, text);
  QCOMPARE(int(rig.Poll.UpdateOperation()), 0);
  QCOMPARE(rig.Poll.UpdateTimer().interval(), 5000);
  QVERIFY(rig.Poll.UpdateTimer().isActive());
}

QTEST_GUILESS_MAIN(TstDeviceOperations)
#include "tst_device_operations.moc"
