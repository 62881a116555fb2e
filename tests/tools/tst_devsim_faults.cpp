// The simulator's switches for generations 2 and 3: the fixed legacy records as the decoder sees
// them, the master's identity and search size, its faults, and the binary's chunked writes and
// log of what it received.

#include "base/clock.h"
#include "legacy_fixed.h"
#include "protocols/gen2_decoder.h"
#include "protocols/status_fixture.h"
#include "protocols/status_host.h"
#include "sensor_faults.h"
#include "sensor_sim.h"
#include "updates/crypto/checksums.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

QByteArray Hex(const char* aHex) {
  return QByteArray::fromHex(aHex);
}

const QByteArray kProbe = Hex("3110B0AB");

// Records what the generation-2 decoder puts on the monitor, last value per ident.
class TValueHost : public TStatusRecorder {
public:
  QMap<QString, QString> Values;
  bool VisualSetValue(const QString& aName, const QVariant& aValue, int, const QString&, TColorRef) override {
    Values[aName] = aValue.toString();
    return true;
  }
  void SetDynamicItem(const TDynamicItem& aItem) override { Values[aItem.Ident] = aItem.Value.toString(); }
};

std::unique_ptr<TFaultySensorSim> Master(const TClock& aClock, const TSensorFaults& aFaults,
                                         const TSensorIdentity& aIdentity = {}) {
  return std::make_unique<TFaultySensorSim>(std::make_unique<TSensorSim>(aClock, aIdentity), aFaults);
}

} // namespace

class TstDevsimFaults : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void fixedLegacyRecordsDecode();
  void masterIdentityAndSearch();
  void masterFaults_data();
  void masterFaults();
  void unsolicitedDataCarriesTheFaults();
  void binaryChunksAndLogsWhatItReceives();
};

void TstDevsimFaults::fixedLegacyRecordsDecode() {
  TValueHost host;
  TManualClock clock;
  TExchangeCore core(host, clock);
  TGen2Decoder decoder(core, host);
  core.SetVersion(vtVersion2);
  decoder.Install();
  TLegacyFixedSim sim;
  const QByteArray stream = sim.Stream();
  QCOMPARE(sim.Stream(), stream); // the same every tick
  core.QReceiveData(nullptr, stream.constData(), int(stream.size()));

  QStringList states;
  for (const TPacket& p : core.Gen2Index())
    states << QString::number(p.State);
  // Two positions, time, modem, power, the short power record, the unknown type, the pins.
  QCOMPARE(states, (QStringList{"2", "2", "2", "2", "2", "1", "1", "2"}));
  // The position without altitude leaves the one before it.
  QCOMPARE(host.Values.value("_Altitude"), QStringLiteral("152"));
  QCOMPARE(host.Values.value("_Uptime"), QStringLiteral("01 01:01:01"));
  QCOMPARE(host.Values.value("_ExternalVoltage"), QStringLiteral("12.345"));
  QCOMPARE(host.Values.value("ML2"), QStringLiteral("MTS"));
  QCOMPARE(host.Values.value("_ModemInSMS"), QStringLiteral("3"));
  QCOMPARE(host.Values.value("_ModemOutSMS"), QStringLiteral("1"));
  QCOMPARE(host.Values.value("ID2"), QStringLiteral("1"));
  QCOMPARE(host.Values.value("OD7"), QStringLiteral("1"));
}

void TstDevsimFaults::masterIdentityAndSearch() {
  TManualClock clock;
  TSensorIdentity identity;
  identity.Address = Hex("0102030405A6");
  identity.UptimeAtStart = 90000;
  identity.SearchCount = 9;
  TSensorSim sim(clock, identity);
  const QByteArray info = sim.Feed(kProbe);
  QCOMPARE(info.mid(3, 6), identity.Address);
  QCOMPARE(info.mid(14, 4), Hex("905F0100"));
  const QByteArray search = sim.Feed(Hex("3110B869"));
  QCOMPARE(quint8(search.at(3)), quint8(9));
  QCOMPARE(search.size(), 4 + 8 * 9 + 1);
  // Every sensor found has an address of its own.
  QSet<QByteArray> addresses;
  for (int u = 0; u < 9; ++u)
    addresses.insert(search.mid(4 + 8 * u + 1, 6));
  QCOMPARE(addresses.size(), 9);

  identity.SearchCount = 0;
  TSensorSim empty(clock, identity);
  QCOMPARE(empty.Feed(Hex("3110B869")), AppendCrc8(Hex("3E10B800")));
}

void TstDevsimFaults::masterFaults_data() {
  QTest::addColumn<int>("status");
  QTest::addColumn<QList<int>>("drop");
  QTest::addColumn<bool>("badCrc");
  QTest::addColumn<QByteArray>("noise");
  QTest::addColumn<QByteArray>("requests");
  QTest::addColumn<QByteArray>("answers");

  const QByteArray restart = AppendCrc8(Hex("3110B70001"));
  const QByteArray slotWrite = AppendCrc8(Hex("3110B200") + QByteArray(16, '\x01'));
  QTest::newRow("forced status on writes and restarts only")
      << 252 << QList<int>{} << false << QByteArray() << restart + slotWrite + kProbe
      << AppendCrc8(Hex("3E10B7FC00")) + AppendCrc8(Hex("3E10B2FC"));
  QTest::newRow("second answer dropped")
      << -1 << QList<int>{2} << false << QByteArray() << restart + restart + restart
      << AppendCrc8(Hex("3E10B70000")) + AppendCrc8(Hex("3E10B70000"));
  QTest::newRow("bad trailing CRC") << -1 << QList<int>{} << true << QByteArray() << restart
                                    << Hex("3E10B70000") + char(Crc8(Hex("3E10B70000")) ^ 0xA5);
  QTest::newRow("noise in front") << -1 << QList<int>{} << false << Hex("0700FF") << restart
                                  << Hex("0700FF") + AppendCrc8(Hex("3E10B70000"));
}

void TstDevsimFaults::masterFaults() {
  QFETCH(int, status);
  QFETCH(QList<int>, drop);
  QFETCH(bool, badCrc);
  QFETCH(QByteArray, noise);
  QFETCH(QByteArray, requests);
  QFETCH(QByteArray, answers);

  TManualClock clock;
  TSensorFaults faults;
  faults.ForcedStatus = status;
  faults.Drop = QSet<int>(drop.cbegin(), drop.cend());
  faults.BadCrc = badCrc;
  faults.Noise = noise;
  auto sim = Master(clock, faults);
  QByteArray got = sim->Feed(requests);
  if (QTest::currentDataTag() == QByteArray("forced status on writes and restarts only")) {
    // The master information that followed is untouched.
    QCOMPARE(got.size(), answers.size() + 36);
    QCOMPARE(quint8(got.at(answers.size() + 2)), quint8(0xB0));
    got.truncate(answers.size());
  }
  QCOMPARE(got.toHex(), answers.toHex());
  QCOMPARE(sim->Stream(), QByteArray()); // silent unless asked to push
}

void TstDevsimFaults::unsolicitedDataCarriesTheFaults() {
  TManualClock clock;
  TSensorFaults faults;
  faults.Unsolicited = true;
  const QByteArray pushed = Master(clock, faults)->Stream();
  QCOMPARE(pushed.size(), 36);
  QCOMPARE(pushed.left(3), Hex("3E10B4"));
  QCOMPARE(quint8(pushed.back()), Crc8(pushed.left(35)));
  faults.Noise = Hex("00");
  faults.BadCrc = true;
  const QByteArray noisy = Master(clock, faults)->Stream();
  QCOMPARE(noisy.mid(1, 35), pushed.left(35));
  QVERIFY(noisy.back() != pushed.back());
}

void TstDevsimFaults::binaryChunksAndLogsWhatItReceives() {
  const QString binary = qEnvironmentVariable("VELMORA_BIN_DIR") + QStringLiteral("/velmora-devsim");
  if (!QFileInfo::exists(binary))
    QSKIP("velmora-devsim is not built");
  QTemporaryDir dir;
  const QString log = dir.filePath(QStringLiteral("received.bin"));
  QProcess sim;
  sim.start(binary, {"--gen", "3", "--chunk", "5", "--chunk-gap", "30", "--received", log, "--address",
                     "0A0B0C0D0E0F", "--unsolicited", "60000"});
  QVERIFY(sim.waitForReadyRead(5000));
  const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  QVERIFY(fd >= 0);
  termios tio{};
  ::tcgetattr(fd, &tio);
  ::cfmakeraw(&tio);
  ::tcsetattr(fd, TCSANOW, &tio);
  QTest::qWait(100);
  QCOMPARE(::write(fd, kProbe.constData(), 4), ssize_t(4));

  QList<int> pieces;
  QByteArray answer;
  for (int i = 0; i < 200 && answer.size() < 36; ++i) {
    QTest::qWait(10);
    char buffer[64];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      pieces << int(n);
      answer.append(buffer, n);
    }
  }
  ::close(fd);
  sim.terminate();
  sim.waitForFinished(5000);
  QCOMPARE(answer.size(), 36);
  QCOMPARE(answer.mid(3, 6), Hex("0A0B0C0D0E0F"));
  // The answer came in pieces of at most five bytes.
  QVERIFY2(pieces.size() >= 8, qPrintable(QString::number(pieces.size())));
  QFile file(log);
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), kProbe);
}

QTEST_MAIN(TstDevsimFaults)
#include "tst_devsim_faults.moc"
