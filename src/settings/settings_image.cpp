#include "settings/settings_image.h"

#include "core/log_file.h"
#include "updates/crypto/checksums.h"

#include <QMap>
#include <QSet>

namespace {

quint8 Byte(const QByteArray& aBytes, qsizetype aAt) {
  return static_cast<quint8>(aBytes.at(aAt));
}

void AppendInteger(QByteArray& aOut, quint64 aValue, int aWidth, bool aBigEndian) {
  for (int i = 0; i < aWidth; ++i) {
    const int shift = 8 * (aBigEndian ? aWidth - 1 - i : i);
    aOut += static_cast<char>((aValue >> shift) & 0xFF);
  }
}

quint64 ReadInteger(const QByteArray& aBytes, int aWidth, bool aBigEndian) {
  quint64 value = 0;
  for (int i = 0; i < aWidth; ++i) {
    const int shift = 8 * (aBigEndian ? aWidth - 1 - i : i);
    value |= quint64(Byte(aBytes, i)) << shift;
  }
  return value;
}

bool IsPasswordNumber(int aLayout, int aNumber) {
  return aNumber == kPasswordSetting || (aLayout == 2 && aNumber == kPasswordSetting2);
}

QString DecodeText(int aLayout, QByteArray aBytes) {
  if (aLayout == 2 && aBytes.endsWith('\0'))
    aBytes.chop(1);
  return FromLogCodePage(aBytes);
}

} // namespace

QByteArray EncodeSettingValue(int aLayout, quint16 aVarType, const QVariant& aValue, bool* aOk) {
  *aOk = false;
  QByteArray out;
  if (aVarType == varString) {
    out = ToLogCodePage(aValue.toString());
    *aOk = out.size() <= 255;
    return *aOk ? out : QByteArray();
  }
  const int width = VarTypeWidth(aVarType);
  if (width == 0)
    return out;
  bool ok = false;
  const qint64 value = aValue.toLongLong(&ok);
  if (!ok)
    return out;
  const int bits = 8 * width;
  const qint64 low = VarTypeIsSigned(aVarType) ? -(qint64(1) << (bits - 1)) : 0;
  const qint64 high = VarTypeIsSigned(aVarType) ? (qint64(1) << (bits - 1)) - 1 : (qint64(1) << bits) - 1;
  if (value < low || value > high)
    return out;
  AppendInteger(out, quint64(value), width, aLayout == 1);
  *aOk = true;
  return out;
}

QVariant DecodeSettingValue(int aLayout, quint16 aVarType, const QByteArray& aBytes, QString* aError) {
  if (aVarType == varString)
    return DecodeText(aLayout, aBytes);
  const int width = VarTypeWidth(aVarType);
  if (width == 0)
    return QVariant();
  if (aBytes.size() != width) {
    if (aError)
      *aError = QStringLiteral("length %1 instead of %2").arg(aBytes.size()).arg(width);
    return QVariant();
  }
  const quint64 raw = ReadInteger(aBytes, width, aLayout == 1);
  switch (aVarType) {
  case varShortInt:
    return qint64(qint8(quint8(raw)));
  case varSmallint:
    return qint64(qint16(quint16(raw)));
  case varInteger:
    return qint64(qint32(quint32(raw)));
  default:
    return qint64(raw);
  }
}

TImageEntries EntriesByNumber(const QList<TImageEntry>& aEntries) {
  TImageEntries out;
  for (const TImageEntry& e : aEntries)
    out.insert(e.Number, e.Value);
  return out;
}

TBuiltImage BuildSettingsImage(int aLayout, const QList<TSetting>& aRows,
                               const std::function<TRowValue(const TSetting&)>& aValueOf,
                               const TImageEntries& aDevice) {
  if (aLayout != 1 && aLayout != 2)
    return {};
  const int maxNumber = aLayout == 1 ? 255 : 65535;
  QMap<int, QList<int>> byNumber;
  for (qsizetype i = 0; i < aRows.size(); ++i)
    if (aRows.at(i).Number >= 1 && aRows.at(i).Number <= maxNumber)
      byNumber[aRows.at(i).Number].append(int(i));

  TBuiltImage built;
  QByteArray image(aLayout == 1 ? 4 : 3, '\0');
  for (auto it = byNumber.cbegin(); it != byNumber.cend(); ++it) {
    const int number = it.key();
    const auto device = aDevice.constFind(number);
    quint16 type = varEmpty;
    for (int index : it.value())
      if (aValueOf(aRows.at(index)).Found)
        type = aRows.at(index).VarType;
    // What the device holds is where the value starts: bits and values the page does not
    // describe stay as they are.
    QVariant deviceValue;
    if (device != aDevice.cend() && (type == varString || VarTypeIsInteger(type)))
      deviceValue = DecodeSettingValue(aLayout, type, *device, nullptr);
    QVariant value = VarTypeIsInteger(type) && deviceValue.isValid() ? deviceValue : QVariant(qint64(0));
    bool matched = false;
    bool failed = false;
    bool lastSet = false;
    int lastRow = -1;
    // One alias placed in two sub-sections is still one flag.
    QSet<QString> flagsSeen;
    for (int index : it.value()) {
      const TSetting& row = aRows.at(index);
      const TRowValue v = aValueOf(row);
      if (!v.Found)
        continue;
      matched = true;
      lastSet = v.IsSet;
      lastRow = index;
      if (!v.HasValue || !v.Value.isValid()) {
        // A list showing a value it has no item for still holds the device's value.
        if (!(row.Control == ckList && deviceValue.isValid()))
          failed = true;
        continue;
      }
      if (row.Control == ckFlag && row.Bit >= 0) {
        if (flagsSeen.contains(row.Alias))
          continue;
        flagsSeen.insert(row.Alias);
        const bool on = v.Value.toLongLong() != 0;
        if (row.Bit >= 63) {
          // A bit no integer has: it can only be left clear.
          if (on) {
            built.RefusedRow = index;
            return built;
          }
          continue;
        }
        const qint64 bit = qint64(1) << row.Bit;
        value = on ? (value.toLongLong() | bit) : (value.toLongLong() & ~bit);
      } else {
        value = v.Value;
      }
    }
    if (!matched || failed || !lastSet || !value.isValid())
      continue;
    if (type != varString && !VarTypeIsInteger(type))
      continue;
    if (IsPasswordNumber(aLayout, number)) {
      const qsizetype length = value.toString().size();
      if (length < 1 || length > 6)
        continue;
    }
    QByteArray bytes;
    if (deviceValue.isValid() && deviceValue.toString() == value.toString()) {
      bytes = *device;
    } else {
      bool ok = false;
      bytes = EncodeSettingValue(aLayout, type, value, &ok);
      if (!ok) {
        built.RefusedRow = lastRow;
        return built;
      }
    }
    if (aLayout == 1) {
      image += '\x23';
      image += static_cast<char>(number);
    } else {
      image += static_cast<char>(number & 0xFF);
      image += static_cast<char>(number >> 8);
    }
    image += static_cast<char>(bytes.size());
    image += bytes;
    ++built.Entries;
  }
  if (aLayout == 1) {
    const qsizetype length = image.size() - 4;
    image[0] = static_cast<char>((length >> 8) & 0xFF);
    image[1] = static_cast<char>(length & 0xFF);
    const quint16 crc = Crc16(image, 4, int(image.size()) - 1);
    image[2] = static_cast<char>(crc >> 8);
    image[3] = static_cast<char>(crc & 0xFF);
  } else {
    image += QByteArray(2, '\0');
    const qsizetype length = image.size() - 5;
    image[0] = '\x01';
    image[1] = static_cast<char>(length & 0xFF);
    image[2] = static_cast<char>((length >> 8) & 0xFF);
    const quint16 crc = Crc16(image, 0, int(image.size()) - 3);
    image[image.size() - 2] = static_cast<char>(crc >> 8);
    image[image.size() - 1] = static_cast<char>(crc & 0xFF);
  }
  built.Image = image;
  return built;
}

TDecodedImage DecodeSettingsImage(int aLayout, const QByteArray& aImage) {
  TDecodedImage out;
  const qsizetype size = aImage.size();
  qsizetype at = 0;
  qsizetype end = 0;
  if (aLayout == 1) {
    if (size < 4)
      return out;
    const quint16 crc = quint16(Byte(aImage, 2) << 8 | Byte(aImage, 3));
    if (Crc16(aImage, 4, int(size) - 1) != crc)
      return out;
    at = 4;
    end = size;
  } else if (aLayout == 2) {
    if (size < 5 || Byte(aImage, 0) != 0x01)
      return out;
    const qsizetype length = Byte(aImage, 1) | Byte(aImage, 2) << 8;
    if (length + 5 != size)
      return out;
    const quint16 crc = quint16(Byte(aImage, size - 2) << 8 | Byte(aImage, size - 1));
    if (Crc16(aImage, 0, int(size) - 3) != crc)
      return out;
    at = 3;
    end = length + 3;
  } else {
    return out;
  }
  out.Valid = true;
  while (at < end) {
    if (at + 3 > end) {
      out.Truncated = true;
      out.TruncatedNumber = aLayout == 1 ? (at + 1 < end ? Byte(aImage, at + 1) : 0)
                                         : (at + 2 <= end ? Byte(aImage, at) | Byte(aImage, at + 1) << 8 : 0);
      break;
    }
    TImageEntry entry;
    entry.Number = aLayout == 1 ? Byte(aImage, at + 1) : Byte(aImage, at) | Byte(aImage, at + 1) << 8;
    const int n = Byte(aImage, at + 2);
    if (at + 3 + n > end) {
      out.Truncated = true;
      out.TruncatedNumber = entry.Number;
      break;
    }
    entry.Value = aImage.mid(at + 3, n);
    out.Entries.append(entry);
    at += 3 + n;
  }
  return out;
}

TAppliedImage ApplySettingsEntries(int aLayout, const QList<TSetting>& aRows,
                                   const QList<TImageEntry>& aEntries) {
  TAppliedImage out;
  QHash<int, QList<int>> byNumber;
  for (qsizetype i = 0; i < aRows.size(); ++i)
    byNumber[aRows.at(i).Number].append(int(i));
  for (const TImageEntry& entry : aEntries) {
    if (IsPasswordNumber(aLayout, entry.Number)) {
      out.HasPassword = true;
      out.Password = DecodeText(aLayout, entry.Value);
    }
    for (int index : byNumber.value(entry.Number)) {
      const TSetting& row = aRows.at(index);
      if (row.VarType != varString && !VarTypeIsInteger(row.VarType))
        continue;
      QString error;
      QVariant value = DecodeSettingValue(aLayout, row.VarType, entry.Value, &error);
      if (!value.isValid()) {
        out.Errors.append({entry.Number, error});
        continue;
      }
      const bool unsignedInt = row.VarType == varByte || row.VarType == varWord || row.VarType == varLongWord;
      if (row.Control == ckFlag && row.Bit >= 0 && unsignedInt)
        value = qint64((quint64(value.toLongLong()) >> (row.Bit % 32)) & 1);
      out.Assignments.append({index, value});
    }
  }
  return out;
}
