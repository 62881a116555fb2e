#include "base/clock.h"
#include "legacy_sim.h"
#include "pty_port.h"
#include "sensor_sim.h"
#include "tracker_sim.h"
#include "updates/crypto/checksums.h"

#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// ---- generation 1 -------------------------------------------------------------------------

struct TRecord {
  QByteArray Key;
  QByteArray Value;
};

// Cuts tracker output into records of the form ">" key "=" value CR LF. Anything else (a missing
// sign or terminator, a bare CR or LF inside, an empty key) is reported, not skipped.
bool SplitRecords(const QByteArray& aBytes, QList<TRecord>* aRecords, QByteArray* aError) {
  qsizetype at = 0;
  while (at < aBytes.size()) {
    const qsizetype end = aBytes.indexOf("\r\n", at);
    if (aBytes.at(at) != '>' || end < 0) {
      *aError = "not a record at " + QByteArray::number(at) + ": " + aBytes.mid(at, 40);
      return false;
    }
    const QByteArray line = aBytes.mid(at + 1, end - at - 1);
    const qsizetype equals = line.indexOf('=');
    if (equals <= 0 || line.contains('\r') || line.contains('\n')) {
      *aError = "malformed record: " + line;
      return false;
    }
    aRecords->append({line.left(equals), line.mid(equals + 1)});
    at = end + 2;
  }
  return true;
}

QList<TRecord> Records(const QByteArray& aBytes) {
  QList<TRecord> records;
  QByteArray error;
  if (!SplitRecords(aBytes, &records, &error))
    qWarning("%s", error.constData());
  return records;
}

// The value of the only record with the key; empty when there is none or more than one.
QByteArray ValueOf(const QList<TRecord>& aRecords, const QByteArray& aKey) {
  QByteArray value;
  int count = 0;
  for (const TRecord& record : aRecords) {
    if (record.Key == aKey) {
      value = record.Value;
      ++count;
    }
  }
  return count == 1 ? value : QByteArray();
}

QByteArray Field(const QByteArray& aValue, int aIndex) {
  return aValue.split(';').value(aIndex);
}

double FieldNumber(const QList<TRecord>& aRecords, const QByteArray& aKey, int aIndex) {
  return Field(ValueOf(aRecords, aKey), aIndex).toDouble();
}

bool LuhnValid(const QByteArray& aDigits) {
  int sum = 0;
  for (qsizetype i = 0; i < aDigits.size(); ++i) {
    int d = aDigits.at(aDigits.size() - 1 - i) - '0';
    if (i % 2 == 1)
      d = d * 2 > 9 ? d * 2 - 9 : d * 2;
    sum += d;
  }
  return sum % 10 == 0;
}

bool Matches(const char* aPattern, const QByteArray& aValue) {
  const QRegularExpression re(QRegularExpression::anchoredPattern(QString::fromLatin1(aPattern)));
  return re.match(QString::fromLatin1(aValue)).hasMatch();
}

// Value formats as the status decoder reads them.
const QList<QPair<const char*, const char*>> kIdentityFormats = {
    {"DI", R"(\d{1,5};\d+;\d+;\d+)"},
    {"UVI", R"(\d{1,5};\d+;\d+;\d+)"},
    {"DN", R"(\d+)"},
    {"MN", R"(\d{15})"},
    {"SID0", R"(\d{18,20})"},
    {"SID1", R"(\d{18,20})"},
    {"BTM", R"([0-9A-F]{12})"},
    {"WFM", R"([0-9A-F]{12})"},
    {"USW", R"([0-9.]+)"},
    {"UHW", R"([0-9.]+)"},
};

const char* const kTestNames =
    "ERR|MEM|FRAM|ACC|RTC|GNSS|GSM|MODEM|GPRS|SIM|SIM1|SIM2|SIMCHIP|WIFI|BLE|IO|SWITCH|PINS|ADC|BAT|CODEC|"
    "AMPLIFIER|RS232|RS232D|RS485|1WIRE|CAN|SW|WD|WDHI|WDLO|WEB|MIC|SPK|MIFARE|EMMARINE|VIN|1-Wire|ICCID|"
    "NBIOT|"
    "ACCEL|MOTION|INA237|BQ25619|VAC|VLED|ILED|TEMP|SDCARD|INFO";

const QByteArray kTestFormat = "(" + QByteArray(kTestNames) + ");(OK|ERROR)";

// Every record of a status set and the form of its value.
const QList<QPair<const char*, QByteArray>> kStatusFormats = {
    {"GK", R"(-?\d{1,2}\.\d{6};-?\d{1,3}\.\d{6})"},
    {"GS", R"(\d{1,2};\d{1,3};-?\d+;\d{1,3};\d{1,3};[123])"},
    {"PB", R"(\d{4,5};\d{4})"},
    {"TW", R"(\d{10};\d+)"},
    {"TM", R"([0-3];\d+)"},
    {"DS", R"(\d+)"},
    {"DS2", R"(\d+)"},
    {"MS", R"([0-8])"},
    {"ML", R"(([0-9]|[12][0-9]|3[01]);\d{3};\d{2,3})"},
    {"SMS", R"(\d+;\d+;\d+)"},
    {"MD0", R"([^;]+;\d+;[^;]*)"},
    {"MD1", R"([^;]*;\d+;[^;]*)"},
    {"MD2", R"([^;]*;\d+;[^;]*)"},
    {"MD3", R"([^;]*;\d+;[^;]*)"},
    {"MD4", R"([^;]*;\d+;[^;]*)"},
    {"RW1", R"(\d+;\d+;\d+;\d+)"},
    {"RW2", R"(\d+;\d+;\d+;\d+)"},
    {"RW3", R"(\d+;\d+;\d+;\d+)"},
    {"RW4", R"(\d+;\d+;\d+;\d+)"},
    {"FS1", R"(\d+;\d+;\d+;\d+)"},
    {"FS2", R"(\d+;\d+;\d+;\d+)"},
    {"FS3", R"(\d+;\d+;\d+;\d+)"},
    {"FS4", R"(\d+;\d+;\d+;\d+)"},
    {"CA", R"(\d+)"},
    {"CC", R"(\d+)"},
    {"CE", R"(\d+)"},
    {"CG", R"(\d{1,4})"},
    {"CQ", R"(\d+)"},
    {"CH", R"(\d+)"},
    {"CI", R"(-?\d+)"},
    {"CJ", R"(\d{1,3})"},
    {"CK", R"(\d+)"},
    {"CU", R"(\d+)"},
    {"CV", R"(\S+)"},
    {"CXA", R"(\d{1,3})"},
    {"CXB", R"(\d{1,3})"},
    {"CP", R"(\d+)"},
    {"CS", R"(\d+)"},
    {"IA1", R"(\d+)"},
    {"ID2", R"([012])"},
    {"II3", R"(\d+)"},
    {"IF4", R"(\d+)"},
    {"O10", R"([012])"},
    {"LLS", R"([0-3];\d{1,2};\d{1,5};\d{1,3};\d{1,5})"},
    {"TEST", kTestFormat},
    {"IG", R"([01])"},
    {"TMP", R"(-?\d+)"},
    {"ACC", R"(\d+;-?\d+;-?\d+;-?\d+)"},
};

double DistanceM(const QByteArray& aFrom, const QByteArray& aTo) {
  constexpr double kEarthM = 6371000;
  const double lat1 = qDegreesToRadians(Field(aFrom, 0).toDouble());
  const double lat2 = qDegreesToRadians(Field(aTo, 0).toDouble());
  const double dLat = lat2 - lat1;
  const double dLon = qDegreesToRadians(Field(aTo, 1).toDouble() - Field(aFrom, 1).toDouble());
  const double h =
      std::pow(std::sin(dLat / 2), 2) + std::cos(lat1) * std::cos(lat2) * std::pow(std::sin(dLon / 2), 2);
  return 2 * kEarthM * std::asin(std::sqrt(h));
}

double BearingDeg(const QByteArray& aFrom, const QByteArray& aTo) {
  const double lat1 = qDegreesToRadians(Field(aFrom, 0).toDouble());
  const double lat2 = qDegreesToRadians(Field(aTo, 0).toDouble());
  const double dLon = qDegreesToRadians(Field(aTo, 1).toDouble() - Field(aFrom, 1).toDouble());
  const double y = std::sin(dLon) * std::cos(lat2);
  const double x = std::cos(lat1) * std::sin(lat2) - std::sin(lat1) * std::cos(lat2) * std::cos(dLon);
  return std::fmod(qRadiansToDegrees(std::atan2(y, x)) + 360, 360);
}

quint16 Be16(const QByteArray& aBytes, qsizetype aAt) {
  return quint16(quint8(aBytes.at(aAt)) << 8 | quint8(aBytes.at(aAt + 1)));
}

quint16 Le16(const QByteArray& aBytes, qsizetype aAt) {
  return quint16(quint8(aBytes.at(aAt)) | quint8(aBytes.at(aAt + 1)) << 8);
}

// Settings images as the settings Part lays them out, built and read independently of the device.
QByteArray BuildImage(int aLayout, const QMap<int, QByteArray>& aEntries) {
  QByteArray image(aLayout == 1 ? 4 : 3, '\0');
  for (auto it = aEntries.cbegin(); it != aEntries.cend(); ++it) {
    if (aLayout == 1)
      image += '\x23' + QByteArray(1, char(it.key()));
    else
      image += QByteArray(1, char(it.key() & 0xFF)) + char(it.key() >> 8);
    image += char(it.value().size()) + it.value();
  }
  if (aLayout == 1) {
    const qsizetype length = image.size() - 4;
    const quint16 crc = Crc16(image, 4, int(image.size()) - 1);
    image[0] = char(length >> 8);
    image[1] = char(length & 0xFF);
    image[2] = char(crc >> 8);
    image[3] = char(crc & 0xFF);
    return image;
  }
  image[0] = '\x01';
  const qsizetype length = image.size() - 3;
  image[1] = char(length & 0xFF);
  image[2] = char(length >> 8);
  const quint16 crc = Crc16(image, 0, int(image.size()) - 1);
  return image + char(crc >> 8) + char(crc & 0xFF);
}

bool ParseImage(int aLayout, const QByteArray& aImage, QMap<int, QByteArray>* aEntries) {
  qsizetype at = 0;
  qsizetype end = 0;
  if (aLayout == 1) {
    if (aImage.size() < 4 || Be16(aImage, 0) != aImage.size() - 4 ||
        Be16(aImage, 2) != Crc16(aImage, 4, int(aImage.size()) - 1))
      return false;
    at = 4;
    end = aImage.size();
  } else {
    if (aImage.size() < 5 || aImage.at(0) != 1 || Le16(aImage, 1) + 5 != aImage.size() ||
        Be16(aImage, aImage.size() - 2) != Crc16(aImage, 0, int(aImage.size()) - 3))
      return false;
    at = 3;
    end = aImage.size() - 2;
  }
  while (at < end) {
    if (at + 3 > end)
      return false;
    const int number = aLayout == 1 ? quint8(aImage.at(at + 1)) : Le16(aImage, at);
    if (aLayout == 1 && aImage.at(at) != 0x23)
      return false;
    const int length = quint8(aImage.at(at + 2));
    if (at + 3 + length > end)
      return false;
    aEntries->insert(number, aImage.mid(at + 3, length));
    at += 3 + length;
  }
  return true;
}

QByteArray SettingsRecordImage(const QByteArray& aAnswer) {
  const QList<TRecord> records = Records(aAnswer);
  if (records.size() != 1 || records[0].Key != "SF")
    return {};
  const QByteArray quoted = records[0].Value;
  if (quoted.size() < 2 || !quoted.startsWith('"') || !quoted.endsWith('"'))
    return {};
  bool ok = false;
  const QByteArray image = Base64Decode(QString::fromLatin1(quoted.mid(1, quoted.size() - 2)), &ok);
  return ok ? image : QByteArray();
}

// The 256 data bytes of a block answer ">FD=n,"<Base64>"", or empty when it is not one for the
// block or its CRC does not check.
QByteArray BlockData(const QByteArray& aAnswer, const QByteArray& aNumber) {
  const QList<TRecord> records = Records(aAnswer);
  if (records.size() != 1 || records[0].Key != "FD")
    return {};
  const QByteArray value = records[0].Value;
  const QByteArray prefix = aNumber + ",\"";
  if (!value.startsWith(prefix) || !value.endsWith('"'))
    return {};
  bool ok = false;
  const QByteArray payload =
      Base64Decode(QString::fromLatin1(value.mid(prefix.size(), value.size() - prefix.size() - 1)), &ok);
  if (!ok || payload.size() != 258 || Be16(payload, 256) != Crc16(payload, 0, 255))
    return {};
  return payload.left(256);
}

// ---- generation 3 -------------------------------------------------------------------------

QByteArray Bytes(std::initializer_list<int> aBytes) {
  QByteArray bytes;
  for (const int b : aBytes)
    bytes += char(b);
  return bytes;
}

QByteArray Request(std::initializer_list<int> aBytes, const QByteArray& aParameters = {}) {
  return AppendCrc8(Bytes(aBytes) + aParameters);
}

// Answer body length by command, as the line framing counts it.
int FramedBodyLength(quint8 aCommand, quint8 aFirstBodyByte) {
  static const QMap<int, int> kBodies = {{0xB0, 32}, {0xB1, 48}, {0xB2, 1}, {0xB3, 55},
                                         {0xB4, 32}, {0xB5, 1},  {0xB6, 1}, {0xB7, 2}};
  return aCommand == 0xB8 ? 8 * aFirstBodyByte + 1 : kBodies.value(aCommand, 0);
}

// The answers in a byte stream, each cut by the framing rule; false when bytes are left over or
// a sign is missing.
bool SplitAnswers(const QByteArray& aBytes, QList<QByteArray>* aAnswers) {
  qsizetype at = 0;
  while (at < aBytes.size()) {
    if (aBytes.size() - at < 4 || aBytes.at(at) != 0x3E || aBytes.at(at + 1) != 0x10)
      return false;
    const qsizetype size = 4 + FramedBodyLength(quint8(aBytes.at(at + 2)), quint8(aBytes.at(at + 3)));
    if (at + size > aBytes.size())
      return false;
    aAnswers->append(aBytes.mid(at, size));
    at += size;
  }
  return true;
}

quint32 Le32(const QByteArray& aBytes, qsizetype aAt) {
  return Le16(aBytes, aAt) | quint32(Le16(aBytes, aAt + 2)) << 16;
}

const QByteArray kProbe = Request({0x31, 0x10, 0xB0});

// ---- terminal client ----------------------------------------------------------------------

class TPtyClient {
public:
  explicit TPtyClient(const QString& aPath) {
    FFd = ::open(QFile::encodeName(aPath).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    if (FFd >= 0 && ::tcgetattr(FFd, &tio) == 0) {
      ::cfmakeraw(&tio);
      ::tcsetattr(FFd, TCSANOW, &tio);
    }
  }
  ~TPtyClient() {
    if (FFd >= 0)
      ::close(FFd);
  }
  TPtyClient(const TPtyClient&) = delete;
  TPtyClient& operator=(const TPtyClient&) = delete;

  bool IsOpen() const { return FFd >= 0; }
  // Bytes that have arrived and wait to be read.
  int Unread() const {
    int count = 0;
    return ::ioctl(FFd, FIONREAD, &count) == 0 ? count : -1;
  }
  bool Write(const QByteArray& aBytes) {
    return ::write(FFd, aBytes.constData(), size_t(aBytes.size())) == aBytes.size();
  }
  // Everything received so far.
  QByteArray Received() {
    char chunk[4096];
    ssize_t n = 0;
    while ((n = ::read(FFd, chunk, sizeof chunk)) > 0)
      FReceived.append(chunk, n);
    return FReceived;
  }

private:
  int FFd = -1;
  QByteArray FReceived;
};

} // namespace

class TstDevsim : public QObject {
  Q_OBJECT
private Q_SLOTS:
  void identityAnswers_data();
  void identityAnswers();
  void requestLinesSurviveChunkingAndNoise_data();
  void requestLinesSurviveChunkingAndNoise();
  void serviceCommandsChangeWhatTheDeviceReports_data();
  void serviceCommandsChangeWhatTheDeviceReports();
  void selfTestRunReportsEveryResultThenInfo();
  void statusSetCarriesEachRecordOnce_data();
  void statusSetCarriesEachRecordOnce();
  void statusSetIsAllWellFormed();
  void statusValuesMoveWithTheClock();
  void positionFollowsReportedSpeedAndCourse();
  void vehicleStaysAroundItsCity();
  void settingsReadAndWrite_data();
  void settingsReadAndWrite();
  void schemaTypesKeepTheirWidths();
  void damagedSettingsImages_data();
  void damagedSettingsImages();
  void blockAnswers_data();
  void blockAnswers();
  void fileStorageHoldsOneStoredFile();

  void sensorAnswerFraming_data();
  void sensorAnswerFraming();
  void sensorWritesReadBack();
  void masterUptimeRunsAndRestarts();
  void sensorIgnoresNoise_data();
  void sensorIgnoresNoise();

  void legacyRecordsFrame();

  void ptyPortServesOneClientAfterAnother();
  void binaryServesTerminal_data();
  void binaryServesTerminal();
};

void TstDevsim::identityAnswers_data() {
  QTest::addColumn<QByteArray>("request");
  QTest::addColumn<int>("type");
  QTest::addColumn<quint64>("id");
  QTest::addColumn<QByteArray>("imei");
  QTest::addColumn<QByteArrayList>("keys");

  const QByteArrayList full = {"DI", "DN", "MN", "SID0", "SID1", "BTM", "WFM", "UHW"};
  QTest::newRow("I 0 names the device")
      << QByteArray(">I 0") << 303 << quint64(12345) << QByteArray() << QByteArrayList{"DI", "DN"};
  QTest::newRow("I 7 gives the whole identity")
      << QByteArray(">I 7") << 303 << quint64(12345) << QByteArray() << full;
  QTest::newRow("I 36 reports versions separately")
      << QByteArray(">I 36") << 99 << quint64(777) << QByteArray()
      << QByteArrayList{"UVI", "USW", "UHW", "DN", "MN", "SID0", "SID1", "BTM", "WFM"};
  QTest::newRow("fresh device reports ID 0")
      << QByteArray(">I 7") << 304 << quint64(0) << QByteArray() << full;
  QTest::newRow("IMEI from the options")
      << QByteArray(">I 7") << 303 << quint64(42) << QByteArray("490154203237518") << full;
}

void TstDevsim::identityAnswers() {
  QFETCH(QByteArray, request);
  QFETCH(int, type);
  QFETCH(quint64, id);
  QFETCH(QByteArray, imei);
  QFETCH(QByteArrayList, keys);

  TManualClock clock;
  TTrackerSim sim({type, id, imei, "111111"}, clock);
  const QByteArray answer = sim.Feed(request + "\r\n");
  QList<TRecord> records;
  QByteArray error;
  QVERIFY2(SplitRecords(answer, &records, &error), error.constData());

  QByteArrayList answered;
  for (const TRecord& record : records)
    answered << record.Key;
  QCOMPARE(answered, keys);
  for (const TRecord& record : records) {
    for (const auto& [key, format] : kIdentityFormats) {
      if (record.Key == key)
        QVERIFY2(Matches(format, record.Value), (record.Key + "=" + record.Value).constData());
    }
  }
  QCOMPARE(ValueOf(records, "DN"), QByteArray::number(id));
  const QByteArray versions = ValueOf(records, keys.contains("DI") ? "DI" : "UVI");
  QCOMPARE(Field(versions, 0).toInt(), type);
  if (keys.contains("MN")) {
    if (!imei.isEmpty())
      QCOMPARE(ValueOf(records, "MN"), imei);
    QVERIFY(LuhnValid(ValueOf(records, "MN")));
    QVERIFY(ValueOf(records, "SID0") != ValueOf(records, "SID1"));
  }
}

void TstDevsim::requestLinesSurviveChunkingAndNoise_data() {
  QTest::addColumn<QByteArrayList>("chunks");
  QTest::addColumn<int>("answers");

  QTest::newRow("split over three chunks") << QByteArrayList{">I", " 0\r", "\n"} << 1;
  QTest::newRow("bare LF ends a line") << QByteArrayList{">I 0\n"} << 1;
  QTest::newRow("two requests in one chunk") << QByteArrayList{">I 0\r\n>I 0\r\n"} << 2;
  QTest::newRow("noise line before") << QByteArrayList{QByteArray("\x00\xFF\x7F>Z\r\n", 7), ">I 0\r\n"} << 1;
  QTest::newRow("endless noise is dropped") << QByteArrayList{QByteArray(5000, 'x'), ">I 0\r\n"} << 1;
  QTest::newRow("unknown or malformed requests")
      << QByteArrayList{">I 99\r\n", "hello\r\n", ">D 18;x\r\n", ">D 18;100\r\n", ">D 18;99999999999\r\n"}
      << 0;
}

void TstDevsim::requestLinesSurviveChunkingAndNoise() {
  QFETCH(QByteArrayList, chunks);
  QFETCH(int, answers);

  TManualClock clock;
  TTrackerSim sim({}, clock);
  QByteArray output;
  for (const QByteArray& chunk : chunks)
    output += sim.Feed(chunk);
  const QList<TRecord> records = Records(output);
  QCOMPARE(records.size(), 2 * answers);
  for (const TRecord& record : records)
    QVERIFY(record.Key == "DI" || record.Key == "DN");
}

void TstDevsim::serviceCommandsChangeWhatTheDeviceReports_data() {
  QTest::addColumn<QByteArray>("command");
  QTest::addColumn<QByteArray>("request"); // empty: the next status set
  QTest::addColumn<QByteArray>("key");
  QTest::addColumn<int>("field");
  QTest::addColumn<QByteArray>("expected");

  QTest::newRow("sn sets the ID") << QByteArray("sn 777") << QByteArray(">I 0") << QByteArray("DN") << 0
                                  << QByteArray("777");
  QTest::newRow("fct sets the ID from two halves")
      << QByteArray("fct 1 2") << QByteArray(">I 0") << QByteArray("DN") << 0 << QByteArray("65538");
  QTest::newRow("UNIX sets the clock")
      << QByteArray(">UNIX=2000000000") << QByteArray() << QByteArray("TW") << 0 << QByteArray("2000000000");
  QTest::newRow("rst restarts") << QByteArray("rst") << QByteArray() << QByteArray("TW") << 1
                                << QByteArray("0");
  QTest::newRow("D 1 restarts") << QByteArray(">D 1") << QByteArray() << QByteArray("TW") << 1
                                << QByteArray("0");
}

void TstDevsim::serviceCommandsChangeWhatTheDeviceReports() {
  QFETCH(QByteArray, command);
  QFETCH(QByteArray, request);
  QFETCH(QByteArray, key);
  QFETCH(int, field);
  QFETCH(QByteArray, expected);

  TManualClock clock;
  TTrackerSim sim({}, clock);
  clock.Advance(10000);
  const QByteArray before =
      Field(ValueOf(Records(request.isEmpty() ? sim.Stream() : sim.Feed(request + "\r\n")), key), field);
  QVERIFY(before != expected);
  QCOMPARE(sim.Feed(command + "\r\n"), QByteArray());
  const QByteArray after = request.isEmpty() ? sim.Stream() : sim.Feed(request + "\r\n");
  QCOMPARE(Field(ValueOf(Records(after), key), field), expected);
}

void TstDevsim::selfTestRunReportsEveryResultThenInfo() {
  TManualClock clock;
  TTrackerSim sim({}, clock);
  for (const QByteArray command : {">T 1", "fct run"}) {
    const QList<TRecord> records = Records(sim.Feed(command + "\r\n"));
    QVERIFY(records.size() > 10);
    for (const TRecord& record : records) {
      QCOMPARE(record.Key, QByteArray("TEST"));
      QVERIFY2(Matches(kTestFormat.constData(), record.Value), record.Value.constData());
    }
    QCOMPARE(records.last().Value, QByteArray("INFO;OK"));
  }
}

void TstDevsim::statusSetCarriesEachRecordOnce_data() {
  QTest::addColumn<QByteArray>("key");
  QTest::addColumn<QByteArray>("format");
  for (const auto& [key, format] : kStatusFormats)
    QTest::newRow(key) << QByteArray(key) << format;
}

void TstDevsim::statusSetCarriesEachRecordOnce() {
  QFETCH(QByteArray, key);
  QFETCH(QByteArray, format);

  TManualClock clock;
  TTrackerSim sim({}, clock);
  sim.Stream();
  clock.Advance(1000);
  const QList<TRecord> records = Records(sim.Stream());
  const auto count =
      std::count_if(records.cbegin(), records.cend(), [&](const TRecord& r) { return r.Key == key; });
  QCOMPARE(count, 1);
  const QByteArray value = ValueOf(records, key);
  QVERIFY2(Matches(format.constData(), value), value.constData());
}

void TstDevsim::statusSetIsAllWellFormed() {
  TManualClock clock;
  TTrackerSim sim({}, clock);
  QList<TRecord> records;
  QByteArray error;
  QVERIFY2(SplitRecords(sim.Stream(), &records, &error), error.constData());
  QCOMPARE(records.size(), kStatusFormats.size());
  for (const TRecord& record : records) {
    const bool known = std::any_of(kStatusFormats.cbegin(), kStatusFormats.cend(),
                                   [&](const auto& aFormat) { return record.Key == aFormat.first; });
    QVERIFY2(known, record.Key.constData());
  }
  // Storage pointers lie inside their storage.
  for (const char* key : {"RW1", "RW2", "RW3", "RW4", "FS1", "FS2", "FS3", "FS4"}) {
    const QByteArray value = ValueOf(records, key);
    const int size = Field(value, 2).toInt();
    QVERIFY2(size > 0 && Field(value, 0).toInt() < size && Field(value, 1).toInt() < size, key);
  }
}

void TstDevsim::statusValuesMoveWithTheClock() {
  TManualClock clock;
  TTrackerSim sim({}, clock);
  const QList<TRecord> first = Records(sim.Stream());
  clock.Advance(1000);
  const QList<TRecord> second = Records(sim.Stream());

  QCOMPARE(FieldNumber(second, "TW", 0), FieldNumber(first, "TW", 0) + 1);
  QCOMPARE(FieldNumber(second, "TW", 1), FieldNumber(first, "TW", 1) + 1);
  QCOMPARE(FieldNumber(first, "TW", 0), double(clock.Now().toSecsSinceEpoch() - 1));
  QVERIFY(ValueOf(first, "GK") != ValueOf(second, "GK"));

  clock.Advance(60000);
  const QList<TRecord> later = Records(sim.Stream());
  for (const auto& [key, index] : QList<QPair<QByteArray, int>>{{"CC", 0}, {"CA", 0}, {"II3", 0}, {"RW1", 1}})
    QVERIFY2(FieldNumber(later, key, index) > FieldNumber(second, key, index), key.constData());
  QVERIFY(ValueOf(later, "PB") != ValueOf(second, "PB"));
  QVERIFY(ValueOf(later, "TEST") != ValueOf(second, "TEST"));
}

void TstDevsim::positionFollowsReportedSpeedAndCourse() {
  // Pairs of ticks one second apart, spread over a whole drive cycle (runs and the stop).
  TManualClock clock;
  TTrackerSim sim({}, clock);
  int stopped = 0;
  for (int pair = 0; pair < 40; ++pair) {
    const QList<TRecord> a = Records(sim.Stream());
    clock.Advance(1000);
    const QList<TRecord> b = Records(sim.Stream());
    clock.Advance(14000);

    const double metres = DistanceM(ValueOf(a, "GK"), ValueOf(b, "GK"));
    const double expected = (FieldNumber(a, "GS", 1) + FieldNumber(b, "GS", 1)) / 2 / 3.6;
    const QByteArray where = "at " + QByteArray::number(pair * 15) + " s: " + QByteArray::number(metres) +
                             " m against " + QByteArray::number(expected);
    QVERIFY2(std::abs(metres - expected) <= 1.0 + 0.1 * expected, where.constData());
    if (expected > 5) {
      const double course = FieldNumber(a, "GS", 4);
      const double off =
          std::abs(std::remainder(BearingDeg(ValueOf(a, "GK"), ValueOf(b, "GK")) - course, 360.0));
      QVERIFY2(off < 20, where.constData());
    }
    if (Field(ValueOf(a, "TM"), 0) == "3") {
      ++stopped;
      QCOMPARE(FieldNumber(a, "GS", 1), 0.0);
    }
  }
  QVERIFY(stopped > 0);
}

void TstDevsim::vehicleStaysAroundItsCity() {
  TManualClock clock;
  TTrackerSim sim({}, clock);
  const QByteArray start = ValueOf(Records(sim.Stream()), "GK");
  double farthest = 0;
  for (int step = 0; step < 36; ++step) {
    clock.Advance(5 * 60 * 1000);
    farthest = std::max(farthest, DistanceM(start, ValueOf(Records(sim.Stream()), "GK")));
  }
  // Three hours of driving in a straight line would be 80 km away.
  QVERIFY2(farthest > 3000 && farthest < 25000, QByteArray::number(farthest).constData());
}

void TstDevsim::settingsReadAndWrite_data() {
  QTest::addColumn<int>("type");
  QTest::addColumn<int>("layout");
  QTest::newRow("type 303, layout 1") << 303 << 1;
  QTest::newRow("type 305, layout 2") << 305 << 2;
}

void TstDevsim::settingsReadAndWrite() {
  QFETCH(int, type);
  QFETCH(int, layout);

  TManualClock clock;
  TTrackerSim sim({type, 12345, {}, "4321"}, clock);
  QMap<int, QByteArray> entries;
  QVERIFY(ParseImage(layout, SettingsRecordImage(sim.Feed(">D 15;0\r\n")), &entries));
  QCOMPARE(entries.value(5), QByteArray("4321"));
  if (layout == 2)
    QCOMPARE(entries.value(0x5400), QByteArray("4321"));

  const QByteArray change = Base64Encode(BuildImage(layout, {{6, "m2m.example"}})).toLatin1();
  QCOMPARE(sim.Feed("4320*CONF*" + change + "\r\n"), QByteArray(">SR=0\r\n"));
  QByteArray broken = BuildImage(layout, {{6, "m2m.example"}});
  broken[broken.size() - 3] = char(broken.at(broken.size() - 3) ^ 0x01);
  QCOMPARE(sim.Feed("4321*CONF*" + Base64Encode(broken).toLatin1() + "\r\n"), QByteArray(">SR=0\r\n"));
  QCOMPARE(sim.Feed("4321*CONF*" + change + "\r\n"), QByteArray(">SR=1\r\n"));

  QMap<int, QByteArray> after;
  QVERIFY(ParseImage(layout, SettingsRecordImage(sim.Feed(">D 15;0\r\n")), &after));
  QCOMPARE(after.value(6), QByteArray("m2m.example"));
  entries.insert(6, "m2m.example");
  QCOMPARE(after, entries);

  // A new password in the image is the one the device wants from then on.
  const QByteArray password = Base64Encode(BuildImage(layout, {{5, "9999"}})).toLatin1();
  QCOMPARE(sim.Feed("4321*CONF*" + password + "\r\n"), QByteArray(">SR=1\r\n"));
  QCOMPARE(sim.Feed("4321*CONF*" + change + "\r\n"), QByteArray(">SR=0\r\n"));
  QCOMPARE(sim.Feed("9999*CONF*" + change + "\r\n"), QByteArray(">SR=1\r\n"));
}

void TstDevsim::schemaTypesKeepTheirWidths() {
  TManualClock clock;
  TTrackerSim sim({306, 12345, {}, "111111"}, clock);
  QMap<int, QByteArray> entries;
  QVERIFY(ParseImage(2, SettingsRecordImage(sim.Feed(">D 15;0\r\n")), &entries));
  // The settings of the program's schema for the type, little-endian.
  QCOMPARE(entries.value(49180), QByteArray("\x3C\x00\x00\x00", 4));
  QCOMPARE(entries.value(49154), QByteArray("\x32\x00", 2));
  const QByteArray narrow = Base64Encode(BuildImage(2, {{49180, QByteArray("\x78\x00", 2)}})).toLatin1();
  QCOMPARE(sim.Feed("111111*CONF*" + narrow + "\r\n"), QByteArray(">SR=0\r\n"));
  const QByteArray wide = Base64Encode(BuildImage(2, {{49180, QByteArray("\x78\x00\x00\x00", 4)}})).toLatin1();
  QCOMPARE(sim.Feed("111111*CONF*" + wide + "\r\n"), QByteArray(">SR=1\r\n"));
  QVERIFY(ParseImage(2, SettingsRecordImage(sim.Feed(">D 15;0\r\n")), &entries));
  QCOMPARE(entries.value(49180), QByteArray("\x78\x00\x00\x00", 4));
}

void TstDevsim::damagedSettingsImages_data() {
  QTest::addColumn<int>("kind");
  QTest::addColumn<bool>("base64");
  QTest::newRow("bad CRC") << int(ciBadCrc) << true;
  QTest::newRow("too short") << int(ciTooShort) << true;
  QTest::newRow("entry past the end") << int(ciOverrun) << true;
  QTest::newRow("not Base64") << int(ciNotBase64) << false;
}

void TstDevsim::damagedSettingsImages() {
  QFETCH(int, kind);
  QFETCH(bool, base64);
  TManualClock clock;
  TTrackerOptions options{305, 12345, {}, "111111"};
  options.Corrupt = TCorruptImage(kind);
  TTrackerSim sim(options, clock);
  const QList<TRecord> records = Records(sim.Feed(">D 15;0\r\n"));
  QCOMPARE(records.size(), 1);
  QByteArray value = records[0].Value;
  QVERIFY(value.startsWith('"') && value.endsWith('"'));
  bool decoded = false;
  const QByteArray image = Base64Decode(QString::fromLatin1(value.mid(1, value.size() - 2)), &decoded);
  QCOMPARE(decoded, base64);
  // Whatever the damage, a careful reader finds no image in it.
  QMap<int, QByteArray> entries;
  QVERIFY(!ParseImage(2, image, &entries));
}

void TstDevsim::blockAnswers_data() {
  QTest::addColumn<QByteArray>("number");
  QTest::addColumn<bool>("answered");
  QTest::addColumn<bool>("erased");

  const auto memory = [](int aIndex) { return QByteArray::number(TStorageGeometry().MemoryOffset + aIndex); };
  const auto files = [](int aIndex) { return QByteArray::number(TStorageGeometry().FileOffset + aIndex); };
  QTest::newRow("first memory block") << memory(0) << true << false;
  QTest::newRow("recorded memory block") << memory(1000) << true << false;
  QTest::newRow("memory past the write pointer") << memory(TStorageGeometry().MemoryBlocks - 1) << true << true;
  QTest::newRow("erased first file block") << files(0) << true << true;
  QTest::newRow("before the memory") << QByteArray::number(TStorageGeometry().MemoryOffset - 1) << false << false;
  QTest::newRow("after the memory") << memory(TStorageGeometry().MemoryBlocks) << false << false;
  QTest::newRow("after the file storage") << files(TStorageGeometry().FileBlocks) << false << false;
}

void TstDevsim::blockAnswers() {
  QFETCH(QByteArray, number);
  QFETCH(bool, answered);
  QFETCH(bool, erased);

  TManualClock clock;
  TTrackerSim sim({}, clock);
  const QByteArray answer = sim.Feed(">D 18;" + number + "\r\n");
  if (!answered) {
    QCOMPARE(answer, QByteArray());
    return;
  }
  const QByteArray data = BlockData(answer, number);
  QCOMPARE(data.size(), 256);
  QCOMPARE(data == QByteArray(256, '\xFF'), erased);
}

void TstDevsim::fileStorageHoldsOneStoredFile() {
  TManualClock clock;
  TTrackerSim sim({}, clock);
  QByteArray dump;
  for (int block = 0; block < TStorageGeometry().FileBlocks; ++block) {
    const QByteArray number = QByteArray::number(TStorageGeometry().FileOffset + block);
    dump += BlockData(sim.Feed(">D 18;" + number + "\r\n"), number);
  }
  QCOMPARE(dump.size(), TStorageGeometry().FileBlocks * 256);

  const QByteArray signature("\xAA\x81\x5C\x9A", 4);
  const qsizetype j = dump.indexOf(signature);
  QVERIFY(j >= 1);
  QCOMPARE(dump.indexOf(signature, j + 1), qsizetype(-1));
  const qsizetype h = j - 1;
  const quint32 length = Le32(dump, h + 9);
  const int descriptor = quint8(dump.at(h + 13));
  const int nameLength = quint8(dump.at(h + 14));
  const QByteArray name = dump.mid(h + 15, nameLength);
  const QByteArray extension = dump.mid(h + 16 + nameLength, quint8(dump.at(h + 15 + nameLength)));
  QVERIFY(descriptor >= 2 && h + 14 + descriptor <= h + 256);
  QVERIFY(!name.isEmpty() && !extension.isEmpty());
  const QByteArray contents = dump.mid(h + 256, length);
  QCOMPARE(contents.size(), qsizetype(length));
  QVERIFY(contents.startsWith("time;latitude;longitude;speed\n"));
  QVERIFY(contents.endsWith('\n'));

  // The status records count the blocks in use, header and contents included.
  const QList<TRecord> records = Records(sim.Stream());
  QVERIFY(FieldNumber(records, "FS1", 1) * 256 >= h + 256 + length);
  QCOMPARE(FieldNumber(records, "FS1", 3), double(TStorageGeometry().FileOffset));
}

void TstDevsim::sensorAnswerFraming_data() {
  QTest::addColumn<QByteArray>("request");
  QTest::addColumn<int>("command");

  QTest::newRow("probe: master information") << kProbe << 0xB0;
  QTest::newRow("slot list") << Request({0x31, 0x10, 0xB1}) << 0xB1;
  QTest::newRow("write slot") << Request({0x31, 0x10, 0xB2, 0x00}, QByteArray(16, '\x07')) << 0xB2;
  QTest::newRow("sensor of slot 1") << Request({0x31, 0x10, 0xB4, 0x00}) << 0xB4;
  QTest::newRow("sensor of empty slot 3") << Request({0x31, 0x10, 0xB4, 0x02}) << 0xB4;
  QTest::newRow("write sensor") << Request({0x31, 0x10, 0xB5, 0x01}, QByteArray(32, '\x02')) << 0xB5;
  QTest::newRow("restart") << Request({0x31, 0x10, 0xB7, 0x00, 0x01}) << 0xB7;
  QTest::newRow("search") << Request({0x31, 0x10, 0xB8}) << 0xB8;
}

void TstDevsim::sensorAnswerFraming() {
  QFETCH(QByteArray, request);
  QFETCH(int, command);

  TManualClock clock;
  TSensorSim sim(clock);
  QList<QByteArray> answers;
  QVERIFY(SplitAnswers(sim.Feed(request), &answers));
  QCOMPARE(answers.size(), 1);
  const QByteArray answer = answers[0];
  QCOMPARE(quint8(answer.at(2)), quint8(command));
  QCOMPARE(answer.size(), 4 + FramedBodyLength(quint8(command), quint8(answer.at(3))));
  QCOMPARE(quint8(answer.back()), Crc8(answer.left(answer.size() - 1)));
  if (command == 0xB8)
    QVERIFY(quint8(answer.at(3)) > 0);
}

void TstDevsim::sensorWritesReadBack() {
  TManualClock clock;
  TSensorSim sim(clock);
  const QByteArray address = Bytes({0xAA, 0xBB, 0xCC, 0x01, 0x02, 0x03});
  const QByteArray slot = address + char(2) + char(30) + QByteArray(8, '\0');
  const QByteArray before = sim.Feed(Request({0x31, 0x10, 0xB1}));
  QCOMPARE(sim.Feed(Request({0x31, 0x10, 0xB2, 0x02}, slot)), Request({0x3E, 0x10, 0xB2, 0x00}));
  const QByteArray after = sim.Feed(Request({0x31, 0x10, 0xB1}));
  QCOMPARE(after.mid(3 + 32, 16), slot);
  QCOMPARE(after.mid(3, 32), before.mid(3, 32)); // the other slots are untouched

  const QByteArray sensor = Bytes({7, 0x34, 0x12, 0x78, 0x56, 1, 2, 3, 4, 5, 6, 7, 8}) + QByteArray(19, '\0');
  QCOMPARE(sim.Feed(Request({0x31, 0x10, 0xB5, 0x01}, sensor)), Request({0x3E, 0x10, 0xB5, 0x00}));
  QCOMPARE(sim.Feed(Request({0x31, 0x10, 0xB4, 0x01})).mid(3, 32), sensor);

  // There are three slots, numbered from 0.
  QCOMPARE(sim.Feed(Request({0x31, 0x10, 0xB2, 0x03}, slot)), Request({0x3E, 0x10, 0xB2, 251}));
  QCOMPARE(sim.Feed(Request({0x31, 0x10, 0xB5, 0x03}, sensor)), Request({0x3E, 0x10, 0xB5, 251}));
}

void TstDevsim::masterUptimeRunsAndRestarts() {
  TManualClock clock;
  TSensorSim sim(clock);
  const quint32 before = Le32(sim.Feed(kProbe), 14);
  clock.Advance(5000);
  QCOMPARE(Le32(sim.Feed(kProbe), 14), before + 5);
  QCOMPARE(sim.Feed(Request({0x31, 0x10, 0xB7, 0x00, 0x01})).mid(3, 1), QByteArray(1, '\0'));
  clock.Advance(2000);
  QCOMPARE(Le32(sim.Feed(kProbe), 14), quint32(2));
}

void TstDevsim::sensorIgnoresNoise_data() {
  QTest::addColumn<QByteArray>("noise");
  QTest::addColumn<int>("pauseMs");

  QByteArray random(2000, '\0');
  QRandomGenerator generator(20260101);
  for (char& byte : random)
    byte = char(generator.bounded(256));
  QByteArray wrongCrc = kProbe;
  wrongCrc[3] = char(wrongCrc.at(3) ^ 0x55);

  QTest::newRow("random bytes") << random << 0;
  QTest::newRow("wrong CRC") << wrongCrc << 0;
  QTest::newRow("answer sign, not a request") << Bytes({0x3E, 0x10, 0xB0, 0x00}) << 0;
  QTest::newRow("command the master does not know") << Request({0x31, 0x10, 0xB3}) << 0;
  QTest::newRow("lone request sign") << Bytes({0x31, 0x10}) << 0;
  QTest::newRow("request cut short, then a pause") << Bytes({0x31, 0x10, 0xB5, 0x01, 0x02}) << 1000;
}

void TstDevsim::sensorIgnoresNoise() {
  QFETCH(QByteArray, noise);
  QFETCH(int, pauseMs);

  TManualClock clock;
  TSensorSim sim(clock);
  QCOMPARE(sim.Feed(noise), QByteArray());
  clock.Advance(pauseMs);
  QList<QByteArray> answers;
  QVERIFY(SplitAnswers(sim.Feed(kProbe), &answers));
  QCOMPARE(answers.size(), 1);
  QCOMPARE(quint8(answers[0].at(2)), quint8(0xB0));
}

void TstDevsim::legacyRecordsFrame() {
  TManualClock clock;
  TLegacyTrackerSim sim(clock);
  QCOMPARE(sim.Feed(">I 7\r\n"), QByteArray());
  clock.Advance(1000);
  const QByteArray stream = sim.Stream();

  QMap<quint32, QByteArray> byType;
  qsizetype at = 0;
  while (at + 8 <= stream.size()) {
    QCOMPARE(stream.mid(at, 2), QByteArray("\x55\xAA"));
    const qsizetype size = 10 + Le16(stream, at + 6);
    QVERIFY(at + size <= stream.size());
    byType.insert(Le32(stream, at + 2), stream.mid(at, size));
    at += size;
  }
  QCOMPARE(at, stream.size());
  QCOMPARE(byType.keys(),
           (QList<quint32>{TLegacyTrackerSim::kPosition, TLegacyTrackerSim::kTime, TLegacyTrackerSim::kModem,
                           TLegacyTrackerSim::kPower, TLegacyTrackerSim::kInputsOutputs}));

  const auto f32 = [](const QByteArray& aRecord, int aAt) {
    const quint32 bits = Le32(aRecord, aAt);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return double(value);
  };
  const QByteArray position = byType[TLegacyTrackerSim::kPosition];
  QVERIFY(position.size() >= 31 + 1 + 2);
  QVERIFY(f32(position, 12) > 55 && f32(position, 12) < 56.5);
  QVERIFY(f32(position, 16) > 37 && f32(position, 16) < 38.5);
  QVERIFY(quint8(position.at(30)) > 3);
  const QByteArray time = byType[TLegacyTrackerSim::kTime];
  QCOMPARE(qint64(Le32(time, 8)), clock.Now().toSecsSinceEpoch());
  const QByteArray power = byType[TLegacyTrackerSim::kPower];
  QVERIFY(Le16(power, 8) > 11000 && Le16(power, 8) < 15000);
  QCOMPARE(Le16(byType[TLegacyTrackerSim::kModem], 10), quint16(25001));
}

void TstDevsim::ptyPortServesOneClientAfterAnother() {
  TPtyPort port;
  QString error;
  QVERIFY2(port.Open(&error), qPrintable(error));
  QVERIFY(!port.HasClient());
  port.Write("nobody listens"); // lost, as a device's output into a closed port is
  QObject::connect(&port, &TPtyPort::Received, &port,
                   [&](const QByteArray& aBytes) { port.Write("re:" + aBytes); });

  {
    TPtyClient first(port.SlavePath());
    QVERIFY(first.IsOpen());
    QTRY_VERIFY_WITH_TIMEOUT(port.HasClient(), 30000);
    QVERIFY(first.Write("one"));
    QTRY_COMPARE_WITH_TIMEOUT(first.Received(), QByteArray("re:one"), 30000);
    port.Write("left unread");
    QTRY_COMPARE_WITH_TIMEOUT(first.Unread(), 11, 30000);
  }
  // The next client comes at once and asks before the port has seen the first one go: it gets
  // its answer and nothing the first one left unread.
  TPtyClient second(port.SlavePath());
  QVERIFY(second.IsOpen());
  QSignalSpy received(&port, &TPtyPort::Received);
  QVERIFY(second.Write("two"));
  QVERIFY(received.wait(30000));
  QTRY_COMPARE_WITH_TIMEOUT(second.Received(), QByteArray("re:two"), 30000);
  QVERIFY(port.HasClient());
}

void TstDevsim::binaryServesTerminal_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QByteArray>("request");
  QTest::addColumn<QByteArray>("expected");

  QTest::newRow("tracker answers identity") << QStringList{"--gen", "1", "--id", "4242", "--quiet"}
                                            << QByteArray(">I 0\r\n") << QByteArray(">DN=4242\r\n");
  QTest::newRow("tracker streams status")
      << QStringList{"--rate", "100"} << QByteArray() << QByteArray(">TW=");
  QTest::newRow("sensor master answers the probe")
      << QStringList{"--gen", "3"} << kProbe << QByteArray("\x3E\x10\xB0");
}

void TstDevsim::binaryServesTerminal() {
  QFETCH(QStringList, arguments);
  QFETCH(QByteArray, request);
  QFETCH(QByteArray, expected);

  const QString program = qEnvironmentVariable("VELMORA_BIN_DIR") + "/velmora-devsim";
  if (qEnvironmentVariableIsEmpty("VELMORA_BIN_DIR") || !QFileInfo(program).isExecutable())
    QSKIP("velmora-devsim is not built (VELMORA_BIN_DIR unset or without it)");
  QTemporaryDir dir;
  QVERIFY(dir.isValid());
  const QString link = dir.filePath("ttyVELMORA");

  QProcess process;
  process.start(program, arguments + QStringList{"--link", link});
  QVERIFY2(process.waitForStarted(30000), qPrintable(process.errorString()));
  QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), 30000);
  const QString path = QString::fromLocal8Bit(process.readLine()).trimmed();
  QVERIFY(path.startsWith("/dev/"));
  QVERIFY(QFileInfo(link).isSymLink());
  QCOMPARE(QFileInfo(link).symLinkTarget(), path);

  // A client may come and go: the second session must be served like the first.
  for (int session = 0; session < 2; ++session) {
    TPtyClient client(link);
    QVERIFY2(client.IsOpen(), std::strerror(errno));
    if (!request.isEmpty())
      QVERIFY(client.Write(request));
    QTRY_VERIFY_WITH_TIMEOUT(client.Received().contains(expected), 30000);
  }

  process.terminate();
  QVERIFY(process.waitForFinished(30000));
  QCOMPARE(process.exitStatus(), QProcess::NormalExit);
  QCOMPARE(process.exitCode(), 0);
  QVERIFY(!QFileInfo(link).isSymLink());
  QVERIFY(!QFileInfo::exists(link));
}

QTEST_GUILESS_MAIN(TstDevsim)
#include "tst_devsim.moc"
