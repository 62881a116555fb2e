// The stored-file extractor: a dump of the device's file storage, as a file reading returns it.

#include "device/stored_files.h"
#include "fuzz_host.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const QByteArray dump = FuzzBytes(aData, aSize);
  for (const TStoredFile& file : StoredFiles::Extract(dump)) {
    if (file.HeaderAt < 0 || file.HeaderAt >= dump.size() || file.Name.isEmpty() || file.Extension.isEmpty())
      __builtin_trap();
    // A name the folder accepts never leaves it.
    const QString name = StoredFiles::SafeFileName(file);
    if (name.contains(QLatin1Char('/')) || name.contains(QChar(0)) || name == QLatin1String("..") ||
        name == QLatin1String("."))
      __builtin_trap();
  }
  return 0;
}
