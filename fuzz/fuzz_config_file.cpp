// Configuration files (".cfg"): the Base64 text of a settings image on the first line, read and
// checked in both layouts as the settings page loads it.

#include "fuzz_host.h"
#include "settings/settings_files.h"
#include "settings/settings_image.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  FuzzInitApplication();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const QString path = FuzzWriteFile(FuzzBytes(aData, aSize), QStringLiteral(".cfg"));
  const std::optional<QString> text = ReadConfigFile(path);
  if (!text)
    __builtin_trap(); // the file exists and is readable
  if (text->size() > kMaxImageBase64 + 2 || text->contains(QLatin1Char('\n')))
    __builtin_trap();
  const QByteArray image = QByteArray::fromBase64(text->toLatin1());
  for (int layout = 1; layout <= 2; ++layout)
    (void)DecodeSettingsImage(layout, image);
  return 0;
}
