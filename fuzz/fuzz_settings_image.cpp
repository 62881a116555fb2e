// The settings image, in both layouts, checked and applied to the rows of a shipped schema.
//
// Input: one byte choosing the layout and the schema, then the image as the device sends it.

#include "fuzz_host.h"
#include "settings/settings_image.h"
#include "settings/settings_model.h"

#include <QFile>

namespace {

QList<TSetting> SchemaRows(const char* aResource, int aVersion) {
  QFile f(QString::fromLatin1(aResource));
  if (!f.open(QIODevice::ReadOnly))
    abort();
  const auto root = ParseSettingsSchema(f.readAll());
  if (!root)
    abort();
  return BuildSettingsModel(*root, aVersion).Rows;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 1)
    return 0;
  static const QList<TSetting> kRows[2][2] = {
      {SchemaRows(":/velmora/Resource_305", 1), SchemaRows(":/velmora/Resource_306", 1)},
      {SchemaRows(":/velmora/Resource_305", 2), SchemaRows(":/velmora/Resource_306", 2)}};
  const int layout = 1 + (aData[0] & 1);
  const QList<TSetting>& rows = kRows[layout - 1][(aData[0] >> 1) & 1];
  const QByteArray image = FuzzBytes(aData + 1, aSize - 1);
  const TDecodedImage decoded = DecodeSettingsImage(layout, image);
  if (!decoded.Valid && !decoded.Entries.isEmpty())
    __builtin_trap();
  const TAppliedImage applied = ApplySettingsEntries(layout, rows, decoded.Entries);
  for (const TRowAssignment& a : applied.Assignments)
    if (a.Row < 0 || a.Row >= rows.size())
      __builtin_trap();
  // Every storage type reads any entry value without reading past it.
  if (!decoded.Entries.isEmpty()) {
    const QByteArray& value = decoded.Entries.first().Value;
    QString error;
    for (quint16 type = 0; type < 0x20; ++type)
      (void)DecodeSettingValue(layout, type, value, &error);
    (void)DecodeSettingValue(layout, varString, value, &error);
  }
  return 0;
}
