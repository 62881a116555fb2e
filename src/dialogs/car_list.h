#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <span>

// One vehicle parameter a CAN program may read: its member in a car entry and its row caption.
struct TCarParameter {
  const char* Key;
  const char* Caption; // UTF-8
};
std::span<const TCarParameter> CarParameters();

inline constexpr int kMaxCanColumns = 8;

// The vehicle list "CAN_AUTO.json": cars by brand, model and year, each with its CAN program, the
// bus each parameter is read on and connection notes; and the number of CAN buses per device type.
// Entries that are not objects and members of a wrong type count as absent.
class TCarList {
public:
  static QString FileName() { return QStringLiteral("CAN_AUTO.json"); }

  // Errors: "CAN_AUTO.json not found", "Invalid JSON format".
  bool Load(const QString& aPath, QString* aError);
  bool LoadText(const QByteArray& aUtf8, QString* aError);

  int Count() const { return int(FCars.size()); }
  QStringList Brands() const;
  QStringList Models(const QString& aBrand) const;
  // Every year of the brand and model, in file order; repeats stay.
  QStringList Years(const QString& aBrand, const QString& aModel) const;
  // The first car with that brand, model and year; -1 when none.
  int Find(const QString& aBrand, const QString& aModel, const QString& aYear) const;

  // A member as text: a text as it is, a number in its shortest form; anything else empty.
  QString Member(int aCar, const QString& aKey) const;
  // A member read as an integer; 0 when absent or not a number.
  int MemberInt(int aCar, const QString& aKey) const;
  int Prog(int aCar) const { return MemberInt(aCar, QStringLiteral("prog")); }
  // The connection notes of buses 1 to 3, each under its header.
  QString CanInfo(int aCar) const;
  QString Info(int aCar) const { return Member(aCar, QStringLiteral("info")); }
  // CAN columns for a device type: its entry in "types", from 1 to 8; 1 without one.
  int CanColumns(const QString& aDeviceVer) const;

private:
  QList<QJsonObject> FCars;
  // Brand, model and year of each car, in the order of FCars.
  QStringList FBrand;
  QStringList FModel;
  QStringList FYear;
  QJsonObject FTypes;
};

// A JSON value as text the way the list is read: texts as they are, numbers in their shortest
// form, anything else empty.
QString CarValueText(const QJsonValue& aValue);
int CarValueInt(const QJsonValue& aValue);
