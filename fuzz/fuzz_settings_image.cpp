// The settings image, in both layouts, checked and applied to the rows of a shipped schema; taken
// as the device's own and written back unchanged, and checked as a configuration file.
//
// Input: one byte choosing the layout and the schema, then the image as the device sends it.

#include "fuzz_host.h"
#include "settings/settings_image.h"
#include "settings/settings_model.h"
#include "settings/settings_page_values.h"
#include "updates/crypto/checksums.h"

#include <QFile>

namespace {

TSettingsModel SchemaModel(const char* aResource, int aVersion) {
  QFile f(QString::fromLatin1(aResource));
  if (!f.open(QIODevice::ReadOnly))
    abort();
  const auto root = ParseSettingsSchema(f.readAll());
  if (!root)
    abort();
  return BuildSettingsModel(*root, aVersion);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 1)
    return 0;
  static const TSettingsModel kModels[2][2] = {
      {SchemaModel(":/velmora/Resource_305", 1), SchemaModel(":/velmora/Resource_306", 1)},
      {SchemaModel(":/velmora/Resource_305", 2), SchemaModel(":/velmora/Resource_306", 2)}};
  const int layout = 1 + (aData[0] & 1);
  const TSettingsModel& model = kModels[layout - 1][(aData[0] >> 1) & 1];
  const QList<TSetting>& rows = model.Rows;
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
  if (decoded.Valid) {
    // The device's own image written back untouched: every entry goes out as the device sent it.
    TSettingsPageValues page(model);
    (void)page.ApplyDeviceImage(layout, Base64Encode(image));
    const TBuiltImage built = page.Build(layout);
    const TImageEntries own = EntriesByNumber(decoded.Entries);
    if (!built.Refused())
      for (const TImageEntry& e : DecodeSettingsImage(layout, built.Image).Entries)
        if (own.value(e.Number) != e.Value)
          __builtin_trap();
    // As a file: a fault names an entry of the image.
    const auto fault = CheckFileEntries(
        layout, rows, model.Controls, [](int) { return true; }, decoded, {},
        [](const QString& aKey) { return aKey; });
    if (fault && !own.contains(fault->Number) &&
        !(decoded.Truncated && fault->Number == decoded.TruncatedNumber))
      __builtin_trap();
  }
  return 0;
}
