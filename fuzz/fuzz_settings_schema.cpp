// The settings schema JSON (a cached module or an embedded one): parsed and built into the page
// model for both settings versions, and the model's rows written to an image that must read back.

#include "fuzz_host.h"
#include "settings/settings_image.h"
#include "settings/settings_model.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  QString error;
  const auto root = ParseSettingsSchema(FuzzBytes(aData, aSize), &error);
  if (!root)
    return 0;
  for (int version = 1; version <= 2; ++version) {
    const TSettingsModel model = BuildSettingsModel(*root, version);
    if (model.Controls.size() != model.Rows.size())
      __builtin_trap();
    for (const TSchemaSection& section : model.Sections)
      for (const TSchemaSubSection& sub : section.SubSections)
        for (int row : sub.Rows)
          if (row < 0 || row >= model.Rows.size())
            __builtin_trap();
    const TBuiltImage built = BuildSettingsImage(version, model.Rows, [](const TSetting& aRow) {
      TRowValue v;
      v.Found = true;
      v.IsSet = true;
      v.HasValue = true;
      v.Value = aRow.Default;
      return v;
    });
    if (!built.Image.isEmpty()) {
      const TDecodedImage back = DecodeSettingsImage(version, built.Image);
      if (!back.Valid || back.Truncated || back.Entries.size() != built.Entries)
        __builtin_trap();
      (void)ApplySettingsEntries(version, model.Rows, back.Entries);
    }
  }
  return 0;
}
