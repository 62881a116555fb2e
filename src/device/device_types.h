#pragma once

#include <QString>

// One model of the device type table.
struct TDeviceTypeName {
  const char* Type;
  const char* SubVersion;
  const char* Name;
};

// The model table, ordered by type code; variant rows follow their base row.
extern const TDeviceTypeName DeviceTypeNames[];
extern const int DeviceTypeNameCount;

// Display name of a device type and sub-version: "..." for no type, "v. <type>" for an unknown one.
QString DeviceDisplayName(const QString& aTypeText, const QString& aSubText);

// Types whose settings image uses the second format generation.
bool IsSettingsGeneration2(const QString& aDeviceType);
