// Answers of the web services: program information, device descriptions, the module list and
// module bodies, and the dates inside them.
//
// Input: one byte choosing the answer, then its text.

#include "fuzz_host.h"
#include "updates/module_format.h"
#include "updates/update_info.h"

#include <QJsonDocument>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 1)
    return 0;
  const QByteArray bytes = FuzzBytes(aData + 1, aSize - 1);
  const QString text = QString::fromUtf8(bytes);
  switch (aData[0] % 6) {
  case 0: {
    const TProgramInfo info = ParseProgramInfo(text);
    (void)info.Url.size();
    break;
  }
  case 1:
  case 2: {
    const TDeviceDescription d = ParseDeviceDescription(text, aData[0] % 6 - 1);
    if (!d.Url.isEmpty() && !d.Url.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) &&
        !d.Url.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
      __builtin_trap();
    break;
  }
  case 3: {
    QList<TModuleEntry> entries;
    (void)ParseModuleList(text, &entries);
    break;
  }
  case 4: {
    (void)ParseProgramDate(text);
    (void)ParseCreatedAt(text);
    break;
  }
  default: {
    // A module that is installed must still be the document that was downloaded.
    const QByteArray module = PrepareModule(bytes);
    if (!module.isEmpty()) {
      const auto withoutBom = [](const QByteArray& aText) {
        return aText.startsWith("\xEF\xBB\xBF") ? aText.mid(3) : aText;
      };
      const QJsonDocument saved = QJsonDocument::fromJson(withoutBom(module));
      const QJsonDocument sent = QJsonDocument::fromJson(withoutBom(bytes));
      if (!saved.isObject() || (sent.isObject() && saved != sent))
        __builtin_trap();
    }
    QString out;
    (void)ReformatJson(text, &out, 1 << 20);
    (void)ExpandUnicodeEscapes(text);
    break;
  }
  }
  return 0;
}
