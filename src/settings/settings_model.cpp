#include "settings/settings_model.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QJsonValue>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

// Ends the handling of one alias, or, outside an alias, the build.
struct TSchemaError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

QString Text(const QJsonObject& aObject, const char* aName) {
  const QJsonValue v = aObject.value(QLatin1String(aName));
  if (v.isString())
    return v.toString();
  if (v.isDouble())
    return QString::number(v.toDouble(), 'g', 17);
  return QString();
}

// A whole number that fits 32 bits, from a JSON number or a decimal text.
std::optional<qint32> Int32(const QJsonValue& aValue) {
  double d = 0;
  if (aValue.isDouble()) {
    d = aValue.toDouble();
  } else if (aValue.isString()) {
    bool ok = false;
    const qint64 n = aValue.toString().trimmed().toLongLong(&ok);
    if (!ok)
      return std::nullopt;
    d = double(n);
  } else {
    return std::nullopt;
  }
  if (!std::isfinite(d) || d != std::floor(d) || d < double(std::numeric_limits<qint32>::min()) ||
      d > double(std::numeric_limits<qint32>::max()))
    return std::nullopt;
  return qint32(d);
}

// The length compared as text: a JSON number 2 is "2".
QString LengthText(const QJsonValue& aValue) {
  if (aValue.isString())
    return aValue.toString();
  if (aValue.isDouble()) {
    const double d = aValue.toDouble();
    if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15)
      return QString::number(qint64(d));
    return QString::number(d, 'g', 17);
  }
  return QString();
}

QJsonArray Array(const QJsonObject& aObject, const char* aName, const char* aWhat) {
  const QJsonValue v = aObject.value(QLatin1String(aName));
  if (!v.isArray())
    throw TSchemaError(std::string(aWhat) + " has no list " + aName);
  return v.toArray();
}

qint32 ControlKindOf(const QString& aType) {
  const QString t = aType.toLower();
  if (t == QLatin1String("string"))
    return ckString;
  if (t == QLatin1String("int") || t == QLatin1String("signint"))
    return ckInteger;
  if (t == QLatin1String("flag"))
    return ckFlag;
  if (t == QLatin1String("dictionary"))
    return ckList;
  if (t == QLatin1String("button"))
    return ckButton;
  return ckNone;
}

QList<TTranslation> ReadTranslations(const QJsonArray& aList) {
  QList<TTranslation> out;
  for (const QJsonValue& entry : aList) {
    TTranslation t;
    // A damaged entry keeps what could be read of it.
    const QJsonObject o = entry.toObject();
    t.Key = o.value(QLatin1String("key")).toString();
    for (const QJsonValue& tv : o.value(QLatin1String("translationList")).toArray()) {
      const QJsonObject to = tv.toObject();
      const QString lang = to.value(QLatin1String("lang")).toString().toLower();
      if (lang == QLatin1String("ru"))
        t.Ru = to.value(QLatin1String("text")).toString();
      else if (lang == QLatin1String("en"))
        t.En = to.value(QLatin1String("text")).toString();
    }
    out.append(t);
  }
  return out;
}

class TBuilder {
public:
  TBuilder(const QJsonObject& aData, int aSettingsVersion, TSettingsModel& aModel)
      : FData(aData), FVersion(aSettingsVersion), FModel(aModel) {}

  void Build() {
    const QJsonArray views = Array(FData, "settingViewList", "the schema");
    for (qsizetype i = 0; i < views.size(); ++i) {
      const QJsonObject v = views.at(i).toObject();
      FViews.insert(v.value(QLatin1String("alias")).toString(), i);
    }
    FAllViews = views;
    for (const QJsonValue& d : FData.value(QLatin1String("settingDictionaryList")).toArray()) {
      const QJsonObject o = d.toObject();
      const QString view = o.value(QLatin1String("settingView")).toString();
      if (!FDictionaries.contains(view))
        FDictionaries.insert(view, o);
    }
    const QJsonArray sections = Array(FData, "sectionList", "the schema");
    for (const QJsonValue& sv : sections) {
      if (!sv.isObject())
        throw TSchemaError("a section is not an object");
      const QJsonObject so = sv.toObject();
      TSchemaSection section;
      section.Dict = Text(so, "name");
      FModel.Sections.append(section);
      for (const QJsonValue& ssv : Array(so, "subSectionList", "a section")) {
        if (!ssv.isObject())
          throw TSchemaError("a sub-section is not an object");
        const QJsonObject sso = ssv.toObject();
        TSchemaSubSection sub;
        sub.Id = Text(sso, "id");
        sub.Dict = sso.value(QLatin1String("name")).isString() ? sso.value(QLatin1String("name")).toString()
                                                               : sub.Id;
        const QJsonArray aliases = Array(sso, "settingViewAliasList", "a sub-section");
        FModel.Sections.last().SubSections.append(sub);
        for (const QJsonValue& av : aliases)
          PlaceAlias(av.toString());
      }
    }
  }

private:
  void PlaceAlias(const QString& aAlias) {
    if (aAlias.isEmpty())
      return;
    // Views in schema order; one failing view ends its alias, the next alias goes on.
    QList<qsizetype> found = FViews.values(aAlias);
    std::sort(found.begin(), found.end());
    try {
      for (qsizetype index : found)
        PlaceView(aAlias, FAllViews.at(index).toObject());
    } catch (const TSchemaError&) {
      // The rows placed before the failure stay.
    }
  }

  void Skip(const QString& aWhat) {
    FModel.Skipped.append(aWhat);
    throw TSchemaError("skipped");
  }

  void PlaceView(const QString& aAlias, const QJsonObject& aView) {
    TSetting row;
    TControlShape shape;
    row.Alias = aAlias;
    row.TextBefore = Text(aView, "textBefore");
    row.TextAfter = Text(aView, "textAfter");
    row.Default = Text(aView, "defaultValue");
    const QJsonValue type = aView.value(QLatin1String("type"));
    if (!type.isString())
      throw TSchemaError("a view without a type");
    row.Control = ControlKindOf(type.toString());
    const QJsonValue sv = aView.value(QLatin1String("setting"));
    if (!sv.isObject())
      throw TSchemaError("a view without its setting");
    const QJsonObject setting = sv.toObject();
    row.Number = Int32(setting.value(QLatin1String("number"))).value_or(-1);
    const QJsonValue length = setting.value(QLatin1String("length"));
    const TStorageType storage = StorageTypeOf(Text(setting, "type"), LengthText(length));
    row.VarType = storage.VarType;
    row.Min = storage.Min;
    row.Max = storage.Max;

    switch (row.Control) {
    case ckString: {
      shape.WithButton = ScanListOf(FVersion, row.Number) != slNone;
      // The image keeps a string's length in one byte.
      const std::optional<qint32> n = Int32(length);
      shape.Max = n ? qBound(0, *n, 255) : 255;
      break;
    }
    case ckInteger: {
      shape.WithButton = IsVehicleSetting(FVersion, row.Number);
      const std::optional<qint32> vmin = Int32(aView.value(QLatin1String("min")));
      const std::optional<qint32> vmax = Int32(aView.value(QLatin1String("max")));
      // The view may narrow the storage's range but never widen it: a value beyond the storage
      // would be cut to its low bytes on the way to the device.
      if (storage.HasBounds) {
        shape.Min = vmin ? qMax<qint64>(*vmin, storage.Min) : storage.Min;
        shape.Max = vmax ? qMin<qint64>(*vmax, storage.Max) : storage.Max;
      } else {
        if (vmin)
          shape.Min = *vmin;
        if (vmax)
          shape.Max = *vmax;
      }
      if (shape.Min && shape.Max && *shape.Min > *shape.Max)
        Skip(aAlias);
      break;
    }
    case ckFlag: {
      row.Bit = Int32(aView.value(QLatin1String("bit"))).value_or(-1);
      const int width = VarTypeWidth(row.VarType);
      // A bit that the stored integer does not have, or a bit of a signed value, cannot be kept.
      if (row.Bit >= 0 && (width == 0 || VarTypeIsSigned(row.VarType) || row.Bit >= width * 8))
        Skip(aAlias);
      break;
    }
    case ckList: {
      const QJsonObject dictionary = FDictionaries.value(aAlias);
      for (const QJsonValue& iv : dictionary.value(QLatin1String("items")).toArray()) {
        const QJsonObject item = iv.toObject();
        const int number = Int32(item.value(QLatin1String("number"))).value_or(-1);
        if (VarTypeIsInteger(row.VarType) && (number < row.Min || number > row.Max)) {
          FModel.Skipped.append(aAlias + QLatin1Char('=') + QString::number(number));
          continue;
        }
        shape.Items.append({number, Text(item, "name")});
      }
      break;
    }
    default:
      break;
    }
    FModel.Rows.append(row);
    FModel.Controls.append(shape);
    FModel.Sections.last().SubSections.last().Rows.append(int(FModel.Rows.size() - 1));
  }

  const QJsonObject& FData;
  int FVersion;
  TSettingsModel& FModel;
  QJsonArray FAllViews;
  QMultiHash<QString, qsizetype> FViews;
  QHash<QString, QJsonObject> FDictionaries;
};

} // namespace

std::optional<QJsonObject> ParseSettingsSchema(const QByteArray& aText, QString* aError) {
  QByteArray text = aText;
  if (text.startsWith("\xEF\xBB\xBF"))
    text.remove(0, 3);
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(text, &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) {
    if (aError)
      *aError = error.error != QJsonParseError::NoError ? error.errorString()
                                                        : QStringLiteral("the root is not an object");
    return std::nullopt;
  }
  return document.object();
}

TSettingsModel BuildSettingsModel(const QJsonObject& aRoot, int aSettingsVersion) {
  TSettingsModel model;
  try {
    const QJsonValue data = aRoot.value(QLatin1String("data"));
    if (!data.isObject())
      throw TSchemaError("the schema has no data");
    const QJsonObject object = data.toObject();
    if (object.contains(QLatin1String("translations"))) {
      model.HasTranslations = true;
      model.Translations = ReadTranslations(object.value(QLatin1String("translations")).toArray());
    }
    TBuilder(object, aSettingsVersion, model).Build();
  } catch (const TSchemaError& e) {
    model.Error = QString::fromStdString(e.what());
  }
  return model;
}

TScanList ScanListOf(int aSettingsVersion, int aNumber) {
  if (aSettingsVersion == 2) {
    if (aNumber >= 201 && aNumber <= 210)
      return slBLE;
    if (aNumber >= 191 && aNumber <= 195)
      return slWiFi;
    if (aNumber == 151)
      return slCellTower;
  } else if (aSettingsVersion == 1) {
    if (aNumber >= 230 && aNumber <= 239)
      return slBLE;
    if (aNumber == 106)
      return slWiFi;
    if (aNumber == 46)
      return slCellTower;
  }
  return slNone;
}

bool IsVehicleSetting(int aSettingsVersion, int aNumber) {
  return (aSettingsVersion == 1 && aNumber == 51) || (aSettingsVersion == 2 && aNumber == 10);
}
