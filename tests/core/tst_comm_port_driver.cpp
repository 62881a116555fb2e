#include "core/comm_port_driver.h"
#include "core_fixture.h"
#include "pty_fixture.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <dlfcn.h>
#include <map>
#include <memory>
#include <sys/ioctl.h>

namespace {

// A pty has no modem lines: the kernel refuses the TIOCM requests on it. The stand-in below keeps
// them per descriptor instead, starting as a real port starts after open on Linux (DTR and RTS
// raised), so that what the driver leaves on the lines can be read back.
std::map<int, int>& ModemLines() {
  static std::map<int, int> lines;
  return lines;
}

} // namespace

extern "C" int ioctl(int aFd, unsigned long aRequest, ...) noexcept {
  va_list args;
  va_start(args, aRequest);
  void* argument = va_arg(args, void*);
  va_end(args);
  using TIoctl = int (*)(int, unsigned long, ...);
  static const TIoctl real = [] {
    void* symbol = ::dlsym(RTLD_NEXT, "ioctl");
    TIoctl f = nullptr;
    std::memcpy(&f, &symbol, sizeof f);
    return f;
  }();
  const int result = real(aFd, aRequest, argument);
  const bool modemRequest =
      aRequest == TIOCMGET || aRequest == TIOCMSET || aRequest == TIOCMBIS || aRequest == TIOCMBIC;
  if (result == 0 || !modemRequest || !argument)
    return result;
  int& lines = ModemLines().try_emplace(aFd, TIOCM_DTR | TIOCM_RTS).first->second;
  int& bits = *static_cast<int*>(argument);
  if (aRequest == TIOCMGET)
    bits = lines;
  else if (aRequest == TIOCMSET)
    lines = bits;
  else if (aRequest == TIOCMBIS)
    lines |= bits;
  else
    lines &= ~bits;
  errno = 0;
  return 0;
}

namespace {

constexpr int WaitMs = 10000;

// Every delivery of the receive event, as it came.
struct TDeliveries {
  QList<QByteArray> Items;

  void Attach(TCommPortDriver& aDriver) {
    aDriver.SetOnReceiveData(
        [this](TCommPortDriver*, const char* aData, int aSize) { Items.append(QByteArray(aData, aSize)); });
  }
  QByteArray Joined() const {
    QByteArray all;
    for (const QByteArray& item : Items)
      all += item;
    return all;
  }
  qsizetype Largest() const {
    qsizetype largest = 0;
    for (const QByteArray& item : Items)
      largest = std::max(largest, item.size());
    return largest;
  }
};

// A pty peer and a driver on its other end, recording what the driver delivers.
struct TPtyRig {
  TPtyPeer Peer;
  TCommPortDriver Driver;
  TDeliveries Got;
  TPtyRig() {
    Got.Attach(Driver);
    Driver.SetPort(Peer.SlavePath());
  }
};

QByteArray Pattern(int aSize) {
  QByteArray bytes(aSize, '\0');
  // 251 is prime: no run repeats at a power-of-two stride, so a lost or repeated block shows.
  for (int i = 0; i < aSize; ++i)
    bytes[i] = static_cast<char>(i % 251);
  return bytes;
}

// Reaches the delivery path a replaying subclass uses.
class TFeedDriver : public TCommPortDriver {
public:
  void Feed(const QByteArray& aBytes) {
    DeliverReceived(aBytes.constData(), static_cast<int>(aBytes.size()));
  }
};

} // namespace

class TestCommPortDriver : public QObject {
  Q_OBJECT

private Q_SLOTS:
  void burstArrivesWholeInBoundedDeliveries_data();
  void burstArrivesWholeInBoundedDeliveries();
  void delimiterFraming_data();
  void delimiterFraming();
  void bytesBeyondTheRoomLeftAreNotStranded();
  void inBufSizeChangeDropsHeldBytes();
  void connectTwiceKeepsTheOpenPort();
  void portHeldByAnotherDriverIsRefused();
  void missingPathDoesNotConnect();
  void unconnectedDriverIsHarmless();
  void setPortIgnoredWhileConnected();
  void vanishedDeviceDisconnectsOnce_data();
  void vanishedDeviceDisconnectsOnce();
  void staleInputIsDroppedAtConnect();
  void sendIsOnTheLineWhenItReturns();
  void lossInsideADeliveryIsReportedAfterIt();
  void receiveEventCanSend();
  void replySplitOverTwoReadsUnlocks();
  void emptyReadOnALiveLineKeepsThePort();
  void deliveriesNeverNest();
  void lineParametersReachTheLine_data();
  void lineParametersReachTheLine();
  void clamps_data();
  void clamps();
  void injectedBytesAreFramedAndNeverNested();
};

void TestCommPortDriver::burstArrivesWholeInBoundedDeliveries_data() {
  QTest::addColumn<int>("inBufSize");
  QTest::addColumn<int>("pollBefore");
  QTest::addColumn<int>("pollAfter"); // -1: left as it was at Connect
  QTest::newRow("event-driven, default buffer") << 4096 << 0 << -1;
  QTest::newRow("event-driven, small buffer") << 100 << 0 << -1;
  QTest::newRow("polled") << 4096 << 5 << -1;
  QTest::newRow("polling switched on while connected") << 4096 << 0 << 5;
  QTest::newRow("polling switched off while connected") << 512 << 5 << 0;
}

void TestCommPortDriver::burstArrivesWholeInBoundedDeliveries() {
  QFETCH(int, inBufSize);
  QFETCH(int, pollBefore);
  QFETCH(int, pollAfter);
  TPtyRig rig;
  auto& [peer, driver, got] = rig;
  QVERIFY(peer.IsOpen());
  driver.SetPortInBufSize(static_cast<quint16>(inBufSize));
  driver.SetPortPollingDelay(static_cast<quint16>(pollBefore));
  QVERIFY(driver.Connect());
  if (pollAfter >= 0)
    driver.SetPortPollingDelay(static_cast<quint16>(pollAfter));

  const QByteArray payload = Pattern(10000);
  QVERIFY(peer.Write(payload));
  QTRY_COMPARE_WITH_TIMEOUT(got.Joined().size(), payload.size(), WaitMs);
  QCOMPARE(got.Joined(), payload);
  QVERIFY2(got.Largest() <= inBufSize, qPrintable(QString::number(got.Largest())));
}

void TestCommPortDriver::delimiterFraming_data() {
  QTest::addColumn<int>("inBufSize");
  QTest::addColumn<int>("endByte");
  QTest::addColumn<QList<QByteArray>>("writes");
  QTest::addColumn<QList<QByteArray>>("expected");

  QTest::newRow("split at each delimiter, tail waits for the next")
      << 4096 << 0x0A << QList<QByteArray>{QByteArray::fromHex("410A42430A44"), QByteArray::fromHex("0A")}
      << QList<QByteArray>{QByteArray::fromHex("410A"), QByteArray::fromHex("42430A"),
                           QByteArray::fromHex("440A")};
  QTest::newRow("full buffer without delimiter is handed over")
      << 8 << 0x0A << QList<QByteArray>{QByteArray("abcdefghijklmnopqrst"), QByteArray("\n")}
      << QList<QByteArray>{QByteArray("abcdefgh"), QByteArray("ijklmnop"), QByteArray("qrst\n")};
  QTest::newRow("delimiter as the last byte of a full buffer")
      << 4 << 0x0A << QList<QByteArray>{QByteArray("abc\n"), QByteArray("d\n")}
      << QList<QByteArray>{QByteArray("abc\n"), QByteArray("d\n")};
  QTest::newRow("zero byte as delimiter")
      << 4096 << 0x00 << QList<QByteArray>{QByteArray::fromHex("41004243"), QByteArray::fromHex("00")}
      << QList<QByteArray>{QByteArray::fromHex("4100"), QByteArray::fromHex("424300")};
  QTest::newRow("0xFF as delimiter") << 4096 << 0xFF << QList<QByteArray>{QByteArray::fromHex("01FF02FF03")}
                                     << QList<QByteArray>{QByteArray::fromHex("01FF"),
                                                          QByteArray::fromHex("02FF")};
}

void TestCommPortDriver::delimiterFraming() {
  QFETCH(int, inBufSize);
  QFETCH(int, endByte);
  QFETCH(QList<QByteArray>, writes);
  QFETCH(QList<QByteArray>, expected);
  TPtyRig rig;
  auto& [peer, driver, got] = rig;
  QVERIFY(peer.IsOpen());
  driver.SetPortInBufSize(static_cast<quint16>(inBufSize));
  driver.SetEndByte(endByte);
  QVERIFY(driver.Connect());

  for (const QByteArray& chunk : writes)
    QVERIFY(peer.Write(chunk));
  QTRY_COMPARE_WITH_TIMEOUT(got.Items.size(), expected.size(), WaitMs);
  QCOMPARE(got.Items, expected);
}

void TestCommPortDriver::bytesBeyondTheRoomLeftAreNotStranded() {
  TPtyRig rig;
  auto& [peer, driver, got] = rig;
  QVERIFY(peer.IsOpen());
  driver.SetPortInBufSize(8);
  driver.SetEndByte('\n');
  QVERIFY(driver.Connect());

  QVERIFY(peer.Write("x\nabc"));
  QTRY_COMPARE_WITH_TIMEOUT(got.Items.size(), 1, WaitMs);
  // "abc" is held, so only five of these fit; the final "\n" is the last byte the device sends
  // and no further readyRead will come for it.
  QVERIFY(peer.Write("de\nfg\n"));
  QTRY_COMPARE_WITH_TIMEOUT(got.Items.size(), 3, WaitMs);
  QCOMPARE(got.Items, (QList<QByteArray>{"x\n", "abcde\n", "fg\n"}));
}

void TestCommPortDriver::inBufSizeChangeDropsHeldBytes() {
  TPtyRig rig;
  auto& [peer, driver, got] = rig;
  QVERIFY(peer.IsOpen());
  driver.SetEndByte('\n');
  QVERIFY(driver.Connect());

  QVERIFY(peer.Write("a\nstale"));
  QTRY_COMPARE_WITH_TIMEOUT(got.Items.size(), 1, WaitMs);
  driver.SetPortInBufSize(64);
  QVERIFY(peer.Write("fresh\n"));
  QTRY_COMPARE_WITH_TIMEOUT(got.Items.size(), 2, WaitMs);
  QCOMPARE(got.Items, (QList<QByteArray>{"a\n", "fresh\n"}));
}

void TestCommPortDriver::connectTwiceKeepsTheOpenPort() {
  TPtyRig rig;
  auto& [peer, driver, got] = rig;
  QVERIFY(peer.IsOpen());
  driver.SetEndByte('\n');
  QVERIFY(driver.Connect());
  const quintptr handle = driver.Handle();
  QVERIFY(driver.Connected());

  // Bytes held for the delimiter show a reopen: it would drop them.
  QVERIFY(peer.Write("x\nab"));
  QTRY_COMPARE_WITH_TIMEOUT(got.Items.size(), 1, WaitMs);
  QTRY_COMPARE_WITH_TIMEOUT(driver.findChild<QSerialPort*>()->bytesAvailable(), qint64(0), WaitMs);
  QVERIFY(driver.Connect());
  QCOMPARE(driver.Handle(), handle);
  QVERIFY(peer.Write("c\n"));
  QTRY_COMPARE_WITH_TIMEOUT(got.Items.size(), 2, WaitMs);
  QCOMPARE(got.Items, (QList<QByteArray>{"x\n", "abc\n"}));
}

void TestCommPortDriver::portHeldByAnotherDriverIsRefused() {
  TPtyPeer peer;
  QVERIFY(peer.IsOpen());
  TCommPortDriver first;
  first.SetPort(peer.SlavePath());
  QVERIFY(first.Connect());

  TCommPortDriver second;
  second.SetPort(peer.SlavePath());
  QVERIFY(!second.Connect());
  QVERIFY(!second.Connected());
  QCOMPARE(second.Handle(), quintptr(0));

  // Disconnect really lets go of the port.
  first.Disconnect();
  QVERIFY(!first.Connected());
  QVERIFY(second.Connect());
}

void TestCommPortDriver::missingPathDoesNotConnect() {
  TCommPortDriver driver;
  driver.SetPort(QStringLiteral("/dev/velmora-no-such-port"));
  QVERIFY(!driver.Connect());
  QVERIFY(!driver.Connected());
  QCOMPARE(driver.Handle(), quintptr(0));
  QVERIFY(!driver.SendString("x"));
}

void TestCommPortDriver::unconnectedDriverIsHarmless() {
  TCommPortDriver driver;
  driver.Disconnect();
  driver.Disconnect();
  QCOMPARE(driver.Handle(), quintptr(0));
  QVERIFY(!driver.Connected());
  QVERIFY(!driver.SendData("abc", 3));
  QVERIFY(!driver.SendString("abc"));

  TPtyPeer peer;
  QVERIFY(peer.IsOpen());
  driver.SetPort(peer.SlavePath());
  QVERIFY(driver.Connect());
  driver.Disconnect();
  QCOMPARE(driver.Handle(), quintptr(0));
  QVERIFY(!driver.SendString("abc"));
}

void TestCommPortDriver::setPortIgnoredWhileConnected() {
  TPtyPeer peer;
  QVERIFY(peer.IsOpen());
  TCommPortDriver driver;
  driver.SetPort(peer.SlavePath());
  QVERIFY(driver.Connect());
  driver.SetPort(QStringLiteral("/dev/ttyACM9"));
  QCOMPARE(driver.Port(), peer.SlavePath());
  driver.Disconnect();
  driver.SetPort(QStringLiteral("/dev/ttyACM9"));
  QCOMPARE(driver.Port(), QStringLiteral("/dev/ttyACM9"));
}

void TestCommPortDriver::vanishedDeviceDisconnectsOnce_data() {
  QTest::addColumn<int>("pollingDelay");
  QTest::newRow("event-driven") << 0;
  QTest::newRow("polled") << 5;
}

void TestCommPortDriver::vanishedDeviceDisconnectsOnce() {
  QFETCH(int, pollingDelay);
  auto peer = std::make_unique<TPtyPeer>();
  QVERIFY(peer->IsOpen());
  TCommPortDriver driver;
  TDeliveries got;
  got.Attach(driver);
  driver.SetPort(peer->SlavePath());
  driver.SetPortPollingDelay(static_cast<quint16>(pollingDelay));
  QVERIFY(driver.Connect());
  auto* serial = driver.findChild<QSerialPort*>();
  QVERIFY(serial);
  QSignalSpy errors(serial, &QSerialPort::errorOccurred);
  QSignalSpy lost(&driver, &TCommPortDriver::ConnectionLost);

  QVERIFY(peer->Write(Pattern(3000)));
  QTRY_VERIFY_WITH_TIMEOUT(!got.Items.isEmpty(), WaitMs);
  QVERIFY(peer->Write(Pattern(3000)));
  peer->CloseMaster();

  QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, WaitMs);
  QVERIFY(!driver.Connected());
  QCOMPARE(driver.Handle(), quintptr(0));
  QVERIFY(!serial->isOpen());
  // Long enough for a hang-up flood to run into the thousands; not a measure of speed.
  QTest::qWait(300);
  QCOMPARE(lost.count(), 1);
  QVERIFY2(errors.count() <= 10, qPrintable(QString::number(errors.count())));
  const qsizetype deliveries = got.Items.size();
  QVERIFY(!driver.SendString("late"));
  QCOMPARE(got.Items.size(), deliveries);

  // The state is clean: the next device connects and is heard.
  peer = std::make_unique<TPtyPeer>();
  QVERIFY(peer->IsOpen());
  driver.SetPort(peer->SlavePath());
  QVERIFY(driver.Connect());
  got.Items.clear();
  QVERIFY(peer->Write("again"));
  QTRY_COMPARE_WITH_TIMEOUT(got.Joined(), QByteArray("again"), WaitMs);
  QCOMPARE(lost.count(), 1);
}

void TestCommPortDriver::staleInputIsDroppedAtConnect() {
  TPtyRig rig;
  auto& [peer, driver, got] = rig;
  QVERIFY(peer.IsOpen());
  QVERIFY(peer.Write("stale"));
  QVERIFY(peer.WaitQueuedForDriver(WaitMs));
  QVERIFY(driver.Connect());
  QVERIFY(peer.Write("fresh"));
  QTRY_COMPARE_WITH_TIMEOUT(got.Joined().size(), qsizetype(5), WaitMs);
  QCOMPARE(got.Joined(), QByteArray("fresh"));
}

void TestCommPortDriver::sendIsOnTheLineWhenItReturns() {
  TPtyPeer peer;
  QVERIFY(peer.IsOpen());
  TCommPortDriver driver;
  driver.SetPort(peer.SlavePath());
  QVERIFY(driver.Connect());
  const QByteArray payload = Pattern(2000);
  QVERIFY(driver.SendString(payload));
  QVERIFY(driver.SendData("", 0));
  // No event loop from here: bytes still queued inside the driver would never arrive.
  QCOMPARE(peer.ReceivedBlocking(payload.size(), WaitMs), payload);
}

void TestCommPortDriver::lossInsideADeliveryIsReportedAfterIt() {
  TPtyPeer peer;
  QVERIFY(peer.IsOpen());
  TCommPortDriver driver;
  driver.SetPort(peer.SlavePath());
  QSignalSpy lost(&driver, &TCommPortDriver::ConnectionLost);
  bool closedInside = false;
  int lostInside = -1;
  driver.SetOnReceiveData([&](TCommPortDriver* aSender, const char*, int) {
    if (lostInside >= 0)
      return;
    // The device vanishes while the receive event waits in an event loop.
    peer.CloseMaster();
    QDeadlineTimer deadline(WaitMs);
    while (aSender->Connected() && !deadline.hasExpired())
      QTest::qWait(5);
    closedInside = !aSender->Connected();
    lostInside = int(lost.count());
  });
  QVERIFY(driver.Connect());

  QVERIFY(peer.Write("x"));
  QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, WaitMs);
  QVERIFY(closedInside);
  QCOMPARE(lostInside, 0);
}

void TestCommPortDriver::receiveEventCanSend() {
  TPtyPeer peer;
  QVERIFY(peer.IsOpen());
  TCommPortDriver driver;
  driver.SetPort(peer.SlavePath());
  driver.SetEndByte('\n');
  QList<bool> sendResults;
  driver.SetOnReceiveData([&sendResults](TCommPortDriver* aSender, const char* aData, int aSize) {
    sendResults.append(aSender->SendString("ok:" + QByteArray(aData, aSize)));
  });
  QVERIFY(driver.Connect());

  QVERIFY(peer.Write("abc\ndef\n"));
  QTRY_COMPARE_WITH_TIMEOUT(peer.Received(), QByteArray("ok:abc\nok:def\n"), WaitMs);
  QCOMPARE(sendResults, (QList<bool>{true, true}));
}

void TestCommPortDriver::replySplitOverTwoReadsUnlocks() {
  // A service adapter's answer that the line delivers in two reads still unlocks the port.
  TPtyPeer peer;
  QVERIFY(peer.IsOpen());
  TRecorderHost host;
  TManualClock clock;
  TExchangeCore core(host, clock);
  TCommPortDriver driver;
  driver.SetPort(peer.SlavePath());
  TPortInfo port(core);
  port.SetCom(&driver);
  port.SetDevicePID_VID(QStringLiteral("USB\\VID_0483&PID_5742&MI_00"));
  port.SetUserPassword(QStringLiteral("424242"));
  port.SetReadLocked(true);
  host.Port = &port;
  int reads = 0;
  driver.SetOnReceiveData([&](TCommPortDriver* aSender, const char* aData, int aSize) {
    ++reads;
    core.QReceiveData(aSender, aData, aSize);
  });
  QVERIFY(driver.Connect());

  QVERIFY(peer.Write("DEVICE PASSWORD "));
  QTRY_COMPARE_WITH_TIMEOUT(reads, 1, WaitMs);
  QVERIFY(port.ReadLocked());
  QVERIFY(peer.Write("OK\r\n"));
  QTRY_COMPARE_WITH_TIMEOUT(reads, 2, WaitMs);
  QVERIFY(!port.ReadLocked());
  QCOMPARE(port.DevicePassword(), QStringLiteral("424242"));
}

void TestCommPortDriver::emptyReadOnALiveLineKeepsThePort() {
  // Qt reports a read that came up empty as a read error; on a line that is still up the port
  // must stay, and sends must still go out.
  TPtyRig rig;
  QVERIFY(rig.Peer.IsOpen());
  QVERIFY(rig.Driver.Connect());
  auto* serial = rig.Driver.findChild<QSerialPort*>();
  QVERIFY(serial);
  QSignalSpy lost(&rig.Driver, &TCommPortDriver::ConnectionLost);
  Q_EMIT serial->errorOccurred(QSerialPort::ReadError);
  QCOMPARE(lost.count(), 0);
  QVERIFY(rig.Driver.Connected());
  QVERIFY(rig.Driver.SendString("ping"));
  QCOMPARE(rig.Peer.ReceivedBlocking(4, WaitMs), QByteArray("ping"));
  QVERIFY(rig.Peer.Write("pong"));
  QTRY_COMPARE_WITH_TIMEOUT(rig.Got.Joined(), QByteArray("pong"), WaitMs);

  // Once the device end is gone the same error means what it says.
  rig.Peer.CloseMaster();
  Q_EMIT serial->errorOccurred(QSerialPort::ReadError);
  QTRY_COMPARE_WITH_TIMEOUT(lost.count(), 1, WaitMs);
}

void TestCommPortDriver::deliveriesNeverNest() {
  TPtyPeer peer;
  QVERIFY(peer.IsOpen());
  TCommPortDriver driver;
  driver.SetPort(peer.SlavePath());
  QVERIFY(driver.Connect());
  auto* serial = driver.findChild<QSerialPort*>();
  QVERIFY(serial);

  QByteArray received;
  int depth = 0;
  int deepest = 0;
  bool nestedLoopRan = false;
  driver.SetOnReceiveData([&](TCommPortDriver* aSender, const char* aData, int aSize) {
    ++depth;
    deepest = std::max(deepest, depth);
    received.append(aData, aSize);
    if (!nestedLoopRan) {
      nestedLoopRan = true;
      // A handler that waits in an event loop (a modal dialog, a reply wait) while the device
      // keeps sending; the bytes reach QSerialPort and its readyRead is dispatched in here.
      aSender->SendString("?");
      peer.Write("second");
      QDeadlineTimer deadline(WaitMs);
      while (serial->bytesAvailable() == 0 && deepest == 1 && !deadline.hasExpired())
        QTest::qWait(5);
      QTest::qWait(20);
    }
    --depth;
  });

  QVERIFY(peer.Write("first"));
  QTRY_COMPARE_WITH_TIMEOUT(received, QByteArray("firstsecond"), WaitMs);
  QVERIFY(nestedLoopRan);
  QCOMPARE(deepest, 1);
}

void TestCommPortDriver::lineParametersReachTheLine_data() {
  QTest::addColumn<int>("presetHw");    // set before Connect
  QTest::addColumn<QString>("setting"); // then this one on the live port
  QTest::addColumn<int>("value");
  QTest::addColumn<int>("speed");
  QTest::addColumn<bool>("twoStop");
  QTest::addColumn<bool>("rtsCts");
  QTest::addColumn<bool>("xonXoff");
  // Without hardware flow control every modem line but DTR is off; with it RTS is the line's.

  // A pty forces 8 data bits without parity, so those two cannot be watched here.
  QTest::newRow("defaults at connect")
      << int(hhNONE) << QString() << 0 << int(B115200) << false << false << false;
  QTest::newRow("speed") << int(hhNONE) << "speed" << int(br9600) << int(B9600) << false << false << false;
  QTest::newRow("two stop bits") << int(hhNONE) << "stopBits" << int(sb2BITS) << int(B115200) << true << false
                                 << false;
  QTest::newRow("rts/cts") << int(hhNONE) << "hw" << int(hhRTSCTS) << int(B115200) << false << true << false;
  QTest::newRow("xon/xoff") << int(hhNONE) << "sw" << int(shXONXOFF) << int(B115200) << false << false
                            << true;
  QTest::newRow("hardware handshake wins over xon/xoff")
      << int(hhRTSCTS) << "sw" << int(shXONXOFF) << int(B115200) << false << true << false;
}

void TestCommPortDriver::lineParametersReachTheLine() {
  QFETCH(int, presetHw);
  QFETCH(QString, setting);
  QFETCH(int, value);
  QFETCH(int, speed);
  QFETCH(bool, twoStop);
  QFETCH(bool, rtsCts);
  QFETCH(bool, xonXoff);
  TPtyPeer peer;
  QVERIFY(peer.IsOpen());
  ModemLines().clear();
  TCommPortDriver driver;
  driver.SetPort(peer.SlavePath());
  driver.SetPortHwHandshaking(static_cast<TPortHwHandshaking>(presetHw));
  QVERIFY(driver.Connect());
  if (setting == QLatin1String("speed"))
    driver.SetPortSpeed(static_cast<TPortBaudRate>(value));
  else if (setting == QLatin1String("stopBits"))
    driver.SetPortStopBits(static_cast<TPortStopBits>(value));
  else if (setting == QLatin1String("hw"))
    driver.SetPortHwHandshaking(static_cast<TPortHwHandshaking>(value));
  else if (setting == QLatin1String("sw"))
    driver.SetPortSwHandshaking(static_cast<TPortSwHandshaking>(value));
  QVERIFY(driver.Connected());

  const termios tio = peer.SlaveTermios();
  QCOMPARE(int(::cfgetospeed(&tio)), speed);
  QCOMPARE((tio.c_cflag & CSTOPB) != 0, twoStop);
  QCOMPARE((tio.c_cflag & CRTSCTS) != 0, rtsCts);
  QCOMPARE((tio.c_iflag & IXON) != 0, xonXoff);
  QCOMPARE(ModemLines().size(), std::size_t(1));
  const int lines = ModemLines().begin()->second;
  QVERIFY(lines & TIOCM_DTR);
  if (!rtsCts)
    QVERIFY2(!(lines & TIOCM_RTS), "RTS left raised");

  // Still a working line after the re-application.
  TDeliveries got;
  got.Attach(driver);
  QVERIFY(peer.Write("ping"));
  QTRY_COMPARE_WITH_TIMEOUT(got.Joined(), QByteArray("ping"), WaitMs);
}

void TestCommPortDriver::clamps_data() {
  QTest::addColumn<QString>("setting");
  QTest::addColumn<int>("value");
  QTest::addColumn<int>("expected");
  QTest::newRow("data bits below 5") << "dataBits" << 4 << 5;
  QTest::newRow("data bits negative") << "dataBits" << -3 << 5;
  QTest::newRow("data bits 7 kept") << "dataBits" << 7 << 7;
  QTest::newRow("data bits above 8") << "dataBits" << 9 << 8;
  QTest::newRow("end byte negative") << "endByte" << -7 << -1;
  QTest::newRow("end byte 0 kept") << "endByte" << 0 << 0;
  QTest::newRow("end byte 255 kept") << "endByte" << 255 << 255;
  QTest::newRow("end byte above 255") << "endByte" << 256 << 255;
}

void TestCommPortDriver::clamps() {
  QFETCH(QString, setting);
  QFETCH(int, value);
  QFETCH(int, expected);
  TCommPortDriver driver;
  if (setting == QLatin1String("dataBits")) {
    driver.SetPortDataBits(value);
    QCOMPARE(int(driver.PortDataBits()), expected);
  } else {
    driver.SetEndByte(value);
    QCOMPARE(driver.EndByte(), expected);
  }
}

void TestCommPortDriver::injectedBytesAreFramedAndNeverNested() {
  TFeedDriver driver;
  driver.SetPortInBufSize(4);
  QByteArray received;
  qsizetype largest = 0;
  int depth = 0;
  int deepest = 0;
  driver.SetOnReceiveData([&](TCommPortDriver*, const char* aData, int aSize) {
    ++depth;
    deepest = std::max(deepest, depth);
    largest = std::max<qsizetype>(largest, aSize);
    const bool first = received.isEmpty();
    received.append(aData, aSize);
    if (first)
      driver.Feed("XY");
    --depth;
  });

  driver.Feed("abcdefghij");
  QCOMPARE(received, QByteArray("abcdefghijXY"));
  QCOMPARE(deepest, 1);
  QVERIFY(largest <= 4);
}

QTEST_GUILESS_MAIN(TestCommPortDriver)
#include "tst_comm_port_driver.moc"
