// Vehicle bus (CAN) keys of the generation-1 status records.

#include "protocols/status_decoder.h"

#include <array>

using namespace StatusText;

namespace {

enum TCanKind { ckRaw, ckInteger, ckTenths, ckHundredths };

struct TCanValue {
  const char* Key;
  const char* Ident;
  TCanKind Kind;
};

// Keys that carry one value in F0.
constexpr TCanValue kSingles[] = {
    {"CA", "_CanEngineTime", ckHundredths},
    {"CB", "_CanEngineTime", ckHundredths},
    {"CC", "_CanMileage", ckHundredths},
    {"CD", "_CanMileage", ckHundredths},
    {"CE", "_CanFuelConsumption", ckTenths},
    {"CF", "_CanFuelConsumption", ckTenths},
    {"CG", "_CanFuelPercent", ckTenths},
    {"CQ", "_CanFuelInstant", ckTenths},
    {"CR", "_CanFuelReserve", ckTenths},
    {"CH", "_CanEngineRPM", ckInteger},
    {"CI", "_CanEngineTemperature", ckInteger},
    {"CJ", "_CanSpeed", ckInteger},
    {"CK", "_CanAxle1", ckInteger},
    {"CL", "_CanAxle2", ckInteger},
    {"CM", "_CanAxle3", ckInteger},
    {"CN", "_CanAxle4", ckInteger},
    {"CO", "_CanAxle5", ckInteger},
    {"CU", "_CanAdBluePercent", ckRaw},
    {"CV", "_CanProgram", ckRaw},
    {"CANINFO", "_CanProgram", ckRaw},
    {"CXA", "_CanAccelPos", ckRaw},
    {"CXB", "_CanEngineLoad", ckRaw},
    {"CTT", "_CanTacho", ckRaw},
};

// Parameters of the "CAN" record by number (F0); 210 to 229 are added in code.
constexpr TCanValue kNumbered[] = {
    {"50", "_CanProgram", ckRaw},
    {"51", "_CanSecurity", ckInteger},
    {"52", "_CanEngineTime", ckHundredths},
    {"53", "_CanMileage", ckHundredths},
    {"54", "_CanFuelConsumption", ckTenths},
    {"55", "_CanFuelPercent", ckTenths},
    {"56", "_CanFuelReserve", ckTenths},
    {"57", "_CanEngineRPM", ckInteger},
    {"58", "_CanEngineTemperature", ckInteger},
    {"59", "_CanSpeed", ckInteger},
    {"60", "_CanAxle1", ckInteger},
    {"61", "_CanAxle2", ckInteger},
    {"62", "_CanAxle3", ckInteger},
    {"63", "_CanAxle4", ckInteger},
    {"64", "_CanAxle5", ckInteger},
    {"65", "_CanCrash", ckRaw},
    {"67", "_CanAdBluePercent", ckRaw},
    {"68", "_CanAdBlueLitr", ckRaw},
};

struct TFlag {
  int Bit;
  const char* Ident;
};

constexpr TFlag kCrashFlags[] = {
    {1, "_CAN_P_CRUISE_CONTORL_ON"},
    {6, "_CAN_P_PASSENGER_SEAT_BELT"},
    {7, "_CAN_P_DRIVER_SEAT_BELT"},
    {8, "_CAN_P_ESP"},
    {9, "_CAN_P_GLOW_PLUG"},
    {10, "_CAN_P_FAP"},
    {11, "_CAN_P_EPC"},
    {12, "_CAN_P_MARKER_LIGHTS"},
    {13, "_CAN_P_LOW_BEAM"},
    {14, "_CAN_P_HIGH_BEAM"},
    {16, "_CAN_P_CHECK_ENGINE"},
    {17, "_CAN_P_OUTDOOR_LIGHTS"},
    {18, "_CAN_P_TIRE_PRESSURE"},
    {19, "_CAN_P_BRAKE_PAD_BAD"},
    {20, "_CAN_P_WARNING"},
    {21, "_CAN_P_ABS"},
    {22, "_CAN_P_FUEL_LOW"},
    {24, "_CAN_P_STOP"},
    {25, "_CAN_P_OIL_PRESSURE"},
    {26, "_CAN_P_OVERHEAT"},
    {27, "_CAN_P_BREAK_SYSTEM"},
    {28, "_CAN_P_BATTERY"},
    {29, "_CAN_P_SRS"},
};

constexpr TFlag kSecurityFlags[] = {
    {8, "_CAN_S_DRIVER_DOOR_OPEN"},     {9, "_CAN_S_PASSENGER_DOOR_OPEN"},
    {10, "_CAN_S_TRUNK_OPEN"},          {11, "_CAN_S_COVER_OPEN"},
    {12, "_CAN_S_HAND_BRAKE_ON"},       {13, "_CAN_S_FOOT_BRAKE_ON"},
    {14, "_CAN_S_ENGINE_ON"},           {15, "_CAN_S_WEBASTO"},
    {16, "_CAN_S_IGNITION_ON"},         {17, "_CAN_S_FACTORY_ALARM"},
    {18, "_CAN_S_FACTORY_LOCKED"},      {19, "_CAN_S_KEY_INSERTED"},
    {20, "_CAN_S_DYNAMIC_IGNITION_ON"},
};

struct TNumbered {
  QString Ident;
  TCanKind Kind;
};

const QHash<QString, TNumbered>& NumberedParameters() {
  static const QHash<QString, TNumbered> table = [] {
    QHash<QString, TNumbered> t;
    for (const TCanValue& row : kNumbered)
      t.insert(QLatin1String(row.Key), {QLatin1String(row.Ident), row.Kind});
    for (int n = 210; n <= 229; ++n)
      t.insert(QString::number(n), {QStringLiteral("_CanPar") + QString::number(n), ckRaw});
    return t;
  }();
  return table;
}

QVariant CanValue(const QString& aText, TCanKind aKind) {
  switch (aKind) {
  case ckInteger:
    return qlonglong(AsInteger(aText));
  case ckTenths:
    return double(AsInteger(aText)) / 10.0;
  case ckHundredths:
    return double(AsInteger(aText)) / 100.0;
  case ckRaw:
    break;
  }
  return aText;
}

QString Binary8(int aByte) {
  return QString::number(aByte, 2).rightJustified(8, u'0');
}

QString Hex2(int aByte) {
  return QString::number(aByte, 16).toUpper().rightJustified(2, u'0');
}

} // namespace

void TStatusDecoderV1::AddCanKeys(TTable& t) {
  for (int row = 0; row < int(std::size(kSingles)); ++row)
    t.insert(QLatin1String(kSingles[row].Key), {&TStatusDecoderV1::OnCanSingle, row});
  t.insert(QStringLiteral("CP"), {&TStatusDecoderV1::OnCanFlags, 0});
  t.insert(QStringLiteral("CS"), {&TStatusDecoderV1::OnCanFlags, 1});
  t.insert(QStringLiteral("CBS"), {&TStatusDecoderV1::OnCBS});
  t.insert(QStringLiteral("CBR"), {&TStatusDecoderV1::OnCBR});
  t.insert(QStringLiteral("CAN"), {&TStatusDecoderV1::OnCAN});
  t.insert(QStringLiteral("VELODAT"), {&TStatusDecoderV1::OnVELODAT});
}

void TStatusDecoderV1::OnCanSingle(const TStatusRecord& r, int aRow) {
  const TCanValue& row = kSingles[aRow];
  Set(QLatin1String(row.Ident), CanValue(r.F(0), row.Kind));
}

namespace {
// The flag idents of a table as strings, made once: a record sets every flag of its word.
template <const auto& Flags> const auto& FlagIdents() {
  static const auto idents = [] {
    std::array<QString, std::size(Flags)> out;
    for (std::size_t i = 0; i < out.size(); ++i)
      out[i] = QLatin1String(Flags[i].Ident);
    return out;
  }();
  return idents;
}
} // namespace

void TStatusDecoderV1::OnCanFlags(const TStatusRecord& r, int aSecurity) {
  const qint64 word = AsInteger(r.F(0));
  Set(aSecurity ? QStringLiteral("_CanSecurity") : QStringLiteral("_CanCrash"), qlonglong(word));
  // Flag lines show only their icon; the empty text keeps them visible.
  static const QVariant empty = QStringLiteral("");
  const auto show = [&](const TFlag& aFlag, const QString& aIdent) {
    if ((quint64(word) >> aFlag.Bit) & 1)
      Set(aIdent, empty, clValuePlaceholder, 1);
    else
      Set(aIdent, empty, clGreyValue, 0);
  };
  if (aSecurity) {
    const auto& idents = FlagIdents<kSecurityFlags>();
    for (std::size_t i = 0; i < std::size(kSecurityFlags); ++i)
      show(kSecurityFlags[i], idents[i]);
  } else {
    const auto& idents = FlagIdents<kCrashFlags>();
    for (std::size_t i = 0; i < std::size(kCrashFlags); ++i)
      show(kCrashFlags[i], idents[i]);
  }
}

void TStatusDecoderV1::OnCBS(const TStatusRecord& r, int) {
  struct TBusState {
    bool Log;
    TColorRef Color;
  };
  static constexpr TBusState states[8] = {{false, clGreyValue},
                                          {false, clRed},
                                          {false, clValuePlaceholder},
                                          {true, clYellow},
                                          {true, clYellow},
                                          {true, clValuePlaceholder},
                                          {true, clRed},
                                          {true, clValuePlaceholder}};
  for (int bus = 1; bus <= 4; ++bus) {
    const QString& field = r.F(bus - 1);
    if (field.isEmpty())
      continue;
    const qint64 state = AsInteger(field);
    if (state < 0 || state > 7)
      continue;
    const TBusState& s = states[state];
    const QString ident =
        (s.Log ? QStringLiteral("_CanLogState") : QStringLiteral("_CanState")) + QString::number(bus);
    Set(ident, Text(QStringLiteral("CBS_") + QString::number(state)), s.Color);
  }
}

void TStatusDecoderV1::OnCBR(const TStatusRecord& r, int) {
  const qint64 bus = AsInteger(r.F(0));
  if (bus >= 1 && bus <= 4)
    Set(QStringLiteral("_CanLogSpeed") + QString::number(bus), r.F(1));
}

void TStatusDecoderV1::OnCAN(const TStatusRecord& r, int) {
  const QHash<QString, TNumbered>& table = NumberedParameters();
  const auto found = table.constFind(r.F(0));
  if (found != table.cend())
    Set(found->Ident, CanValue(r.F(1), found->Kind));
}

void TStatusDecoderV1::OnVELODAT(const TStatusRecord& r, int) {
  const QString& hex = r.F(1);
  if (hex.size() != 8)
    return;
  for (const QChar c : hex)
    if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')))
      return;
  int b[4];
  for (int i = 0; i < 4; ++i)
    b[i] = QStringView(hex).mid(2 * i, 2).toInt(nullptr, 16);
  const int value = b[0] * 65536 + b[1] * 256 + b[2];
  const QString par = QStringLiteral("_KestPar") + QString::number(b[3]);
  switch (b[3]) {
  case 101:
  case 102:
    Set(par, double(value) / 10.0);
    break;
  case 103:
    Set(par, double(value) / 1000.0);
    break;
  case 104:
    Set(par, double(value) / 100.0);
    break;
  case 105:
    Set(par + QLatin1String("_1"), Binary8(b[2]));
    Set(par + QLatin1String("_2"), Binary8(b[1]));
    Set(par + QLatin1String("_3"), b[0]);
    break;
  case 106:
    Set(par + QLatin1String("_1"), QString::number(b[1]) + QLatin1Char('.') + PadInt(b[2], 2));
    Set(par + QLatin1String("_2"), b[0]);
    break;
  case 107:
    Set(par + QLatin1String("_1"), Binary8(b[2]));
    Set(par + QLatin1String("_2"), b[1]);
    Set(par + QLatin1String("_3"), b[0]);
    break;
  case 108:
  case 109:
  case 110:
  case 111:
    Set(par, QString::number(b[2]) + QLatin1Char(' ') + QString::number(b[1]) + QLatin1Char(' ') +
                 QString::number(b[0]));
    break;
  case 112:
  case 113:
    // In the order the bytes arrive in the record.
    Set(par, Hex2(b[0]) + QLatin1Char(' ') + Hex2(b[1]) + QLatin1Char(' ') + Hex2(b[2]));
    break;
  default:
    break;
  }
}
