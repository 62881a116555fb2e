#pragma once

#include "i18n/dictionary.h"
#include "settings/storage_type.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <optional>

// Editing kinds of a settings row.
enum TControlKind : qint32 { ckNone = 0, ckString = 1, ckInteger = 2, ckFlag = 3, ckList = 4, ckButton = 5 };

// One row of the settings table: a view of the schema placed on the page.
struct TSetting {
  QString Alias;
  QString Default;
  qint32 Control = ckNone;
  // The setting number as the device knows it; -1 when the schema's is not a number.
  qint32 Number = -1;
  quint16 VarType = varEmpty;
  // Storage bounds; meaningless while VarType is varEmpty.
  qint64 Min = 0;
  qint64 Max = 0;
  qint32 Bit = -1;
  QString TextBefore;
  QString TextAfter;
  // The control made for the row; the window owns it.
  QPointer<QObject> WinControl;
};

// What the row's control is made from, beyond the row itself.
struct TControlShape {
  // A "..." button: a scanned list for strings, the vehicle list for integers.
  bool WithButton = false;
  // Bounds the control checks: lengths for strings, values for integers. None: not checked.
  std::optional<qint64> Min;
  std::optional<qint64> Max;
  // List values: stored number and dictionary key of its text, in order.
  QList<QPair<int, QString>> Items;
};

struct TSchemaSubSection {
  QString Id;
  QString Dict;
  // Indexes into TSettingsModel::Rows, in display order.
  QList<int> Rows;
};

struct TSchemaSection {
  QString Dict;
  QList<TSchemaSubSection> SubSections;
};

// The page of one device type as its schema describes it, before any widget exists.
struct TSettingsModel {
  QList<TSetting> Rows;
  QList<TControlShape> Controls; // one per row
  QList<TSchemaSection> Sections;
  // The schema's texts; applied only when the schema has a translations member.
  bool HasTranslations = false;
  QList<TTranslation> Translations;
  // Views and list values left out because they cannot be stored as the schema says (aliases,
  // "alias=number" for list values).
  QStringList Skipped;
  // What stopped the build part-way; the sections before it are complete.
  QString Error;
};

// One JSON object from UTF-8 text (a byte-order mark is accepted); none when the text is not
// valid JSON or its root is not an object.
std::optional<QJsonObject> ParseSettingsSchema(const QByteArray& aText, QString* aError = nullptr);

// Rows, controls, sections and texts of a parsed schema. aSettingsVersion decides which settings
// get a "..." button.
TSettingsModel BuildSettingsModel(const QJsonObject& aRoot, int aSettingsVersion);

// Settings whose string control picks a value from a scanned list (BLE, Wi-Fi, cell towers).
enum TScanList { slNone, slBLE, slWiFi, slCellTower };
TScanList ScanListOf(int aSettingsVersion, int aNumber);
// The setting that holds the vehicle bus program, picked from the vehicle list.
bool IsVehicleSetting(int aSettingsVersion, int aNumber);
