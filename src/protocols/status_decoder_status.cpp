// Status words, time, power and modem keys of the generation-1 status records.

#include "core/exchange_host.h"
#include "i18n/code_tables.h"
#include "protocols/status_decoder.h"
#include "protocols/status_host.h"

using namespace StatusText;

namespace {

// One value of a bit field: the dictionary key shown and its colour.
struct TBitText {
  const char* Key;
  TColorRef Color;
};

constexpr TColorRef clValue = clValuePlaceholder;

constexpr TBitText kNavigation[4] = {
    {"DS2_1_0", clGreyValue}, {"DS2_1_1", clValue}, {"DS2_1_2", clYellow}, {"DS2_1_3", clValue}};
// States 5 to 7 of the modem field show nothing.
constexpr TBitText kModem[5] = {{"DS2_1_0", clGreyValue},
                                {"DS2_1_1", clValue},
                                {"DS2_2_2", clValue},
                                {"DS2_2_3", clYellow},
                                {"DS2_2_4", clValue}};
constexpr TBitText kServer[4] = {{"MS_", clGreyValue}, {"MS5", clValue}, {"MS6", clValue}, {"MS8", clValue}};
constexpr TBitText kReadings[4] = {
    {"TM2", clValue}, {"TM0", clYellow}, {"Error", clRed}, {"ErrorTest", clRed}};
// Red states are faults whichever SIM is in use; the others take the colour of their SIM's role.
constexpr bool kSimFault[8] = {true, false, false, true, false, false, true, false};

} // namespace

void TStatusDecoderV1::AddStatusKeys(TTable& t) {
  t.insert(QStringLiteral("DS"), {&TStatusDecoderV1::OnDS});
  t.insert(QStringLiteral("DS2"), {&TStatusDecoderV1::OnDS2});
  t.insert(QStringLiteral("MS"), {&TStatusDecoderV1::OnMS});
  t.insert(QStringLiteral("DF"), {&TStatusDecoderV1::OnDF});
  t.insert(QStringLiteral("WS"), {&TStatusDecoderV1::OnWS});
  t.insert(QStringLiteral("TW"), {&TStatusDecoderV1::OnTW});
  t.insert(QStringLiteral("SYS"), {&TStatusDecoderV1::OnSYS});
  t.insert(QStringLiteral("TM"), {&TStatusDecoderV1::OnTM});
  t.insert(QStringLiteral("TMP"), {&TStatusDecoderV1::OnTMP});
  t.insert(QStringLiteral("ACC"), {&TStatusDecoderV1::OnACC});
  t.insert(QStringLiteral("PB"), {&TStatusDecoderV1::OnPB});
  t.insert(QStringLiteral("ML"), {&TStatusDecoderV1::OnML});
  t.insert(QStringLiteral("MO"), {&TStatusDecoderV1::OnMO});
  t.insert(QStringLiteral("SMS"), {&TStatusDecoderV1::OnSMS});
  t.insert(QStringLiteral("APN"), {&TStatusDecoderV1::OnAPN});
  t.insert(QStringLiteral("IG"), {&TStatusDecoderV1::OnIG});
}

void TStatusDecoderV1::OnDS(const TStatusRecord& r, int) {
  const quint64 word = quint64(AsInteger(r.F(0)));
  const auto bit = [word](int n) { return ((word >> n) & 1) != 0; };
  const QString error = Text(QStringLiteral("Error"));

  if (bit(0))
    Clear(QStringLiteral("_InternalMemory"));
  else
    Set(QStringLiteral("_InternalMemory"), Text(QStringLiteral("DSnosettings")), clRed);
  if (bit(1))
    Clear(QStringLiteral("_ExternalMemory"));
  else
    Set(QStringLiteral("_ExternalMemory"), error, clRed);

  // Types 213 and 215 have no clock of their own.
  const QString type = DeviceType();
  if (!type.isEmpty() && type != QLatin1String("213") && type != QLatin1String("215")) {
    if (bit(2))
      Set(QStringLiteral("_RealTimeClock"), QStringLiteral("OK"));
    else
      Set(QStringLiteral("_RealTimeClock"), error, clRed);
  }

  const QString modem = QStringLiteral("_ModemStatus");
  if (!bit(3))
    Set(modem, Text(QStringLiteral("DSnopower")), clWhite);
  else if (!bit(4))
    Set(modem, error, clRed);
  else if (!bit(5))
    Set(modem, Text(QStringLiteral("DSnoanswer")), clRed);
  else
    Set(modem, QStringLiteral("OK"));

  // Bit 13 names the SIM in use (1: SIM 2), so exactly one fitted SIM reads "active".
  const auto sim = [&](int aFitted, const char* aRoleKey, const QString& aSimIdent,
                       const QString& aPinIdent) {
    if (!bit(aFitted)) {
      Clear(aSimIdent);
      Clear(aPinIdent);
      return;
    }
    Set(aSimIdent, Text(QLatin1String(aRoleKey)));
    if (bit(aFitted + 1))
      Clear(aPinIdent);
    else if (bit(aFitted + 2))
      Set(aPinIdent, Text(QStringLiteral("DSnopin")));
    else
      Set(aPinIdent, Text(QStringLiteral("DSpin")), clWhite);
  };
  sim(6, bit(13) ? "DSinstall" : "DSactive", QStringLiteral("_ModemSIM"), QStringLiteral("_ModemPIN"));
  sim(16, bit(13) ? "DSactive" : "DSinstall", QStringLiteral("_ModemSIM2"), QStringLiteral("_ModemPIN2"));

  if (bit(9) && bit(10))
    Set(QStringLiteral("_NavigationStatus"), QStringLiteral("OK"));
  else
    Set(QStringLiteral("_NavigationStatus"), error, clRed);
  if (!bit(11))
    Set(QStringLiteral("_AccelerometerStatus"), error, clRed);
}

void TStatusDecoderV1::OnDS2(const TStatusRecord& r, int) {
  const quint64 word = quint64(AsInteger(r.F(0)));
  const auto field = [word](int aFirst, int aBits) { return int((word >> aFirst) & ((1u << aBits) - 1)); };
  const auto show = [this](const QString& aIdent, const TBitText& aText, const QString& aAlter = QString()) {
    Set(aIdent, Text(QLatin1String(aText.Key)), aText.Color, 1, aAlter);
  };

  show(QStringLiteral("_NavigationStatus"), kNavigation[field(0, 2)]);
  if (const int modem = field(2, 3); modem < 5)
    show(QStringLiteral("_ModemStatus"), kModem[modem]);

  const bool secondSim = field(5, 1) != 0;
  const auto sim = [&](const QString& aIdent, int aState, bool aInUse) {
    const TColorRef color = kSimFault[aState] ? clRed
                            : aState == 2     ? clYellow
                            : aInUse          ? clValue
                                              : clGreyValue;
    Set(aIdent, Text(QStringLiteral("DS2_4_") + QString::number(aState)), color);
  };
  sim(QStringLiteral("_ModemSIM"), field(6, 3), !secondSim);
  sim(QStringLiteral("_ModemSIM2"), field(9, 3), secondSim);

  for (int server = 0; server < 4; ++server)
    show(QStringLiteral("_Server") + QString::number(server), kServer[field(12 + 2 * server, 2)],
         FServerAddress[std::size_t(server)]);
  // Devices report no state of their own for server 4; it follows server 0's bits.
  show(QStringLiteral("_Server4"), kServer[field(12, 2)], FServerAddress[4]);

  show(QStringLiteral("_ModuleReadings"), kReadings[field(20, 2)]);
  show(QStringLiteral("_Bluetooth"), kNavigation[field(25, 1)]);
}

void TStatusDecoderV1::OnMS(const TStatusRecord& r, int) {
  const QString& state = r.F(0);
  const QString ident = QStringLiteral("_ModemNetworkState");
  if (state.size() == 1 && state[0] >= u'0' && state[0] <= u'8') {
    const bool idle = state[0] == u'0' || state[0] == u'8';
    Set(ident, Text(QStringLiteral("MS") + state), idle ? clWhite : clValuePlaceholder);
  } else {
    Set(ident, state, clRed);
  }
}

void TStatusDecoderV1::OnDF(const TStatusRecord& r, int) {
  const auto show = [this](const QString& aIdent, const QString& aState) {
    if (aState == QLatin1String("0"))
      Set(aIdent, Text(QStringLiteral("DF0")));
    else if (aState == QLatin1String("1") || aState == QLatin1String("2") || aState == QLatin1String("3"))
      Set(aIdent, Text(QStringLiteral("DF") + aState), clRed);
    else
      Clear(aIdent);
  };
  show(QStringLiteral("_SettingsStatus"), r.F(0));
  show(QStringLiteral("_SoftStatus"), r.F(1));
}

void TStatusDecoderV1::OnWS(const TStatusRecord& r, int) {
  const QString& state = r.F(0);
  const QString ident = QStringLiteral("_ModuleWiFiStatus");
  if (state.size() == 1 && state[0] >= u'0' && state[0] <= u'9') {
    TColorRef color = clValuePlaceholder;
    switch (state[0].unicode()) {
    case u'0':
      color = clGreyValue;
      break;
    case u'2':
      color = clRed;
      break;
    case u'3':
    case u'5':
    case u'7':
      color = clYellow;
      break;
    default:
      break;
    }
    Set(ident, Text(QStringLiteral("WS") + state), color);
  } else {
    Clear(ident);
  }
  Set(QStringLiteral("_ModuleWiFiLevel"), r.F(1));
}

void TStatusDecoderV1::OnTW(const TStatusRecord& r, int) {
  Set(QStringLiteral("_InternalTtime"), DeviceClockText(AsInteger(r.F(0))));
  const qint64 uptime = AsInteger(r.F(1));
  // A negative uptime has no duration text; it is not shown as one.
  if (uptime > 0)
    Set(QStringLiteral("_Uptime"), DurationText(uptime));
  else
    Clear(QStringLiteral("_Uptime"));

  // Ask for the identity again every 30 s of device time, and at least every 31st record (which
  // catches a device that restarted and whose uptime fell below the threshold).
  ++FTimeRecordCounter;
  if (FTimeRecordCounter < 31 && (uptime < 0 || uptime <= FUptimeThreshold))
    return;
  FTimeRecordCounter = 0;
  FUptimeThreshold = uptime + 30;
  Host().UpdateTypeInfo();
}

void TStatusDecoderV1::OnSYS(const TStatusRecord& r, int) {
  Set(QStringLiteral("_System"),
      QString::number(AsInteger(r.F(0))) + QLatin1String(" | ") + QString::number(AsInteger(r.F(1))));
}

void TStatusDecoderV1::OnTM(const TStatusRecord& r, int) {
  const QString& state = r.F(0);
  if (state.size() == 1 && state[0] >= u'0' && state[0] <= u'3')
    Set(QStringLiteral("_ModuleReadings"), Text(QStringLiteral("TM") + state));
  else
    Clear(QStringLiteral("_ModuleReadings"));
  const qint64 rest = AsInteger(r.F(1));
  if (rest >= 86400)
    Set(QStringLiteral("_RestTime"), DurationText(rest));
  else
    Clear(QStringLiteral("_RestTime"));
}

void TStatusDecoderV1::OnTMP(const TStatusRecord& r, int) {
  Set(QStringLiteral("_Temperature"), r.F(0));
}

void TStatusDecoderV1::OnACC(const TStatusRecord& r, int) {
  // The device's own notation, whatever the locale: "." before the thousandths.
  QString text = QLatin1String("g: ") + QString::number(double(AsInteger(r.F(0))) / 1000.0, 'f', 3);
  if (r.Count() >= 2)
    text += QLatin1String("   Tilt: ") + r.F(1);
  if (r.Count() >= 3)
    text += QLatin1String("   x: ") + r.F(2);
  if (r.Count() >= 4)
    text += QLatin1String("   y: ") + r.F(3);
  Set(QStringLiteral("_Accelerometer"), text);
}

void TStatusDecoderV1::OnPB(const TStatusRecord& r, int) {
  const auto show = [this](const QString& aIdent, qint64 aMillivolts, qint64 aThreshold) {
    const double volts = double(aMillivolts / 10) / 100.0;
    const bool normal = aMillivolts >= aThreshold;
    Set(aIdent, volts, normal ? clValuePlaceholder : clRed, normal ? 1 : 0);
    return normal;
  };
  FLowVoltage = !show(QStringLiteral("_ExternalVoltage"), AsInteger(r.F(0)), 8000);
  show(QStringLiteral("_BatteryVoltage"), AsInteger(r.F(1)), 3600);
}

void TStatusDecoderV1::OnML(const TStatusRecord& r, int) {
  Set(QStringLiteral("_ModemSignal"), Gauge(AsInteger(r.F(0)), 32), clValuePlaceholder, 1, r.F(0));
  if (AsInteger(r.F(1)) != 0)
    Set(QStringLiteral("_ModemOperator"), OperatorName(r.F(1) + r.F(2)));
  else
    Clear(QStringLiteral("_ModemOperator"));
}

void TStatusDecoderV1::OnMO(const TStatusRecord& r, int) {
  Set(QStringLiteral("_ModemSignal"), Gauge(AsInteger(r.F(0)), 32));
  // Three digits are a mobile country code: only the country table can name them.
  if (!r.F(0).isEmpty() && r.F(1) != QLatin1String("00000"))
    Set(QStringLiteral("_ModemOperator"), r.F(0) + QLatin1String(" - ") + CountryName(r.F(1).left(3)));
  else
    Clear(QStringLiteral("_ModemOperator"));
}

void TStatusDecoderV1::OnSMS(const TStatusRecord& r, int) {
  Set(QStringLiteral("_ModemInOutSMS"), r.F(0) + QLatin1String(" / ") + r.F(2));
  const qint64 failed = AsInteger(r.F(0)) - AsInteger(r.F(1));
  if (failed == 0)
    Clear(QStringLiteral("_ModemErrorSMS"));
  else
    Set(QStringLiteral("_ModemErrorSMS"), QString::number(failed));
}

void TStatusDecoderV1::OnAPN(const TStatusRecord& r, int) {
  Set(QStringLiteral("_StringAPN"), r.F(0));
  Set(QStringLiteral("_LoginAPN"), r.F(1));
  Set(QStringLiteral("_PasswordAPN"), r.F(2));
}

void TStatusDecoderV1::OnIG(const TStatusRecord& r, int) {
  // The line shows only its icon: an empty text keeps it visible.
  switch (AsInteger(r.F(0))) {
  case 0:
    Set(QStringLiteral("_Ignition"), QStringLiteral(""), clGreyValue, 0);
    break;
  case 1:
    Set(QStringLiteral("_Ignition"), QStringLiteral(""), clValuePlaceholder, 1);
    break;
  default:
    break;
  }
}
