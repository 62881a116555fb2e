// velmora-cli against several simulated devices at once.

#include "cli_fixture.h"
#include "core/pty_fixture.h"
#include "core/virtual_comm_driver.h"
#include "device/custom_commands.h"
#include "device/stored_file_fixture.h"
#include "platform/registry.h"
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

QMap<int, QByteArray> ConfigEntries(const QByteArray& aConfig) {
  bool decoded = false;
  QMap<int, QByteArray> out;
  for (const TImageEntry& e :
       DecodeSettingsImage(2, Base64Decode(QString::fromLatin1(aConfig).trimmed(), &decoded)).Entries)
    out.insert(e.Number, e.Value);
  return out;
}

// The settings images written to the device, as its trace recorded the lines.
QList<QMap<int, QByteArray>> WrittenImages(const QString& aTrace) {
  QList<QMap<int, QByteArray>> out;
  for (const QByteArray& line : ReadAll(aTrace).split('\n')) {
    const qsizetype at = line.indexOf("*CONF*");
    if (at >= 0)
      out << ConfigEntries(line.mid(at + 6).replace("\\r\\n", ""));
  }
  return out;
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

// One file of the device's file storage: its header, then its contents.
QByteArray StoredFile(const QByteArray& aName, const QByteArray& aExtension, const QByteArray& aContents) {
  return StoredFileRecord(aName, aExtension, aContents);
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
  void masterRefusesTextCommands();
  void refusesWhatTheWindowRefuses();
  void fullDiskKeepsTheOldFile_data();
  void fullDiskKeepsTheOldFile();
  void readFilesSaysWhatWasNotWritten();
  void keepsWhatTheFileDoesNotChange();
  void fileIsTakenWholeOrNotAtAll();
  void passwordChangesWithAFile();
  void damagedImageIsNoPasswordError();
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

void TstCliE2E::masterRefusesTextCommands() {
  {
    TRegistry registry;
    QVERIFY(TCustomCommandStore(registry).Save(QStringLiteral("250"), {QStringLiteral("Ping@ping")}));
    registry.Sync();
  }
  TSimFarm farm;
  const QString received = farm.Path(QStringLiteral("received.bin"));
  QVERIFY(farm.AddSimulator(
      {QStringLiteral("--gen"), QStringLiteral("3"), QStringLiteral("--received"), received}));
  const TCliRun run =
      farm.Cli({QStringLiteral("command"), QStringLiteral("sim0"), QStringLiteral("1: Ping")});
  {
    TRegistry registry;
    registry.DeleteKey(QStringLiteral("CustomCommands"));
    registry.Sync();
  }
  QCOMPARE(run.ExitCode, 1);
  QCOMPARE(run.Out.trimmed(), QStringLiteral("sim0\terror\tThe device has no command 1: Ping"));
  QVERIFY(!ReadAll(received).contains("ping"));
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

void TstCliE2E::fullDiskKeepsTheOldFile_data() {
  QTest::addColumn<QStringList>("simulator");
  QTest::addColumn<QStringList>("command");
  QTest::addColumn<QString>("target");
  // A dump of 40 blocks (10 KB) stays in the write buffer until the commit: the lack of room
  // shows only there.
  QTest::newRow("dump-memory") << QStringList{QStringLiteral("--memory-offset"), QStringLiteral("100"),
                                              QStringLiteral("--memory-write"), QStringLiteral("40")}
                               << QStringList{QStringLiteral("dump-memory"), QStringLiteral("sim0"),
                                              QStringLiteral("m.dump")}
                               << QStringLiteral("m.dump");
  QTest::newRow("read-files") << QStringList{QStringLiteral("--file-blocks"), QStringLiteral("8")}
                              << QStringList{QStringLiteral("read-files"), QStringLiteral("sim0"),
                                             QStringLiteral("files")}
                              << QStringLiteral("files/TRIP0001.CSV");
}

void TstCliE2E::fullDiskKeepsTheOldFile() {
  QFETCH(QStringList, simulator);
  QFETCH(QStringList, command);
  QFETCH(QString, target);
  TSimFarm farm;
  QVERIFY(farm.AddSimulator(Tracker(QStringLiteral("216"), 4250) + simulator));
  const QFileInfo old(farm.Path(target));
  QVERIFY(QDir().mkpath(old.absolutePath()));
  const QByteArray previous = "the file from last week\n";
  QVERIFY(WriteAll(old.filePath(), previous));
  farm.LimitFileSize(100);
  const TCliRun run = farm.Cli(command);
  QVERIFY2(run.ExitCode > 0, qPrintable(run.Out + run.Err));
  QVERIFY2(run.Out.startsWith(QStringLiteral("sim0\terror\tError saving file.")), qPrintable(run.Out));
  QVERIFY(run.Err.contains(QStringLiteral("Error saving file.")));
  QCOMPARE(ReadAll(old.filePath()), previous);
  // No temporary file is left beside it.
  QCOMPARE(old.absoluteDir().entryList({old.fileName() + QLatin1Char('*')}, QDir::Files | QDir::Hidden),
           QStringList{old.fileName()});
}

void TstCliE2E::readFilesSaysWhatWasNotWritten() {
  QByteArray image = StoredFile("TRIP", "CSV", "first\n") + StoredFile("../evil", "sh", "rm -rf ~\n") +
                     StoredFile("TRIP", "CSV", "second\n") + StoredFile("LINK", "TXT", "through\n") +
                     StoredFile(QByteArray("a\0b", 3), "txt", "nul\n");
  image.append(QByteArray(256 - image.size() % 256, '\0'));
  TSimFarm farm;
  QVERIFY(WriteAll(farm.Path(QStringLiteral("storage.bin")), image));
  QVERIFY(farm.AddSimulator(
      Tracker(QStringLiteral("216"), 4251) +
      QStringList{QStringLiteral("--file-image"), farm.Path(QStringLiteral("storage.bin"))}));
  // A link already in the folder points outside it.
  const QString folder = farm.Path(QStringLiteral("files"));
  QVERIFY(QDir().mkpath(folder));
  QVERIFY(WriteAll(farm.Path(QStringLiteral("outside.txt")), "precious\n"));
  QVERIFY(QFile::link(farm.Path(QStringLiteral("outside.txt")),
                      QDir(folder).filePath(QStringLiteral("LINK.TXT"))));

  const TCliRun run =
      farm.Cli({QStringLiteral("read-files"), QStringLiteral("sim0"), QStringLiteral("files")});
  QVERIFY2(run.ExitCode > 0, qPrintable(run.Out + run.Err));
  QVERIFY2(
      run.Err.contains(QStringLiteral("Files not saved, their names are not allowed: ../evil.sh, LINK.TXT, "
                                      "a\\x00b.txt")),
      qPrintable(run.Err));
  // Only what reached the disk is counted, and a second file of the same name is kept beside the first.
  QVERIFY2(run.Err.contains(QStringLiteral("Files read: 2")), qPrintable(run.Err));
  QCOMPARE(ReadAll(QDir(folder).filePath(QStringLiteral("TRIP.CSV"))), QByteArray("first\n"));
  QCOMPARE(ReadAll(QDir(folder).filePath(QStringLiteral("TRIP (2).CSV"))), QByteArray("second\n"));
  QCOMPARE(ReadAll(farm.Path(QStringLiteral("outside.txt"))), QByteArray("precious\n"));
  QVERIFY(!QFile::exists(farm.Path(QStringLiteral("evil.sh"))));
  QCOMPARE(
      QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System),
      (QStringList{QStringLiteral("LINK.TXT"), QStringLiteral("TRIP (2).CSV"), QStringLiteral("TRIP.CSV")}));
}

void TstCliE2E::keepsWhatTheFileDoesNotChange() {
  TSimFarm farm;
  const QString trace = farm.Path(QStringLiteral("trace.txt"));
  // Bits 6 and 7 of 49153 have no flag; 9 is no item of its list; 10 s is below the page's 60.
  QVERIFY(farm.AddSimulator(Tracker(QStringLiteral("305"), 901) +
                            QStringList{QStringLiteral("--setting"), QStringLiteral("49153=C5"),
                                        QStringLiteral("--setting"), QStringLiteral("49212=09"),
                                        QStringLiteral("--setting"), QStringLiteral("49174=0A000000"),
                                        QStringLiteral("--trace"), trace}));
  // The device's own values are backed up as they are.
  TCliRun run =
      farm.Cli({QStringLiteral("read-settings"), QStringLiteral("sim0"), QStringLiteral("backup.cfg")});
  QVERIFY2(run.ExitCode == 0, qPrintable(run.Out + run.Err));
  const QMap<int, QByteArray> backup = ConfigEntries(ReadAll(farm.Path(QStringLiteral("backup.cfg"))));
  QCOMPARE(backup.value(49153), QByteArray("\xC5", 1));
  QCOMPARE(backup.value(49212), QByteArray("\x09", 1));
  QCOMPARE(backup.value(49174), QByteArray("\x0A\x00\x00\x00", 4));
  // Said as the page marks them.
  QVERIFY2(
      run.Err.contains(QStringLiteral("sim0: 49174: 10: The device's own value, outside the allowed bounds")),
      qPrintable(run.Err));
  QVERIFY(run.Err.contains(QStringLiteral("sim0: 49212: 9: The device's own value")));

  // A file that changes one other setting leaves them as they are.
  QVERIFY(WriteAll(farm.Path(QStringLiteral("sleep.cfg")),
                   Base64Encode(Layout2Image({{49184, QByteArray("\x84\x03", 2)}})).toLatin1()));
  run = farm.Cli({QStringLiteral("write-settings"), QStringLiteral("sim0"), QStringLiteral("sleep.cfg")});
  QVERIFY2(run.ExitCode == 0, qPrintable(run.Out + run.Err));
  const QList<QMap<int, QByteArray>> written = WrittenImages(trace);
  QCOMPARE(written.size(), 1);
  QCOMPARE(written.first().value(49153), QByteArray("\xC5", 1));
  QCOMPARE(written.first().value(49212), QByteArray("\x09", 1));
  QCOMPARE(written.first().value(49174), QByteArray("\x0A\x00\x00\x00", 4));
  run = farm.Cli({QStringLiteral("read-settings"), QStringLiteral("sim0"), QStringLiteral("after.cfg")});
  QVERIFY2(run.ExitCode == 0, qPrintable(run.Out + run.Err));
  QMap<int, QByteArray> expected = backup;
  expected.insert(49184, QByteArray("\x84\x03", 2));
  QCOMPARE(ConfigEntries(ReadAll(farm.Path(QStringLiteral("after.cfg")))), expected);
}

void TstCliE2E::fileIsTakenWholeOrNotAtAll() {
  TSimFarm farm;
  const QString trace = farm.Path(QStringLiteral("trace.txt"));
  QVERIFY(
      farm.AddSimulator(Tracker(QStringLiteral("305"), 902) + QStringList{QStringLiteral("--trace"), trace}));
  // A good change first, then the entry that spoils the file.
  const TImageEntry sleep{49184, QByteArray("\x84\x03", 2)};
  QByteArray overrun = Layout2Image({sleep});
  {
    // One more entry claiming nine bytes where one is left.
    QByteArray tail("\x12\xC0\x09\x01", 4);
    overrun.insert(overrun.size() - 2, tail);
    const qsizetype length = overrun.size() - 5;
    overrun[1] = char(length & 0xFF);
    overrun[2] = char((length >> 8) & 0xFF);
    const quint16 crc = Crc16(overrun, 0, int(overrun.size()) - 3);
    overrun[overrun.size() - 2] = char(crc >> 8);
    overrun[overrun.size() - 1] = char(crc & 0xFF);
  }
  const struct {
    QByteArray Image;
    const char* Message;
  } cases[] = {
      {Layout2Image({sleep, {49174, QByteArray("\x10\x0E\x00", 3)}}), "Setting 49174: 3 bytes instead of 4"},
      {Layout2Image({sleep, {49174, QByteArray("\x0A\x00\x00\x00", 4)}}),
       "Setting 49174: Minimum value parameter"},
      {Layout2Image({sleep, {49212, QByteArray("\x09", 1)}}),
       "Setting 49212: The value is not in the list of parameter"},
      {Layout2Image({sleep, {5, QByteArray("abc")}}),
       "Setting 5: The file's password: Password must contain"},
      {overrun, "Setting 49170: the entry runs past the end of the image"},
  };
  for (const auto& c : cases) {
    QVERIFY(WriteAll(farm.Path(QStringLiteral("bad.cfg")), Base64Encode(c.Image).toLatin1()));
    const TCliRun run =
        farm.Cli({QStringLiteral("write-settings"), QStringLiteral("sim0"), QStringLiteral("bad.cfg")});
    QCOMPARE(run.ExitCode, 1);
    const QString expected =
        QStringLiteral("sim0\terror\tFile has an incorrect structure. ") + QString::fromUtf8(c.Message);
    QVERIFY2(run.Out.startsWith(expected), qPrintable(run.Out));
  }
  // Not one of them reached the device.
  QVERIFY(WrittenImages(trace).isEmpty());
}

void TstCliE2E::passwordChangesWithAFile() {
  TSimFarm farm;
  QVERIFY(farm.AddSimulator(Tracker(QStringLiteral("305"), 903)));
  QVERIFY(WriteAll(farm.Path(QStringLiteral("password.cfg")),
                   Base64Encode(Layout2Image({{5, QByteArray("222222")}, {49184, QByteArray("\x84\x03", 2)}}))
                       .toLatin1()));
  // Another password than the device's: refused, and it says whose.
  TCliRun run =
      farm.Cli({QStringLiteral("write-settings"), QStringLiteral("sim0"), QStringLiteral("password.cfg"),
                QStringLiteral("--password"), QStringLiteral("333333")});
  QCOMPARE(run.ExitCode, 1);
  QCOMPARE(run.Out.trimmed(),
           QStringLiteral("sim0\terror\tThe device's password is not the one given (--password)"));
  // Under the device's current password the file's becomes the device's, and it says so.
  run = farm.Cli({QStringLiteral("write-settings"), QStringLiteral("sim0"), QStringLiteral("password.cfg"),
                  QStringLiteral("--password"), QStringLiteral("111111")});
  QVERIFY2(run.ExitCode == 0, qPrintable(run.Out + run.Err));
  QCOMPARE(run.Out.trimmed(), QStringLiteral("sim0\tok\tSettings written and verified by reading them back; "
                                             "the device's password is now the file's"));
  run = farm.Cli({QStringLiteral("read-settings"), QStringLiteral("sim0"), QStringLiteral("old.cfg")});
  QCOMPARE(run.ExitCode, 1);
  run = farm.Cli({QStringLiteral("read-settings"), QStringLiteral("sim0"), QStringLiteral("new.cfg"),
                  QStringLiteral("--password"), QStringLiteral("222222")});
  QVERIFY2(run.ExitCode == 0, qPrintable(run.Out + run.Err));
  QCOMPARE(ConfigEntries(ReadAll(farm.Path(QStringLiteral("new.cfg")))).value(5), QByteArray("222222"));
}

void TstCliE2E::damagedImageIsNoPasswordError() {
  TSimFarm farm;
  for (const char* kind : {"crc", "short", "overrun", "base64"})
    QVERIFY(farm.AddSimulator(Tracker(QStringLiteral("306"), 904) +
                              QStringList{QStringLiteral("--corrupt-settings"), QString::fromLatin1(kind)}));
  const TCliRun run =
      farm.Cli({QStringLiteral("read-settings"), QStringLiteral("--all"), QStringLiteral("saved")});
  QCOMPARE(run.ExitCode, 1);
  QCOMPARE(run.Lines().size(), 4);
  for (const QString& line : run.Lines()) {
    QVERIFY2(line.contains(QStringLiteral("\terror\tThe device's settings image is damaged")),
             qPrintable(line));
    QVERIFY2(!line.contains(QStringLiteral("password")), qPrintable(line));
  }
  QVERIFY(QDir(farm.Path(QStringLiteral("saved"))).entryList(QDir::Files).isEmpty());
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
  // Named, with the file system's reason after it.
  const QString expected = QString(200, QChar(0x0414)) + QStringLiteral(".TXT: ");
  QVERIFY2(run.Out.contains(QStringLiteral("sim0\terror\tError saving file. ") + expected),
           qPrintable(run.Out));
  QCOMPARE(ReadAll(farm.Path(QStringLiteral("files/TRIP.CSV"))), QByteArray("1,2,3\n"));
}

QTEST_GUILESS_MAIN(TstCliE2E)
#include "tst_cli_e2e.moc"
