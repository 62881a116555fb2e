#include "adapter_sim.h"
#include "base/clock.h"
#include "chunked_writer.h"
#include "legacy_fixed.h"
#include "legacy_sim.h"
#include "line_trace.h"
#include "operation_options.h"
#include "pty_port.h"
#include "sensor_faults.h"
#include "sensor_sim.h"
#include "tracker_sim.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int gSignalPipe[2] = {-1, -1};

void OnTerminate(int) {
  const char byte = 1;
  if (::write(gSignalPipe[1], &byte, 1) < 0) {
    // Nothing to do inside a signal handler; the byte is only a wake-up.
  }
}

bool InstallTerminationHandler() {
  if (::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) != 0)
    return false;
  struct sigaction action {};
  action.sa_handler = OnTerminate;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  return ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0;
}

bool CreateLink(const QString& aLink, const QString& aTarget, QString* aError) {
  const QFileInfo existing(aLink);
  if (existing.isSymLink()) {
    if (!QFile::remove(aLink)) {
      *aError = "cannot replace the symbolic link " + aLink;
      return false;
    }
  } else if (existing.exists()) {
    *aError = aLink + " exists and is not a symbolic link";
    return false;
  }
  if (::symlink(QFile::encodeName(aTarget).constData(), QFile::encodeName(aLink).constData()) != 0) {
    *aError = "cannot create the symbolic link " + aLink;
    return false;
  }
  return true;
}

void RemoveLink(const QString& aLink, const QString& aTarget) {
  // Only our own link: another run may have taken the name over meanwhile.
  if (QFileInfo(aLink).isSymLink() && QFile::symLinkTarget(aLink) == aTarget)
    QFile::remove(aLink);
}

int Fail(const QString& aMessage) {
  std::fprintf(stderr, "velmora-devsim: %s\n", qPrintable(aMessage));
  return 2;
}

bool ReadNumber(const QString& aText, qint64 aMin, qint64 aMax, qint64* aValue) {
  bool ok = false;
  *aValue = aText.toLongLong(&ok);
  return ok && *aValue >= aMin && *aValue <= aMax;
}

} // namespace

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("velmora-devsim"));
  QCoreApplication::setApplicationVersion(QStringLiteral("0.1"));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral(R"(Plays a telematics device on a pseudo-terminal, for tests, demos and training.
Prints the terminal's path as the first line of standard output, then serves the device until
SIGTERM or SIGINT. Clients may open and close the terminal any number of times.

--gen 1, a tracker speaking text records (">" KEY "=" VALUE CR LF). It answers:
  >I 0                     DI, DN
  >I 7                     DI, DN, MN, SID0, SID1, BTM, WFM, UHW
  >I 36                    UVI, USW, UHW, DN, MN, SID0, SID1, BTM, WFM
  >D 15;0                  SF with the settings image in Base64 (types 305 and 306 keep the
                           settings of the program's schemas for them)
  <password>*CONF*<image>  SR=1 when the password and the image check, else SR=0
  >D 18;n                  FD with memory block n (256...4351) or file block n (8192...8255)
  >D 3;0                   with --fw-out: UPD requests for the firmware, answered by
                           <password>*UPD*<frame>; with --loader-dir: the loader disk appears
  >T 1, fct run            TEST results of every self-test, then TEST=INFO;OK
  sn N, fct H L            sets the device ID (N, or H * 65536 + L); no answer
  >UNIX=s                  sets the device clock; no answer
  rst, >D 1                restarts (uptime from 0); no answer
  <password>*SERV*1.7      restarts; no answer (a wrong password is ignored)
  >D 4;1, <password>*SERV*1.1   a status record set at once
  >D 8;0                   erases the recorded memory (write pointer from 0); no answer
  >D 20;1, >D 21;1, >D 22;1   BLESCAN, WIFISCAN or LBSSCAN reports at once and then every period
                           until the same command with ;0 (ignored with --scan none)
and streams every period: TW GK GS TM PB DS DS2 MS ML SMS MD0-MD4 RW1-RW4 FS1-FS4,
CAN values CA CC CE CG CQ CH CI CJ CK CU CV CXA CXB, flags CP CS, pins IA1 ID2 II3 IF4 O10,
LLS, one TEST result, IG, TMP, ACC, from a vehicle driving a loop around a city.

--gen 1 --type 1, the service adapter (list it with the USB identity VID_0483&PID_5742). A
tracker as above that also takes console words once its password was typed as a line
("DEVICE PASSWORD OK"; anything else before that: "DEVICE PASSWORD ERROR"):
  restart, storage clear   restart, erase memory; OK
  sendpacket               a status record set
  settings get             SF with the settings image
  settings set <Base64>    Settings write OK EXTFLASH, or Settings write Error EXTFLASH
  upgrade extflash, remotix getfw, remotix getconf   OK

--gen 2, a legacy tracker streaming binary 55 AA records: position, time, modem, power,
inputs and outputs. It ignores what it is sent. With --fixed every period carries the same
known records, plus a position without altitude (NaN), a power record cut short and a record
of an unknown type.

--gen 3, a fuel-sensor master with three slots answering the requests 31 10 B0, B1, B2, B4,
B5, B7, B8 (with their CRC-8); silent otherwise. Faults on demand: --status, --drop, --late,
--bad-crc, --noise, --unsolicited; identity: --address, --uptime, --search.

Any generation: --chunk N writes N bytes at a time (--chunk-gap apart), splitting records and
answers; --received FILE appends every byte the device receives to FILE.)"));
  parser.addHelpOption();
  parser.addVersionOption();
  const QCommandLineOption genOption(
      "gen", "Protocol generation: 1 tracker, 2 legacy tracker, 3 fuel-sensor master.", "1|2|3", "1");
  const QCommandLineOption typeOption(
      "type",
      "Generation 1: device type code reported in identity; types 35, 82, 99, 235, 305 and 306 "
      "use the second settings image layout.",
      "T", "303");
  const QCommandLineOption idOption("id", "Generation 1: device ID; 0 plays a fresh device without an ID.",
                                    "N", "12345");
  const QCommandLineOption imeiOption("imei", "Generation 1: IMEI, 15 digits (default: derived from the ID).",
                                      "IMEI");
  const QCommandLineOption passwordOption("password", "Generation 1: device password, 1 to 6 characters.",
                                          "TEXT", "111111");
  const QCommandLineOption rateOption("rate", "Streaming period in milliseconds (generations 1 and 2).", "MS",
                                      "1000");
  const QCommandLineOption quietOption("quiet", "Do not stream; only answer requests.");
  const QCommandLineOption corruptOption(
      "corrupt-settings",
      "Generation 1: spoil every settings image sent: crc (wrong CRC), short (shorter than a header), "
      "overrun (an entry runs past the end), base64 (not Base64).",
      "KIND");
  const QCommandLineOption scanOption(
      "scan", "Generation 1: scripted (stream BLE, Wi-Fi and cell reports on the scan commands) or none.",
      "MODE", "scripted");
  const QCommandLineOption settingOption(
      "setting",
      "Generation 1: hold VALUE (hexadecimal bytes as they sit in the settings image) for setting N "
      "instead of the factory value; repeatable. For values the program's schemas do not describe.",
      "N=HEX");
  const QCommandLineOption linkOption("link",
                                      "Also make PATH a symbolic link to the terminal (an existing link "
                                      "is replaced); removed on exit.",
                                      "PATH");
  const QCommandLineOption traceOption("trace",
                                       "Record every line received in FILE, one line each: milliseconds "
                                       "since start, a tab, the bytes with C escapes.",
                                       "FILE");
  const QCommandLineOption fixedOption("fixed", "Generation 2: the same known records every period.");
  const QCommandLineOption chunkOption("chunk", "Write N bytes at a time (0: all at once).", "N", "0");
  const QCommandLineOption chunkGapOption("chunk-gap", "Milliseconds between chunks.", "MS", "20");
  const QCommandLineOption receivedOption("received", "Append every byte received to FILE.", "FILE");
  const QCommandLineOption statusOption(
      "status", "Generation 3: status code of every write and restart answer.", "CODE");
  const QCommandLineOption lateOption("late",
                                      "Generation 3: send these answers late (numbers from 1, each with its "
                                      "delay; later answers wait behind).",
                                      "N:MS[,N:MS...]");
  const QCommandLineOption dropOption(
      "drop", "Generation 3: never send these answers (numbers from 1, comma-separated).", "N[,N...]");
  const QCommandLineOption badCrcOption("bad-crc", "Generation 3: every answer ends with a wrong CRC-8.");
  const QCommandLineOption noiseOption("noise",
                                       "Generation 3: these bytes (hexadecimal) before every answer.", "HEX");
  const QCommandLineOption unsolicitedOption(
      "unsolicited", "Generation 3: send sensor data nobody asked for every MS milliseconds.", "MS");
  const QCommandLineOption searchOption("search",
                                        "Generation 3: number of sensors a search finds (0 to 255).", "N");
  const QCommandLineOption addressOption(
      "address", "Generation 3: master address, 12 hexadecimal digits in stored order.", "HEX");
  const QCommandLineOption uptimeOption("uptime", "Generation 3: seconds the master has been up at start.",
                                        "S", "3725");
  parser.addOptions({genOption,     typeOption,     idOption,       imeiOption,        passwordOption,
                     rateOption,    quietOption,    corruptOption,  linkOption,        fixedOption,
                     chunkOption,   chunkGapOption, receivedOption, statusOption,      dropOption,
                     lateOption,    badCrcOption,   noiseOption,    unsolicitedOption, searchOption,
                     addressOption, uptimeOption,   traceOption});
  parser.addOption(scanOption);
  parser.addOption(settingOption);
  AddOperationOptions(parser);
  parser.process(app);

  qint64 generation = 0;
  qint64 type = 0;
  qint64 rate = 0;
  if (!ReadNumber(parser.value(genOption), 1, 3, &generation))
    return Fail("--gen must be 1, 2 or 3");
  if (!ReadNumber(parser.value(typeOption), 1, 65535, &type))
    return Fail("--type must be a type code from 1 to 65535");
  if (!ReadNumber(parser.value(rateOption), 20, 3600000, &rate))
    return Fail("--rate must be from 20 to 3600000 milliseconds");
  bool idOk = false;
  const quint64 id = parser.value(idOption).toULongLong(&idOk);
  if (!idOk)
    return Fail("--id must be a non-negative number");
  const QByteArray imei = parser.value(imeiOption).toLatin1();
  if (!imei.isEmpty() && (imei.size() != 15 || !std::all_of(imei.cbegin(), imei.cend(),
                                                            [](char c) { return c >= '0' && c <= '9'; })))
    return Fail("--imei must be 15 digits");
  const QByteArray password = parser.value(passwordOption).toLatin1();
  if (password.isEmpty() || password.size() > 6)
    return Fail("--password must have 1 to 6 characters");

  TTrackerOperationOptions operations;
  QString optionError;
  if (!ReadOperationOptions(parser, &operations, &optionError))
    return Fail(optionError);
  qint64 chunk = 0;
  qint64 chunkGap = 0;
  if (!ReadNumber(parser.value(chunkOption), 0, 65536, &chunk))
    return Fail("--chunk must be from 0 to 65536 bytes");
  if (!ReadNumber(parser.value(chunkGapOption), 1, 60000, &chunkGap))
    return Fail("--chunk-gap must be from 1 to 60000 milliseconds");
  TSensorIdentity identity;
  TSensorFaults faults;
  qint64 unsolicited = 0;
  if (parser.isSet(statusOption)) {
    qint64 status = 0;
    if (!ReadNumber(parser.value(statusOption), 0, 255, &status))
      return Fail("--status must be from 0 to 255");
    faults.ForcedStatus = int(status);
  }
  if (parser.isSet(dropOption)) {
    for (const QString& item : parser.value(dropOption).split(QLatin1Char(','))) {
      qint64 n = 0;
      if (!ReadNumber(item, 1, 1000000, &n))
        return Fail("--drop must list answer numbers from 1");
      faults.Drop.insert(int(n));
    }
  }
  if (parser.isSet(lateOption)) {
    for (const QString& item : parser.value(lateOption).split(QLatin1Char(','))) {
      const QStringList parts = item.split(QLatin1Char(':'));
      qint64 n = 0;
      qint64 ms = 0;
      if (parts.size() != 2 || !ReadNumber(parts[0], 1, 1000000, &n) || !ReadNumber(parts[1], 1, 60000, &ms))
        return Fail("--late must list answer numbers from 1, each with a delay of 1 to 60000 milliseconds");
      faults.Late.insert(int(n), int(ms));
    }
  }
  faults.BadCrc = parser.isSet(badCrcOption);
  if (parser.isSet(noiseOption)) {
    const QByteArray hex = parser.value(noiseOption).toLatin1();
    faults.Noise = QByteArray::fromHex(hex);
    if (faults.Noise.isEmpty() || faults.Noise.toHex().compare(hex, Qt::CaseInsensitive) != 0)
      return Fail("--noise must be pairs of hexadecimal digits");
  }
  if (parser.isSet(unsolicitedOption)) {
    if (!ReadNumber(parser.value(unsolicitedOption), 20, 3600000, &unsolicited))
      return Fail("--unsolicited must be from 20 to 3600000 milliseconds");
    faults.Unsolicited = true;
  }
  if (parser.isSet(searchOption)) {
    qint64 count = 0;
    if (!ReadNumber(parser.value(searchOption), 0, 255, &count))
      return Fail("--search must be from 0 to 255");
    identity.SearchCount = int(count);
  }
  if (parser.isSet(addressOption)) {
    const QByteArray hex = parser.value(addressOption).toLatin1();
    identity.Address = QByteArray::fromHex(hex);
    if (hex.size() != 12 || identity.Address.size() != 6 ||
        identity.Address.toHex().compare(hex, Qt::CaseInsensitive) != 0)
      return Fail("--address must be 12 hexadecimal digits");
  }
  if (!ReadNumber(parser.value(uptimeOption), 0, 0xFFFFFFFFLL, &identity.UptimeAtStart))
    return Fail("--uptime must be from 0 to 4294967295 seconds");
  TCorruptImage corrupt = ciNone;
  if (parser.isSet(corruptOption) && !ParseCorruptImage(parser.value(corruptOption), &corrupt))
    return Fail("--corrupt-settings must be crc, short, overrun or base64");

  TScanMode scan = smScripted;
  if (!ParseScanMode(parser.value(scanOption), &scan))
    return Fail("--scan must be scripted or none");
  QMap<int, QByteArray> settings;
  for (const QString& item : parser.values(settingOption)) {
    qint64 number = 0;
    const QByteArray hex = item.section(QLatin1Char('='), 1).toLatin1();
    const QByteArray bytes = QByteArray::fromHex(hex);
    if (!ReadNumber(item.section(QLatin1Char('='), 0, 0), 1, 65535, &number) || hex.size() > 510 ||
        bytes.toHex().compare(hex, Qt::CaseInsensitive) != 0)
      return Fail("--setting must be N=HEX: a number from 1 to 65535 and up to 255 hexadecimal bytes");
    settings.insert(int(number), bytes);
  }

  const TClock& clock = TClock::System();
  std::unique_ptr<TSimDevice> device;
  if (generation == 1 && type == 1)
    device = std::make_unique<TServiceAdapterSim>(TTrackerOptions{1, id, imei, password}, clock);
  else if (generation == 1)
    device = std::make_unique<TTrackerSim>(
        TTrackerOptions{int(type), id, imei, password, corrupt, scan, settings}, clock, operations);
  else if (generation == 2 && parser.isSet(fixedOption))
    device = std::make_unique<TLegacyFixedSim>();
  else if (generation == 2)
    device = std::make_unique<TLegacyTrackerSim>(clock);
  else
    device = std::make_unique<TFaultySensorSim>(std::make_unique<TSensorSim>(clock, identity), faults);

  QFile received;
  if (parser.isSet(receivedOption)) {
    received.setFileName(parser.value(receivedOption));
    if (!received.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
      return Fail("cannot open " + received.fileName() + " for appending");
  }

  if (!InstallTerminationHandler())
    return Fail("cannot install the signal handlers");
  TPtyPort port;
  QString error;
  if (!port.Open(&error))
    return Fail(error);
  TLineTrace trace(clock);
  const bool tracing = parser.isSet(traceOption);
  if (tracing && !trace.Open(parser.value(traceOption), &error))
    return Fail(error);
  // Binary requests carry no line end: what stays unended for a moment is a line of its own.
  QTimer traceFlush;
  traceFlush.setSingleShot(true);
  traceFlush.setInterval(50);
  QObject::connect(&traceFlush, &QTimer::timeout, &port, [&] { trace.Flush(); });
  const QString link = parser.value(linkOption);
  if (!link.isEmpty() && !CreateLink(link, port.SlavePath(), &error))
    return Fail(error);

  std::fprintf(stdout, "%s\n", qPrintable(port.SlavePath()));
  std::fflush(stdout);

  QSocketNotifier terminate(gSignalPipe[0], QSocketNotifier::Read);
  QObject::connect(&terminate, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
  TChunkedWriter writer(port, int(chunk), int(chunkGap));
  QObject::connect(&port, &TPtyPort::Received, &port, [&](const QByteArray& aBytes) {
    if (tracing) {
      trace.Feed(aBytes);
      if (trace.HasPending())
        traceFlush.start();
    }
    if (received.isOpen())
      received.write(aBytes);
    const QByteArray answer = device->Feed(aBytes);
    if (!answer.isEmpty())
      writer.Write(answer);
  });
  QTimer streaming;
  streaming.setInterval(int(generation == 3 ? unsolicited : rate));
  QObject::connect(&streaming, &QTimer::timeout, &port, [&] {
    const QByteArray records = device->Stream();
    if (!records.isEmpty())
      writer.Write(records);
  });
  if (!parser.isSet(quietOption) && (generation != 3 || unsolicited > 0))
    streaming.start();
  // Answers the device gives after a while (a self-test that takes its time).
  QTimer later;
  later.setInterval(50);
  QObject::connect(&later, &QTimer::timeout, &port, [&] {
    const QByteArray answer = device->Due();
    if (!answer.isEmpty())
      writer.Write(answer);
  });
  later.start();

  const int result = QCoreApplication::exec();
  trace.Flush();
  if (!link.isEmpty())
    RemoveLink(link, port.SlavePath());
  return result;
}
