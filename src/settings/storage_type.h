#pragma once

#include <QString>
#include <QtGlobal>

// Storage types of a setting, as variant type codes: what the device keeps and how many bytes it
// takes in the settings image.
enum TVarType : quint16 {
  varEmpty = 0,
  varSmallint = 2,  // 16-bit signed
  varInteger = 3,   // 32-bit signed
  varShortInt = 16, // 8-bit signed
  varByte = 17,     // 8-bit unsigned
  varWord = 18,     // 16-bit unsigned
  varLongWord = 19, // 32-bit unsigned
  varString = 256,
};

struct TStorageType {
  quint16 VarType = varEmpty;
  // Lowest and highest storable value; for strings the length in bytes. Without bounds (an unknown
  // type) nothing can be stored.
  bool HasBounds = false;
  qint64 Min = 0;
  qint64 Max = 0;
};

// The storage of a setting from the schema's type ("string", "int", "signInt", any case) and
// length ("1", "2", "4", compared as text). Signed lower bounds are one above the type's least
// value, as the devices' tools have always had them.
TStorageType StorageTypeOf(const QString& aType, const QString& aLength);

// Bytes of a value of an integer type in the image; 0 for strings and unknown types.
int VarTypeWidth(quint16 aVarType);
bool VarTypeIsSigned(quint16 aVarType);
bool VarTypeIsInteger(quint16 aVarType);
