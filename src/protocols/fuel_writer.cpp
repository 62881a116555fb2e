#include "protocols/fuel_writer.h"

#include "protocols/fuel_host.h"
#include "protocols/gen3_decoder.h"

#include <algorithm>
#include <optional>
#include <span>
#include <vector>

namespace {

constexpr int kAddressSize = 6;

struct TWireField {
  const char* Stem;
  int Number;
  int Width; // bytes on the wire; 0 for the address
};

// Slot records carry the address and two one-byte parameters, then eight zero bytes.
constexpr TWireField kSlotFields[] = {{"master", 1, 0}, {"master", 2, 1}, {"master", 3, 1}};
constexpr int kSlotPadding = 8;
// Sensor records carry five values, then nineteen zero bytes.
constexpr TWireField kSensorFields[] = {
    {"sensor", 4, 1}, {"sensor", 5, 2}, {"sensor", 6, 2}, {"sensor", 7, 4}, {"sensor", 8, 4}};
constexpr int kSensorPadding = 19;

QString Quoted(const TFuelField& aField, const QString& aIdent) {
  return QStringLiteral(" \"") + (aField.Caption.isEmpty() ? aIdent : aField.Caption) + QLatin1Char('"');
}

QByteArray LittleEndian(quint64 aValue, int aWidth) {
  QByteArray bytes;
  for (int i = 0; i < aWidth; ++i)
    bytes += char((aValue >> (8 * i)) & 0xFF);
  return bytes;
}

// One slot's or sensor's request parameters after the slot byte, or an error; nothing at all when
// the record is not to be written.
struct TRecord {
  QByteArray Bytes;
  QString Error;
};

std::optional<TRecord> BuildRecord(IFuelHost& aHost, const TFuelWriter::TTranslate& aTranslate,
                                   std::span<const TWireField> aFields, int k) {
  std::vector<std::pair<QString, TFuelField>> fields;
  bool changed = false;
  for (const TWireField& wire : aFields) {
    const QString ident = QStringLiteral("%1_%2_%3").arg(QLatin1String(wire.Stem)).arg(k).arg(wire.Number);
    std::optional<TFuelField> field = aHost.FuelField(ident);
    // A page without one of the elements cannot say what the record holds.
    if (!field)
      return std::nullopt;
    changed = changed || field->Changed;
    fields.emplace_back(ident, *field);
  }
  if (!changed)
    return std::nullopt;

  TRecord record;
  for (std::size_t i = 0; i < aFields.size(); ++i) {
    const QString& ident = fields[i].first;
    const TFuelField& field = fields[i].second;
    const int width = aFields[i].Width;
    // A value never read from the master would overwrite what it holds with whatever the page
    // shows by default.
    if (!field.IsSet) {
      record.Error = aTranslate(QStringLiteral("mes_valuenotread"))
                         .replace(QLatin1String("%s"), field.Caption.isEmpty() ? ident : field.Caption);
      return record;
    }
    if (width == 0) {
      QByteArray address;
      if (!TFuelWriter::ParseAddress(field.Text, &address)) {
        record.Error = aTranslate(QStringLiteral("mes_valuechar")) + Quoted(field, ident);
        return record;
      }
      record.Bytes += address;
      continue;
    }
    bool ok = false;
    const qint64 value = field.Text.trimmed().toLongLong(&ok);
    if (!ok) {
      record.Error = aTranslate(QStringLiteral("mes_valuechar")) + Quoted(field, ident);
      return record;
    }
    const qint64 max = (qint64(1) << (8 * width)) - 1;
    if (value < 0) {
      record.Error =
          aTranslate(QStringLiteral("mes_valuemin")) + Quoted(field, ident) + QStringLiteral(": 0");
      return record;
    }
    if (value > max) {
      record.Error = aTranslate(QStringLiteral("mes_valuemax")) + Quoted(field, ident) +
                     QStringLiteral(": ") + QString::number(max);
      return record;
    }
    record.Bytes += LittleEndian(quint64(value), width);
  }
  return record;
}

} // namespace

static bool IsHexDigit(QChar c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool TFuelWriter::ParseAddress(const QString& aText, QByteArray* aBytes) {
  QString digits = aText;
  digits.remove(QLatin1Char(' '));
  if (digits.isEmpty() || digits.size() % 2 != 0 || digits.size() > 2 * kAddressSize)
    return false;
  QByteArray bytes;
  for (qsizetype i = 0; i < digits.size(); i += 2) {
    if (!IsHexDigit(digits[i]) || !IsHexDigit(digits[i + 1]))
      return false;
    bytes += char(digits.mid(i, 2).toUInt(nullptr, 16));
  }
  // A short address is filled up from the first byte shown, which is the last one stored.
  bytes += QByteArray(kAddressSize - bytes.size(), '\0');
  std::reverse(bytes.begin(), bytes.end());
  *aBytes = bytes;
  return true;
}

TFuelWriter::TResult TFuelWriter::Build(IFuelHost& aHost, const TTranslate& aTranslate) {
  struct TRecordKind {
    quint8 Command;
    std::span<const TWireField> Fields;
    int Padding;
  };
  // Slots first, then sensors; every record is checked before anything is sent.
  const TRecordKind kinds[] = {{Gen3::kWriteSlot, kSlotFields, kSlotPadding},
                               {Gen3::kWriteSensor, kSensorFields, kSensorPadding}};
  TResult result;
  for (const TRecordKind& kind : kinds) {
    for (int i = 1; i <= Gen3::kSlots; ++i) {
      const std::optional<TRecord> record = BuildRecord(aHost, aTranslate, kind.Fields, i);
      if (!record)
        continue;
      if (!record->Error.isEmpty()) {
        result.Error = record->Error;
        result.Requests.clear();
        return result;
      }
      result.Requests << Gen3::Request(kind.Command,
                                       char(i - 1) + record->Bytes + QByteArray(kind.Padding, '\0'));
    }
  }
  return result;
}
