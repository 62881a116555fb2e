#include "device/device_types.h"

// Names are the marketing names of our models: VT trackers, VS service adapters, VL fuel sensors.
const TDeviceTypeName DeviceTypeNames[] = {
    {"1", "0", "VS-1 Service"},     {"5", "0", "VT-5"},
    {"13", "0", "VT-13"},           {"15", "0", "VT-15"},
    {"16", "0", "VT-16"},           {"31", "0", "VT-31"},
    {"33", "0", "VT-33"},           {"35", "0", "VT-35"},
    {"82", "0", "VT-82 Drive"},     {"90", "0", "VT-90 Clock"},
    {"99", "0", "VT-99 Fleet"},     {"206", "0", "VT-206"},
    {"210", "0", "VT-210"},         {"213", "0", "VT-213"},
    {"215", "0", "VT-215"},         {"216", "0", "VT-216"},
    {"217", "0", "VT-217"},         {"218", "0", "VT-218"},
    {"219", "0", "VT-219"},         {"220", "0", "VT-220"},
    {"221", "0", "VT-221"},         {"222", "0", "VT-222"},
    {"223", "0", "VT-223"},         {"224", "0", "VT-224"},
    {"225", "0", "VT-225"},         {"226", "0", "VT-226"},
    {"227", "0", "VT-227"},         {"227", "1", "VT-227 Lite"},
    {"227", "2", "VT-227 Plus"},    {"227", "3", "VT-227 CAN"},
    {"228", "0", "VT-228"},         {"229", "0", "VT-229"},
    {"230", "0", "VT-230"},         {"231", "0", "VT-231"},
    {"232", "0", "VT-232"},         {"232", "2", "VT-232 BLE"},
    {"232", "3", "VT-232 BLE CAN"}, {"232", "4", "VT-232 BLE Wi-Fi"},
    {"233", "0", "VT-233"},         {"234", "0", "VT-234"},
    {"234", "3", "VT-234 Pro"},     {"235", "0", "VT-235"},
    {"236", "0", "VT-236"},         {"237", "0", "VT-237"},
    {"250", "0", "VL-250 Fuel"},    {"301", "0", "VT-301"},
    {"302", "0", "VT-302"},         {"303", "0", "VT-303"},
    {"304", "0", "VT-304"},         {"305", "0", "VT-305"},
    {"305", "1", "VT-305 Pro"},     {"306", "0", "VT-306"},
};
const int DeviceTypeNameCount = int(sizeof(DeviceTypeNames) / sizeof(DeviceTypeNames[0]));

namespace {
int ToIntOr(const QString& aText, int aFallback) {
  bool ok = false;
  const int value = aText.toInt(&ok, 10);
  return ok ? value : aFallback;
}
} // namespace

QString DeviceDisplayName(const QString& aTypeText, const QString& aSubText) {
  const int type = ToIntOr(aTypeText, 0);
  const int sub = ToIntOr(aSubText, 0);
  if (type == 0)
    return QStringLiteral("...");
  for (int i = 0; i < DeviceTypeNameCount; ++i)
    if (ToIntOr(QLatin1String(DeviceTypeNames[i].Type), -1) == type &&
        ToIntOr(QLatin1String(DeviceTypeNames[i].SubVersion), -1) == sub)
      return QString::fromUtf8(DeviceTypeNames[i].Name);
  if (sub != 0)
    for (int i = 0; i < DeviceTypeNameCount; ++i)
      if (ToIntOr(QLatin1String(DeviceTypeNames[i].Type), -1) == type &&
          ToIntOr(QLatin1String(DeviceTypeNames[i].SubVersion), -1) == 0)
        return QString::fromUtf8(DeviceTypeNames[i].Name);
  return QStringLiteral("v. ") + aTypeText;
}

bool IsSettingsGeneration2(const QString& aDeviceType) {
  static const char* const types[] = {"35", "82", "99", "235", "305", "306"};
  for (const char* t : types)
    if (aDeviceType == QLatin1String(t))
      return true;
  return false;
}
