// velmora-cli against several simulated devices at once.

#include "cli_fixture.h"
#include "core/pty_fixture.h"
#include "core/virtual_comm_driver.h"
#include "settings/settings_files.h"
#include "settings/settings_image.h"
#include "settings/settings_model.h"
#include "updates/crypto/checksums.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTest>
#include <csignal>
#include <sys/stat.h>

namespace {

QStringList Tracker(const QString& aType, int aId) {
  return {QStringLiteral("--gen"), QStringLiteral("1"),  QStringLiteral("--type"), aType,
          QStringLiteral("--id"),  QString::number(aId), QStringLiteral("--rate"), QStringLiteral("300")};
}

// A settings image of the second layout around aEntries.
QByteArray Layout2Image(const QList<TImageEntry>& aEntries) {
  QByteArray image(3, '\0');
  for (const TImageEntry& e : aEntries) {
    image += char(e.Number & 0xFF);
    image += char(e.Number >> 8);
    image += char(e.Value.size());
    image += e.Value;
  }
  image += QByteArray(2, '\0');
  const qsizetype length = image.size() - 5;
  image[0] = '\x01';
  image[1] = char(length & 0xFF);
  image[2] = char((length >> 8) & 0xFF);
  const quint16 crc = Crc16(image, 0, int(image.size()) - 3);
  image[image.size() - 2] = char(crc >> 8);
  image[image.size() - 1] = char(crc & 0xFF);
  return image;
}

// aConfig (a type 305 device's file) with one bounded integer setting moved to another value:
// what a technician prepares once for a whole box of devices.
QByteArray ChangedConfig(const QByteArray& aConfig, int* aNumber, QByteArray* aValue) {
  const std::optional<QJsonObject> root =
      ParseSettingsSchema(EmbeddedSettingsSchema(QStringLiteral("305")).value());
  if (!root)
    return {};
  const TSettingsModel model = BuildSettingsModel(*root, 2);
  bool decoded = false;
  TDecodedImage image =
      DecodeSettingsImage(2, Base64Decode(QString::fromLatin1(aConfig).trimmed(), &decoded));
  for (int i = 0; i < model.Rows.size(); ++i) {
    const TSetting& row = model.Rows.at(i);
    const TControlShape& shape = model.Controls.at(i);
    if (row.Control != ckInteger || !VarTypeIsInteger(row.VarType) || !shape.Min || !shape.Max ||
        *shape.Max <= *shape.Min)
      continue;
    for (TImageEntry& entry : image.Entries) {
      if (entry.Number != row.Number || entry.Value.size() != VarTypeWidth(row.VarType))
        continue;
      const qint64 current = DecodeSettingValue(2, row.VarType, entry.Value, nullptr).toLongLong();
      bool ok = false;
      entry.Value =
          EncodeSettingValue(2, row.VarType, current == *shape.Min ? *shape.Min + 1 : *shape.Min, &ok);
      *aNumber = entry.Number;
      *aValue = entry.Value;
      return Base64Encode(Layout2Image(image.Entries)).toLatin1();
    }
  }
  return {};
}

QByteArray EntryValue(const QByteArray& aConfig, int aNumber) {
  bool decoded = false;
  const TDecodedImage image =
      DecodeSettingsImage(2, Base64Decode(QString::fromLatin1(aConfig).trimmed(), &decoded));
  for (const TImageEntry& e : image.Entries)
    if (e.Number == aNumber)
      return e.Value;
  return {};
}

QByteArray Firmware(int aSize) {
  QByteArray bytes(aSize, '\0');
  for (int i = 0; i < aSize; ++i)
    bytes[i] = char((i * 37) ^ (i >> 8));
  return bytes;
}

} // namespace

class TstCliE2E : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void init();
  void listShowsEveryDevice();
  void writesEveryDeviceAndReadsBackTheSameFiles();
  void silentPortFailsAloneAndOthersSucceed();
  void firmwareReachesEveryDeviceUnchanged();
  void schemaComesFromTheSettingsService();
  void readsMemoryAndWatchesValues();
  void commandRowReachesTheDevice();
  void refusesWhatTheWindowRefuses();
  void refusesFilesThatAreNotRegular();
  void signalEndsTheWait_data();
  void signalEndsTheWait();
  void unplugDuringIdentityIsNamed();
  void deviceFileTooLongForTheFolderIsNamed();
};

void TstCliE2E::init() {
  if (!TSimFarm::Built())
    QSKIP("velmora-devsim or velmora-cli is not built");
}

void TstCliE2E::listShowsEveryDevice() {
  TSimFarm farm;
  QVERIFY(farm.AddSimulator(Tracker(QStringLiteral("305"), 101)));
  QVERIFY(farm.AddSimulator(Tracker(QStringLiteral("306"), 102)));
  QVERIFY(farm.AddSimulator(Tracker(QStringLiteral("216"), 103)));
  const TCliRun run = farm.Cli({QStringLiteral("list"), QStringLiteral("--json")});
  QCOMPARE(run.ExitCode, 0);
  const QJsonArray ports = QJsonDocument::fromJson(run.Out.toUtf8()).array();
  QCOMPARE(ports.size(), 3);
  const QStringList types{QStringLiteral("305"), QStringLiteral("306"), QStringLiteral("216")};
  for (int i = 0; i < 3; ++i) {
    const QJsonObject port = ports.at(i).toObject();
    QCOMPARE(port.value(QStringLiteral("port")).toString(), QStringLiteral("sim%1").arg(i));
    QCOMPARE(port.value(QStringLiteral("hardwareId")).toString(), kCliTrackerHardwareId);
    QCOMPARE(port.value(QStringLiteral("generation")).toString(), QStringLiteral("1"));
    QCOMPARE(port.value(QStringLiteral("type")).toString(), types.at(i));
    QCOMPARE(port.value(QStringLiteral("id")).toString(), QString::number(101 + i));
    QCOMPARE(port.value(QStringLiteral("imei")).toString().size(), 15);
    QVERIFY(!port.value(QStringLiteral("software")).toString().isEmpty());
  }
}

void TstCliE2E::writesEveryDeviceAndReadsBackTheSameFiles() {
  TSimFarm farm;
  for (int i = 0; i < 3; ++i)
    QVERIFY(farm.AddSimulator(Tracker(QStringLiteral("305"), 201 + i)));
  TCliRun run =
      farm.Cli({QStringLiteral("read-settings"), QStringLiteral("sim0"), QStringLiteral("first.cfg")});
  QVERIFY2(run.ExitCode == 0, qPrintable(run.Err));
  int number = 0;
  QByteArray value;
  const QByteArray changed = ChangedConfig(ReadAll(farm.Path(QStringLiteral("first.cfg"))), &number, &value);
  QVERIFY(!changed.isEmpty());
  QVERIFY(WriteAll(farm.Path(QStringLiteral("box.cfg")), changed));

  run = farm.Cli({QStringLiteral("write-settings"), QStringLiteral("--all"), QStringLiteral("box.cfg")});
  QVERIFY2(run.ExitCode == 0, qPrintable(run.Err));
  QCOMPARE(run.Lines().size(), 3);
  for (const QString& line : run.Lines())
    QVERIFY2(line.contains(QStringLiteral("\tok\t")), qPrintable(line));

  run = farm.Cli({QStringLiteral("read-settings"), QStringLiteral("--all"), QStringLiteral("after")});
  QVERIFY2(run.ExitCode == 0, qPrintable(run.Err));
  const QByteArray sim0 = ReadAll(farm.Path(QStringLiteral("after/sim0.cfg")));
  QCOMPARE(EntryValue(sim0, number), value);
  QCOMPARE(ReadAll(farm.Path(QStringLiteral("after/sim1.cfg"))), sim0);
  QCOMPARE(ReadAll(farm.Path(QStringLiteral("after/sim2.cfg"))), sim0);
  // Written files are whole lines of Base64 without a line end, as the window saves them.
  QVERIFY(!sim0.contains('\n'));

  // Nothing differs any more; the first device's old file differs in the changed setting only.
  run = farm.Cli({QStringLiteral("diff-settings"), QStringLiteral("sim1"), QStringLiteral("box.cfg")});
  QCOMPARE(run.ExitCode, 0);
  QCOMPARE(run.Lines().size(), 1);
  run = farm.Cli({QStringLiteral("diff-settings"), QStringLiteral("sim1"), QStringLiteral("first.cfg")});
  QCOMPARE(run.ExitCode, 0);
  QCOMPARE(run.Lines().size(), 2);
  QVERIFY(run.Lines().first().startsWith(QString::number(number) + QLatin1Char('\t')));
}

void TstCliE2E::silentPortFailsAloneAndOthersSucceed() {
  TSimFarm farm;
  QVERIFY(farm.AddSimulator(Tracker(QStringLiteral("305"), 301)));
  TPtyPeer silent;
  QVERIFY(silent.IsOpen());
  farm.AddPort(silent.SlavePath());
  QVERIFY(farm.AddSimulator(Tracker(QStringLiteral("306"), 302)));
  const QString silentName = QStringLiteral("pts") + silent.SlavePath().section(QLatin1Char('/'), -1);

  const TCliRun run = farm.Cli({QStringLiteral("identify"), QStringLiteral("--all"),
                                QStringLiteral("--timeout"), QStringLiteral("3")});
  QCOMPARE(run.ExitCode, 1);
  const QStringList lines = run.Lines();
  QCOMPARE(lines.size(), 3);
  QVERIFY(lines.at(0).startsWith(QStringLiteral("sim0\t")));
  QVERIFY(lines.at(0).contains(QStringLiteral("\t301\t")));
  QCOMPARE(lines.at(1), silentName + QStringLiteral("\terror\tThe device did not answer within 3 s"));
  QVERIFY(lines.at(2).contains(QStringLiteral("\t302\t")));
  QVERIFY(run.Err.contains(silentName + QStringLiteral(": The device did not answer within 3 s")));
  QVERIFY(!run.Err.contains(QStringLiteral("sim0:")));
}

void TstCliE2E::firmwareReachesEveryDeviceUnchanged() {
  TSimFarm farm;
  // The device's password comes with its settings: a cached schema lets them be read.
  QDir().mkpath(qEnvironmentVariable("APPDATA") + QStringLiteral("/Quillbay"));
  const QString cached = qEnvironmentVariable("APPDATA") + QStringLiteral("/Quillbay/227.json");
  QFile::remove(cached);
  QVERIFY(WriteAll(cached, EmbeddedSettingsSchema(QStringLiteral("305")).value()));
  for (int i = 0; i < 2; ++i)
    QVERIFY(farm.AddSimulator(
        Tracker(QStringLiteral("227"), 401 + i) +
        QStringList{QStringLiteral("--fw-out"), farm.Path(QStringLiteral("in%1.bin").arg(i))}));
  const QByteArray image = Firmware(20000);
  QVERIFY(WriteAll(farm.Path(QStringLiteral("vt227-3.15.dfw")), image));
  const TCliRun run =
      farm.Cli({QStringLiteral("firmware"), QStringLiteral("--all"), QStringLiteral("vt227-3.15.dfw"),
                QStringLiteral("--log"), QStringLiteral("logs")});
  QFile::remove(cached);
  QVERIFY2(run.ExitCode == 0, qPrintable(run.Err));
  QCOMPARE(ReadAll(farm.Path(QStringLiteral("in0.bin"))), image);
  QCOMPARE(ReadAll(farm.Path(QStringLiteral("in1.bin"))), image);
  // Progress went to standard error; every port left its exchange log.
  QVERIFY(run.Err.contains(QStringLiteral("sim0: 100%")));
  const QStringList logs = QDir(farm.Path(QStringLiteral("logs"))).entryList({QStringLiteral("*.log")});
  QCOMPARE(logs.size(), 2);
  // Each opens in the window's replay and holds the firmware exchange.
  for (const QString& log : logs) {
    TVirtualCommDriver replay;
    QString error;
    QVERIFY2(replay.LoadFromFile(farm.Path(QStringLiteral("logs/") + log), &error), qPrintable(error));
    int answers = 0;
    for (const TLogEntry& entry : replay.LogEntries())
      answers += entry.Data.contains("UPD") ? 1 : 0;
    QVERIFY2(answers >= 2, qPrintable(log));
  }
}

void TstCliE2E::schemaComesFromTheSettingsService() {
  TSimFarm farm;
  const QString cached = qEnvironmentVariable("APPDATA") + QStringLiteral("/Quillbay/227.json");
  QFile::remove(cached);
  QVERIFY(farm.AddSimulator(Tracker(QStringLiteral("227"), 601)));
  // Without a schema of its type the device's settings cannot be read.
  TCliRun run = farm.Cli({QStringLiteral("read-settings"), QStringLiteral("sim0"), QStringLiteral("a.cfg")});
  QCOMPARE(run.ExitCode, 1);
  QVERIFY2(run.Out.contains(QStringLiteral("227")), qPrintable(run.Out));

  QVERIFY(QDir().mkpath(farm.Path(QStringLiteral("modules"))));
  const QByteArray schema = EmbeddedSettingsSchema(QStringLiteral("305")).value();
  QVERIFY(WriteAll(farm.Path(QStringLiteral("modules/227.json")), schema));
  QVERIFY(farm.StartSettingsService(farm.Path(QStringLiteral("modules"))));
  run = farm.Cli({QStringLiteral("read-settings"), QStringLiteral("sim0"), QStringLiteral("a.cfg")});
  const QByteArray stored = ReadAll(cached);
  QFile::remove(cached);
  QVERIFY2(run.ExitCode == 0, qPrintable(run.Err));
  QVERIFY(!ReadAll(farm.Path(QStringLiteral("a.cfg"))).isEmpty());
  QVERIFY(!stored.isEmpty());
}

void TstCliE2E::readsMemoryAndWatchesValues() {
  TSimFarm farm;
  QVERIFY(farm.AddSimulator(Tracker(QStringLiteral("216"), 4242) +
                            QStringList{QStringLiteral("--memory-offset"), QStringLiteral("100"),
                                        QStringLiteral("--memory-write"), QStringLiteral("3"),
                                        QStringLiteral("--block-fault"), QStringLiteral("crc:101")}));
  TCliRun run = farm.Cli({QStringLiteral("dump-memory"), QStringLiteral("sim0"), QStringLiteral("m.dump")});
  QVERIFY2(run.ExitCode == 0, qPrintable(run.Err));
  QByteArray expected;
  for (int block = 0; block < 3; ++block)
    for (int i = 0; i < 256; ++i)
      expected.append(char((block * 31 + i * 7) & 0xFF));
  // The block that came with a wrong CRC was asked for again, not saved.
  QCOMPARE(ReadAll(farm.Path(QStringLiteral("m.dump"))), expected);
  QVERIFY(run.Err.contains(QStringLiteral("sim0: 100%")));

  run = farm.Cli({QStringLiteral("monitor"), QStringLiteral("sim0"), QStringLiteral("--json"),
                  QStringLiteral("--seconds"), QStringLiteral("2")});
  QCOMPARE(run.ExitCode, 0);
  QSet<QString> idents;
  for (const QString& line : run.Lines()) {
    const QJsonObject value = QJsonDocument::fromJson(line.toUtf8()).object();
    QVERIFY2(!value.isEmpty(), qPrintable(line));
    QCOMPARE(value.value(QStringLiteral("port")).toString(), QStringLiteral("sim0"));
    idents << value.value(QStringLiteral("ident")).toString();
    if (value.value(QStringLiteral("ident")).toString() == QLatin1String("_DeviceID")) {
      QCOMPARE(value.value(QStringLiteral("caption")).toString(), QStringLiteral("Device ID"));
      QCOMPARE(value.value(QStringLiteral("value")).toString(), QStringLiteral("4242"));
    }
  }
  QVERIFY(idents.contains(QStringLiteral("_DeviceID")));
  QVERIFY(idents.contains(QStringLiteral("_Latitude")));
}

void TstCliE2E::commandRowReachesTheDevice() {
  TSimFarm farm;
  const QString trace = farm.Path(QStringLiteral("trace.txt"));
  QVERIFY(
      farm.AddSimulator(Tracker(QStringLiteral("216"), 801) + QStringList{QStringLiteral("--trace"), trace}));
  TCliRun run = farm.Cli({QStringLiteral("command"), QStringLiteral("sim0"), QStringLiteral("act_Reboot")});
  QVERIFY2(run.ExitCode == 0, qPrintable(run.Err));
  QCOMPARE(run.Out.trimmed(), QStringLiteral("sim0\tok\tSent: act_Reboot"));
  QVERIFY(QTest::qWaitFor([&] { return ReadAll(trace).contains(">D 1\\r"); }, 5000));
  // A row that starts an operation is left to the operation's own command.
  run = farm.Cli({QStringLiteral("command"), QStringLiteral("sim0"), QStringLiteral("MemoryRead")});
  QCOMPARE(run.ExitCode, 1);
  QCOMPARE(run.Out.trimmed(), QStringLiteral("sim0\terror\tMemoryRead starts an operation: use dump-memory, "
                                             "read-files or firmware"));
}

void TstCliE2E::refusesWhatTheWindowRefuses() {
  TSimFarm farm;
  QVERIFY(farm.AddSimulator(Tracker(QStringLiteral("305"), 501)));
  QVERIFY(WriteAll(farm.Path(QStringLiteral("broken.cfg")), "not an image"));
  struct TCase {
    QStringList Args;
    QString Error;
  };
  const TCase cases[] = {
      {{QStringLiteral("write-settings"), QStringLiteral("sim0"), QStringLiteral("broken.cfg")},
       QStringLiteral("sim0\terror\tFile has an incorrect structure: ")},
      {{QStringLiteral("write-settings"), QStringLiteral("sim0"), QStringLiteral("missing.cfg")},
       QStringLiteral("sim0\terror\tError opening file: ")},
      {{QStringLiteral("read-settings"), QStringLiteral("sim0"), QStringLiteral("x.cfg"),
        QStringLiteral("--password"), QStringLiteral("222222")},
       QStringLiteral("sim0\terror\tThe device's password is not the one given (--password)")},
      {{QStringLiteral("command"), QStringLiteral("sim0"), QStringLiteral("MemoryRead")},
       QStringLiteral("sim0\terror\tThe device has no command MemoryRead")},
      {{QStringLiteral("identify"), QStringLiteral("sim9")}, QString()},
      {{QStringLiteral("identify"), QStringLiteral("sim0"), QStringLiteral("--timeout"), QStringLiteral("0")},
       QString()},
  };
  for (const TCase& c : cases) {
    const TCliRun run = farm.Cli(c.Args);
    QVERIFY2(run.ExitCode != 0, qPrintable(c.Args.join(QLatin1Char(' '))));
    QVERIFY2(run.Out.startsWith(c.Error), qPrintable(run.Out));
    QVERIFY(!run.Err.isEmpty());
  }
  QVERIFY(!QFile::exists(farm.Path(QStringLiteral("x.cfg"))));
}

// A FIFO given as the file would block the open for good; a folder is no file either.
void TstCliE2E::refusesFilesThatAreNotRegular() {
  TSimFarm farm;
  QVERIFY(farm.AddSimulator(Tracker(QStringLiteral("305"), 701)));
  const QString fifo = farm.Path(QStringLiteral("pipe.cfg"));
  QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  QVERIFY(QDir().mkpath(farm.Path(QStringLiteral("folder.dfw"))));
  const QStringList cases[] = {
      {QStringLiteral("write-settings"), QStringLiteral("sim0"), QStringLiteral("pipe.cfg")},
      {QStringLiteral("diff-settings"), QStringLiteral("sim0"), QStringLiteral("pipe.cfg")},
      {QStringLiteral("read-settings"), QStringLiteral("sim0"), QStringLiteral("pipe.cfg")},
      {QStringLiteral("firmware"), QStringLiteral("sim0"), QStringLiteral("folder.dfw")},
  };
  for (const QStringList& args : cases) {
    const TCliRun run = farm.Cli(args, 20000);
    QVERIFY2(run.ExitCode == 2, qPrintable(args.join(QLatin1Char(' ')) + QLatin1Char(' ') + run.Err));
    QVERIFY2(run.Err.contains(QStringLiteral("Not a regular file: ") + farm.Path(args.last())),
             qPrintable(run.Err));
  }
}

void TstCliE2E::signalEndsTheWait_data() {
  QTest::addColumn<int>("signal");
  QTest::newRow("SIGTERM") << int(SIGTERM);
  QTest::newRow("SIGINT") << int(SIGINT);
}

// A device that never answers keeps the command waiting; a signal ends it at once, as a shell
// expects (128 + the signal), and leaves no output file.
void TstCliE2E::signalEndsTheWait() {
  QFETCH(int, signal);
  TSimFarm farm;
  TPtyPeer silent;
  QVERIFY(silent.IsOpen());
  farm.AddPort(silent.SlavePath());
  const std::unique_ptr<QProcess> cli =
      farm.CliStart({QStringLiteral("read-settings"), silent.SlavePath(), QStringLiteral("out.cfg"),
                     QStringLiteral("--timeout"), QStringLiteral("600")});
  QVERIFY(cli->waitForStarted(5000));
  // It is waiting once it has asked the device who it is.
  QVERIFY(!silent.ReceivedBlocking(1, 10000).isEmpty());
  QCOMPARE(::kill(pid_t(cli->processId()), signal), 0);
  const TCliRun run = TSimFarm::CliWait(*cli, 10000);
  QCOMPARE(run.ExitCode, 128 + signal);
  QVERIFY2(run.Err.contains(QStringLiteral("Interrupted")), qPrintable(run.Err));
  QVERIFY(!QFile::exists(farm.Path(QStringLiteral("out.cfg"))));
  QCOMPARE(QDir(farm.Dir()).entryList(QDir::Files), QStringList());
}

// Unplugged while the first identity query goes unanswered: the message says so as soon as the
// port is gone, not only once the answer time-out has run out.
void TstCliE2E::unplugDuringIdentityIsNamed() {
  TSimFarm farm;
  auto silent = std::make_unique<TPtyPeer>();
  QVERIFY(silent->IsOpen());
  const QString link = farm.Path(QStringLiteral("usb0"));
  QVERIFY(QFile::link(silent->SlavePath(), link));
  farm.AddPort(link);
  const std::unique_ptr<QProcess> cli =
      farm.CliStart({QStringLiteral("identify"), link, QStringLiteral("--timeout"), QStringLiteral("600")});
  QVERIFY(cli->waitForStarted(5000));
  QVERIFY(!silent->ReceivedBlocking(1, 10000).isEmpty());
  QVERIFY(QFile::remove(link));
  silent.reset();
  const TCliRun run = TSimFarm::CliWait(*cli, 30000);
  QCOMPARE(run.ExitCode, 1);
  QVERIFY2(run.Out.contains(QStringLiteral("\terror\tConnection to device lost")), qPrintable(run.Out));
}

// The device keeps a file whose name, in this file system's encoding, is too long for it: the
// message names that file, and the other file is still saved.
void TstCliE2E::deviceFileTooLongForTheFolderIsNamed() {
  TSimFarm farm;
  QByteArray image(2048, '\0');
  const auto put = [&image](qsizetype aAt, const QByteArray& aName, const QByteArray& aExt,
                            const QByteArray& aContents) {
    QByteArray header(256, '\0');
    header.replace(1, 4, QByteArray("\xAA\x81\x5C\x9A", 4));
    for (int i = 0; i < 4; ++i)
      header[9 + i] = char((aContents.size() >> (8 * i)) & 0xFF);
    header[13] = char(2 + aName.size() + aExt.size());
    header[14] = char(aName.size());
    header.replace(15, aName.size(), aName);
    header[15 + aName.size()] = char(aExt.size());
    header.replace(16 + aName.size(), aExt.size(), aExt);
    image.replace(aAt, 256, header);
    image.replace(aAt + 256, aContents.size(), aContents);
  };
  put(0, "TRIP", "CSV", "1,2,3\n");
  // 200 letters of the devices' 8-bit code page, 400 bytes as a name here.
  const QByteArray longName(200, '\xC4');
  put(512, longName, "TXT", "hello\n");
  QVERIFY(WriteAll(farm.Path(QStringLiteral("files.img")), image));
  QVERIFY(
      farm.AddSimulator(Tracker(QStringLiteral("216"), 801) +
                        QStringList{QStringLiteral("--file-offset"), QStringLiteral("50"),
                                    QStringLiteral("--file-image"), farm.Path(QStringLiteral("files.img"))}));
  const TCliRun run =
      farm.Cli({QStringLiteral("read-files"), QStringLiteral("sim0"), QStringLiteral("files")});
  QCOMPARE(run.ExitCode, 1);
  const QString expected =
      farm.Path(QStringLiteral("files/")) + QString(200, QChar(0x0414)) + QStringLiteral(".TXT");
  QVERIFY2(run.Out.contains(QStringLiteral("sim0\terror\tError saving file: ") + expected),
           qPrintable(run.Out));
  QCOMPARE(ReadAll(farm.Path(QStringLiteral("files/TRIP.CSV"))), QByteArray("1,2,3\n"));
}

QTEST_GUILESS_MAIN(TstCliE2E)
#include "tst_cli_e2e.moc"
