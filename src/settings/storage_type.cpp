#include "settings/storage_type.h"

TStorageType StorageTypeOf(const QString& aType, const QString& aLength) {
  const QString type = aType.toLower();
  if (type == QLatin1String("string"))
    return {varString, true, 0, 255};
  const bool isInt = type == QLatin1String("int");
  const bool isSigned = type == QLatin1String("signint");
  if (!isInt && !isSigned)
    return {};
  if (aLength == QLatin1String("1"))
    return isInt ? TStorageType{varByte, true, 0, 255} : TStorageType{varShortInt, true, -127, 127};
  if (aLength == QLatin1String("2"))
    return isInt ? TStorageType{varWord, true, 0, 65535} : TStorageType{varSmallint, true, -32767, 32767};
  if (aLength == QLatin1String("4"))
    return isInt ? TStorageType{varLongWord, true, 0, 4294967295LL}
                 : TStorageType{varInteger, true, -2147483647LL, 2147483647LL};
  return {};
}

int VarTypeWidth(quint16 aVarType) {
  switch (aVarType) {
  case varShortInt:
  case varByte:
    return 1;
  case varSmallint:
  case varWord:
    return 2;
  case varInteger:
  case varLongWord:
    return 4;
  default:
    return 0;
  }
}

bool VarTypeIsSigned(quint16 aVarType) {
  return aVarType == varShortInt || aVarType == varSmallint || aVarType == varInteger;
}

bool VarTypeIsInteger(quint16 aVarType) {
  return VarTypeWidth(aVarType) > 0;
}
