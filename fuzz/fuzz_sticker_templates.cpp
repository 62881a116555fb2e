// Sticker template files (".ptp"): read as UTF-8 or the older code page, imported into the
// per-user store line by line, and each stored layout read back into the dialog's settings.

#include "dialogs/sticker_settings.h"
#include "dialogs/sticker_templates.h"
#include "fuzz_host.h"
#include "platform/registry.h"

#include <QDir>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The store is a file under the configuration folder: keep it out of the real one.
  const QString home = QDir::tempPath() + QStringLiteral("/velmora-fuzz-home");
  QDir().mkpath(home);
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(home));
  FuzzInitApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  static TRegistry registry;
  TStickerTemplates templates(registry);
  templates.Reset();
  const QString path = FuzzWriteFile(FuzzBytes(aData, aSize), QStringLiteral(".ptp"));
  QString text;
  QString error;
  if (!ReadTextFile(path, &text, &error))
    return 0;
  int skipped = 0;
  templates.Import(text, &skipped);
  for (const QString& name : templates.Names()) {
    if (TStickerTemplates::ValidName(name) != name)
      __builtin_trap();
    TStickerSettings settings;
    settings.FromText(templates.Text(name));
    // What the dialog keeps must read back as itself.
    TStickerSettings again;
    again.FromText(settings.ToText());
    if (!(again == settings))
      __builtin_trap();
  }
  return 0;
}
