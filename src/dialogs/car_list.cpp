#include "dialogs/car_list.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonParseError>
#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>
#include <vector>

namespace {

const std::array<TCarParameter, 84> kParameters = {{
    {"WORKHOURS", "Полное время работы [ч]"},
    {"WORKHOURS_CALC", "Полное время работы [ч]"},
    {"MILEAGE", "Полный пробег [км]"},
    {"MILEAGE_CALC", "Полный пробег [км]"},
    {"FUEL_CONSUMPTION", "Полный расход [л]"},
    {"FUEL_CONSUMPTION_CALC", "Полный расход [л]"},
    {"FUEL_LVL_LIT", "Уровень топлива [л]"},
    {"FUEL_LVL_PRC", "Уровень топлива [%], заряд в электроавто [%]"},
    {"RPM", "Обороты двигателя [об/мин]"},
    {"TEMP", "Температура [С]"},
    {"SPEED", "Скорость [км/ч]"},
    {"LOAD_1", "Нагрузка на ось 1 [кг]"},
    {"LOAD_2", "Нагрузка на ось 2 [кг]"},
    {"LOAD_3", "Нагрузка на ось 3 [кг]"},
    {"LOAD_4", "Нагрузка на ось 4 [кг]"},
    {"LOAD_5", "Нагрузка на ось 5 [кг]"},
    {"FUEL_CONSUM_MOMENT", "Мгновенный расход"},
    {"ADBL_LVL_LIT", "Adblue [%]"},
    {"ADBL_LVL_PRC", "Adblue [%]"},
    {"ACCEL_POS", "Положение педали газа [%]"},
    {"ENGINE_LOAD", "Нагрузка на двигатель [%]"},
    {"AGRO_STATE", "AGRO_STATE"},
    {"AGRO_WORK_TIME", "AGRO_WORK_TIME"},
    {"AGRO_WORK_SQUARE", "AGRO_WORK_SQUARE"},
    {"AGRO_PERFOMANCE", "AGRO_PERFOMANCE"},
    {"AGRO_COLLECTED", "AGRO_COLLECTED"},
    {"AGRO_HUMIDITY", "AGRO_HUMIDITY"},
    {"TACHO", "TACHO"},
    {"VAL0", "Доп параметр VAL0 (битовый)"},
    {"VAL1", "Доп параметр VAL1"},
    {"VAL2", "Доп параметр VAL2"},
    {"VAL3", "Доп параметр VAL3"},
    {"VAL4", "Доп параметр VAL4"},
    {"VAL5", "Доп параметр VAL5"},
    {"VAL6", "Доп параметр VAL6"},
    {"VAL7", "Доп параметр VAL7"},
    {"VAL8", "Доп параметр VAL8"},
    {"VAL9", "Доп параметр VAL9"},
    {"VAL10", "Доп параметр VAL10"},
    {"VAL11", "Доп параметр VAL11"},
    {"VAL12", "Доп параметр VAL12"},
    {"VAL13", "Доп параметр VAL13"},
    {"VAL14", "Доп параметр VAL14"},
    {"VAL15", "Доп параметр VAL15"},
    {"VAL16", "Доп параметр VAL16"},
    {"VAL17", "Доп параметр VAL17"},
    {"VAL18", "Доп параметр VAL18"},
    {"VAL19", "Доп параметр VAL19"},
    {"DRIVER_DOOR", "Дверь водителя открыта"},
    {"PASSENGER_DOOR", "Дверь пассажира открыта"},
    {"TRUNK", "Крышка багажника открыта"},
    {"COVER", "Капот открыт"},
    {"HAND_BRAKE", "Задействован ручной тормоз"},
    {"FOOT_BRAKE", "Задействован ножной тормоз"},
    {"ENGINE_ON", "Двигатель работает"},
    {"WEBASTO", "Webasto"},
    {"IGNITION_ON", "Зажигание"},
    {"FACTORY_ALARM", "Сигнализация \"тревога\""},
    {"FACTORY_LOCKED", "Закрыт с заводского пульта"},
    {"KEY", "Ключ в замке зажигания"},
    {"DYNAMIC_IGN", "Динамическое зажигание"},
    {"CRUISE", "Круиз контроль"},
    {"PASSENGER_BELT", "Пассажир не пристегнут"},
    {"DRIVER_BELT", "Водитель не пристегнут"},
    {"ESP", "ESP"},
    {"GLOW_PLUG", "GLOW_PLUG"},
    {"FAP", "FAP"},
    {"EPC", "EPC"},
    {"MARKER", "Габаритные огни"},
    {"LOW_BEAM", "Ближний свет"},
    {"HIGH_BEAM", "Дальний свет"},
    {"CHECK_ENGINE", "Проверьте двигатель"},
    {"OUTDOOR_LIGHTS", "OUTDOOR_LIGHTS"},
    {"TIRE_PRESSURE", "Инизкое давление в шинах"},
    {"BRAKE_PAD_BAD", "Изношенные тормозные колодки"},
    {"WARNING", "Предупреждение"},
    {"ABS", "ABS"},
    {"FUEL_LOW", "Низкий уровень топлива"},
    {"STOP", "STOP"},
    {"OIL", "Давление/уровень масла"},
    {"OVERHEAT", "Температура/уровень хладагента"},
    {"BREAK_SYSTEM", "Система ручного тормоза"},
    {"BATTERY", "Аккумулятор"},
    {"SRS", "Подушка безопасности"},
}};

} // namespace

std::span<const TCarParameter> CarParameters() {
  return kParameters;
}

QString CarValueText(const QJsonValue& aValue) {
  if (aValue.isString())
    return aValue.toString();
  if (aValue.isDouble()) {
    const double d = aValue.toDouble();
    if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 1e15)
      return QString::number(qint64(d));
    return QString::number(d, 'g', 15);
  }
  return {};
}

int CarValueInt(const QJsonValue& aValue) {
  bool ok = false;
  const int v = CarValueText(aValue).trimmed().toInt(&ok);
  return ok ? v : 0;
}

bool TCarList::Load(const QString& aPath, QString* aError) {
  QFile file(aPath);
  if (!file.exists() || !file.open(QIODevice::ReadOnly)) {
    if (aError)
      *aError = QStringLiteral("CAN_AUTO.json not found");
    return false;
  }
  return LoadText(file.readAll(), aError);
}

bool TCarList::LoadText(const QByteArray& aUtf8, QString* aError) {
  QJsonParseError parse{};
  const QJsonDocument doc = QJsonDocument::fromJson(aUtf8, &parse);
  if (parse.error != QJsonParseError::NoError || !doc.isObject()) {
    if (aError)
      *aError = QStringLiteral("Invalid JSON format");
    return false;
  }
  const QJsonObject root = doc.object();
  FCars.clear();
  FBrand.clear();
  FModel.clear();
  FYear.clear();
  for (const QJsonValue& car : root.value(QStringLiteral("cars")).toArray())
    if (car.isObject())
      FCars << car.toObject();
  // The three lists the dialog searches, read once, each in a run of its own so that a search
  // walks through memory in order.
  for (const auto& [list, key] :
       {std::pair{&FBrand, QStringLiteral("brand")}, std::pair{&FModel, QStringLiteral("model")},
        std::pair{&FYear, QStringLiteral("year")}}) {
    list->reserve(Count());
    for (int i = 0; i < Count(); ++i)
      *list << Member(i, key);
  }
  FTypes = root.value(QStringLiteral("types")).toObject();
  return true;
}

namespace {

// The distinct texts among aTexts at aRows, in the order of their first appearance. The rows are
// sorted by the hash of their text and then by row, so the first of equal texts comes first; that
// costs n log n however many distinct texts there are (looking each one up in the list built so
// far would cost n squared), and the sort moves plain numbers, not texts scattered in memory.
QStringList DistinctInOrder(const QStringList& aTexts, const std::vector<int>& aRows) {
  std::vector<std::pair<std::size_t, int>> keyed;
  keyed.reserve(aRows.size());
  for (int row : aRows)
    keyed.emplace_back(qHash(aTexts.at(row), QHashSeed::globalSeed()), row);
  std::sort(keyed.begin(), keyed.end());
  std::vector<bool> first(std::size_t(aTexts.size()), false);
  for (std::size_t i = 0; i < keyed.size(); ++i) {
    // Texts of one hash are few; each counts once, at its earliest row.
    bool seen = false;
    for (std::size_t j = i; j-- > 0 && keyed[j].first == keyed[i].first;)
      if (aTexts.at(keyed[j].second) == aTexts.at(keyed[i].second)) {
        seen = true;
        break;
      }
    if (!seen)
      first[std::size_t(keyed[i].second)] = true;
  }
  QStringList out;
  for (int row : aRows)
    if (first[std::size_t(row)])
      out << aTexts.at(row);
  return out;
}

} // namespace

QStringList TCarList::Brands() const {
  std::vector<int> rows(static_cast<std::size_t>(Count()));
  std::iota(rows.begin(), rows.end(), 0);
  return DistinctInOrder(FBrand, rows);
}

QStringList TCarList::Models(const QString& aBrand) const {
  std::vector<int> rows;
  for (int i = 0; i < Count(); ++i)
    if (FBrand.at(i) == aBrand)
      rows.push_back(i);
  return DistinctInOrder(FModel, rows);
}

QStringList TCarList::Years(const QString& aBrand, const QString& aModel) const {
  QStringList out;
  for (int i = 0; i < Count(); ++i)
    if (FBrand.at(i) == aBrand && FModel.at(i) == aModel)
      out << FYear.at(i);
  return out;
}

int TCarList::Find(const QString& aBrand, const QString& aModel, const QString& aYear) const {
  for (int i = 0; i < Count(); ++i)
    if (FBrand.at(i) == aBrand && FModel.at(i) == aModel && FYear.at(i) == aYear)
      return i;
  return -1;
}

QString TCarList::Member(int aCar, const QString& aKey) const {
  if (aCar < 0 || aCar >= Count())
    return {};
  return CarValueText(FCars[aCar].value(aKey));
}

int TCarList::MemberInt(int aCar, const QString& aKey) const {
  if (aCar < 0 || aCar >= Count())
    return 0;
  return CarValueInt(FCars[aCar].value(aKey));
}

QString TCarList::CanInfo(int aCar) const {
  QStringList parts;
  for (int bus = 1; bus <= 3; ++bus) {
    const QString text = Member(aCar, QStringLiteral("can%1_info").arg(bus));
    if (!text.isEmpty())
      parts << QStringLiteral("CAN%1:\n").arg(bus) + text;
  }
  return parts.join(QLatin1Char('\n'));
}

int TCarList::CanColumns(const QString& aDeviceVer) const {
  if (aDeviceVer.isEmpty() || !FTypes.contains(aDeviceVer))
    return 1;
  // The count sizes the table: a stray value must not make a million columns.
  return std::clamp(CarValueInt(FTypes.value(aDeviceVer)), 1, kMaxCanColumns);
}
